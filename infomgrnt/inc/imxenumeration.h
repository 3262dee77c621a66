// Controller enumeration: the port scan frame every transport uses, the
// setup-records list and the slot lookups through the operating system and
// through the PCI BIOS interrupt routing table.
#ifndef TSM_INFOMGRNT_IMXENUMERATION_H
#define TSM_INFOMGRNT_IMXENUMERATION_H

#include <setupapi.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace InfoMgr {

constexpr std::uint32_t kScanPortCount = 256;

// "\\.\Scsi%d:" for a port number.
std::string portDeviceName(std::uint32_t dwPort);

// Owns an open device handle and closes it when it goes.
class ScopedDeviceHandle {
public:
    ScopedDeviceHandle() = default;
    explicit ScopedDeviceHandle(HANDLE hDevice) : m_hDevice(hDevice) {}
    ScopedDeviceHandle(ScopedDeviceHandle&& other) noexcept : m_hDevice(other.release()) {}
    ScopedDeviceHandle& operator=(ScopedDeviceHandle&& other) noexcept;
    ScopedDeviceHandle(const ScopedDeviceHandle&) = delete;
    ScopedDeviceHandle& operator=(const ScopedDeviceHandle&) = delete;
    ~ScopedDeviceHandle();

    bool isValid() const { return m_hDevice != INVALID_HANDLE_VALUE && m_hDevice != nullptr; }
    HANDLE get() const { return m_hDevice; }
    [[nodiscard]] HANDLE release();

private:
    HANDLE m_hDevice = INVALID_HANDLE_VALUE;
};

// Opens a device the way the storage and health drivers are opened: read and
// write access, shared for reading, existing device, write-through and no
// buffering.
ScopedDeviceHandle openDevice(const std::string& sDeviceName);
ScopedDeviceHandle openPortDevice(std::uint32_t dwPort);

// One buffered device request on an open device; false when the call fails.
bool sendDeviceRequest(HANDLE hDevice, std::uint32_t dwControlCode, const void* pIn, std::uint32_t dwInLength,
                       void* pOut, std::uint32_t dwOutLength, std::uint32_t& dwReturned);

// What a transport's probe of one port found.
enum PortAnswer {
    ePORT_ANSWERED, // a controller of the transport's kind: one record was appended
    ePORT_SILENT, // no device or not the transport's kind: skipped
    ePORT_FAILED // the port could not be used (counts for the legacy result rule)
};

enum ScanRule {
    eSCAN_CSMI, // 3 when no port answered, else 0
    eSCAN_LEGACY // also 0x80000009 when any port failed and at least one answered
};

constexpr std::uint32_t kScanOk = 0;
constexpr std::uint32_t kScanNothingFound = 3;
constexpr std::uint32_t kScanPortFailed = 0x80000009u;

// Probes ports 0 to 255 (the probe appends records itself) and answers the
// scan's result code.
std::uint32_t scanPorts(const std::function<PortAnswer(std::uint32_t dwPort)>& probe, ScanRule eRule);

// The setup-records list's device-information set of the SCSI adapter class
// (present devices only), opened on the first call and kept for the process.
HDEVINFO getDeviceInfoSet();

// Controller configuration packet offsets used by the slot lookup.
constexpr std::size_t kConfigSlotOffset = 44; // 16 bits
constexpr std::size_t kConfigPciBusOffset = 48;
constexpr std::size_t kConfigPciDeviceOffset = 49;
constexpr std::size_t kConfigPciFunctionOffset = 50;
constexpr std::size_t kSlotUnknown = 255;

// Finds the slot of a CSMI controller from its configuration packet (bus,
// device, function at 48, 49, 50) through the health driver and the setup
// records of hDeviceInfoSet, and writes it into the slot field at 44. True
// when a slot was found. A packet shorter than 51 bytes finds no slot.
bool lookupSlotNumber(HDEVINFO hDeviceInfoSet, std::uint8_t* pbConfigPacket, std::size_t nPacketLength);

// Finds the slot of the controller on PCI bus bBus through the interrupt
// routing table and the bridges onto that bus. bSlot is 255 until found.
bool lookupSlotByRouting(std::uint8_t bBus, std::uint8_t& bSlot);

} // namespace InfoMgr

#endif
