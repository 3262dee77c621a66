// A Fibre Channel host bus adapter, identified by its hardware handle.
#ifndef TSM_SCHEMA_HOSTBUSADAPTER_H
#define TSM_SCHEMA_HOSTBUSADAPTER_H

#include "csign.h"
#include "device.h"
#include "hardwarelibrary.h"
#include "operationregistry.h"
#include "visitors.h"

namespace Schema {

class HostBusAdapter : public Core::Device, public Core::DeviceOperationRegistry<HostBusAdapter> {
public:
    explicit HostBusAdapter(Hardware::Handle hHandle);
    ~HostBusAdapter() override;

    bool isInvariant() const override;
    // The handle: adapters are the same exactly when their handles are.
    std::string identityKey() const override;
    Hardware::Handle handle() const;

protected:
    bool isSameDevice(const Core::Device& other) const override;
    CountedPtr<Core::Status> accept(Core::DeviceVisitor& visitor) override;
    std::string doStringRep() const override;

private:
    CSignature m_bSignature;
    Hardware::Handle m_hHandle;
};

}

#endif
