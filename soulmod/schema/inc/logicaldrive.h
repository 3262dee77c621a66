// A logical drive of a controller or an array.
#ifndef TSM_SCHEMA_LOGICALDRIVE_H
#define TSM_SCHEMA_LOGICALDRIVE_H

#include "bmicdevice.h"
#include "csign.h"
#include "device.h"
#include "operationregistry.h"
#include "visitors.h"

#include <cstdint>

namespace Schema {

class LogicalDrive : public Core::Device,
                     public Core::DeviceOperationRegistry<LogicalDrive>,
                     public Core::BmicDevice,
                     public Core::SCSIDevice {
public:
    explicit LogicalDrive(std::uint16_t wNumber);
    ~LogicalDrive() override;

    bool isInvariant() const override;
    // The drive number: drives are the same exactly when their numbers are.
    std::string identityKey() const override;
    std::uint16_t number() const;
    // True when the drive's first block holds a GPT header of the first revision.
    bool isGpt();

    bool sendBmicCommand(Core::BmicParameters& parameters) override;
    bool sendScsiCommand(Core::ScsiParameters& parameters) override;
    bool isScsiDevice() const override { return true; }

protected:
    bool isSameDevice(const Core::Device& other) const override;
    CountedPtr<Core::Status> accept(Core::DeviceVisitor& visitor) override;
    std::string doStringRep() const override;

private:
    CSignature m_bSignature;
    std::uint16_t m_wNumber;
};

}

#endif
