// Replacing a file whole through a temporary file and a rename.
#include "atomicfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace tsmtool {
namespace {

// The temporary file: closed, and removed unless it was renamed.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& pattern) : m_name(pattern.begin(), pattern.end())
    {
        m_name.push_back('\0');
        m_fd = ::mkstemp(m_name.data());
    }
    ~TemporaryFile()
    {
        close();
        if (m_fd >= 0 && !m_bRenamed)
            ::unlink(m_name.data());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    bool write(const std::string& text)
    {
        for (std::size_t done = 0; done < text.size();) {
            const ssize_t written = ::write(m_fd, text.data() + done, text.size() - done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            done += static_cast<std::size_t>(written);
        }
        return ::fchmod(m_fd, 0644) == 0 && ::fsync(m_fd) == 0;
    }
    bool close()
    {
        if (m_bClosed || m_fd < 0)
            return true;
        m_bClosed = true;
        return ::close(m_fd) == 0;
    }
    bool renameTo(const std::string& path)
    {
        m_bRenamed = ::rename(m_name.data(), path.c_str()) == 0;
        return m_bRenamed;
    }

private:
    std::vector<char> m_name;
    int m_fd = -1;
    bool m_bClosed = false;
    bool m_bRenamed = false;
};

}

bool writeFileAtomically(const std::string& path, const std::string& text, std::string& error)
{
    const std::filesystem::path target(path);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    TemporaryFile file((folder / ("." + target.filename().string() + ".XXXXXX")).string());
    const bool bOk = file.isOpen() && file.write(text) && file.close() && file.renameTo(path);
    if (!bOk)
        error = "cannot write " + path + ": " + std::strerror(errno);
    return bOk;
}

}
