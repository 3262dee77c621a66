// Debugger output: each string is appended to the machine's debug-output.log
// with one write, so lines of concurrent writers never interleave.
#include <windows.h>

#include "tsm/machine.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>

void WINAPI OutputDebugStringA(LPCSTR lpOutputString)
{
    if (!lpOutputString)
        return;
    const DWORD savedError = GetLastError();
    const int fd = ::open(tsm::debugOutputPath().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
        const size_t length = std::strlen(lpOutputString);
        ssize_t ignored = ::write(fd, lpOutputString, length);
        (void)ignored;
        ::close(fd);
    }
    SetLastError(savedError);
}
