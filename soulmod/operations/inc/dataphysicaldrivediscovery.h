// Creates the data drives an array lists.
#ifndef TSM_OPERATIONS_DATAPHYSICALDRIVEDISCOVERY_H
#define TSM_OPERATIONS_DATAPHYSICALDRIVEDISCOVERY_H

#include "csign.h"
#include "deviceoperation.h"
#include "schemakinds.h"

namespace Operations {

class DataPhysicalDriveDiscovery : public Schema::ArrayVisitor,
                                   public Core::DeviceOperation,
                                   public Core::AttributePublisher {
public:
    DataPhysicalDriveDiscovery();
    ~DataPhysicalDriveDiscovery() override;

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
