// Device-information sets of a setup class: a snapshot of the machine's setup
// records taken when the set is opened, read through the registry properties.
#include "devices_loader.h"
#include "handle_table.h"

#include <setupapi.h>
#include <tsm/machine.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace tsm::platform {

namespace {

class DeviceInfoSet : public KernelObject {
public:
    DeviceInfoSet(const GUID& classGuid, std::vector<TsmSimSetupRecord> records)
        : m_classGuid(classGuid), m_records(std::move(records))
    {
    }
    const GUID& classGuid() const { return m_classGuid; }
    const std::vector<TsmSimSetupRecord>& records() const { return m_records; }

private:
    GUID m_classGuid;
    std::vector<TsmSimSetupRecord> m_records;
};

std::string guidText(const GUID& guid)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::vector<TsmSimSetupRecord> readRecords(const GUID& classGuid)
{
    const auto& sim = simulator();
    if (!sim.loaded())
        return {};
    const std::string root = machineRoot();
    const std::string guid = guidText(classGuid);
    uint32_t count = 0;
    if (sim.setupRecords(root.c_str(), guid.c_str(), nullptr, 0, &count) != 0 || count == 0)
        return {};
    std::vector<TsmSimSetupRecord> records(count);
    if (sim.setupRecords(root.c_str(), guid.c_str(), records.data(), count, &count) != 0)
        return {};
    records.resize(std::min<size_t>(count, records.size()));
    return records;
}

// Copies a property value, or reports the size it needs.
BOOL copyProperty(const void* value, DWORD size, DWORD type, PDWORD pType, PBYTE buffer, DWORD bufferSize,
                  PDWORD required)
{
    if (required)
        *required = size;
    if (pType)
        *pType = type;
    if (!buffer || bufferSize < size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, value, size);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

} // namespace

} // namespace tsm::platform

using tsm::platform::DeviceInfoSet;

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* ClassGuid, PCSTR, HWND, DWORD Flags)
{
    if (!ClassGuid || (Flags & DIGCF_ALLCLASSES) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto set = std::make_shared<DeviceInfoSet>(*ClassGuid, tsm::platform::readRecords(*ClassGuid));
    SetLastError(ERROR_SUCCESS);
    return tsm::platform::registerHandle(std::move(set));
}

BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex, PSP_DEVINFO_DATA DeviceInfoData)
{
    const auto set = tsm::platform::lookupHandleAs<tsm::platform::DeviceInfoSet>(DeviceInfoSet);
    if (!set) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!DeviceInfoData || DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (MemberIndex >= set->records().size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    DeviceInfoData->ClassGuid = set->classGuid();
    DeviceInfoData->DevInst = MemberIndex + 1;
    DeviceInfoData->Reserved = 0;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                              PDWORD PropertyRegDataType, PBYTE PropertyBuffer,
                                              DWORD PropertyBufferSize, PDWORD RequiredSize)
{
    const auto set = tsm::platform::lookupHandleAs<tsm::platform::DeviceInfoSet>(DeviceInfoSet);
    if (!set) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!DeviceInfoData || DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA) || DeviceInfoData->DevInst == 0 ||
        DeviceInfoData->DevInst > set->records().size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const TsmSimSetupRecord& record = set->records()[DeviceInfoData->DevInst - 1];
    if (Property == SPDRP_LOCATION_INFORMATION) {
        if (!record.hasLocation) {
            // Windows reports a property the device does not have as invalid data.
            SetLastError(ERROR_INVALID_DATA);
            return FALSE;
        }
        const size_t length = strnlen(record.location, sizeof(record.location));
        const std::string text(record.location, length);
        return tsm::platform::copyProperty(text.c_str(), static_cast<DWORD>(length + 1), REG_SZ, PropertyRegDataType,
                                           PropertyBuffer, PropertyBufferSize, RequiredSize);
    }
    if (Property == SPDRP_UI_NUMBER) {
        switch (record.uiState) {
        case TSM_SIM_UI_VALID: {
            const DWORD value = record.uiNumber;
            return tsm::platform::copyProperty(&value, sizeof value, REG_DWORD, PropertyRegDataType, PropertyBuffer,
                                               PropertyBufferSize, RequiredSize);
        }
        case TSM_SIM_UI_UNREADABLE:
            SetLastError(ERROR_GEN_FAILURE);
            return FALSE;
        default:
            SetLastError(ERROR_INVALID_DATA);
            return FALSE;
        }
    }
    SetLastError(ERROR_INVALID_DATA);
    return FALSE;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet)
{
    if (!tsm::platform::lookupHandleAs<tsm::platform::DeviceInfoSet>(DeviceInfoSet)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return tsm::platform::closeHandle(DeviceInfoSet) ? TRUE : FALSE;
}
