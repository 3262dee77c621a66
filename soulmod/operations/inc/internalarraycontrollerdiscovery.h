// Finds the array controllers in the host under the root.
#ifndef TSM_OPERATIONS_INTERNALARRAYCONTROLLERDISCOVERY_H
#define TSM_OPERATIONS_INTERNALARRAYCONTROLLERDISCOVERY_H

#include "csign.h"
#include "deviceoperation.h"
#include "schemakinds.h"

namespace Operations {

class InternalArrayControllerDiscovery : public Schema::SystemVisitor,
                                         public Core::DeviceOperation,
                                         public Core::AttributePublisher {
public:
    InternalArrayControllerDiscovery();
    ~InternalArrayControllerDiscovery() override;

    bool isInvariant() const override;
    CountedPtr<Core::Status> visit(Schema::System& system) override;

protected:
    std::string doName() const override;
    eType doType() const override;

private:
    CSignature m_bSignature;
};

}

#endif
