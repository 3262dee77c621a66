// A stand-in for the storage drivers: the ports below a count open, and every
// request goes to an answer that edits the buffer in place (it holds the
// request and becomes the whole reply) and sets the bytes returned.
#ifndef TSM_TESTS_STANDINDRIVERS_H
#define TSM_TESTS_STANDINDRIVERS_H

#include "imxdevicechannel.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace tsmtest {

class StandInDrivers : public InfoMgr::DeviceChannel {
public:
    using Answer =
        std::function<bool(std::uint32_t dwCode, std::vector<std::uint8_t>& buffer, std::uint32_t& dwReturned)>;
    StandInDrivers(unsigned nPorts, Answer answer) : m_answer(std::move(answer)), m_nPorts(nPorts)
    {
        InfoMgr::setDeviceChannel(this);
    }
    ~StandInDrivers() override { InfoMgr::setDeviceChannel(nullptr); }
    StandInDrivers(const StandInDrivers&) = delete;
    StandInDrivers& operator=(const StandInDrivers&) = delete;

    HANDLE openDevice(const std::string& sDeviceName) override
    {
        for (unsigned n = 0; n < m_nPorts; ++n)
            if (sDeviceName == "\\\\.\\Scsi" + std::to_string(n) + ":") {
                ++m_nOpen;
                return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x100 + n));
            }
        return INVALID_HANDLE_VALUE;
    }
    // A failed call leaves the output alone.
    bool ioControl(HANDLE, std::uint32_t dwCode, void* pIn, std::uint32_t dwInLength, void* pOut,
                   std::uint32_t dwOutLength, std::uint32_t& dwReturned) override
    {
        std::vector<std::uint8_t> buffer(dwOutLength, 0);
        if (pIn != nullptr && !buffer.empty())
            std::memcpy(buffer.data(), pIn, std::min(dwInLength, dwOutLength));
        dwReturned = 0;
        const bool bOk = m_answer(dwCode, buffer, dwReturned);
        dwReturned = std::min(dwReturned, dwOutLength);
        if (bOk && pOut != nullptr && !buffer.empty())
            std::memcpy(pOut, buffer.data(), buffer.size());
        return bOk;
    }
    void closeDevice(HANDLE) override { --m_nOpen; }
    int openHandles() const { return m_nOpen; }

    Answer m_answer;

private:
    unsigned m_nPorts;
    std::atomic<int> m_nOpen{0};
};

}

#endif
