// Finds the drives of a controller that belong to no array.
#ifndef TSM_OPERATIONS_UNASSIGNEDPHYSICALDRIVEDISCOVERY_H
#define TSM_OPERATIONS_UNASSIGNEDPHYSICALDRIVEDISCOVERY_H

#include "csign.h"
#include "deviceoperation.h"
#include "schemakinds.h"

namespace Operations {

class UnassignedPhysicalDriveDiscovery : public Schema::ArrayControllerVisitor,
                                         public Core::DeviceOperation,
                                         public Core::AttributePublisher {
public:
    UnassignedPhysicalDriveDiscovery();
    ~UnassignedPhysicalDriveDiscovery() override;

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
