// Directory listing (FindFirstFileA, FindNextFileA, FindClose) on DOS paths. A
// listing is a snapshot of the folder taken by FindFirstFileA, matched without
// case against a pattern with * and ?.
#include "handle_table.h"

#include "tsm/machine.h"
#include "tsm/uniquehandle.h"

#include <windows.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace tsm::platform {

namespace {

bool matchesFrom(const char* pattern, const char* name)
{
    for (; *pattern; ++pattern, ++name) {
        if (*pattern == '*') {
            while (pattern[1] == '*')
                ++pattern;
            for (const char* rest = name;; ++rest) {
                if (matchesFrom(pattern + 1, rest))
                    return true;
                if (!*rest)
                    return false;
            }
        }
        if (!*name)
            return false;
        if (*pattern != '?' &&
            std::tolower(static_cast<unsigned char>(*pattern)) != std::tolower(static_cast<unsigned char>(*name)))
            return false;
    }
    return !*name;
}

FILETIME fileTimeOf(const timespec& when)
{
    // 100-nanosecond ticks since 1601-01-01.
    const uint64_t ticks = (static_cast<uint64_t>(when.tv_sec) + 11644473600ull) * 10000000ull +
                           static_cast<uint64_t>(when.tv_nsec) / 100u;
    return {static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

DWORD attributesOf(const std::string& hostPath, const struct stat& info)
{
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (::access(hostPath.c_str(), W_OK) != 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

void fill(const std::string& folder, const std::string& name, WIN32_FIND_DATAA& data)
{
    std::memset(&data, 0, sizeof data);
    const std::string path = folder + "/" + name;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        data.dwFileAttributes = attributesOf(path, info);
        data.ftCreationTime = fileTimeOf(info.st_ctim);
        data.ftLastAccessTime = fileTimeOf(info.st_atim);
        data.ftLastWriteTime = fileTimeOf(info.st_mtim);
        const uint64_t size = S_ISDIR(info.st_mode) ? 0 : static_cast<uint64_t>(info.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    } else {
        data.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    }
    std::strncpy(data.cFileName, name.c_str(), MAX_PATH - 1);
}

class FindObject : public KernelObject {
public:
    FindObject(std::string folder, std::vector<std::string> names)
        : m_sFolder(std::move(folder)), m_names(std::move(names))
    {
    }
    bool next(WIN32_FIND_DATAA& data)
    {
        if (m_next >= m_names.size())
            return false;
        fill(m_sFolder, m_names[m_next++], data);
        return true;
    }

private:
    std::string m_sFolder;
    std::vector<std::string> m_names;
    std::size_t m_next = 0;
};

} // namespace

} // namespace tsm::platform

using tsm::platform::FindObject;

HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData)
{
    if (!lpFileName || !*lpFileName || !lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string dos = lpFileName;
    const auto separator = dos.find_last_of("\\/");
    const std::string pattern = separator == std::string::npos ? dos : dos.substr(separator + 1);
    std::string folderDos = separator == std::string::npos ? std::string(".") : dos.substr(0, separator + 1);
    if (folderDos.size() == 2 && folderDos[1] == ':')
        folderDos += "\\";
    const std::string folder = tsm::dosToHost(folderDos);
    if (pattern.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const tsm::UniqueDir dir(folder.empty() ? nullptr : ::opendir(folder.c_str()));
    if (!dir) {
        SetLastError(errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir.get()))
        if (tsm::platform::matchesFrom(pattern.c_str(), entry->d_name))
            names.emplace_back(entry->d_name);
    if (names.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::sort(names.begin(), names.end());
    auto find = std::make_shared<FindObject>(folder, std::move(names));
    find->next(*lpFindFileData);
    SetLastError(ERROR_SUCCESS);
    return tsm::platform::registerHandle(std::move(find));
}

BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData)
{
    const auto find = tsm::platform::lookupHandleAs<FindObject>(hFindFile);
    if (!find) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!find->next(*lpFindFileData)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE hFindFile)
{
    if (!tsm::platform::lookupHandleAs<FindObject>(hFindFile)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return tsm::platform::closeHandle(hFindFile) ? TRUE : FALSE;
}
