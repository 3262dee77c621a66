// The root of the device tree: the host computer.
#ifndef TSM_SCHEMA_SYSTEM_H
#define TSM_SCHEMA_SYSTEM_H

#include "csign.h"
#include "device.h"
#include "operationregistry.h"
#include "visitors.h"

namespace Schema {

class System : public Core::Device, public Core::DeviceOperationRegistry<System> {
public:
    // The one root of the process, created on first use.
    static Core::DevicePtr instance();

    ~System() override;
    bool isInvariant() const override;

protected:
    bool isSameDevice(const Core::Device& other) const override;
    CountedPtr<Core::Status> accept(Core::DeviceVisitor& visitor) override;
    std::string doStringRep() const override;

private:
    System();

    CSignature m_bSignature;
};

}

#endif
