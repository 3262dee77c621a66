// Read-only views of the emulated machine's state for the tools and the
// tests: the service database, the event log and the registry hives.
#ifndef TSM_MACHINESTATE_H
#define TSM_MACHINESTATE_H

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tsm {

// ---- Event log -------------------------------------------------------------

struct EventRecord {
    int64_t timeSeconds = 0; // seconds since 1970, UTC
    std::string source;
    WORD type = 0;
    WORD category = 0;
    DWORD id = 0;
    std::vector<std::string> strings;
    std::string data; // raw binary data, if any
};

// Host path of the Application event log file.
std::string eventLogPath();

// The entries in the order written; a damaged line is counted, not returned.
std::vector<EventRecord> readEventLog(std::size_t* damagedLines = nullptr);

// The event's text: the message of its identifier in the message table of
// the file the source's "EventMessageFile" registry value names, with %1..%n
// replaced by the insertion strings; a text of our own when there is none.
std::string formatEventMessage(const EventRecord& record);

// "information", "error", "warning", "audit success", "audit failure", "success".
std::string eventTypeName(WORD type);

// The message table block of an executable's bytes (see tsm/messagetable.h):
// identifier to text, with "\r\n" restored; false if it has no valid block.
bool parseMessageTable(const std::string& fileBytes, std::map<DWORD, std::string>& table);

// ---- Services --------------------------------------------------------------

struct ServiceRecord {
    std::string name;
    std::string displayName;
    std::string binaryPath;
    std::string description;
    DWORD serviceType = 0;
    DWORD startType = 0;
    DWORD errorControl = 0;
    std::vector<std::string> dependencies;
    bool markedForDelete = false;
};

// The installed services, by name; damaged entries are counted, not returned.
std::vector<ServiceRecord> readServiceDatabase(std::size_t* damagedEntries = nullptr);

// ---- Registry --------------------------------------------------------------

struct RegistryDumpValue {
    std::string name;
    DWORD type = 0;
    std::string data;
};

struct RegistryDumpKey {
    std::string path; // "HKEY_LOCAL_MACHINE\SYSTEM\..."
    std::vector<RegistryDumpValue> values;
};

// Every key of every hive file; a hive that cannot be read or is damaged is
// named in problems with its Windows error code.
std::vector<RegistryDumpKey> readRegistry(std::map<std::string, DWORD>* problems = nullptr);

} // namespace tsm

#endif
