// The owners of descriptors and Win32 handles: each handle is closed once, by
// its last owner, and closing leaves the caller's last error alone.
#include <gtest/gtest.h>

#include <tsm/uniquehandle.h>
#include <tsm/win32handles.h>
#include <windows.h>

#include <fcntl.h>
#include <unistd.h>

#include <utility>

namespace {

bool isOpen(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

} // namespace

TEST(Handles, TheLastOwnerClosesOnceAndClosingKeepsTheLastError)
{
    int ends[2] = {-1, -1};
    ASSERT_EQ(::pipe(ends), 0);
    {
        tsm::UniqueFd first(ends[0]);
        tsm::UniqueFd second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(second.get(), ends[0]);

        tsm::UniqueFd writer(ends[1]);
        const int released = writer.release();
        EXPECT_FALSE(writer);
        writer.reset(); // owns nothing: closes nothing
        EXPECT_TRUE(isOpen(released));
        writer.reset(released);

        second = std::move(writer); // the read end goes, the write end moves
        EXPECT_FALSE(isOpen(ends[0]));
        EXPECT_TRUE(isOpen(ends[1]));
    }
    EXPECT_FALSE(isOpen(ends[1]));

    const tsm::UniqueDir none(::opendir("/a folder that is not there"));
    EXPECT_FALSE(none);

    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    {
        const tsm::UniqueKernelHandle owner(event);
    }
    EXPECT_FALSE(CloseHandle(event)); // already closed by its owner

    // Even a close that fails leaves the error of the failed step.
    {
        const tsm::UniqueKernelHandle stale(event);
        SetLastError(ERROR_FILE_NOT_FOUND);
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}
