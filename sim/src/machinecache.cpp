// Per-root cache of machines with change detection and error reporting.
#include "machinecache.h"

#include "description.h"

#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <mutex>

namespace sim {

namespace {

struct FileStamp {
    bool exists = false;
    int64_t seconds = 0;
    int64_t nanoseconds = 0;
    int64_t size = 0;
    uint64_t inode = 0; // a description replaced by rename is a new file
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const std::string& path)
{
    FileStamp stamp;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        stamp.exists = true;
        stamp.seconds = info.st_mtim.tv_sec;
        stamp.nanoseconds = info.st_mtim.tv_nsec;
        stamp.size = info.st_size;
        stamp.inode = info.st_ino;
    }
    return stamp;
}

struct CachedMachine {
    FileStamp stamp;
    std::shared_ptr<Machine> machine;
};

void appendLine(const std::string& path, const std::string& line)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
        const ssize_t written = ::write(fd, line.data(), line.size());
        (void)written;
        ::close(fd);
    }
}

// A refused description is named on standard error and on the machine's
// debugger output, where a person watching the service looks.
void reportProblem(const std::string& machineRoot, const std::string& message)
{
    const std::string line = "machine description refused: " + message + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    appendLine(machineRoot + "/debug-output.log", line);
}

} // namespace

std::shared_ptr<Machine> loadMachineFile(const std::string& path, std::string& message)
{
    Node root;
    DescriptionError error;
    if (!parseDescriptionFile(path, root, error)) {
        message = path + ":" + std::to_string(error.line) + ": " + error.problem;
        return nullptr;
    }
    int line = 0;
    std::string problem;
    std::shared_ptr<Machine> machine = buildMachine(root, line, problem);
    if (!machine)
        message = path + ":" + std::to_string(line) + ": " + problem;
    return machine;
}

std::shared_ptr<Machine> currentMachine(const std::string& machineRoot)
{
    static std::mutex lock;
    static std::map<std::string, CachedMachine> cache;

    const std::string path = machineRoot + "/machine.xml";
    const FileStamp stamp = stampOf(path);
    std::lock_guard<std::mutex> guard(lock);
    auto it = cache.find(machineRoot);
    if (it != cache.end() && it->second.stamp == stamp)
        return it->second.machine;
    std::shared_ptr<Machine> machine;
    if (stamp.exists) {
        std::string message;
        machine = loadMachineFile(path, message);
        if (!machine)
            reportProblem(machineRoot, message);
    }
    if (!machine)
        machine = std::make_shared<Machine>();
    cache[machineRoot] = CachedMachine{stamp, machine};
    return machine;
}

} // namespace sim
