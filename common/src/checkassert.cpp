// Fatal assertion: report on standard error and in the debug log, then abort.
#include "checkassert.h"

#include "clog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace tsm {

namespace {
// "/a/b/attributesource.cpp" -> "attributesource"
std::string sourceName(const char* file)
{
    std::string name = file ? file : "";
    const auto slash = name.find_last_of("/\\");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const auto dot = name.find('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}
} // namespace

void assertionFailed(const char* expression, const char* file, int line)
{
    const std::string message = "Assertion failed: " + std::string(expression) + ", file " + sourceName(file) +
                                ", line " + std::to_string(line);
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    DebugLog::write(message);
    std::abort();
}

} // namespace tsm
