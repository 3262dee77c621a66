// The local (unix) sockets between the service control manager's callers and
// a service process: one request line and one reply line per connection,
// read with a deadline and a length limit, so a stuck or dead peer costs a
// timeout, never a hang.
#ifndef TSM_PLATFORM_SCM_CHANNEL_H
#define TSM_PLATFORM_SCM_CHANNEL_H

#include <chrono>
#include <string>

namespace tsm::platform {

// An owned socket descriptor.
class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) : m_iFd(fd) {}
    Socket(Socket&& other) noexcept : m_iFd(other.release()) {}
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket() { reset(); }

    int get() const { return m_iFd; }
    explicit operator bool() const { return m_iFd >= 0; }
    [[nodiscard]] int release()
    {
        const int fd = m_iFd;
        m_iFd = -1;
        return fd;
    }
    void reset();

private:
    int m_iFd = -1;
};

enum class ConnectResult { eCONNECTED, eNO_LISTENER, eREFUSED, eFAILED };

// Connects to the socket at path; eNO_LISTENER when no socket file exists,
// eREFUSED when the file is there but nobody listens (its process died).
ConnectResult connectTo(const std::string& path, Socket& socket);

// Binds and listens at path, replacing a stale socket file.
bool listenAt(const std::string& path, Socket& socket);

// Accepts a connection if one arrives within the wait (milliseconds).
Socket acceptWithin(const Socket& listener, int milliseconds);

bool sendLine(const Socket& socket, const std::string& line);

// Reads up to and without the line feed; false on timeout, end of stream, an
// error or a line longer than the limit.
bool readLine(const Socket& socket, std::string& line, std::chrono::milliseconds limit, std::size_t maxLength = 512);

} // namespace tsm::platform

#endif
