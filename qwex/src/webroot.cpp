// URL path mapping under a web root.
#include "webroot.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>

#include <cerrno>

namespace qwex {
namespace {

bool isAcceptedName(std::string_view name)
{
    if (name == "." || name == ".." || name.size() > kMaxNameLength)
        return false;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == ':' || byte < 0x20 || byte == 0x7f)
            return false;
    }
    return true;
}

// The entry of folder dirFd that equals name without case; "" if none.
std::string findIgnoringCase(int dirFd, const std::string& name)
{
    UniqueFd listing(::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!listing)
        return std::string();
    const tsm::UniqueDir dir(::fdopendir(listing.get()));
    if (!dir)
        return std::string();
    (void)listing.release(); // the stream owns the descriptor now
    std::string found;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    return found;
}

MapResult openEntry(int dirFd, const std::string& name, MappedFile& file)
{
    std::string onDisk = name;
    int fd = ::openat(dirFd, onDisk.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 && errno == ENOENT) {
        onDisk = findIgnoringCase(dirFd, name);
        if (onDisk.empty())
            return MapResult::eNOT_FOUND;
        fd = ::openat(dirFd, onDisk.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    }
    if (fd < 0)
        return errno == ELOOP ? MapResult::eFORBIDDEN : MapResult::eNOT_FOUND;
    file.fd.reset(fd);
    file.name = onDisk;
    if (::fstat(fd, &file.info) != 0)
        return MapResult::eNOT_FOUND;
    if (!S_ISREG(file.info.st_mode) && !S_ISDIR(file.info.st_mode))
        return MapResult::eFORBIDDEN;
    return MapResult::eFOUND;
}

} // namespace

MapResult splitUrlPath(std::string_view path, std::vector<std::string>& parts)
{
    parts.clear();
    if (path.size() > kMaxUrlPath)
        return MapResult::eTOO_LONG;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view name = path.substr(start, end - start);
        if (!name.empty()) {
            if (!isAcceptedName(name))
                return name.size() > kMaxNameLength ? MapResult::eTOO_LONG : MapResult::eFORBIDDEN;
            parts.emplace_back(name);
        }
        start = end + 1;
    }
    return MapResult::eFOUND;
}

MapResult openUnder(int rootFd, const std::vector<std::string>& parts, MappedFile& file)
{
    file.name.clear();
    if (parts.empty()) {
        // The root itself: an fd of its own, so that the caller may keep it.
        file.fd.reset(::openat(rootFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!file.fd.isValid() || ::fstat(file.fd.get(), &file.info) != 0)
            return MapResult::eNOT_FOUND;
        return MapResult::eFOUND;
    }
    // Each component is opened relative to the folder opened before it,
    // starting from the root's own descriptor.
    int folder = rootFd;
    for (const std::string& part : parts) {
        if (folder != rootFd && !S_ISDIR(file.info.st_mode))
            return MapResult::eNOT_FOUND;
        MappedFile next;
        const MapResult result = openEntry(folder, part, next);
        if (result != MapResult::eFOUND)
            return result;
        file = std::move(next);
        folder = file.fd.get();
    }
    return MapResult::eFOUND;
}

MapResult openUrlPath(int rootFd, std::string_view path, MappedFile& file)
{
    std::vector<std::string> parts;
    const MapResult split = splitUrlPath(path, parts);
    return split == MapResult::eFOUND ? openUnder(rootFd, parts, file) : split;
}

} // namespace qwex
