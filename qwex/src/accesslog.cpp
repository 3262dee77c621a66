// Access log lines.
#include "accesslog.h"

#include <fcntl.h>

#include <cstdio>
#include <ctime>

namespace qwex {
namespace {

// A batch this large is written at once, by the request that fills it.
constexpr size_t kBatchBytes = 32 * 1024;

// Path text for the log: control characters and blanks become '?', so one
// request is always one line of six fields.
std::string printable(std::string_view text)
{
    std::string result(text.substr(0, 2048));
    for (char& c : result) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f)
            c = '?';
    }
    return result;
}

} // namespace

AccessLog::AccessLog(const std::string& path)
    : m_fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644))
{
    if (m_fd.valid())
        m_flusher = std::thread([this] { flushLater(); });
}

AccessLog::~AccessLog()
{
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_wake.notify_all();
    if (m_flusher.joinable())
        m_flusher.join();
    flush();
}

void AccessLog::write(std::string_view method, std::string_view path, unsigned status, uint64_t bytes,
                      uint64_t microseconds)
{
    if (!m_fd.valid())
        return;
    const time_t now = std::time(nullptr);
    tm utc {};
    ::gmtime_r(&now, &utc);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
    char numbers[80];
    std::snprintf(numbers, sizeof numbers, " %u %llu %llu\n", status, static_cast<unsigned long long>(bytes),
                  static_cast<unsigned long long>(microseconds));
    const std::string line = std::string(when) + " " + printable(method) + " " + printable(path) + numbers;
    std::unique_lock lock(m_mutex);
    const bool first = m_pending.empty();
    m_pending += line;
    if (m_pending.size() >= kBatchBytes)
        writeOut(lock);
    else if (first)
        m_wake.notify_one();
}

void AccessLog::flush()
{
    std::unique_lock lock(m_mutex);
    writeOut(lock);
}

void AccessLog::writeOut(std::unique_lock<std::mutex>&)
{
    // Written while the lock is held, so batches reach the file in order.
    size_t done = 0;
    while (done < m_pending.size()) {
        const ssize_t written = ::write(m_fd.get(), m_pending.data() + done, m_pending.size() - done);
        if (written <= 0)
            break;
        done += static_cast<size_t>(written);
    }
    m_pending.clear();
}

void AccessLog::flushLater()
{
    std::unique_lock lock(m_mutex);
    while (!m_closing) {
        m_wake.wait(lock, [this] { return m_closing || !m_pending.empty(); });
        m_wake.wait_for(lock, kFlushDelay, [this] { return m_closing; });
        writeOut(lock);
    }
}

} // namespace qwex
