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
    explicit RequestPool(size_t maxThreads);
    ~RequestPool();
    RequestPool(const RequestPool&) = delete;
    RequestPool& operator=(const RequestPool&) = delete;

    // Stack size in bytes of the threads started from now on (0: the default).
    void setStackSize(size_t bytes);

    // Queues a job; a thread is started for it while fewer than maxThreads run.
    // False once the pool is closed.
    bool submit(std::function<void()> job);

    // Refuses new jobs, waits until every queued and running job has ended,
    // and joins the threads.
    void close();

private:
    static void* threadMain(void* pool);
    void work();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    std::vector<pthread_t> m_threads;
    size_t m_maxThreads;
    size_t m_idle = 0;
    size_t m_stackSize = 0;
    bool m_closed = false;
};

} // namespace qwex

#endif
