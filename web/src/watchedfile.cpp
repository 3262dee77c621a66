// File stamps of watched files.
#include "watchedfile.h"

#include "tsm/machine.h"

namespace Web {

bool FileStamp::operator==(const FileStamp& other) const
{
    return hostPath == other.hostPath && device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

FileStamp stampOf(const std::string& dosPath)
{
    FileStamp stamp;
    stamp.hostPath = tsm::dosToHost(dosPath);
    struct stat info {};
    if (stamp.hostPath.empty() || ::stat(stamp.hostPath.c_str(), &info) != 0) {
        stamp.hostPath.clear();
        return stamp;
    }
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modified = info.st_mtim;
    return stamp;
}

}
