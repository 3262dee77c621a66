// Mapping of URL paths onto a web root folder. Names match without case, the
// way the agent's DOS paths do; nothing outside the root is ever opened.
#ifndef QWEX_WEBROOT_H
#define QWEX_WEBROOT_H

#include "uniquefd.h"

#include <sys/stat.h>

#include <string>
#include <string_view>
#include <vector>

namespace qwex {

constexpr size_t kMaxUrlPath = 1024;
constexpr size_t kMaxNameLength = 255;

enum class MapResult {
    eFOUND,
    eNOT_FOUND,
    eFORBIDDEN, // a component that could leave the root, or a symbolic link
    eTOO_LONG,
};

// The components of a decoded URL path relative to a root ("a/b.htm"). Empty
// components are skipped; ".", "..", backslashes, colons and control
// characters are refused, as is a path over kMaxUrlPath.
MapResult splitUrlPath(std::string_view path, std::vector<std::string>& parts);

struct MappedFile {
    UniqueFd fd;
    struct stat info {};
    std::string name; // the last component as it is on disk ("" for the root itself)
};

// Opens the file or folder that parts name under the folder rootFd, one
// component at a time, without following symbolic links.
MapResult openUnder(int rootFd, const std::vector<std::string>& parts, MappedFile& file);

// Both steps together.
MapResult openUrlPath(int rootFd, std::string_view path, MappedFile& file);

} // namespace qwex

#endif
