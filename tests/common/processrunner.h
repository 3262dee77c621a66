// Runs a program as a child process and collects its exit code, standard
// output and standard error, for tests that check an executable from outside.
#ifndef TSM_TESTS_PROCESSRUNNER_H
#define TSM_TESTS_PROCESSRUNNER_H

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace tsmtest {

struct ProcessResult {
    int exitCode = -1; // -1 when the process did not exit normally or was killed
    std::string out;
    std::string err;
};

// Runs path with the arguments (argv[0] is path); the environment is this
// process's. A child still running after the time limit is killed. Output
// goes to temporary files, not pipes: a service the child launched may hold
// inherited copies of them, so only the child's exit is waited for.
inline ProcessResult runProcess(const std::string& path, const std::vector<std::string>& arguments,
                                std::chrono::milliseconds limit = std::chrono::seconds(60))
{
    ProcessResult result;
    std::FILE* const files[2] = {std::tmpfile(), std::tmpfile()};
    std::vector<std::string> words{path};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const pid_t child = files[0] != nullptr && files[1] != nullptr ? ::fork() : -1;
    if (child == 0) {
        ::dup2(::fileno(files[0]), 1);
        ::dup2(::fileno(files[1]), 2);
        ::execv(path.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (child > 0 && ::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::string* const sinks[2] = {&result.out, &result.err};
    for (int index = 0; index < 2; ++index) {
        if (files[index] == nullptr)
            continue;
        std::rewind(files[index]);
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, files[index])) > 0;)
            sinks[index]->append(buffer, got);
        std::fclose(files[index]);
    }
    if (child > 0 && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

} // namespace tsmtest

#endif
