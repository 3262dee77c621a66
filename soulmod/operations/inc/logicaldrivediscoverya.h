// Creates the logical drives an array lists.
#ifndef TSM_OPERATIONS_LOGICALDRIVEDISCOVERYA_H
#define TSM_OPERATIONS_LOGICALDRIVEDISCOVERYA_H

#include "csign.h"
#include "deviceoperation.h"
#include "schemakinds.h"

namespace Operations {

class LogicalDriveDiscoveryA : public Schema::ArrayVisitor,
                               public Core::DeviceOperation,
                               public Core::AttributePublisher {
public:
    LogicalDriveDiscoveryA();
    ~LogicalDriveDiscoveryA() override;

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
