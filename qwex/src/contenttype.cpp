// Content types of served files.
#include "contenttype.h"

#include <strings.h>

#include <string>

namespace qwex {
namespace {

struct TypeEntry {
    const char* extension;
    const char* type;
};

constexpr TypeEntry kTypes[] = {
    {"htm", "text/html; charset=utf-8"},
    {"html", "text/html; charset=utf-8"},
    {"css", "text/css"},
    {"js", "text/javascript"},
    {"json", "application/json"},
    {"xml", "text/xml"},
    {"xsl", "text/xsl"},
    {"dtd", "application/xml-dtd"},
    {"txt", "text/plain; charset=utf-8"},
    {"gif", "image/gif"},
    {"png", "image/png"},
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"svg", "image/svg+xml"},
    {"ico", "image/x-icon"},
};

std::string extensionOf(std::string_view fileName)
{
    const size_t slash = fileName.find_last_of("/\\");
    const std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    const size_t dot = base.find_last_of('.');
    return dot == std::string_view::npos ? std::string() : std::string(base.substr(dot + 1));
}

} // namespace

const char* contentTypeOf(std::string_view fileName)
{
    const std::string extension = extensionOf(fileName);
    for (const TypeEntry& entry : kTypes)
        if (::strcasecmp(entry.extension, extension.c_str()) == 0)
            return entry.type;
    return "application/octet-stream";
}

bool isPageFile(std::string_view fileName)
{
    const std::string extension = extensionOf(fileName);
    return ::strcasecmp(extension.c_str(), "htm") == 0 || ::strcasecmp(extension.c_str(), "html") == 0;
}

} // namespace qwex
