// An array controller, in the host or reached through another controller or
// an adapter; it executes the BMIC and SCSI commands of its subtree.
#ifndef TSM_SCHEMA_ARRAYCONTROLLER_H
#define TSM_SCHEMA_ARRAYCONTROLLER_H

#include "bmicdevice.h"
#include "csign.h"
#include "device.h"
#include "hardwarelibrary.h"
#include "operationregistry.h"
#include "visitors.h"

#include <cstdint>

namespace Schema {

class ArrayController : public Core::Device,
                        public Core::DeviceOperationRegistry<ArrayController>,
                        public Core::BmicDevice,
                        public Core::SCSIDevice {
public:
    enum eLocation { eLOCAL = 0, eREMOTE = 1, eUNKNOWN = 2 };

    ArrayController(Hardware::Handle hHandle, std::uint32_t dwClassCode, std::uint16_t wIndex, eLocation location);
    ~ArrayController() override;

    bool isInvariant() const override;
    Hardware::Handle handle() const;
    std::uint32_t classCode() const;
    std::uint16_t index() const;
    eLocation location() const;

    bool sendBmicCommand(Core::BmicParameters& parameters) override;
    bool sendScsiCommand(Core::ScsiParameters& parameters) override;
    bool isScsiDevice() const override { return true; }

protected:
    bool isSameDevice(const Core::Device& other) const override;
    CountedPtr<Core::Status> accept(Core::DeviceVisitor& visitor) override;
    void updateFrom(Core::DevicePtr pNewer) override;
    std::string doStringRep() const override;

private:
    CSignature m_bSignature;
    Hardware::Handle m_hHandle;
    std::uint32_t m_dwClassCode;
    std::uint16_t m_wIndex;
    eLocation m_eLocation;
};

}

#endif
