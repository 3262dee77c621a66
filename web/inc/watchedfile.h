// What is made of a file, made again only when the file changes: the page
// stylesheet compiled, the configured peers read. A change is a different
// host path, device, inode, size or modification time.
#ifndef TSM_WEB_WATCHEDFILE_H
#define TSM_WEB_WATCHEDFILE_H

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace Web {

struct FileStamp {
    std::string hostPath; // "" when the path names no file
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    bool operator==(const FileStamp& other) const;
};

// The stamp of the file a DOS path (relative to the current directory or
// absolute) names now.
FileStamp stampOf(const std::string& dosPath);

template <typename T>
class WatchedFile {
public:
    // What make made of the file, and which making it was (from 1 up).
    struct Made {
        std::shared_ptr<const T> value;
        uint64_t version = 0;
    };
    // make reads the file at a host path; what it returns is shared by every
    // caller until the file changes.
    WatchedFile(std::string dosPath, std::function<T(const std::string& hostPath)> make)
        : m_strPath(std::move(dosPath)), m_make(std::move(make))
    {
    }

    // What was made of the file as it is now; nothing (version 0) when the
    // path names no file.
    Made current()
    {
        FileStamp stamp = stampOf(m_strPath);
        if (stamp.hostPath.empty())
            return Made();
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_made.value || !(m_stamp == stamp)) {
            m_made.value = std::make_shared<const T>(m_make(stamp.hostPath));
            m_made.version = ++m_nMade;
            m_stamp = std::move(stamp);
        }
        return m_made;
    }

private:
    const std::string m_strPath;
    const std::function<T(const std::string& hostPath)> m_make;
    std::mutex m_mutex;
    FileStamp m_stamp;
    Made m_made;
    uint64_t m_nMade = 0;
};

}

#endif
