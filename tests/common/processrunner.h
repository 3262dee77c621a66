// Runs a program as a child process and collects its exit code, standard
// output and standard error, for tests that check an executable from outside.
#ifndef TSM_TESTS_PROCESSRUNNER_H
#define TSM_TESTS_PROCESSRUNNER_H

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace tsmtest {

struct ProcessResult {
    int exitCode = -1;  // -1 when the process did not exit normally
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Runs path with the arguments (argv[0] is path); the environment is this
// process's. A child still running after the time limit is killed.
inline ProcessResult runProcess(const std::string& path, const std::vector<std::string>& arguments,
                                std::chrono::milliseconds limit = std::chrono::seconds(60))
{
    ProcessResult result;
    int outPipe[2];
    int errPipe[2];
    if (::pipe(outPipe) != 0)
        return result;
    if (::pipe(errPipe) != 0) {
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return result;
    }
    std::vector<std::string> words { path };
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        ::close(errPipe[0]);
        ::close(errPipe[1]);
        ::execv(path.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (child < 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        return result;
    }

    // The child's output is read until it exits; a service it launched may
    // hold inherited copies of the pipes, so end of file is not waited for.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    pollfd fds[2] = { { outPipe[0], POLLIN, 0 }, { errPipe[0], POLLIN, 0 } };
    std::string* sinks[2] = { &result.out, &result.err };
    int status = 0;
    bool exited = false;
    for (;;) {
        const int ready = ::poll(fds, 2, exited ? 0 : 20);
        bool readSome = false;
        for (int index = 0; ready > 0 && index < 2; ++index) {
            if (fds[index].fd < 0 || !(fds[index].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            const ssize_t got = ::read(fds[index].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[index]->append(buffer, static_cast<std::size_t>(got));
                readSome = true;
            } else {
                ::close(fds[index].fd);
                fds[index].fd = -1;
            }
        }
        if (exited && !readSome)
            break;
        if (!exited && ::waitpid(child, &status, WNOHANG) == child)
            exited = true;
        if (!exited && std::chrono::steady_clock::now() > deadline) {
            result.timedOut = true;
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            exited = true;
        }
    }
    for (const auto& fd : fds)
        if (fd.fd >= 0)
            ::close(fd.fd);
    if (WIFEXITED(status) && !result.timedOut)
        result.exitCode = WEXITSTATUS(status);
    return result;
}

} // namespace tsmtest

#endif
