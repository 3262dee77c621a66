// A fresh emulated machine for one test: a temporary root folder named by
// TSM_MACHINE for the life of the object, removed afterwards.
#ifndef TSM_TESTS_TEMPMACHINE_H
#define TSM_TESTS_TEMPMACHINE_H

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace tsmtest {

// Whole text of a file ("" if missing).
inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class TempMachine {
public:
    TempMachine()
    {
        char pattern[] = "/tmp/tsm-machine-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (!made)
            throw std::runtime_error("cannot create a temporary machine");
        m_root = made;
        std::filesystem::create_directories(m_root + "/drive_c");
        const char* previous = std::getenv("TSM_MACHINE");
        m_hadPrevious = previous != nullptr;
        if (previous)
            m_previous = previous;
        ::setenv("TSM_MACHINE", m_root.c_str(), 1);
    }
    // A machine whose description is a copy of that host file.
    explicit TempMachine(const std::string& descriptionPath) : TempMachine() { useDescription(descriptionPath); }
    ~TempMachine()
    {
        if (m_hadPrevious)
            ::setenv("TSM_MACHINE", m_previous.c_str(), 1);
        else
            ::unsetenv("TSM_MACHINE");
        std::error_code ignored;
        if (!std::getenv("TSM_KEEP_MACHINE"))
            std::filesystem::remove_all(m_root, ignored);
    }
    TempMachine(const TempMachine&) = delete;
    TempMachine& operator=(const TempMachine&) = delete;

    const std::string& root() const { return m_root; }
    std::string driveC() const { return m_root + "/drive_c"; }

    // Puts a machine description in place (as `tsm-machine use` does).
    void useDescription(const std::string& hostPath) const
    {
        std::filesystem::copy_file(hostPath, m_root + "/machine.xml",
                                   std::filesystem::copy_options::overwrite_existing);
    }
    // Replaces the description in one step, so a service reading it at the
    // same moment sees the old or the new machine, never half of one.
    void writeDescription(const std::string& xml) const
    {
        const std::string next = m_root + "/machine.xml.next";
        std::ofstream(next) << xml;
        std::filesystem::rename(next, m_root + "/machine.xml");
    }

    // Whole text of a file of the machine ("" if missing).
    std::string read(const std::string& relative) const { return readFile(m_root + "/" + relative); }

private:
    std::string m_root;
    std::string m_previous;
    bool m_hadPrevious = false;
};

} // namespace tsmtest

#endif
