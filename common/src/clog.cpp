// DebugLog: timestamped lines and hex dumps appended to "<executable>.log".
#include "clog.h"

#include <windows.h>

#include "tsm/machine.h"
#include "tsm/neverdestroyed.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>

namespace {

struct LogState {
    std::atomic<bool> enabled{true};
    std::mutex mutex; // serialises the first open and every line
    std::map<std::string, std::unique_ptr<std::ofstream>> streams;
    unsigned long unwritten = 0; // lines the file refused (a full disk) since the last one it took
};

// Created on first use and never destroyed, so threads still logging while
// the process exits never touch a destroyed map.
LogState& state()
{
    static tsm::NeverDestroyed<LogState> instance;
    return instance.get();
}

// The executable's full path as the system reports it (at most 259
// characters; a longer one arrives cut and terminated) followed by ".log".
std::string defaultFileName()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, ::strnlen(path, MAX_PATH)) + ".log";
}

std::string timestamp()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[64];
    std::snprintf(text, sizeof text, "[%02u/%02u/%02u-%02u:%02u:%02u] ", unsigned{now.wMonth}, unsigned{now.wDay},
                  now.wYear % 100u, unsigned{now.wHour}, unsigned{now.wMinute}, unsigned{now.wSecond});
    return text;
}

// Unbuffered, so that each line reaches the file in one write and a write that
// fails (a full disk) leaves nothing behind to be written again with a later
// line. The file is opened for appending: after someone else truncates it (a
// copy-and-truncate rotation), lines go on at its new end.
std::unique_ptr<std::ofstream> openForAppending(const std::string& hostPath)
{
    auto stream = std::make_unique<std::ofstream>();
    stream->rdbuf()->pubsetbuf(nullptr, 0);
    stream->open(hostPath, std::ios::app | std::ios::binary);
    return stream;
}

// A stream that failed before is tried again, so the log resumes once the
// disk has room.
bool put(std::ofstream& stream, const std::string& text)
{
    stream.clear();
    stream << text;
    stream.flush();
    return stream.good();
}

// Appends line, first saying how many lines were lost while the file could
// not be written. That notice starts with a newline, which ends the part of
// a line a failed write may have left (or leaves one empty line).
void append(LogState& log, std::ofstream& stream, const std::string& line)
{
    if (log.unwritten > 0) {
        if (!put(stream, "\n" + timestamp() + "Debug log: " + std::to_string(log.unwritten) +
                             " lines could not be written\n")) {
            ++log.unwritten;
            return;
        }
        log.unwritten = 0;
    }
    if (!put(stream, line))
        ++log.unwritten;
}

} // namespace

void DebugLog::write(const std::string& message)
{
    LogState& log = state();
    if (!log.enabled)
        return;
    const std::string line = timestamp() + message + "\n";
    std::lock_guard<std::mutex> lock(log.mutex);
    if (log.streams.empty()) {
        const std::string name = defaultFileName();
        auto stream = openForAppending(tsm::dosToHost(name));
        if (!*stream)
            return; // no log file: the process goes on without logging
        log.streams.emplace(name, std::move(stream));
    }
    for (auto& entry : log.streams)
        append(log, *entry.second, line);
}

void DebugLog::hexDump(const void* pBytes, std::size_t count)
{
    if (!isEnabled())
        return;
    write("      00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 0123456789ABCDEF");
    write("      ----------------------------------------------------------------");
    const auto* bytes = static_cast<const unsigned char*>(pBytes);
    std::string hexPart;
    std::string charPart;
    char cell[32];
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 16 == 0) {
            std::snprintf(cell, sizeof cell, " %03zX  ", i);
            hexPart += cell;
        }
        std::snprintf(cell, sizeof cell, "%02X ", bytes[i]);
        hexPart += cell;
        charPart += (bytes[i] >= 0x20 && bytes[i] <= 0x7E) ? static_cast<char>(bytes[i]) : '.';
        if ((i + 1) % 16 == 0 || i + 1 == count) {
            hexPart.append(48, ' ');
            write(hexPart.substr(0, 54) + charPart);
            hexPart.clear();
            charPart.clear();
        }
    }
}

void DebugLog::enable()
{
    state().enabled = true;
}

void DebugLog::disable()
{
    state().enabled = false;
}

bool DebugLog::isEnabled()
{
    return state().enabled;
}
