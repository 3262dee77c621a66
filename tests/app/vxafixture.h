// A temporary machine with the agent executable installed at
// C:\Tarvion\bin\vxa, and helpers to run it and read what it leaves behind.
#ifndef TSM_TESTS_VXAFIXTURE_H
#define TSM_TESTS_VXAFIXTURE_H

#include "eventually.h"
#include "processrunner.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace tsmtest {

// One trace line, "[<service name>](<thread id>): <message>", in its parts.
struct TraceLine {
    std::string thread;
    std::string message;
};

// Splits a trace line of the agent's service; false if it has another shape.
inline bool parseTraceLine(const std::string& line, TraceLine& parsed)
{
    const std::string head = "[Tarvion Storage Manager](";
    const auto close = line.find("): ", head.size());
    if (line.rfind(head, 0) != 0 || close == std::string::npos || close == head.size())
        return false;
    parsed = {line.substr(head.size(), close - head.size()), line.substr(close + 3)};
    return parsed.thread.find_first_not_of("0123456789") == std::string::npos;
}

class VxaMachine : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(m_machine.driveC() + "/Tarvion/bin");
        std::filesystem::copy_file(TSM_VXA_EXECUTABLE, agentHostPath());
        // The agent's web server listens nowhere, so that these tests never
        // hold the loopback ports another test or a running agent needs; its
        // pages folder exists, empty.
        std::filesystem::create_directories(m_machine.driveC() + "/Tarvion/html");
        std::filesystem::create_directories(m_machine.driveC() + "/qwex");
        std::ofstream(m_machine.driveC() + "/qwex/qwex.conf") << "http_port = 0\nhttps_port = 0\n";
    }

    std::string agentHostPath() const { return m_machine.driveC() + "/Tarvion/bin/vxa"; }
    static std::string agentDosPath() { return "C:\\Tarvion\\bin\\vxa"; }

    ProcessResult vxa(const std::vector<std::string>& arguments) const
    {
        return runProcess(agentHostPath(), arguments, std::chrono::seconds(90));
    }

    // Lines written to the debugger output so far.
    std::vector<std::string> traceLines() const
    {
        std::vector<std::string> result;
        std::istringstream in(m_machine.read("debug-output.log"));
        for (std::string line; std::getline(in, line);)
            result.push_back(line);
        return result;
    }

    TempMachine m_machine;
};

} // namespace tsmtest

#endif
