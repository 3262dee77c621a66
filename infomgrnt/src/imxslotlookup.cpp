// Slot lookups: through the operating system (health driver, then the setup
// records) and through the PCI BIOS interrupt routing table.
#include "imxslotlookup.h"

#include "imxenumeration.h"
#include "legacy/lnthealth.h"
#include "legacy/lntpcih.h"

#include <checkassert.h>
#include <clog.h>

#include <windows.h>

#include <cctype>
#include <cstring>
#include <vector>

namespace InfoMgr {

namespace {

constexpr std::uint8_t kNoSlot = 255;
constexpr std::size_t nMaxLength = 259;

// The setup record size the setup API checks (28 bytes on a 32-bit build).
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(SP_DEVINFO_DATA) == 28);
#endif

struct PciAddress {
    std::uint32_t dwBus = kNoSlot;
    std::uint32_t dwDevice = kNoSlot;
    std::uint32_t dwFunction = kNoSlot;
};

// "PCI bus 2, device 3, function 0": the first three decimal numbers in
// order; a number that is missing stays 255.
PciAddress parseLocation(const char* pszText)
{
    PciAddress address;
    std::uint32_t* apdwFields[] = {&address.dwBus, &address.dwDevice, &address.dwFunction};
    const char* p = pszText;
    for (std::uint32_t* pdwField : apdwFields) {
        while (*p && !std::isdigit(static_cast<unsigned char>(*p)))
            ++p;
        if (!*p)
            break;
        std::uint32_t dwValue = 0;
        for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
            // Saturates: a number this large matches no PCI address anyway.
            dwValue = dwValue > 100000 ? dwValue : dwValue * 10 + static_cast<std::uint32_t>(*p - '0');
        }
        *pdwField = dwValue;
    }
    return address;
}

// The location text of a setup record, or false when it has none.
bool readLocation(HDEVINFO hDeviceInfoSet, SP_DEVINFO_DATA& devInfo, char (&szLocation)[nMaxLength + 1])
{
    DWORD dwRequiredPropertySize = 0;
    if (SetupDiGetDeviceRegistryPropertyA(hDeviceInfoSet, &devInfo, SPDRP_LOCATION_INFORMATION, nullptr, nullptr, 0,
                                          &dwRequiredPropertySize) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    TSM_ASSERT(dwRequiredPropertySize < nMaxLength);
    std::vector<BYTE> buffer(nMaxLength, 0);
    if (!SetupDiGetDeviceRegistryPropertyA(hDeviceInfoSet, &devInfo, SPDRP_LOCATION_INFORMATION, nullptr, buffer.data(),
                                           static_cast<DWORD>(buffer.size()), nullptr))
        return false;
    std::memcpy(szLocation, buffer.data(), nMaxLength);
    szLocation[nMaxLength] = '\0';
    return true;
}

enum UiNumberAnswer { eUI_READ, eUI_INVALID_DATA, eUI_FAILED };

UiNumberAnswer readUiNumber(HDEVINFO hDeviceInfoSet, SP_DEVINFO_DATA& devInfo, std::uint8_t& bSlot)
{
    DWORD dwRequired = 0;
    if (!SetupDiGetDeviceRegistryPropertyA(hDeviceInfoSet, &devInfo, SPDRP_UI_NUMBER, nullptr, nullptr, 0,
                                           &dwRequired)) {
        const DWORD dwError = GetLastError();
        if (dwError == ERROR_INVALID_DATA)
            return eUI_INVALID_DATA;
        if (dwError != ERROR_INSUFFICIENT_BUFFER || dwRequired == 0 || dwRequired > 64)
            return eUI_FAILED;
    }
    std::vector<BYTE> buffer(dwRequired ? dwRequired : 1, 0);
    if (!SetupDiGetDeviceRegistryPropertyA(hDeviceInfoSet, &devInfo, SPDRP_UI_NUMBER, nullptr, buffer.data(),
                                           static_cast<DWORD>(buffer.size()), nullptr))
        return GetLastError() == ERROR_INVALID_DATA ? eUI_INVALID_DATA : eUI_FAILED;
    bSlot = buffer[0];
    return eUI_READ;
}

bool searchSetupRecords(HDEVINFO hDeviceInfoSet, std::uint8_t bBus, std::uint8_t bDevice, std::uint8_t bFunction,
                        std::uint8_t& bSlot)
{
    if (hDeviceInfoSet == nullptr || hDeviceInfoSet == INVALID_HANDLE_VALUE)
        return false;
    for (DWORD dwIndex = 0;; ++dwIndex) {
        SP_DEVINFO_DATA devInfo{};
        devInfo.cbSize = sizeof devInfo;
        if (!SetupDiEnumDeviceInfo(hDeviceInfoSet, dwIndex, &devInfo))
            return false;
        char szLocation[nMaxLength + 1] = {};
        if (!readLocation(hDeviceInfoSet, devInfo, szLocation))
            continue;
        const PciAddress address = parseLocation(szLocation);
        if (address.dwBus != bBus || address.dwDevice != bDevice || address.dwFunction != bFunction)
            continue;
        switch (readUiNumber(hDeviceInfoSet, devInfo, bSlot)) {
        case eUI_READ:
            return true;
        case eUI_INVALID_DATA:
            // The device is known to the system but has no slot number.
            bSlot = 0;
            return true;
        case eUI_FAILED:
            break;
        }
    }
}

std::uint32_t osMajorVersion(bool& bKnown)
{
    OSVERSIONINFOEXA osvi{};
    osvi.dwOSVersionInfoSize = sizeof osvi;
    static_assert(sizeof(OSVERSIONINFOEXA) == 156);
    bKnown = GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&osvi)) != FALSE;
    if (!bKnown)
        DebugLog::write("CHECK failed: osvi.dwMajorVersion >= 4 (the version cannot be read)");
    return osvi.dwMajorVersion;
}

