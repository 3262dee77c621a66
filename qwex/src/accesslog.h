// The server's access log: one line per answered request, rotated by size.
#ifndef QWEX_ACCESSLOG_H
#define QWEX_ACCESSLOG_H

#include "uniquefd.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace qwex {

// How large the log may grow before it is rotated, and how many rotated
// files ("<path>.1" newest to "<path>.<keep>" oldest) are kept beside it.
struct AccessLogLimits {
    uint64_t maxBytes = 10u << 20;
    unsigned keep = 3;
};

class AccessLog {
public:
    // Appends to path (created with mode 0644); a log that cannot be opened
    // writes nothing. No file ever grows beyond limits.maxBytes.
    AccessLog(const std::string& path, AccessLogLimits limits);
    // Writes every line still held.
    ~AccessLog();
    AccessLog(const AccessLog&) = delete;
    AccessLog& operator=(const AccessLog&) = delete;

    // "<UTC time> <method> <path> <status> <bytes> <microseconds>\n". Lines are
    // gathered in memory and appended in batches: when enough have gathered,
    // a moment (kFlushDelay) after the first of a batch, and at the end.
    void write(std::string_view method, std::string_view path, unsigned status, uint64_t bytes, uint64_t microseconds);

    // Appends what is gathered now.
    void flush();

    static constexpr std::chrono::milliseconds kFlushDelay{100};

private:
    void writeOut(std::unique_lock<std::mutex>& lock);
    bool append(std::string_view lines);
    void rotate();
    void flushLater();

    std::string m_path;
    AccessLogLimits m_limits;
    UniqueFd m_fd;
    uint64_t m_size = 0; // bytes in the current file
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::string m_pending;
    bool m_closing = false;
    std::thread m_flusher;
};

} // namespace qwex

#endif
