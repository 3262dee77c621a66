// Event sources and the Application event log, one line per entry in
// "eventlog/Application.evt" of the machine root:
//   E <tab> time <tab> source <tab> type <tab> category <tab> id <tab> hex data
//     <tab> string count { <tab> string }
// with percent-escaped fields, appended with one write per entry.
#include "handle_table.h"
#include "machinefiles.h"

#include "tsm/machine.h"
#include "tsm/machinestate.h"

#include <windows.h>

#include <cctype>
#include <ctime>
#include <sstream>

namespace tsm::platform {

namespace {

constexpr WORD kKnownTypes[] = {EVENTLOG_SUCCESS,          EVENTLOG_ERROR_TYPE,    EVENTLOG_WARNING_TYPE,
                                EVENTLOG_INFORMATION_TYPE, EVENTLOG_AUDIT_SUCCESS, EVENTLOG_AUDIT_FAILURE};
constexpr std::size_t kMaxStringLength = 31839;
constexpr DWORD kMaxDataSize = 61440;

class EventSource : public KernelObject {
public:
    explicit EventSource(std::string name) : m_sName(std::move(name)) {}
    const std::string& name() const { return m_sName; }

private:
    std::string m_sName;
};

bool isLocalMachine(const char* server)
{
    if (!server || !*server)
        return true;
    const std::string name = server;
    return name == "\\\\." || name == "." || name == "\\\\localhost" || name == "localhost";
}

std::string recordLine(const EventRecord& record)
{
    std::ostringstream line;
    line << "E\t" << record.timeSeconds << '\t' << escapeField(record.source) << '\t' << record.type << '\t'
         << record.category << '\t' << record.id << '\t' << toHex(record.data) << '\t' << record.strings.size();
    for (const std::string& text : record.strings)
        line << '\t' << escapeField(text);
    line << '\n';
    return line.str();
}

bool parseRecord(const std::string& line, EventRecord& record)
{
    const std::vector<std::string> fields = splitFields(line);
    unsigned long long time = 0, type = 0, category = 0, id = 0, count = 0;
    if (fields.size() < 8 || fields[0] != "E" || !parseDecimal(fields[1], 1ull << 62, time) ||
        !unescapeField(fields[2], record.source) || !parseDecimal(fields[3], 0xFFFF, type) ||
        !parseDecimal(fields[4], 0xFFFF, category) || !parseDecimal(fields[5], 0xFFFFFFFF, id) ||
        !fromHex(fields[6], record.data) || !parseDecimal(fields[7], 0xFFFF, count) || fields.size() != 8 + count)
        return false;
    record.timeSeconds = static_cast<int64_t>(time);
    record.type = static_cast<WORD>(type);
    record.category = static_cast<WORD>(category);
    record.id = static_cast<DWORD>(id);
    record.strings.resize(count);
    for (std::size_t index = 0; index < count; ++index)
        if (!unescapeField(fields[8 + index], record.strings[index]))
            return false;
    return true;
}

} // namespace

} // namespace tsm::platform

namespace tsm {

std::string eventLogPath()
{
    return machineRoot() + "/eventlog/Application.evt";
}

std::vector<EventRecord> readEventLog(std::size_t* damagedLines)
{
    std::vector<EventRecord> records;
    std::size_t damaged = 0;
    std::string text;
    if (platform::readWholeFile(eventLogPath(), text) == platform::ReadResult::eREAD) {
        std::istringstream in(text);
        std::string line;
        while (std::getline(in, line)) {
            EventRecord record;
            if (platform::parseRecord(line, record))
                records.push_back(std::move(record));
            else
                ++damaged;
        }
    }
    if (damagedLines)
        *damagedLines = damaged;
    return records;
}

} // namespace tsm

using tsm::platform::EventSource;

HANDLE WINAPI RegisterEventSourceA(LPCSTR lpUNCServerName, LPCSTR lpSourceName)
{
    if (!tsm::platform::isLocalMachine(lpUNCServerName)) {
        SetLastError(RPC_S_SERVER_UNAVAILABLE);
        return nullptr;
    }
    if (!lpSourceName || !*lpSourceName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return tsm::platform::registerHandle(std::make_shared<EventSource>(lpSourceName));
}

BOOL WINAPI DeregisterEventSource(HANDLE hEventLog)
{
    if (!tsm::platform::lookupHandleAs<EventSource>(hEventLog)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return tsm::platform::closeHandle(hEventLog) ? TRUE : FALSE;
}

BOOL WINAPI ReportEventA(HANDLE hEventLog, WORD wType, WORD wCategory, DWORD dwEventID, PVOID, WORD wNumStrings,
                         DWORD dwDataSize, LPCSTR* lpStrings, LPVOID lpRawData)
{
    const auto source = tsm::platform::lookupHandleAs<EventSource>(hEventLog);
    if (!source) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    bool knownType = false;
    for (const WORD type : tsm::platform::kKnownTypes)
        knownType = knownType || type == wType;
    if (!knownType || (wNumStrings > 0 && !lpStrings) || (dwDataSize > 0 && !lpRawData) ||
        dwDataSize > tsm::platform::kMaxDataSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    tsm::EventRecord record;
    record.timeSeconds = static_cast<int64_t>(std::time(nullptr));
    record.source = source->name();
    record.type = wType;
    record.category = wCategory;
    record.id = dwEventID;
    for (WORD index = 0; index < wNumStrings; ++index) {
        if (!lpStrings[index] || std::string(lpStrings[index]).size() > tsm::platform::kMaxStringLength) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        record.strings.emplace_back(lpStrings[index]);
    }
    if (dwDataSize > 0)
        record.data.assign(static_cast<const char*>(lpRawData), dwDataSize);
    if (tsm::platform::machineFolder("eventlog").empty() ||
        !tsm::platform::appendToFile(tsm::eventLogPath(), tsm::platform::recordLine(record))) {
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
