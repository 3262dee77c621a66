// Waiting in a test for something another thread or process brings about.
#ifndef TSM_TESTS_EVENTUALLY_H
#define TSM_TESTS_EVENTUALLY_H

#include <chrono>
#include <thread>

namespace tsmtest {

// Whether the condition holds within the limit, asked every 10 ms.
template <class Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace tsmtest

#endif
