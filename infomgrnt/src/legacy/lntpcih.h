// PCI configuration headers: one device's information with its owned copy of
// the header bytes, and the process's table of PCI devices by class code.
#ifndef TSM_INFOMGRNT_LNTPCIH_H
#define TSM_INFOMGRNT_LNTPCIH_H

#include <csign.h>

#include <cstdint>
#include <map>
#include <memory>

namespace InfoMgr {

class PCIDeviceInfo {
public:
    PCIDeviceInfo();
    // Copies bLength header bytes from pbHeader.
    PCIDeviceInfo(std::uint8_t bBus, std::uint8_t bDevice, std::uint8_t bFunction, const std::uint8_t* pbHeader,
                  std::uint8_t bLength);
    PCIDeviceInfo(const PCIDeviceInfo& oPCIDeviceInfoIn);
    PCIDeviceInfo& operator=(const PCIDeviceInfo& oPCIDeviceInfoIn);
    virtual ~PCIDeviceInfo();

    bool isInvariant() const;

    std::uint8_t bus() const;
    std::uint8_t device() const;
    std::uint8_t function() const;
    // Configuration-space values at an offset, little-endian.
    std::uint8_t readByte(std::uint8_t bOffset) const;
    std::uint16_t readWord(std::uint8_t bOffset) const;
    std::uint32_t readDword(std::uint8_t bOffset) const;
    // The requested length clipped to the bytes held.
    std::uint8_t length(std::uint8_t bRequested) const;
    // Frees the header and zeroes pointer and length.
    void clear();

protected:
    virtual std::uint8_t doReadByte(std::uint8_t bOffset) const;
    virtual std::uint16_t doReadWord(std::uint8_t bOffset) const;
    virtual std::uint32_t doReadDword(std::uint8_t bOffset) const;
    virtual void doClear();

private:
    void copyFrom(const PCIDeviceInfo& oPCIDeviceInfoIn);

    CSignature m_bSignature;
    std::uint8_t m_bBus;
    std::uint8_t m_bDevice;
    std::uint8_t m_bFunction;
    std::unique_ptr<std::uint8_t[]> m_pbConfigSpaceHeader;
    std::uint8_t m_bLength;
};

// Class code key: configuration bytes 9, 10 and 11 from the least significant end.
constexpr std::uint32_t kPciBridgeClassCode = 0x060400;

class PCIDeviceFinder {
public:
    // The process's table, filled from the health driver on first use and
    // never refreshed.
    static const PCIDeviceFinder& instance();
    // A table filled now by scanning PCI configuration space through the
    // health driver (bus 0 to 255, device 0 to 31, function 0).
    static PCIDeviceFinder scanConfigurationSpace();

    PCIDeviceFinder();
    PCIDeviceFinder(const PCIDeviceFinder& oPCIDeviceFinderIn);
    PCIDeviceFinder& operator=(const PCIDeviceFinder&) = default;
    virtual ~PCIDeviceFinder();

    bool isInvariant() const;

    // Records a device under the class code of its header (needs 12 bytes).
    void addDevice(const PCIDeviceInfo& oDevice);
    // The n-th device (from 0) with the class code; true with a copy of it.
    bool findDevice(std::uint32_t dwClassCode, std::uint32_t nIndex, PCIDeviceInfo& oDevice) const;
    std::size_t deviceCount() const;

protected:
    virtual void doAddDevice(const PCIDeviceInfo& oDevice);
    virtual bool doFindDevice(std::uint32_t dwClassCode, std::uint32_t nIndex, PCIDeviceInfo& oDevice) const;

private:
    CSignature m_bSignature;
    std::multimap<std::uint32_t, PCIDeviceInfo> m_oDevices;
};

} // namespace InfoMgr

#endif
