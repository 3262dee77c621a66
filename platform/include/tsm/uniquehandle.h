// A move-only owner of one operating-system handle, closed when the owner
// goes, so every handle is closed on every path out of the code that opened
// it. The traits say what the handle is, which value means none and how it
// is closed; POSIX descriptors and directory streams are here, the Win32
// handles of the platform in tsm/win32handles.h.
#ifndef TSM_UNIQUEHANDLE_H
#define TSM_UNIQUEHANDLE_H

#include <dirent.h>
#include <unistd.h>

#include <utility>

namespace tsm {

template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : m_handle(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const noexcept { return m_handle; }
    bool isValid() const noexcept { return Traits::isValid(m_handle); }
    explicit operator bool() const noexcept { return isValid(); }

    [[nodiscard]] Handle release() noexcept { return std::exchange(m_handle, Traits::invalid()); }
    void reset(Handle handle = Traits::invalid()) noexcept
    {
        if (Traits::isValid(m_handle))
            Traits::close(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle = Traits::invalid();
};

struct DescriptorTraits {
    using Handle = int;
    static constexpr int invalid() noexcept { return -1; }
    static bool isValid(int fd) noexcept { return fd >= 0; }
    static void close(int fd) noexcept { ::close(fd); }
};
// A file, socket or pipe descriptor.
using UniqueFd = UniqueHandle<DescriptorTraits>;

struct DirectoryTraits {
    using Handle = DIR*;
    static DIR* invalid() noexcept { return nullptr; }
    static bool isValid(DIR* dir) noexcept { return dir != nullptr; }
    static void close(DIR* dir) noexcept { ::closedir(dir); }
};
// An open directory stream.
using UniqueDir = UniqueHandle<DirectoryTraits>;

} // namespace tsm

#endif
