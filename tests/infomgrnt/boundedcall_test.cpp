// Time-limited device calls: workers are reused, a call past its limit is
// given up without holding up the next one.
#include "imxboundedcall.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <future>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(BoundedCall, WorkersAreReusedAndAnOverrunDoesNotBlockTheNextCall)
{
    // Kernel thread ids: unlike library thread ids, not handed out again soon.
    pid_t first = 0, second = 0;
    EXPECT_TRUE(InfoMgr::runWithTimeLimit([&] { first = ::gettid(); }, 1s));
    EXPECT_TRUE(InfoMgr::runWithTimeLimit([&] { second = ::gettid(); }, 1s));
    EXPECT_EQ(first, second);
    EXPECT_NE(first, ::gettid());

    // A call that never answers in time: given up after its limit, while the
    // next call gets a worker of its own and the overrun ends on its own.
    auto release = std::make_shared<std::promise<void>>();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(InfoMgr::runWithTimeLimit(
        [wait = release->get_future().share(), finished] { wait.wait(); *finished = true; }, 1s));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 1s);
    pid_t third = 0;
    EXPECT_TRUE(InfoMgr::runWithTimeLimit([&] { third = ::gettid(); }, 1s));
    EXPECT_NE(third, first);
    release->set_value();
    for (int i = 0; i < 200 && !*finished; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(*finished);
}

}
