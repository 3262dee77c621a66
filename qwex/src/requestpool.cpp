// Request threads.
#include "requestpool.h"

namespace qwex {

RequestPool::RequestPool(size_t maxThreads) : m_maxThreads(maxThreads) {}

RequestPool::~RequestPool() { close(); }

void RequestPool::setStackSize(size_t bytes)
{
    const std::lock_guard lock(m_mutex);
    m_stackSize = bytes;
}

bool RequestPool::submit(std::function<void()> job)
{
    std::unique_lock lock(m_mutex);
    if (m_closed)
        return false;
    m_jobs.push_back(std::move(job));
    if (m_idle >= m_jobs.size() || m_threads.size() >= m_maxThreads) {
        m_wake.notify_one();
        return true;
    }
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (m_stackSize != 0)
        pthread_attr_setstacksize(&attributes, m_stackSize);
    pthread_t thread;
    const int started = pthread_create(&thread, &attributes, &RequestPool::threadMain, this);
    pthread_attr_destroy(&attributes);
    if (started == 0)
        m_threads.push_back(thread);
    else if (m_threads.empty()) {
        // No thread can ever take the job: give it back.
        m_jobs.pop_back();
        return false;
    }
    return true;
}

void RequestPool::close()
{
    std::vector<pthread_t> threads;
    {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
        threads.swap(m_threads);
        m_wake.notify_all();
    }
    for (pthread_t thread : threads)
        pthread_join(thread, nullptr);
}

void* RequestPool::threadMain(void* pool)
{
    static_cast<RequestPool*>(pool)->work();
    return nullptr;
}

void RequestPool::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        ++m_idle;
        m_wake.wait(lock, [this] { return m_closed || !m_jobs.empty(); });
        --m_idle;
        if (m_jobs.empty())
            return; // closed and nothing left to run
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        job();
        lock.lock();
    }
}

} // namespace qwex
