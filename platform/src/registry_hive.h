// One registry hive as it lives in its file: keys by path (compared without
// case, spelled as created) and their values. Loaded, changed and stored
// whole for every change, under the hive's lock.
#ifndef TSM_PLATFORM_REGISTRY_HIVE_H
#define TSM_PLATFORM_REGISTRY_HIVE_H

#include <windows.h>

#include <map>
#include <string>

namespace tsm::platform {

struct RegistryValue {
    std::string name;
    DWORD type = REG_NONE;
    std::string data;
};

struct RegistryKey {
    std::string path; // as first created, "" for the hive's root
    std::map<std::string, RegistryValue> values; // by lower-cased name
};

class RegistryHive {
public:
    // Keys by lower-cased path; the root ("") always exists.
    std::map<std::string, RegistryKey> keys;

    RegistryHive() { keys[""]; }

    // Text form of the file; parse gives false for a damaged file.
    std::string serialize() const;
    bool parse(const std::string& text);
};

std::string lowerCase(const std::string& text);

// The host file and lock file of a predefined key's hive; "" for an unknown key.
std::string hiveFileName(HKEY predefined);

} // namespace tsm::platform

#endif
