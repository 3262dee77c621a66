// Creates the spare drives an array lists.
#ifndef TSM_OPERATIONS_SPAREPHYSICALDRIVEDISCOVERY_H
#define TSM_OPERATIONS_SPAREPHYSICALDRIVEDISCOVERY_H

#include "csign.h"
#include "deviceoperation.h"
#include "schemakinds.h"

namespace Operations {

class SparePhysicalDriveDiscovery : public Schema::ArrayVisitor,
                                    public Core::DeviceOperation,
                                    public Core::AttributePublisher {
public:
    SparePhysicalDriveDiscovery();
    ~SparePhysicalDriveDiscovery() override;

    bool isInvariant() const override;
    CountedPtr<Core::Status> visit(Schema::Array& array) override;

protected:
    std::string doName() const override;
    eType doType() const override;

private:
    CSignature m_bSignature;
};

}

#endif
