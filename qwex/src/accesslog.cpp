// Access log lines.
#include "accesslog.h"

#include <fcntl.h>

#include <cstdio>
#include <ctime>

namespace qwex {
namespace {

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
}

void AccessLog::write(std::string_view method, std::string_view path, unsigned status, uint64_t bytes,
                      uint64_t microseconds) const
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
    [[maybe_unused]] const ssize_t written = ::write(m_fd.get(), line.data(), line.size());
}

} // namespace qwex
