// The texts of event-log entries: the source's message table, found through
// its "EventMessageFile" registry value, with the insertion strings filled in.
#include "machinefiles.h"

#include "tsm/machine.h"
#include "tsm/machinestate.h"
#include "tsm/messagetable.h"

#include <windows.h>

#include <cctype>
#include <cstring>

namespace tsm {

namespace {

// One "<id>\t<text>" line of the block; false if it has another shape.
bool parseEntry(const std::string& line, std::map<DWORD, std::string>& table)
{
    const auto tab = line.find('\t');
    if (tab == std::string::npos || tab == 0 || tab > 10)
        return false;
    unsigned long long id = 0;
    for (std::size_t index = 0; index < tab; ++index) {
        if (!std::isdigit(static_cast<unsigned char>(line[index])))
            return false;
        id = id * 10 + static_cast<unsigned>(line[index] - '0');
    }
    if (id > 0xFFFFFFFFull)
        return false;
    std::string text;
    for (std::size_t index = tab + 1; index < line.size(); ++index) {
        if (line[index] == '\\' && index + 1 < line.size() && (line[index + 1] == 'r' || line[index + 1] == 'n')) {
            text += line[index + 1] == 'r' ? '\r' : '\n';
            ++index;
        } else {
            text += line[index];
        }
    }
    table[static_cast<DWORD>(id)] = text;
    return true;
}

std::string registryString(const std::string& keyPath, const char* valueName)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::string();
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    const LSTATUS status = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string();
    return std::string(data, strnlen(data, size));
}

// Replaces %1 .. %99 by the insertion strings; a number without a string
// stays as written.
std::string insert(const std::string& text, const std::vector<std::string>& strings)
{
    std::string out;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] == '%' && index + 1 < text.size() &&
            std::isdigit(static_cast<unsigned char>(text[index + 1]))) {
            std::size_t end = index + 1;
            unsigned number = 0;
            while (end < text.size() && end < index + 3 && std::isdigit(static_cast<unsigned char>(text[end])))
                number = number * 10 + static_cast<unsigned>(text[end++] - '0');
            if (number >= 1 && number <= strings.size()) {
                out += strings[number - 1];
                index = end - 1;
                continue;
            }
        }
        out += text[index];
    }
    return out;
}

} // namespace

bool parseMessageTable(const std::string& fileBytes, std::map<DWORD, std::string>& table)
{
    table.clear();
    const std::string begin = TSM_MESSAGE_TABLE_BEGIN;
    const std::string end = TSM_MESSAGE_TABLE_END;
    // The marker also occurs in code that looks for it; take the first
    // occurrence that is followed by a well-formed block.
    for (std::size_t start = fileBytes.find(begin); start != std::string::npos;
         start = fileBytes.find(begin, start + 1)) {
        const std::size_t body = start + begin.size();
        const std::size_t stop = fileBytes.find(end, body);
        if (stop == std::string::npos)
            return false;
        std::map<DWORD, std::string> candidate;
        bool wellFormed = true;
        std::size_t lineStart = body;
        while (wellFormed && lineStart < stop) {
            const std::size_t lineEnd = fileBytes.find('\n', lineStart);
            if (lineEnd == std::string::npos || lineEnd > stop)
                wellFormed = false;
            else
                wellFormed = parseEntry(fileBytes.substr(lineStart, lineEnd - lineStart), candidate);
            lineStart = lineEnd + 1;
        }
        if (wellFormed && !candidate.empty()) {
            table = std::move(candidate);
            return true;
        }
    }
    return false;
}

std::string eventTypeName(WORD type)
{
    switch (type) {
    case EVENTLOG_SUCCESS:
        return "success";
    case EVENTLOG_ERROR_TYPE:
        return "error";
    case EVENTLOG_WARNING_TYPE:
        return "warning";
    case EVENTLOG_INFORMATION_TYPE:
        return "information";
    case EVENTLOG_AUDIT_SUCCESS:
        return "audit success";
    case EVENTLOG_AUDIT_FAILURE:
        return "audit failure";
    default:
        return "type " + std::to_string(type);
    }
}

std::string formatEventMessage(const EventRecord& record)
{
    const std::string file = registryString(
        "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" + record.source, "EventMessageFile");
    std::map<DWORD, std::string> table;
    std::string bytes;
    const std::string host = file.empty() ? std::string() : dosToHost(file);
    if (!host.empty() && platform::readWholeFile(host, bytes, 256u << 20) == platform::ReadResult::eREAD &&
        parseMessageTable(bytes, table)) {
        const auto found = table.find(record.id);
        if (found != table.end()) {
            std::string text = insert(found->second, record.strings);
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
                text.pop_back();
            return text;
        }
    }
    std::string text =
        "No message text for event " + std::to_string(record.id) + " of source \"" + record.source + "\" was found";
    text += file.empty() ? " (the source names no message file)." : " in \"" + file + "\".";
    if (!record.strings.empty()) {
        text += " Insertion strings:";
        for (const std::string& inserted : record.strings)
            text += " \"" + inserted + "\"";
    }
    return text;
}

} // namespace tsm
