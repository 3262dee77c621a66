// Module file name (as a DOS path) and current directory.
#include <windows.h>

#include "tsm/machine.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize)
{
    if (hModule != nullptr || nSize == 0 || !lpFilename) {
        SetLastError(hModule != nullptr ? ERROR_MOD_NOT_FOUND : ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    char host[4096];
    const ssize_t length = ::readlink("/proc/self/exe", host, sizeof host - 1);
    if (length <= 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    host[length] = '\0';
    const std::string dos = tsm::hostToDos(host);
    // Like Windows: truncate to the buffer, terminate, report 122.
    if (dos.size() >= nSize) {
        std::memcpy(lpFilename, dos.c_str(), nSize - 1);
        lpFilename[nSize - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    std::memcpy(lpFilename, dos.c_str(), dos.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(dos.size());
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName)
{
    if (!lpPathName || !*lpPathName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string host = tsm::dosToHost(lpPathName);
    if (host.empty() || ::chdir(host.c_str()) != 0) {
        SetLastError(errno == ENOTDIR ? ERROR_DIRECTORY : ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}
