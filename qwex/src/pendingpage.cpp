// Pending extension requests and their deadlines.
#include "pendingpage.h"

#include <poll.h>

namespace qwex {

bool PendingPage::answerOnce(const std::function<void(Connection&)>& fill)
{
    const std::lock_guard lock(m_mutex);
    if (!m_request)
        return false;
    fill(*m_request);
    m_request = nullptr;
    MHD_resume_connection(m_connection);
    return true;
}

bool PendingPage::isWanted(const std::function<void(Connection&)>& gone)
{
    const std::lock_guard lock(m_mutex);
    if (!m_request)
        return false;
    if (!isClientGone())
        return true;
    gone(*m_request);
    m_request = nullptr;
    MHD_resume_connection(m_connection);
    return false;
}

bool PendingPage::isClientGone() const
{
    // A suspended connection is not polled by the server; its socket still
    // tells whether the client hung up. Data waiting (a pipelined request, a
    // TLS alert) alone does not count.
    const MHD_ConnectionInfo* info = MHD_get_connection_info(m_connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    if (!info)
        return false;
    pollfd socket{info->connect_fd, POLLRDHUP, 0};
    return ::poll(&socket, 1, 0) > 0 && (socket.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

void DeadlineWatch::watch(std::shared_ptr<PendingPage> page, Clock::time_point deadline)
{
    const std::lock_guard lock(m_mutex);
    if (m_stopping)
        return;
    if (!m_thread.joinable())
        m_thread = std::thread(&DeadlineWatch::run, this);
    m_pages.emplace_back(deadline, std::move(page));
    m_changed.notify_one();
}

void DeadlineWatch::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_changed.notify_one();
    }
    if (m_thread.joinable())
        m_thread.join();
    m_pages.clear();
}

void DeadlineWatch::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_pages.empty()) {
            m_changed.wait(lock);
            continue;
        }
        const Clock::time_point next = m_pages.front().first;
        if (Clock::now() < next) {
            m_changed.wait_until(lock, next);
            continue;
        }
        std::shared_ptr<PendingPage> page = std::move(m_pages.front().second);
        m_pages.pop_front();
        lock.unlock();
        m_expire(*page);
        page.reset();
        lock.lock();
    }
}

} // namespace qwex
