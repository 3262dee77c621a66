// The request threads that run extension requests, with a chosen stack size.
#ifndef QWEX_REQUESTPOOL_H
#define QWEX_REQUESTPOOL_H

#include <pthread.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace qwex {

class RequestPool {
public:
    enum class Submitted { eQUEUED, eFULL, eCLOSED };

    // At most maxThreads threads take queued jobs; at most maxQueued jobs wait
    // for one. Up to maxThreads more threads run urgent jobs, one each.
    RequestPool(size_t maxThreads, size_t maxQueued);
    ~RequestPool();
    RequestPool(const RequestPool&) = delete;
    RequestPool& operator=(const RequestPool&) = delete;

    // Stack size in bytes of the threads started from now on (0: the default).
    void setStackSize(size_t bytes);

    // Queues a job; a thread is started for it while fewer than maxThreads run.
    Submitted submit(std::function<void()> job);

    // A job that a running job waits for (a page asking the same server for
    // another application's page): it must not wait behind the jobs that wait
    // for it. It runs on an idle thread, or on a thread of its own while the
    // reserve lasts, or else first in the queue.
    Submitted submitUrgent(std::function<void()> job);

    // Refuses new jobs, waits until every queued and running job has ended,
    // and joins the threads.
    void close();

private:
    static void* threadMain(void* pool);
    static void* urgentMain(void* job);
    bool startThread(void* (*main)(void*), void* argument, bool detached);
    void work();
    void urgentEnded();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_urgentDone;
    std::deque<std::function<void()>> m_jobs;
    std::vector<pthread_t> m_threads;
    size_t m_maxThreads;
    size_t m_maxQueued;
    size_t m_idle = 0;
    size_t m_urgentRunning = 0;
    size_t m_stackSize = 0;
    bool m_closed = false;
};

} // namespace qwex

#endif
