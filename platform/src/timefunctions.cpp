// Local time, tick count, Sleep.
#include <windows.h>

#include <ctime>
#include <sys/time.h>
#include <unistd.h>

namespace {

void fill(LPSYSTEMTIME out, const std::tm& parts, long microseconds)
{
    out->wYear = static_cast<WORD>(parts.tm_year + 1900);
    out->wMonth = static_cast<WORD>(parts.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(parts.tm_wday);
    out->wDay = static_cast<WORD>(parts.tm_mday);
    out->wHour = static_cast<WORD>(parts.tm_hour);
    out->wMinute = static_cast<WORD>(parts.tm_min);
    out->wSecond = static_cast<WORD>(parts.tm_sec);
    out->wMilliseconds = static_cast<WORD>(microseconds / 1000);
}

} // namespace

void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime)
{
    timeval now{};
    ::gettimeofday(&now, nullptr);
    std::tm parts{};
    const time_t seconds = now.tv_sec;
    ::localtime_r(&seconds, &parts);
    fill(lpSystemTime, parts, now.tv_usec);
}

ULONGLONG WINAPI GetTickCount64()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<ULONGLONG>(now.tv_sec) * 1000u + static_cast<ULONGLONG>(now.tv_nsec) / 1000000u;
}

void WINAPI Sleep(DWORD dwMilliseconds)
{
    if (dwMilliseconds == INFINITE)
        for (;;)
            ::pause();
    timespec delay{static_cast<time_t>(dwMilliseconds / 1000), static_cast<long>(dwMilliseconds % 1000) * 1000000L};
    while (::nanosleep(&delay, &delay) != 0) {}
}
