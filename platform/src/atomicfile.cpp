// Atomic file replacement through the overridable POSIX call table, so tests
// can make any step fail.
#include "tsm/atomicfile.h"

#include "tsm/posixcalls.h"
#include "tsm/uniquehandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tsm {

namespace {

bool writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = posixCalls().write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

} // namespace

bool writeFileAtomically(const std::string& path, const std::string& contents, mode_t mode)
{
    // One temporary per thread, so concurrent writers never share one.
    const std::string temporary = path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(::gettid());
    ::unlink(temporary.c_str());
    const int fd = posixCalls().open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    // Removes the temporary, keeping the errno of the step that failed.
    const auto fail = [&temporary] {
        const int error = errno;
        ::unlink(temporary.c_str());
        errno = error;
        return false;
    };
    if (::fchmod(fd, mode) != 0 || !writeAll(fd, contents) || posixCalls().fsync(fd) != 0) {
        const int error = errno;
        posixCalls().close(fd);
        errno = error;
        return fail();
    }
    if (posixCalls().close(fd) != 0 || posixCalls().rename(temporary.c_str(), path.c_str()) != 0)
        return fail();
    // The rename itself is made durable with the folder.
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    if (const UniqueFd folderFd{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)})
        ::fsync(folderFd.get());
    return true;
}

} // namespace tsm
