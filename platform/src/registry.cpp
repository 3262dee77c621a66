// The registry calls on hive files in the machine root ("registry/<hive>"):
// every call loads the hive under its lock, and every change stores it whole
// and atomically. A damaged hive file gives ERROR_REGISTRY_CORRUPT.
#include "handle_table.h"
#include "machinefiles.h"
#include "registry_hive.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

namespace tsm::platform {

namespace {

constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;
constexpr DWORD kMaxValueSize = 1u << 20;

class OpenKey : public KernelObject {
public:
    OpenKey(std::string hive, std::string lowerPath, REGSAM access)
        : m_sHive(std::move(hive)), m_sLowerPath(std::move(lowerPath)), m_access(access)
    {
    }
    const std::string& hive() const { return m_sHive; }
    const std::string& lowerPath() const { return m_sLowerPath; }
    bool allows(REGSAM wanted) const { return (m_access & wanted) == wanted; }

private:
    std::string m_sHive;
    std::string m_sLowerPath;
    REGSAM m_access;
};

// Where a call starts: a predefined key (its hive's root, all access) or an
// open key of this process.
struct KeyPlace {
    std::string hive;
    std::string lowerPath;
    REGSAM access = 0;
    bool valid = false;
};

KeyPlace placeOf(HKEY key)
{
    KeyPlace place;
    const std::string hive = hiveFileName(key);
    if (!hive.empty()) {
        place = {hive, std::string(), KEY_ALL_ACCESS | DELETE, true};
    } else if (const auto open = lookupHandleAs<OpenKey>(reinterpret_cast<HANDLE>(key))) {
        place = {open->hive(), open->lowerPath(), 0, true};
        constexpr REGSAM rights[] = {KEY_QUERY_VALUE, KEY_SET_VALUE, KEY_CREATE_SUB_KEY, KEY_ENUMERATE_SUB_KEYS,
                                     static_cast<REGSAM>(DELETE)};
        for (const REGSAM right : rights)
            if (open->allows(right))
                place.access |= right;
    }
    return place;
}

// Splits "a\b\c" into its names; false for an empty name inside the path, a
// leading backslash or an over-long name. A trailing backslash is ignored.
LSTATUS splitSubKey(const char* subKey, std::vector<std::string>& names)
{
    names.clear();
    if (!subKey || !*subKey)
        return ERROR_SUCCESS;
    if (*subKey == '\\')
        return ERROR_BAD_PATHNAME;
    std::string current;
    const std::string text(subKey);
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] != '\\') {
            current += text[index];
            continue;
        }
        if (current.empty())
            return ERROR_BAD_PATHNAME;
        names.push_back(current);
        current.clear();
    }
    if (!current.empty())
        names.push_back(current);
    for (const std::string& name : names)
        if (name.size() > kMaxKeyNameLength)
            return ERROR_INVALID_PARAMETER;
    return ERROR_SUCCESS;
}

std::string hivePath(const std::string& hive)
{
    const std::string folder = machineFolder("registry");
    return folder.empty() ? std::string() : folder + "/" + hive;
}

// Runs the action on the loaded hive; stores it when the action changed it.
LSTATUS withHive(const std::string& hive, const std::function<LSTATUS(RegistryHive&, bool&)>& action)
{
    const std::string path = hivePath(hive);
    if (path.empty())
        return ERROR_REGISTRY_IO_FAILED;
    MachineFileLock lock(path + ".lock");
    if (!lock.locked())
        return ERROR_REGISTRY_IO_FAILED;
    RegistryHive loaded;
    std::string text;
    switch (readWholeFile(path, text)) {
    case ReadResult::eMISSING:
        break; // a fresh machine has an empty hive
    case ReadResult::eFAILED:
        return ERROR_REGISTRY_IO_FAILED;
    case ReadResult::eREAD:
        if (!loaded.parse(text))
            return ERROR_REGISTRY_CORRUPT;
        break;
    }
    bool changed = false;
    const LSTATUS status = action(loaded, changed);
    if (status == ERROR_SUCCESS && changed && !writeFileAtomically(path, loaded.serialize()))
        return ERROR_REGISTRY_IO_FAILED;
    return status;
}

std::string joinPath(const std::string& base, const std::string& name)
{
    return base.empty() ? name : base + "\\" + name;
}

// Opens (create false) or creates the key below place; the lower-cased path
// of the result goes to lowerResult.
LSTATUS openOrCreate(const KeyPlace& place, const char* subKey, bool create, bool& created, std::string& lowerResult)
{
    std::vector<std::string> names;
    if (const LSTATUS split = splitSubKey(subKey, names); split != ERROR_SUCCESS)
        return split;
    created = false;
    return withHive(place.hive, [&](RegistryHive& hive, bool& changed) -> LSTATUS {
        const auto base = hive.keys.find(place.lowerPath);
        if (base == hive.keys.end())
            return ERROR_KEY_DELETED;
        std::string path = base->second.path;
        std::string lower = place.lowerPath;
        for (const std::string& name : names) {
            path = joinPath(path, name);
            lower = joinPath(lower, lowerCase(name));
            if (hive.keys.find(lower) != hive.keys.end())
                continue;
            if (!create)
                return ERROR_FILE_NOT_FOUND;
            if (!(place.access & KEY_CREATE_SUB_KEY))
                return ERROR_ACCESS_DENIED;
            hive.keys[lower].path = path;
            created = changed = true;
        }
        lowerResult = lower;
        return ERROR_SUCCESS;
    });
}

