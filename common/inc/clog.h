// DebugLog: the process-wide diagnostic log beside the executable
// ("<full executable path>.log"), one timestamped line per message.
#ifndef TSM_CLOG_H
#define TSM_CLOG_H

#include <cstddef>
#include <string>

class DebugLog {
public:
    // Appends "[MM/DD/YY-HH:MM:SS] " + message and a newline, flushed at once.
    static void write(const std::string& message);
    // Appends a sixteen-bytes-per-row table of the bytes, one line per row.
    static void hexDump(const void* pBytes, std::size_t count);
    static void enable();
    static void disable();
    static bool isEnabled();
};

#endif
