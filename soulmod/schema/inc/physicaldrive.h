// A physical drive: a data or spare drive of an array, or an unassigned one.
#ifndef TSM_SCHEMA_PHYSICALDRIVE_H
#define TSM_SCHEMA_PHYSICALDRIVE_H

#include "bmicdevice.h"
#include "csign.h"
#include "device.h"
#include "operationregistry.h"
#include "visitors.h"

#include <cstdint>

namespace Schema {

class PhysicalDrive : public Core::Device,
                      public Core::DeviceOperationRegistry<PhysicalDrive>,
                      public Core::BmicDevice {
public:
    enum eRole : std::uint32_t { eDATA = 0, eSPARE = 1, eUNASSIGNED = 2 };

    PhysicalDrive(std::uint32_t dwRole, std::uint16_t wNumber);
    ~PhysicalDrive() override;

    bool isInvariant() const override;
    // Role and number: drives are the same exactly when both are.
    std::string identityKey() const override;
    std::uint32_t role() const;
    std::uint16_t number() const;

    bool sendBmicCommand(Core::BmicParameters& parameters) override;

protected:
    bool isSameDevice(const Core::Device& other) const override;
    CountedPtr<Core::Status> accept(Core::DeviceVisitor& visitor) override;
    std::string doStringRep() const override;

private:
    CSignature m_bSignature;
    std::uint32_t m_dwRole;
    std::uint16_t m_wNumber;
};

}

#endif
