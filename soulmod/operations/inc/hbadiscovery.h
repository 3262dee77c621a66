// Finds the host bus adapters of the machine under the root.
#ifndef TSM_OPERATIONS_HBADISCOVERY_H
#define TSM_OPERATIONS_HBADISCOVERY_H

#include "csign.h"
#include "deviceoperation.h"
#include "schemakinds.h"

namespace Operations {

class HBADiscovery : public Schema::SystemVisitor, public Core::DeviceOperation, public Core::AttributePublisher {
public:
    HBADiscovery();
    ~HBADiscovery() override;

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
