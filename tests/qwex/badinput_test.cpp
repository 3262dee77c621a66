// Hostile requests: path traversal, over-long lines, unknown methods, big
// bodies and clients that send slowly.
#include "qwexfixture.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using tsmtest::answerOk;
using tsmtest::getRequest;
using tsmtest::QwexMachine;
using tsmtest::rawStatusLine;
using tsmtest::writeFile;

// A page, a peer file, and links out of both web roots.
void prepare(const QwexMachine& machine)
{
    writeFile(machine.pageFolder() + "/page.htm", "page");
    writeFile(machine.serverFolder() + "/webapps/peer/doc.xml", "<doc/>");
    std::filesystem::create_symlink(machine.serverFolder(), machine.serverFolder() + "/webapps/peer/link");
    std::filesystem::create_symlink(machine.serverFolder() + "/server.key", machine.pageFolder() + "/key.htm");
}

TEST(QwexBadInput, NeverLeavesAWebRootAndRefusesMalformedRequests)
{
    const QwexMachine machine("max_body_bytes = 1000\n");
    prepare(machine);
    const tsmtest::QwexServer server(&answerOk);
    const std::string bigBody(5000, 'b');
    // The request; the status line of the answer, after "HTTP/1.1 ".
    const std::pair<std::string, const char*> cases[] = {
        {getRequest("/peer/doc.xml"), "200 OK"},
        {getRequest("/VXA/page.htm"), "200 OK"},
        {getRequest("/peer/../qwex/server.key"), "403 Forbidden"},
        {getRequest("/VXA/../../qwex/server.key"), "403 Forbidden"},
        {getRequest("/peer/%2e%2e/%2E%2E/server.key"), "403 Forbidden"},
        {getRequest("/peer/..%2f..%2fserver.key"), "403 Forbidden"},
        {getRequest("/peer/%2e%2e%5cserver.key"), "403 Forbidden"},
        {getRequest("/peer/..\\..\\server.key"), "403 Forbidden"},
        {getRequest("/peer/C:/qwex/server.key"), "403 Forbidden"},
        {getRequest("/peer//etc/passwd"), "404 Not Found"},
        {getRequest("/peer/link/server.key"), "403 Forbidden"},
        {getRequest("/VXA/key.htm"), "403 Forbidden"},
        {getRequest("/peer/doc.xml%00.htm"), "400 Bad Request"},
        {getRequest("/peer/" + std::string(1100, 'a')), "414 URI Too Long"},
        {getRequest("/peer/" + std::string(300, 'a')), "414 URI Too Long"},
        {getRequest("/peer/" + std::string(40000, 'a')), "414 URI Too Long"},
        {getRequest("/peer/doc.xml", "127.0.0.1", "X-Long: " + std::string(40000, 'h') + "\r\n"),
         "431 Request Header Fields Too Large"},
        {"BREW /peer/doc.xml HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", "501 Not Implemented"},
        {"DELETE /peer/doc.xml HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", "405 Method Not Allowed"},
        {"POST /peer/doc.xml HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 2\r\n\r\nab", "405 Method Not Allowed"},
        {"POST /VXA/page.htm HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 5000\r\n\r\n" + bigBody,
         "413 Content Too Large"},
        {"GET /peer/doc.xml HTTP/1.1\r\nHost: 127.0.0.1\r\nHost: y\r\nContent-Length: -1\r\n\r\n", "400 Bad Request"},
    };
    for (const auto& [request, pszStatus] : cases) {
        SCOPED_TRACE(request.substr(0, 80));
        EXPECT_EQ(rawStatusLine(machine.httpPort(), request), std::string("HTTP/1.1 ") + pszStatus);
    }
}

TEST(QwexBadInput, CutsOffAClientThatSendsSlowly)
{
    const QwexMachine machine("connection_timeout_s = 1\n");
    prepare(machine);
    const tsmtest::QwexServer server(&answerOk);
    const int fd = tsmtest::connectTo(machine.httpPort());
    ASSERT_GE(fd, 0);
    const char partial[] = "GET /VXA/page.htm HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    ASSERT_EQ(::send(fd, partial, sizeof partial - 1, 0), static_cast<ssize_t>(sizeof partial - 1));
    timeval limit{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    const auto started = std::chrono::steady_clock::now();
    char byte;
    // While it waits, the extension still answers others.
    EXPECT_EQ(rawStatusLine(machine.httpPort(), getRequest("/VXA/page.htm")), "HTTP/1.1 200 OK");
    EXPECT_EQ(::recv(fd, &byte, 1, 0), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    ::close(fd);
}

} // namespace
