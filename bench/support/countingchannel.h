// A device channel for benchmarks: counts the opens and I/O calls on their
// way to the channel that was in use (the platform's), for as long as it lives.
#ifndef TSM_BENCH_COUNTINGCHANNEL_H
#define TSM_BENCH_COUNTINGCHANNEL_H

#include "imxdevicechannel.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace benchsupport {

class CountingChannel : public InfoMgr::DeviceChannel {
public:
    CountingChannel() : m_next(InfoMgr::deviceChannel()) { InfoMgr::setDeviceChannel(this); }
    ~CountingChannel() override { InfoMgr::setDeviceChannel(nullptr); }
    CountingChannel(const CountingChannel&) = delete;
    CountingChannel& operator=(const CountingChannel&) = delete;

    long ioctls = 0;
    long opens = 0;

    HANDLE openDevice(const std::string& sDeviceName) override
    {
        ++opens;
        return m_next.openDevice(sDeviceName);
    }
    bool ioControl(HANDLE hDevice, std::uint32_t dwCode, void* pIn, std::uint32_t dwInLength, void* pOut,
                   std::uint32_t dwOutLength, std::uint32_t& dwReturned) override
    {
        ++ioctls;
        return m_next.ioControl(hDevice, dwCode, pIn, dwInLength, pOut, dwOutLength, dwReturned);
    }
    void closeDevice(HANDLE hDevice) override { m_next.closeDevice(hDevice); }

private:
    InfoMgr::DeviceChannel& m_next; // the channel that was in use: the platform's
};

}

#endif
