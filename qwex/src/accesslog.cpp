// Access log lines, appended in batches and rotated by size.
#include "accesslog.h"

#include <fcntl.h>
#include <sys/stat.h>

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

int openForAppending(const std::string& path)
{
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

} // namespace

AccessLog::AccessLog(const std::string& path, AccessLogLimits limits)
    : m_path(path), m_limits(limits), m_fd(openForAppending(path))
{
    if (m_fd.isValid())
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
    if (!m_fd.isValid())
        return;
    const time_t now = std::time(nullptr);
    tm utc{};
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
    struct stat status {};
    if (!m_fd.isValid() || ::fstat(m_fd.get(), &status) != 0) {
        m_pending.clear();
        return;
    }
    // The file may have been cut by someone else since the last batch.
    m_size = static_cast<uint64_t>(status.st_size);
    std::string_view rest = m_pending;
    while (!rest.empty()) {
        const uint64_t room = m_limits.maxBytes > m_size ? m_limits.maxBytes - m_size : 0;
        // The whole lines that still fit in this file (none: npos + 1 is 0).
        size_t fits = room >= rest.size() ? rest.size() : rest.substr(0, room).rfind('\n') + 1;
        if (fits == 0 && m_size > 0) {
            rotate();
            continue;
        }
        if (fits == 0) // one line longer than a whole file: it goes alone
            fits = rest.find('\n') + 1;
        if (!append(rest.substr(0, fits)))
            break;
        rest.remove_prefix(fits);
    }
    m_pending.clear();
}

bool AccessLog::append(std::string_view lines)
{
    size_t done = 0;
    while (done < lines.size()) {
        const ssize_t written = ::write(m_fd.get(), lines.data() + done, lines.size() - done);
        if (written <= 0) {
            // A full disk: drop the batch whole rather than leave half a line
            // for the next batch to be glued to.
            if (::ftruncate(m_fd.get(), static_cast<off_t>(m_size)) != 0)
                m_size += done;
            return false;
        }
        done += static_cast<size_t>(written);
    }
    m_size += done;
    return true;
}

void AccessLog::rotate()
{
    m_size = 0;
    if (m_limits.keep == 0) {
        if (::ftruncate(m_fd.get(), 0) != 0)
            m_fd.reset();
        return;
    }
    const auto kept = [this](unsigned number) { return m_path + "." + std::to_string(number); };
    for (unsigned number = m_limits.keep; number > 1; --number)
        ::rename(kept(number - 1).c_str(), kept(number).c_str());
    UniqueFd next;
    if (::rename(m_path.c_str(), kept(1).c_str()) == 0) {
        next.reset(openForAppending(m_path));
        if (!next.isValid())
            ::rename(kept(1).c_str(), m_path.c_str());
    }
    if (next.isValid())
        m_fd = std::move(next);
    else if (::ftruncate(m_fd.get(), 0) != 0) // cannot rotate: start the file again
        m_fd.reset();
}

void AccessLog::flushLater()
{
    std::unique_lock lock(m_mutex);
    while (!m_closing) {
        m_wake.wait(
            lock, [this] { return m_closing || !m_pending.empty(); });
        m_wake.wait_for(lock, kFlushDelay, [this] { return m_closing; });
        writeOut(lock);
    }
}

} // namespace qwex