// The registry calls give their result as the return value only, like the
// system's, and leave the thread's last error alone.
LSTATUS finish(LSTATUS status)
{
    return status;
}

} // namespace

} // namespace tsm::platform

using namespace tsm::platform;

LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR, DWORD dwOptions, REGSAM samDesired,
                               const LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition)
{
    if (!phkResult || Reserved != 0 || (dwOptions & ~static_cast<DWORD>(REG_OPTION_VOLATILE)) != 0)
        return finish(ERROR_INVALID_PARAMETER);
    *phkResult = nullptr;
    const KeyPlace place = placeOf(hKey);
    if (!place.valid)
        return finish(ERROR_INVALID_HANDLE);
    bool created = false;
    std::string lower;
    const LSTATUS status = openOrCreate(place, lpSubKey, true, created, lower);
    if (status != ERROR_SUCCESS)
        return finish(status);
    *phkResult = reinterpret_cast<HKEY>(registerHandle(std::make_shared<OpenKey>(place.hive, lower, samDesired)));
    if (lpdwDisposition)
        *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return finish(ERROR_SUCCESS);
}

LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult)
{
    if (!phkResult)
        return finish(ERROR_INVALID_PARAMETER);
    *phkResult = nullptr;
    const KeyPlace place = placeOf(hKey);
    if (!place.valid)
        return finish(ERROR_INVALID_HANDLE);
    bool created = false;
    std::string lower;
    const LSTATUS status = openOrCreate(place, lpSubKey, false, created, lower);
    if (status != ERROR_SUCCESS)
        return finish(status);
    *phkResult = reinterpret_cast<HKEY>(registerHandle(std::make_shared<OpenKey>(place.hive, lower, samDesired)));
    return finish(ERROR_SUCCESS);
}

LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                              DWORD cbData)
{
    if (Reserved != 0)
        return finish(ERROR_INVALID_PARAMETER);
    const KeyPlace place = placeOf(hKey);
    if (!place.valid)
        return finish(ERROR_INVALID_HANDLE);
    if (!(place.access & KEY_SET_VALUE))
        return finish(ERROR_ACCESS_DENIED);
    if (cbData > 0 && !lpData)
        return finish(ERROR_NOACCESS);
    const std::string name = lpValueName ? lpValueName : "";
    if (name.size() > kMaxValueNameLength || cbData > kMaxValueSize)
        return finish(ERROR_INVALID_PARAMETER);
    return finish(withHive(place.hive, [&](RegistryHive& hive, bool& changed) -> LSTATUS {
        const auto key = hive.keys.find(place.lowerPath);
        if (key == hive.keys.end())
            return ERROR_KEY_DELETED;
        RegistryValue& value = key->second.values[lowerCase(name)];
        if (value.name.empty())
            value.name = name;
        value.type = dwType;
        value.data.assign(reinterpret_cast<const char*>(lpData), cbData);
        changed = true;
        return ERROR_SUCCESS;
    }));
}

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData)
{
    if (lpReserved || (lpData && !lpcbData))
        return finish(ERROR_INVALID_PARAMETER);
    const KeyPlace place = placeOf(hKey);
    if (!place.valid)
        return finish(ERROR_INVALID_HANDLE);
    if (!(place.access & KEY_QUERY_VALUE))
        return finish(ERROR_ACCESS_DENIED);
    const std::string name = lowerCase(lpValueName ? lpValueName : "");
    return finish(withHive(place.hive, [&](RegistryHive& hive, bool&) -> LSTATUS {
        const auto key = hive.keys.find(place.lowerPath);
        if (key == hive.keys.end())
            return ERROR_KEY_DELETED;
        const auto value = key->second.values.find(name);
        if (value == key->second.values.end())
            return ERROR_FILE_NOT_FOUND;
        const std::string& data = value->second.data;
        if (lpType)
            *lpType = value->second.type;
        if (!lpcbData)
            return ERROR_SUCCESS;
        const DWORD capacity = *lpcbData;
        *lpcbData = static_cast<DWORD>(data.size());
        if (!lpData)
            return ERROR_SUCCESS;
        if (capacity < data.size())
            return ERROR_MORE_DATA;
        std::copy(data.begin(), data.end(), lpData);
        return ERROR_SUCCESS;
    }));
}

LSTATUS WINAPI RegCloseKey(HKEY hKey)
{
    if (!hiveFileName(hKey).empty())
        return finish(ERROR_SUCCESS); // predefined keys are never closed
    if (!lookupHandleAs<OpenKey>(reinterpret_cast<HANDLE>(hKey)))
        return finish(ERROR_INVALID_HANDLE);
    closeHandle(reinterpret_cast<HANDLE>(hKey));
    return finish(ERROR_SUCCESS);
}
