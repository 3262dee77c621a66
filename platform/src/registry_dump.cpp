// Read-only listing of every registry hive file of the machine.
#include "machinefiles.h"
#include "registry_hive.h"

#include "tsm/machine.h"
#include "tsm/machinestate.h"

namespace tsm {

std::vector<RegistryDumpKey> readRegistry(std::map<std::string, DWORD>* problems)
{
    std::vector<RegistryDumpKey> keys;
    for (const HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS}) {
        const std::string hive = platform::hiveFileName(root);
        std::string text;
        const platform::ReadResult read = platform::readWholeFile(machineRoot() + "/registry/" + hive, text);
        if (read == platform::ReadResult::eMISSING)
            continue;
        platform::RegistryHive loaded;
        if (read == platform::ReadResult::eFAILED || !loaded.parse(text)) {
            if (problems)
                (*problems)[hive] =
                    read == platform::ReadResult::eFAILED ? ERROR_REGISTRY_IO_FAILED : ERROR_REGISTRY_CORRUPT;
            continue;
        }
        for (const auto& [lower, key] : loaded.keys) {
            if (lower.empty() && key.values.empty())
                continue;
            RegistryDumpKey dumped;
            dumped.path = key.path.empty() ? hive : hive + "\\" + key.path;
            for (const auto& [lowerName, value] : key.values)
                dumped.values.push_back({value.name, value.type, value.data});
            keys.push_back(std::move(dumped));
        }
    }
    return keys;
}

} // namespace tsm
