// The POSIX calls through which the platform touches the machine's files and
// sockets. Tests replace an entry to make the Nth call fail and restore the
// table afterwards (PosixCallsOverride does both).
#ifndef TSM_POSIXCALLS_H
#define TSM_POSIXCALLS_H

#include <sys/socket.h>
#include <sys/types.h>

namespace tsm {

struct PosixCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*read)(int fd, void* buffer, size_t count);
    ssize_t (*write)(int fd, const void* buffer, size_t count);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*socket)(int domain, int type, int protocol);
    int (*connect)(int fd, const sockaddr* address, socklen_t length);
    int (*bind)(int fd, const sockaddr* address, socklen_t length);
};

// The table in use; starts as the system's own calls.
PosixCalls& posixCalls();

// The system's own calls.
const PosixCalls& systemPosixCalls();

// Replaces the table for the life of the object.
class PosixCallsOverride {
public:
    PosixCallsOverride() : m_saved(posixCalls()) {}
    ~PosixCallsOverride() { posixCalls() = m_saved; }
    PosixCallsOverride(const PosixCallsOverride&) = delete;
    PosixCallsOverride& operator=(const PosixCallsOverride&) = delete;
    PosixCalls& calls() { return posixCalls(); }

private:
    PosixCalls m_saved;
};

} // namespace tsm

#endif
