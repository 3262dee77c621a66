// Starting a service process the way the manager does: a detached process
// (double fork, new session) of the installed binary, told through its
// environment which service it is and where to report; the start waits
// until the process's dispatcher has connected back.
#include "scm_channel.h"
#include "scm_database.h"
#include "scm_objects.h"

#include "tsm/machine.h"

#include <windows.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

extern char** environ;

namespace tsm::platform {

namespace {

constexpr int kDefaultStartLimitMs = 30000;

int startLimitMs()
{
    // Tests shorten the wait for a binary that never reports.
    if (const char* text = std::getenv("TSM_SCM_START_TIMEOUT_MS")) {
        const long value = std::strtol(text, nullptr, 10);
        if (value > 0 && value <= 600000)
            return static_cast<int>(value);
    }
    return kDefaultStartLimitMs;
}

// A service's command line: the program (a quoted path, or the whole line
// when that names a file, or the line up to its first blank) and the words
// after it (blank-separated, double quotes group).
std::vector<std::string> splitCommandLine(const std::string& commandLine)
{
    std::vector<std::string> words;
    std::size_t rest = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        const auto close = commandLine.find('"', 1);
        words.push_back(commandLine.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        rest = close == std::string::npos ? commandLine.size() : close + 1;
    } else {
        struct stat info;
        const std::string whole = dosToHost(commandLine);
        if (!whole.empty() && ::stat(whole.c_str(), &info) == 0)
            return {commandLine};
        rest = std::min(commandLine.find(' '), commandLine.size());
        words.push_back(commandLine.substr(0, rest));
    }
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t index = rest; index < commandLine.size(); ++index) {
        const char c = commandLine[index];
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

DWORD errorOfErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    case ENOEXEC:
        return ERROR_BAD_EXE_FORMAT;
    default:
        return ERROR_SERVICE_NO_THREAD;
    }
}

struct LaunchPlan {
    std::string program;
    std::vector<std::string> arguments;
    std::vector<std::string> environment;
    std::string workingDirectory;
    std::string outputFile;
};

// Everything the forked processes need is built before the fork, since only
// async-signal-safe calls may run between fork and exec.
[[noreturn]] void runGrandchild(const LaunchPlan& plan, char* const* argv, char* const* envp, int reportFd)
{
    if (::chdir(plan.workingDirectory.c_str()) != 0 && ::chdir("/") != 0) {
        // stays where it is
    }
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(plan.outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (in >= 0)
        ::dup2(in, 0);
    if (out >= 0) {
        ::dup2(out, 1);
        ::dup2(out, 2);
    }
    // Nothing of the starting process is inherited but the report pipe,
    // which closes itself on exec.
    if (reportFd > 3)
        ::close_range(3, static_cast<unsigned>(reportFd - 1), 0);
    ::close_range(static_cast<unsigned>(reportFd + 1), ~0u, 0);
    ::execve(plan.program.c_str(), argv, envp);
    const int error = errno;
    char message[1 + sizeof error];
    message[0] = 'E';
    std::memcpy(message + 1, &error, sizeof error);
    ssize_t ignored = ::write(reportFd, message, sizeof message);
    (void)ignored;
    ::_exit(127);
}

// Forks twice; gives the service process's id, or 0 with the error.
pid_t spawnDetached(const LaunchPlan& plan, DWORD& error)
{
    std::vector<char*> argv;
    for (const std::string& argument : plan.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& variable : plan.environment)
        envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        error = ERROR_SERVICE_NO_THREAD;
        return 0;
    }
    UniqueFd readEnd(report[0]);
    UniqueFd writeEnd(report[1]);
    const pid_t child = ::fork();
    if (child == 0) {
        readEnd.reset();
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0)
            runGrandchild(plan, argv.data(), envp.data(), writeEnd.get());
        char message[1 + sizeof grandchild];
        message[0] = grandchild > 0 ? 'P' : 'F';
        std::memcpy(message + 1, &grandchild, sizeof grandchild);
        ssize_t ignored = ::write(writeEnd.get(), message, sizeof message);
        (void)ignored;
        ::_exit(0);
    }
    writeEnd.reset();
    if (child < 0) {
        error = ERROR_SERVICE_NO_THREAD;
        return 0;
    }
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {}
    // The pipe ends when the grandchild has run exec (or failed to).
    std::string messages;
    char buffer[64];
    for (;;) {
        pollfd ready{readEnd.get(), POLLIN, 0};
        if (::poll(&ready, 1, 10000) <= 0)
            break;
        const ssize_t got = ::read(readEnd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        messages.append(buffer, static_cast<std::size_t>(got));
    }
    readEnd.reset();
    pid_t pid = 0;
    for (std::size_t at = 0; at < messages.size();) {
        const char tag = messages[at];
        if (tag == 'P' && at + 1 + sizeof pid <= messages.size()) {
            std::memcpy(&pid, messages.data() + at + 1, sizeof pid);
            at += 1 + sizeof pid;
        } else if (tag == 'E' && at + 1 + sizeof(int) <= messages.size()) {
            int execError = 0;
            std::memcpy(&execError, messages.data() + at + 1, sizeof execError);
            error = errorOfErrno(execError);
            return 0;
        } else {
            error = ERROR_SERVICE_NO_THREAD;
            return 0;
        }
    }
    if (pid <= 0)
        error = ERROR_SERVICE_NO_THREAD;
    return pid;
}

LaunchPlan planFor(const std::string& name, const std::string& program, const std::vector<std::string>& words,
                   const std::string& startSocket)
{
    LaunchPlan plan;
    plan.program = program;
    plan.arguments = words;
    plan.arguments[0] = program;
    plan.workingDirectory = driveCRoot();
    plan.outputFile = machineRoot() + "/service-output.log";
    for (char** variable = environ; variable && *variable; ++variable) {
        const std::string text = *variable;
        if (text.rfind("TSM_MACHINE=", 0) == 0 || text.rfind("TSM_SERVICE_", 0) == 0)
            continue;
        plan.environment.push_back(text); // SIM_CAPTURE and the rest pass on
    }
    plan.environment.push_back("TSM_MACHINE=" + machineRoot());
    plan.environment.push_back("TSM_SERVICE_NAME=" + name);
    plan.environment.push_back("TSM_SERVICE_START=" + startSocket);
    return plan;
}

// A process that has ended but is not reaped yet (its new parent may be slow
// to reap, or never do it) counts as ended.
bool processAlive(pid_t pid)
{
    if (::kill(pid, 0) != 0 && errno != EPERM)
        return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    const auto close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() || (text[close + 2] != 'Z' && text[close + 2] != 'X');
}

} // namespace

