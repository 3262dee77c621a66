// Unix socket plumbing of the service control manager.
#include "scm_channel.h"

#include "machinefiles.h"

#include "tsm/posixcalls.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

namespace tsm::platform {

namespace {

bool makeAddress(const std::string& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

} // namespace

ConnectResult connectTo(const std::string& path, Socket& socket)
{
    sockaddr_un address;
    if (!makeAddress(path, address))
        return ConnectResult::eFAILED;
    Socket made(posixCalls().socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!made)
        return ConnectResult::eFAILED;
    int result = -1;
    do {
        result = posixCalls().connect(made.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        if (errno == ENOENT)
            return ConnectResult::eNO_LISTENER;
        if (errno == ECONNREFUSED)
            return ConnectResult::eREFUSED;
        return ConnectResult::eFAILED;
    }
    socket = std::move(made);
    return ConnectResult::eCONNECTED;
}

bool listenAt(const std::string& path, Socket& socket)
{
    sockaddr_un address;
    if (!makeAddress(path, address))
        return false;
    Socket made(posixCalls().socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!made)
        return false;
    ::unlink(path.c_str());
    if (posixCalls().bind(made.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(made.get(), 16) != 0)
        return false;
    socket = std::move(made);
    return true;
}

Socket acceptWithin(const Socket& listener, int milliseconds)
{
    pollfd ready{listener.get(), POLLIN, 0};
    if (::poll(&ready, 1, milliseconds) <= 0 || !(ready.revents & POLLIN))
        return Socket();
    return Socket(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
}

bool sendLine(const Socket& socket, const std::string& line)
{
    const std::string text = line + "\n";
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t sent = ::send(socket.get(), text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

bool readLine(const Socket& socket, std::string& line, std::chrono::milliseconds limit, std::size_t maxLength)
{
    line.clear();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd ready{socket.get(), POLLIN, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            return false;
        char buffer[256];
        const ssize_t got = ::recv(socket.get(), buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        for (ssize_t index = 0; index < got; ++index) {
            if (buffer[index] == '\n')
                return true; // one request per connection: the rest is ignored
            line += buffer[index];
            if (line.size() > maxLength)
                return false;
        }
    }
}

std::string encodeStatusReply(const SERVICE_STATUS& status, DWORD error)
{
    std::ostringstream line;
    if (error == ERROR_SUCCESS)
        line << "STATUS ";
    else
        line << "ERROR " << error << ' ';
    line << status.dwServiceType << ' ' << status.dwCurrentState << ' ' << status.dwControlsAccepted << ' '
         << status.dwWin32ExitCode << ' ' << status.dwServiceSpecificExitCode << ' ' << status.dwCheckPoint << ' '
         << status.dwWaitHint;
    return line.str();
}

bool decodeStatusReply(const std::string& line, SERVICE_STATUS& status, DWORD& error)
{
    std::istringstream in(line);
    std::string word;
    DWORD code = ERROR_SUCCESS;
    if (!(in >> word) || (word != "STATUS" && word != "ERROR"))
        return false;
    const auto readDword = [&in, &word](DWORD& value) {
        unsigned long long number = 0;
        if (!(in >> word) || !parseDecimal(word, 0xFFFFFFFFull, number))
            return false;
        value = static_cast<DWORD>(number);
        return true;
    };
    if (word == "ERROR" && (!readDword(code) || code == ERROR_SUCCESS))
        return false;
    DWORD values[7] = {};
    for (DWORD& value : values)
        if (!readDword(value))
            return false;
    if (in >> word)
        return false;
    if (values[1] < SERVICE_STOPPED || values[1] > SERVICE_PAUSED)
        return false;
    status = {values[0], values[1], values[2], values[3], values[4], values[5], values[6]};
    error = code;
    return true;
}

} // namespace tsm::platform
