// The part of this executable's debug log written after a point in a test.
#ifndef TSM_TESTS_LOGTAIL_H
#define TSM_TESTS_LOGTAIL_H

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tsmtest {

class LogTail {
public:
    LogTail() : m_path(std::filesystem::read_symlink("/proc/self/exe").string() + ".log")
    {
        std::error_code error;
        const auto size = std::filesystem::file_size(m_path, error);
        m_start = error ? 0 : size;
    }
    const std::string& path() const { return m_path; }
    std::string appended() const
    {
        std::ifstream in(m_path, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(m_start));
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string m_path;
    std::uintmax_t m_start = 0;
};

}

#endif
