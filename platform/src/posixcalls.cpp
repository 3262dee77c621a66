// The table of POSIX calls the platform's files and sockets go through.
#include "tsm/posixcalls.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace tsm {
namespace {

int systemOpen(const char* path, int flags, mode_t mode)
{
    return ::open(path, flags, mode);
}

constexpr PosixCalls kSystemCalls = {systemOpen, ::read,   ::write,   ::fsync, ::close,
                                     ::rename,   ::socket, ::connect, ::bind};

} // namespace

const PosixCalls& systemPosixCalls()
{
    return kSystemCalls;
}

PosixCalls& posixCalls()
{
    static PosixCalls calls = kSystemCalls;
    return calls;
}

} // namespace tsm
