// A stack of idle workers: a call takes the most recently idle one or starts
// a new one; a worker idle for a while ends.
#include "imxboundedcall.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace InfoMgr {
namespace {

constexpr std::chrono::seconds kIdleLimit(30);

struct Call {
    std::function<void()> work;
    std::mutex mutex;
    std::condition_variable done;
    bool bFinished = false;
};

struct Worker {
    std::mutex mutex;
    std::condition_variable wake;
    std::shared_ptr<Call> next;
};

// Shared by the workers and the callers; the workers keep it alive, so an
// abandoned call may outlive everything else.
struct Workers {
    std::mutex mutex;
    std::vector<std::shared_ptr<Worker>> idle;
};

std::shared_ptr<Workers> workers()
{
    static const std::shared_ptr<Workers> s_pWorkers = std::make_shared<Workers>();
    return s_pWorkers;
}

void finish(Call& call)
{
    const std::lock_guard<std::mutex> lock(call.mutex);
    call.bFinished = true;
    call.done.notify_all();
}

// Waits for the next call handed to `self`; false when none came within the
// idle limit and `self` left the idle stack.
bool awaitCall(Workers& pool, Worker& self, const std::shared_ptr<Worker>& pSelf, std::shared_ptr<Call>& call)
{
    std::unique_lock<std::mutex> lock(self.mutex);
    if (self.wake.wait_for(lock, kIdleLimit, [&] { return self.next != nullptr; })) {
        call = std::move(self.next);
        return true;
    }
    lock.unlock();
    {
        const std::lock_guard<std::mutex> poolLock(pool.mutex);
        const auto found = std::find(pool.idle.begin(), pool.idle.end(), pSelf);
        if (found != pool.idle.end()) {
            pool.idle.erase(found);
            return false;
        }
    }
    // A caller took this worker off the stack just now: its call is coming.
    lock.lock();
    self.wake.wait(lock, [&] { return self.next != nullptr; });
    call = std::move(self.next);
    return true;
}

void workerMain(std::shared_ptr<Workers> pPool, std::shared_ptr<Worker> pSelf, std::shared_ptr<Call> call)
{
    do {
        call->work();
        call->work = nullptr;
        {
            // Back on the stack before the caller hears of the result, so
            // the caller's next call finds this worker idle.
            const std::lock_guard<std::mutex> lock(pPool->mutex);
            pPool->idle.push_back(pSelf);
        }
        finish(*call);
        call.reset();
    } while (awaitCall(*pPool, *pSelf, pSelf, call));
}

}

bool runWithTimeLimit(std::function<void()> work, std::chrono::seconds limit)
{
    auto call = std::make_shared<Call>();
    call->work = std::move(work);
    const std::shared_ptr<Workers> pPool = workers();
    std::shared_ptr<Worker> pWorker;
    {
        const std::lock_guard<std::mutex> lock(pPool->mutex);
        if (!pPool->idle.empty()) {
            pWorker = std::move(pPool->idle.back());
            pPool->idle.pop_back();
        }
    }
    if (pWorker) {
        const std::lock_guard<std::mutex> lock(pWorker->mutex);
        pWorker->next = call;
        pWorker->wake.notify_one();
    } else {
        std::thread(workerMain, pPool, std::make_shared<Worker>(), call).detach();
    }
    std::unique_lock<std::mutex> lock(call->mutex);
    return call->done.wait_for(lock, limit, [&] { return call->bFinished; });
}

}
