// Groups a controller's logical drives into arrays by their data drives.
#ifndef TSM_OPERATIONS_ARRAYDISCOVERY_H
#define TSM_OPERATIONS_ARRAYDISCOVERY_H

#include "csign.h"
#include "deviceoperation.h"
#include "schemakinds.h"

namespace Operations {

class ArrayDiscovery : public Schema::ArrayControllerVisitor,
                       public Core::DeviceOperation,
                       public Core::AttributePublisher {
public:
    ArrayDiscovery();
    ~ArrayDiscovery() override;

    bool isInvariant() const override;
    CountedPtr<Core::Status> visit(Schema::ArrayController& controller) override;

protected:
    std::string doName() const override;
    eType doType() const override;

private:
    CSignature m_bSignature;
};

}

#endif
