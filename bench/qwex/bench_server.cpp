// Runs the management HTTP server of $TSM_MACHINE until SIGINT or SIGTERM.
#include <ZyrQWEX.h>

#include <csignal>
#include <cstdio>
#include <cstring>

int main()
{
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    QWEX_STARTUP_INFO startup{};
    QWEXPutLE32(startup.cbSize, QWEX_STARTUP_INFO_SIZE);
    QWEXPutLE32(startup.dwFormat, 2);
    std::strcpy(startup.szProductInfo, "MarketingName:Benchmark");
    QWEX_HANDLE server = nullptr;
    QWEXStartupHTTPServer(&startup, &server);
    if (!server) {
        std::fprintf(stderr, "the server did not start (see server.log in its directory)\n");
        return 1;
    }
    std::printf("serving\n");
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stop, &signal);
    QWEXShutdownHTTPServer(server);
    return 0;
}
