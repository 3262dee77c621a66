// Request threads.
#include "requestpool.h"

#include <memory>

namespace qwex {
namespace {

struct UrgentJob {
    RequestPool* pool;
    std::function<void()> job;
};

} // namespace

RequestPool::RequestPool(size_t maxThreads, size_t maxQueued) : m_maxThreads(maxThreads), m_maxQueued(maxQueued)
{
}

RequestPool::~RequestPool()
{
    close();
}

void RequestPool::setStackSize(size_t bytes)
{
    const std::lock_guard lock(m_mutex);
    m_stackSize = bytes;
}

bool RequestPool::startThread(void* (*main)(void*), void* argument, bool detached)
{
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (m_stackSize != 0)
        pthread_attr_setstacksize(&attributes, m_stackSize);
    if (detached)
        pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    const int started = pthread_create(&thread, &attributes, main, argument);
    pthread_attr_destroy(&attributes);
    if (started == 0 && !detached)
        m_threads.push_back(thread);
    return started == 0;
}

RequestPool::Submitted RequestPool::submit(std::function<void()> job)
{
    const std::lock_guard lock(m_mutex);
    if (m_closed)
        return Submitted::eCLOSED;
    if (m_jobs.size() >= m_idle + m_maxQueued)
        return Submitted::eFULL;
    m_jobs.push_back(std::move(job));
    if (m_idle >= m_jobs.size() || m_threads.size() >= m_maxThreads) {
        m_wake.notify_one();
        return Submitted::eQUEUED;
    }
    if (!startThread(&RequestPool::threadMain, this, false) && m_threads.empty()) {
        // No thread can ever take the job: give it back.
        m_jobs.pop_back();
        return Submitted::eCLOSED;
    }
    return Submitted::eQUEUED;
}

RequestPool::Submitted RequestPool::submitUrgent(std::function<void()> job)
{
    const std::lock_guard lock(m_mutex);
    if (m_closed)
        return Submitted::eCLOSED;
    if (m_idle <= m_jobs.size() && m_urgentRunning < m_maxThreads) {
        auto urgent = std::make_unique<UrgentJob>(UrgentJob{this, std::move(job)});
        if (startThread(&RequestPool::urgentMain, urgent.get(), true)) {
            [[maybe_unused]] UrgentJob* running = urgent.release(); // the thread owns it
            ++m_urgentRunning;
            return Submitted::eQUEUED;
        }
        job = std::move(urgent->job);
    }
    if (m_threads.empty() && !startThread(&RequestPool::threadMain, this, false))
        return Submitted::eCLOSED;
    m_jobs.push_front(std::move(job));
    m_wake.notify_one();
    return Submitted::eQUEUED;
}

void RequestPool::close()
{
    std::vector<pthread_t> threads;
    {
        std::unique_lock lock(m_mutex);
        m_closed = true;
        threads.swap(m_threads);
        m_wake.notify_all();
        m_urgentDone.wait(lock, [this] { return m_urgentRunning == 0; });
    }
    for (pthread_t thread : threads)
        pthread_join(thread, nullptr);
}

void* RequestPool::threadMain(void* pool)
{
    static_cast<RequestPool*>(pool)->work();
    return nullptr;
}

void* RequestPool::urgentMain(void* job)
{
    std::unique_ptr<UrgentJob> urgent(static_cast<UrgentJob*>(job));
    RequestPool* pool = urgent->pool;
    urgent->job();
    // What the job holds goes before close() may return.
    urgent.reset();
    pool->urgentEnded();
    return nullptr;
}

void RequestPool::urgentEnded()
{
    const std::lock_guard lock(m_mutex);
    --m_urgentRunning;
    // Notified under the lock: close() may end the pool right after.
    m_urgentDone.notify_all();
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
