// An extension request between its dispatch and its answer: answered once,
// either by its request thread or, when it overruns its deadline, by the
// deadline watch; the loser of that race leaves the connection alone.
#ifndef QWEX_PENDINGPAGE_H
#define QWEX_PENDINGPAGE_H

#include <microhttpd.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace qwex {

struct Connection;

class PendingPage {
public:
    PendingPage(MHD_Connection* connection, Connection& request) : m_connection(connection), m_request(&request) {}

    // Unless the page was answered already: lets fill put the answer into the
    // request, resumes the connection and returns true.
    bool answerOnce(const std::function<void(Connection&)>& fill);
    // Whether the request is still worth running: false once answered, and
    // false after answering it with gone when the client has hung up.
    bool isWanted(const std::function<void(Connection&)>& gone);

private:
    bool isClientGone() const;

    std::mutex m_mutex;
    MHD_Connection* const m_connection;
    Connection* m_request; // null once answered: the connection may be gone
};

// One thread that answers the pages still pending at their deadline.
class DeadlineWatch {
public:
    using Clock = std::chrono::steady_clock;

    explicit DeadlineWatch(std::function<void(PendingPage&)> expire) : m_expire(std::move(expire)) {}
    ~DeadlineWatch() { stop(); }
    DeadlineWatch(const DeadlineWatch&) = delete;
    DeadlineWatch& operator=(const DeadlineWatch&) = delete;

    // Deadlines must come in ascending order (a fixed time after dispatch).
    void watch(std::shared_ptr<PendingPage> page, Clock::time_point deadline);
    void stop();

private:
    void run();

    std::function<void(PendingPage&)> m_expire;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::pair<Clock::time_point, std::shared_ptr<PendingPage>>> m_pages;
    std::thread m_thread;
    bool m_stopping = false;
};

} // namespace qwex

#endif
