// The server's access log: one line per answered request.
#ifndef QWEX_ACCESSLOG_H
#define QWEX_ACCESSLOG_H

#include "uniquefd.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qwex {

class AccessLog {
public:
    // Appends to path (created with mode 0644); a log that cannot be opened
    // writes nothing.
    explicit AccessLog(const std::string& path);

    // "<UTC time> <method> <path> <status> <bytes> <microseconds>\n", written with
    // one append so that lines of concurrent requests never mix.
    void write(std::string_view method, std::string_view path, unsigned status, uint64_t bytes,
               uint64_t microseconds) const;

private:
    UniqueFd m_fd;
};

} // namespace qwex

#endif
