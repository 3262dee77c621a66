// Directory listing through FindFirstFileA and FindNextFileA.
#include "osfunctions.h"
#include "tsm/win32handles.h"

#include <cstring>

using tsm::UniqueFindHandle;

std::vector<std::string> findFileNames(const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data{};
    const UniqueFindHandle find(FindFirstFileA(pattern.c_str(), &data));
    if (!find)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.emplace_back(data.cFileName, strnlen(data.cFileName, sizeof data.cFileName));
    } while (FindNextFileA(find.get(), &data));
    return names;
}
