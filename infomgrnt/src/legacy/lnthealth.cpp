// Requests to the health driver. Each request opens the driver and closes it
// again; every length its replies give is checked before it is used.
#include "lnthealth.h"

#include "imxenumeration.h"
#include "imxpacketfields.h"

#include <algorithm>
#include <cstring>

namespace InfoMgr::Health {

namespace {

template <std::size_t N>
void putAddress(std::uint8_t (&ab)[N], const void* pAddress)
{
    static_assert(N == sizeof pAddress);
    std::memcpy(ab, &pAddress, sizeof pAddress);
}

// The data segment selector of the process: flat on this platform.
constexpr std::uint16_t kFlatDataSelector = 0;

} // namespace

bool readRoutingTable(std::uint8_t (&abTable)[kRoutingTableSize], std::size_t& nEntries)
{
    nEntries = 0;
    std::memset(abTable, 0, sizeof abTable);
    RoutingBufferDescriptor descriptor{};
    descriptor.abSize[0] = static_cast<std::uint8_t>(kRoutingTableSize & 0xFF);
    descriptor.abSize[1] = static_cast<std::uint8_t>(kRoutingTableSize >> 8);
    putAddress(descriptor.abTableAddress, abTable);
    descriptor.abSelector[0] = static_cast<std::uint8_t>(kFlatDataSelector & 0xFF);
    descriptor.abSelector[1] = static_cast<std::uint8_t>(kFlatDataSelector >> 8);

    RegisterBlock request{};
    storeLe32(request.abWords[0], kBiosGetRoutingOptions);
    putAddress(request.abDescriptorAddress, &descriptor);
    RegisterBlock reply{};

    ScopedDeviceHandle hDevice = openDevice(kDeviceName);
    if (!hDevice.isValid())
        return false;
    std::uint32_t dwReturned = 0;
    if (!sendDeviceRequest(hDevice.get(), kRoutingOptionsCode, &request, sizeof request, &reply, sizeof reply,
                           dwReturned) ||
        dwReturned < sizeof reply)
        return false;
    const std::uint32_t dwStatus = (loadLe32(reply.abWords[0]) >> 8) & 0xFF;
    if (dwStatus != 0)
        return false;
    // The BIOS writes back the size it filled; entries past it are not used.
    const std::size_t nFilled = loadLe16(descriptor.abSize);
    nEntries = std::min(nFilled, kRoutingTableSize) / kRoutingEntrySize;
    return true;
}

HeaderAnswer readConfigHeader(std::uint8_t bBus, std::uint8_t bDevice, std::uint8_t (&abHeader)[256],
                              std::uint8_t& nLength)
{
    nLength = 0;
    ConfigHeaderBuffer buffer{};
    storeLe32(buffer.abBus, bBus);
    storeLe32(buffer.abDevice, bDevice);
    storeLe32(buffer.abFunction, 0);
    storeLe32(buffer.abLength, kHeaderBytesWanted);

    ScopedDeviceHandle hDevice = openDevice(kDeviceName);
    if (!hDevice.isValid())
        return eHEADER_FAILED;
    std::uint32_t dwReturned = 0;
    if (!sendDeviceRequest(hDevice.get(), kConfigHeaderCode, nullptr, 0, &buffer, sizeof buffer, dwReturned))
        return eHEADER_FAILED;
    if (dwReturned < offsetof(ConfigHeaderBuffer, abHeader))
        return eHEADER_FAILED;
    if (loadLe32(buffer.abAnswered) == 0)
        return eHEADER_NOT_ANSWERED;
    const std::uint32_t dwLength = loadLe32(buffer.abLength);
    if (dwLength == 0 || dwLength > dwReturned - offsetof(ConfigHeaderBuffer, abHeader) || dwLength > 255)
        return eHEADER_FAILED;
    std::memcpy(abHeader, buffer.abHeader, dwLength);
    nLength = static_cast<std::uint8_t>(dwLength);
    return eHEADER_READ;
}

bool readSlotNumber(std::uint8_t bBus, std::uint8_t bDevice, std::uint8_t bFunction, std::uint8_t& bSlot)
{
    SlotBuffer buffer{};
    buffer.bBus = bBus;
    buffer.bDeviceFunction = static_cast<std::uint8_t>((bDevice << 3) | (bFunction & 0x07));
    ScopedDeviceHandle hDevice = openDevice(kDeviceName);
    if (!hDevice.isValid())
        return false;
    std::uint32_t dwReturned = 0;
    if (!sendDeviceRequest(hDevice.get(), kSlotNumberCode, &buffer, sizeof buffer, &buffer, sizeof buffer,
                           dwReturned) ||
        dwReturned <= offsetof(SlotBuffer, bSlot))
        return false;
    bSlot = buffer.bSlot;
    return true;
}

} // namespace InfoMgr::Health
