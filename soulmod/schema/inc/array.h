// An array of physical drives on a controller, with the drive lists that the
// array-based discoveries read.
#ifndef TSM_SCHEMA_ARRAY_H
#define TSM_SCHEMA_ARRAY_H

#include "bmicdevice.h"
#include "conversion.h"
#include "csign.h"
#include "device.h"
#include "operationregistry.h"
#include "visitors.h"

#include <cstdint>
#include <string>

namespace Schema {

class Array : public Core::Device,
              public Core::DeviceOperationRegistry<Array>,
              public Core::BmicDevice,
              public Core::SCSIDevice {
public:
    // The data and failed drive lists are texts of drive lists; the first
    // logical drive number starts the logical drive list.
    Array(const std::string& name, std::uint16_t wFirstLogicalDrive, const std::string& dataDrives,
          const std::string& failedDrives);
    ~Array() override;

    bool isInvariant() const override;

    const std::string& name() const;
    const std::string& activeSpareDrives() const; // spares in use
    const std::string& dataDrives() const;
    const std::string& failedDrives() const;
    const std::string& spareDrives() const;
    const std::string& logicalDrives() const;

    void addActiveSpareDrives(const std::string& drives);
    void addSpareDrives(const std::string& drives);
    void addLogicalDrive(std::uint16_t wNumber);

    bool sendBmicCommand(Core::BmicParameters& parameters) override;
    bool sendScsiCommand(Core::ScsiParameters& parameters) override;
    bool isScsiDevice() const override { return true; }

protected:
    bool isSameDevice(const Core::Device& other) const override;
    CountedPtr<Core::Status> accept(Core::DeviceVisitor& visitor) override;
    std::string doStringRep() const override;

private:
    CSignature m_bSignature;
    std::string m_strName;
    std::string m_strActiveSpares;
    std::string m_strDataDrives;
    std::string m_strFailedDrives;
    std::string m_strSpareDrives;
    std::string m_strLogicalDrives;
};

}

#endif
