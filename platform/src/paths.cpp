// DOS path mapping onto the emulated machine's folders.
#include "tsm/machine.h"
#include "tsm/uniquehandle.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <vector>

namespace tsm {
namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool exists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// Finds the entry of folder that equals name ignoring case; "" if none.
std::string matchIgnoringCase(const std::string& folder, const std::string& name)
{
    const UniqueDir dir(::opendir(folder.empty() ? "/" : folder.c_str()));
    if (!dir)
        return std::string();
    std::string found;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    return found;
}

std::vector<std::string> components(const std::string& path)
{
    std::vector<std::string> parts;
    std::string current;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            if (!current.empty())
                parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        parts.push_back(current);
    return parts;
}

// Appends the components of relative to base, resolving "." and ".." and
// matching existing names case-insensitively.
std::string resolveUnder(std::string base, const std::string& relative)
{
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    for (const std::string& part : components(relative)) {
        if (part == ".")
            continue;
        if (part == "..") {
            const auto slash = base.find_last_of('/');
            base = slash == 0 || slash == std::string::npos ? std::string("/") : base.substr(0, slash);
            continue;
        }
        const std::string prefix = base == "/" ? std::string("/") : base + "/";
        std::string candidate = prefix + part;
        if (!exists(candidate)) {
            const std::string match = matchIgnoringCase(base, part);
            if (!match.empty())
                candidate = prefix + match;
        }
        base = candidate;
    }
    return base;
}

} // namespace

std::string machineRoot()
{
    std::string root = environment("TSM_MACHINE");
    if (root.empty()) {
        const std::string state = environment("XDG_STATE_HOME");
        root = state.empty() ? environment("HOME") + "/.local/state/tsm-machine" : state + "/tsm-machine";
    }
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}

std::string driveCRoot()
{
    return machineRoot() + "/drive_c";
}

std::string debugOutputPath()
{
    return machineRoot() + "/debug-output.log";
}

std::string dosToHost(const std::string& dosPath)
{
    if (dosPath.size() >= 2 && dosPath[1] == ':' && std::isalpha(static_cast<unsigned char>(dosPath[0]))) {
        const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(dosPath[0])));
        const std::string rest = dosPath.substr(2);
        if (drive == 'C')
            return resolveUnder(driveCRoot(), rest);
        if (drive == 'Z')
            return resolveUnder("/", rest);
        return std::string();
    }
    if (!dosPath.empty() && (dosPath[0] == '\\' || dosPath[0] == '/')) {
        // Rooted without a drive: the drive of the current directory.
        char cwd[4096];
        const std::string current = ::getcwd(cwd, sizeof cwd) ? std::string(cwd) : std::string("/");
        const std::string driveC = driveCRoot();
        const bool onC = current.compare(0, driveC.size(), driveC) == 0 &&
                         (current.size() == driveC.size() || current[driveC.size()] == '/');
        return resolveUnder(onC ? driveC : std::string("/"), dosPath);
    }
    char cwd[4096];
    const std::string current = ::getcwd(cwd, sizeof cwd) ? std::string(cwd) : std::string("/");
    return resolveUnder(current, dosPath);
}

std::string hostToDos(const std::string& hostPath)
{
    const std::string driveC = driveCRoot();
    std::string drive = "Z:";
    std::string rest = hostPath;
    if (hostPath.compare(0, driveC.size(), driveC) == 0 &&
        (hostPath.size() == driveC.size() || hostPath[driveC.size()] == '/')) {
        drive = "C:";
        rest = hostPath.substr(driveC.size());
    }
    std::string dos = drive;
    for (const std::string& part : components(rest))
        dos += "\\" + part;
    if (dos.size() == 2)
        dos += "\\";
    return dos;
}

} // namespace tsm