void putSlot(std::uint8_t* pbConfigPacket, std::uint8_t bSlot)
{
    pbConfigPacket[kConfigSlotOffset] = bSlot;
    pbConfigPacket[kConfigSlotOffset + 1] = 0;
}

} // namespace

bool lookupSlotNumber(HDEVINFO hDeviceInfoSet, std::uint8_t* pbConfigPacket, std::size_t nPacketLength)
{
    if (!pbConfigPacket || nPacketLength <= kConfigPciFunctionOffset)
        return false;
    bool bKnown = false;
    const std::uint32_t dwMajor = osMajorVersion(bKnown);
    if (!bKnown || dwMajor < 4)
        return false;
    const std::uint8_t bBus = pbConfigPacket[kConfigPciBusOffset];
    const std::uint8_t bDevice = pbConfigPacket[kConfigPciDeviceOffset];
    const std::uint8_t bFunction = pbConfigPacket[kConfigPciFunctionOffset];
    std::uint8_t bSlot = kNoSlot;
    if (!Health::readSlotNumber(bBus, bDevice, bFunction, bSlot))
        bSlot = kNoSlot;
    if (bSlot == kNoSlot && dwMajor >= 5 && !searchSetupRecords(hDeviceInfoSet, bBus, bDevice, bFunction, bSlot))
        bSlot = kNoSlot;
    putSlot(pbConfigPacket, bSlot);
    return bSlot != kNoSlot;
}

bool lookupSlotByRouting(const PCIDeviceFinder& oFinder, std::uint8_t bBus, std::uint8_t& bSlot)
{
    bSlot = kNoSlot;
    std::uint8_t abTable[Health::kRoutingTableSize];
    std::size_t nEntries = 0;
    if (!Health::readRoutingTable(abTable, nEntries))
        return false;
    for (std::uint32_t n = 0; n < 256; ++n) {
        PCIDeviceInfo oBridge;
        if (!oFinder.findDevice(kPciBridgeClassCode, n, oBridge))
            continue;
        // The secondary bus number lies at byte 25 of a bridge's header.
        if (oBridge.length(26) < 26 || oBridge.readByte(25) != bBus)
            continue;
        const auto bDeviceBits = static_cast<std::uint8_t>(oBridge.device() << 3);
        for (std::size_t nEntry = 0; nEntry < nEntries; ++nEntry) {
            const std::uint8_t* pbEntry = abTable + nEntry * Health::kRoutingEntrySize;
            if (pbEntry[0] == oBridge.bus() && (pbEntry[1] & 0xF8) == bDeviceBits) {
                bSlot = pbEntry[14];
                return true;
            }
        }
    }
    return false;
}

bool lookupSlotByRouting(std::uint8_t bBus, std::uint8_t& bSlot)
{
    return lookupSlotByRouting(PCIDeviceFinder::instance(), bBus, bSlot);
}

HDEVINFO transportDeviceInfoSet()
{
    return getDeviceInfoSet();
}

bool findControllerSlot(HDEVINFO hDeviceInfoSet, std::uint8_t* pbConfigPacket, std::size_t nPacketLength)
{
    return lookupSlotNumber(hDeviceInfoSet, pbConfigPacket, nPacketLength);
}

bool findSlotByRouting(std::uint8_t bBus, std::uint8_t& bSlot)
{
    return lookupSlotByRouting(bBus, bSlot);
}

} // namespace InfoMgr
