// Directory listing through FindFirstFileA and FindNextFileA.
#include "osfunctions.h"
#include "osfunctions_handles.h"

#include <cstring>

namespace {

struct FindHandleTraits {
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool isValid(HANDLE handle) noexcept { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    static void close(HANDLE handle) noexcept { FindClose(handle); }
};
using ScopedFindHandle = tsm::ScopedGeneric<HANDLE, FindHandleTraits>;

}

std::vector<std::string> findFileNames(const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data {};
    const ScopedFindHandle find(FindFirstFileA(pattern.c_str(), &data));
    if (!find)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.emplace_back(data.cFileName, strnlen(data.cFileName, sizeof data.cFileName));
    } while (FindNextFileA(find.get(), &data));
    return names;
}
