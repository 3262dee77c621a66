// Text form of a registry hive file:
//   TSM-REGISTRY-HIVE 1
//   K <tab> key path
//   V <tab> key path <tab> value name <tab> type <tab> hex data
//   END <tab> number of K and V lines
// Fields are percent-escaped; a file that does not end in a matching END
// line is damaged (a torn or foreign file), never half-read.
#include "registry_hive.h"

#include "machinefiles.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace tsm::platform {

namespace {

constexpr const char* kHeader = "TSM-REGISTRY-HIVE 1";

} // namespace

std::string lowerCase(const std::string& text)
{
    std::string lower = text;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string RegistryHive::serialize() const
{
    std::ostringstream out;
    out << kHeader << '\n';
    std::size_t lines = 0;
    for (const auto& [lower, key] : keys) {
        if (!lower.empty()) {
            out << "K\t" << escapeField(key.path) << '\n';
            ++lines;
        }
        for (const auto& [lowerName, value] : key.values) {
            out << "V\t" << escapeField(key.path) << '\t' << escapeField(value.name) << '\t' << value.type << '\t'
                << toHex(value.data) << '\n';
            ++lines;
        }
    }
    out << "END\t" << lines << '\n';
    return out.str();
}

bool RegistryHive::parse(const std::string& text)
{
    keys.clear();
    keys[""];
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeader)
        return false;
    std::size_t lines = 0;
    bool ended = false;
    while (std::getline(in, line)) {
        if (ended)
            return false; // nothing may follow the end
        const std::vector<std::string> fields = splitFields(line);
        std::string path;
        if (fields[0] == "END" && fields.size() == 2) {
            unsigned long long count = 0;
            if (!parseDecimal(fields[1], ~0ull, count) || count != lines)
                return false;
            ended = true;
        } else if (fields[0] == "K" && fields.size() == 2) {
            if (!unescapeField(fields[1], path) || path.empty())
                return false;
            keys[lowerCase(path)].path = path;
            ++lines;
        } else if (fields[0] == "V" && fields.size() == 5) {
            RegistryValue value;
            unsigned long long type = 0;
            if (!unescapeField(fields[1], path) || !unescapeField(fields[2], value.name) ||
                !parseDecimal(fields[3], 0xFFFFFFFFull, type) || !fromHex(fields[4], value.data))
                return false;
            value.type = static_cast<DWORD>(type);
            // A value names its key, which must have come first.
            const auto key = keys.find(lowerCase(path));
            if (key == keys.end())
                return false;
            key->second.values[lowerCase(value.name)] = value;
            ++lines;
        } else {
            return false;
        }
    }
    if (!ended)
        return false;
    // Every key's parent must exist as well.
    for (const auto& [lower, key] : keys) {
        const auto slash = lower.find_last_of('\\');
        if (slash != std::string::npos && keys.find(lower.substr(0, slash)) == keys.end())
            return false;
    }
    return true;
}

std::string hiveFileName(HKEY predefined)
{
    if (predefined == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    if (predefined == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    if (predefined == HKEY_USERS)
        return "HKEY_USERS";
    if (predefined == HKEY_CLASSES_ROOT)
        return "HKEY_CLASSES_ROOT";
    return std::string();
}

} // namespace tsm::platform
