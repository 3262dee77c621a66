// Fuzz target of the URL path mapping: whatever the path, an opened file lies
// inside the web root, and no accepted component can climb out of it.
#include "fuzzing.h"
#include "webroot.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A small tree: <tmp>/outside/secret beside <tmp>/root/{A/b.htm,c.txt,up -> ..}.
struct Tree {
    std::string root;
    int rootFd = -1;
    Tree()
    {
        char pattern[] = "/tmp/qwex-fuzz-XXXXXX";
        const std::string base = ::mkdtemp(pattern);
        root = base + "/root";
        ::mkdir(root.c_str(), 0755);
        ::mkdir((root + "/A").c_str(), 0755);
        ::mkdir((base + "/outside").c_str(), 0755);
        for (const std::string& file : {root + "/A/b.htm", root + "/c.txt", base + "/outside/secret"})
            ::close(::open(file.c_str(), O_WRONLY | O_CREAT, 0644));
        [[maybe_unused]] const int linked = ::symlink("..", (root + "/up").c_str());
        rootFd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Tree tree;
    const std::string path = inputText(data, size);
    std::vector<std::string> parts;
    if (qwex::splitUrlPath(path, parts) == qwex::MapResult::eFOUND)
        for (const std::string& part : parts)
            check(!part.empty() && part != "." && part != ".." && part.find_first_of("/\\:") == std::string::npos);
    qwex::MappedFile file;
    if (qwex::openUrlPath(tree.rootFd, path, file) != qwex::MapResult::eFOUND)
        return 0;
    char real[PATH_MAX];
    const std::string link = "/proc/self/fd/" + std::to_string(file.fd.get());
    const ssize_t length = ::readlink(link.c_str(), real, sizeof real - 1);
    check(length > 0);
    const std::string opened(real, static_cast<size_t>(length));
    check(opened.compare(0, tree.root.size(), tree.root) == 0 &&
          (opened.size() == tree.root.size() || opened[tree.root.size()] == '/'));
    return 0;
}
