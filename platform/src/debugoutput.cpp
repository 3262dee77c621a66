// Debugger output: each string is appended to the machine's debug-output.log
// with one write, so lines of concurrent writers never interleave.
#include <windows.h>

#include "tsm/machine.h"
#include "tsm/uniquehandle.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>

void WINAPI OutputDebugStringA(LPCSTR lpOutputString)
{
    if (!lpOutputString)
        return;
    const DWORD savedError = GetLastError();
    if (const tsm::UniqueFd fd{
            ::open(tsm::debugOutputPath().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)}) {
        ssize_t ignored = ::write(fd.get(), lpOutputString, std::strlen(lpOutputString));
        (void)ignored;
    }
    SetLastError(savedError);
}
