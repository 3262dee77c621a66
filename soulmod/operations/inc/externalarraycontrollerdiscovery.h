// Finds the external array controllers reached through a controller or an adapter.
#ifndef TSM_OPERATIONS_EXTERNALARRAYCONTROLLERDISCOVERY_H
#define TSM_OPERATIONS_EXTERNALARRAYCONTROLLERDISCOVERY_H

#include "csign.h"
#include "deviceoperation.h"
#include "schemakinds.h"

namespace Operations {

class ExternalArrayControllerDiscovery : public Schema::ArrayControllerVisitor,
                                         public Schema::HostBusAdapterVisitor,
                                         public Schema::SystemVisitor,
                                         public Core::DeviceOperation,
                                         public Core::AttributePublisher {
public:
    ExternalArrayControllerDiscovery();
    ~ExternalArrayControllerDiscovery() override;

    bool isInvariant() const override;
    CountedPtr<Core::Status> visit(Schema::ArrayController& controller) override;
    CountedPtr<Core::Status> visit(Schema::HostBusAdapter& adapter) override;
    CountedPtr<Core::Status> visit(Schema::System& system) override;

protected:
    std::string doName() const override;
    eType doType() const override;

private:
    CountedPtr<Core::Status> discoverBehind(Core::Device& parent, Schema::Hardware::Handle hParent);

    CSignature m_bSignature;
};

}

#endif