DWORD launchService(const std::string& name, const std::string& binaryPath)
{
    const std::vector<std::string> words = splitCommandLine(binaryPath);
    const std::string program = dosToHost(words[0]);
    struct stat info;
    if (program.empty() || ::stat(program.c_str(), &info) != 0)
        return ERROR_FILE_NOT_FOUND;
    if (!S_ISREG(info.st_mode) || ::access(program.c_str(), X_OK) != 0)
        return ERROR_ACCESS_DENIED;

    const std::string startSocket = serviceStartSocketPath(name);
    Socket listener;
    if (!listenAt(startSocket, listener))
        return ERROR_OPEN_FAILED;
    struct Unlinker {
        const std::string& path;
        ~Unlinker() { ::unlink(path.c_str()); }
    } unlinker{startSocket};

    DWORD error = ERROR_SUCCESS;
    const pid_t pid = spawnDetached(planFor(name, program, words, startSocket), error);
    if (pid == 0)
        return error;

    // Wait for the dispatcher of the new process to connect back.
    const int limit = startLimitMs();
    for (int waited = 0; waited < limit; waited += 100) {
        Socket connection = acceptWithin(listener, 100);
        if (connection) {
            std::string line;
            if (readLine(connection, line, std::chrono::milliseconds(5000)) && line.rfind("STARTED ", 0) == 0 &&
                sendLine(connection, "OK"))
                return ERROR_SUCCESS;
            return ERROR_SERVICE_REQUEST_TIMEOUT;
        }
        if (!processAlive(pid))
            return ERROR_PROCESS_ABORTED;
    }
    return ERROR_SERVICE_REQUEST_TIMEOUT;
}

} // namespace tsm::platform
