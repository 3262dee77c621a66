// ModulePath: the executable's directory, upper-cased, and a relative path.
#include "modulepath.h"

#include <windows.h>

#include <cstring>

namespace Web {

std::string ModulePath(const std::string& relative)
{
    char buffer[1000] = {};
    GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    std::string path(buffer, strnlen(buffer, sizeof buffer));
    for (char& c : path)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    const std::string::size_type backslash = path.rfind('\\');
    if (backslash == std::string::npos)
        return path;
    return path.substr(0, backslash + 1) + relative;
}

}
