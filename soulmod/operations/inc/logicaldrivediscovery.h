// Finds the logical drives of a controller by probing drive numbers.
#ifndef TSM_OPERATIONS_LOGICALDRIVEDISCOVERY_H
#define TSM_OPERATIONS_LOGICALDRIVEDISCOVERY_H

#include "csign.h"
#include "deviceoperation.h"
#include "schemakinds.h"

namespace Operations {

class LogicalDriveDiscovery : public Schema::ArrayControllerVisitor,
                              public Core::DeviceOperation,
                              public Core::AttributePublisher {
public:
    LogicalDriveDiscovery();
    ~LogicalDriveDiscovery() override;

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
