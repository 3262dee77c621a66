// Stand-in storage drivers for the transport tests.
#include "transport_fakedrivers.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace xporttest {

PortAnswer bodyReply(const std::vector<std::uint8_t>& reply, std::uint32_t dwReturnCode)
{
    return [reply, dwReturnCode](std::uint32_t, std::vector<std::uint8_t>& buffer, std::uint32_t& dwReturned) {
        for (std::size_t n = 28; n < std::min(reply.size(), buffer.size()); ++n)
            buffer[n] = reply[n];
        if (buffer.size() >= 24)
            for (int i = 0; i < 4; ++i)
                buffer[20 + i] = static_cast<std::uint8_t>(dwReturnCode >> (8 * i));
        dwReturned = static_cast<std::uint32_t>(buffer.size());
        return true;
    };
}

PortAnswer failing()
{
    return [](std::uint32_t, std::vector<std::uint8_t>&, std::uint32_t& dwReturned) {
        dwReturned = 0;
        return false;
    };
}

PortAnswer byPacket(std::map<std::pair<std::string, std::uint32_t>, PortAnswer> answers)
{
    return [answers](std::uint32_t dwCode, std::vector<std::uint8_t>& buffer, std::uint32_t& dwReturned) {
        if (buffer.size() < 28)
            return false;
        const std::string signature(reinterpret_cast<const char*>(buffer.data() + 4),
                                    strnlen(reinterpret_cast<const char*>(buffer.data() + 4), 8));
        const std::uint32_t dwControl = buffer[16] | (buffer[17] << 8) | (buffer[18] << 16) |
                                        (static_cast<std::uint32_t>(buffer[19]) << 24);
        const auto it = answers.find({signature, dwControl});
        if (it == answers.end()) {
            dwReturned = 0;
            return false;
        }
        return it->second(dwCode, buffer, dwReturned);
    };
}

FakeDrivers::FakeDrivers()
{
    InfoMgr::setDeviceChannel(this);
}

FakeDrivers::~FakeDrivers()
{
    InfoMgr::setDeviceChannel(nullptr);
}

void FakeDrivers::setPort(std::uint32_t dwPort, PortAnswer answer)
{
    m_ports["\\\\.\\Scsi" + std::to_string(dwPort) + ":"] = std::move(answer);
}

std::vector<Request> FakeDrivers::requestsTo(const std::string& device) const
{
    std::vector<Request> matching;
    for (const Request& request : requests)
        if (request.device == device)
            matching.push_back(request);
    return matching;
}

HANDLE FakeDrivers::openDevice(const std::string& sDeviceName)
{
    ++opens;
    if (m_ports.find(sDeviceName) == m_ports.end())
        return INVALID_HANDLE_VALUE;
    const std::uintptr_t nHandle = m_nextHandle++;
    m_handles[nHandle] = sDeviceName;
    ++m_nLive;
    return reinterpret_cast<HANDLE>(nHandle);
}

bool FakeDrivers::ioControl(HANDLE hDevice, std::uint32_t dwCode, void* pIn, std::uint32_t dwInLength, void* pOut,
                            std::uint32_t dwOutLength, std::uint32_t& dwReturned)
{
    dwReturned = 0;
    const auto it = m_handles.find(reinterpret_cast<std::uintptr_t>(hDevice));
    if (it == m_handles.end())
        return false;
    Request request{it->second, dwCode, {}};
    if (pIn != nullptr)
        request.in.assign(static_cast<const std::uint8_t*>(pIn), static_cast<const std::uint8_t*>(pIn) + dwInLength);
    requests.push_back(request);
    std::vector<std::uint8_t> buffer(dwOutLength, 0);
    std::copy_n(request.in.begin(), std::min<std::size_t>(request.in.size(), dwOutLength), buffer.begin());
    std::uint32_t dwBytes = 0;
    const bool bOk = m_ports[it->second](dwCode, buffer, dwBytes);
    if (pOut != nullptr && dwOutLength != 0)
        std::memcpy(pOut, buffer.data(), std::min<std::size_t>(dwBytes, dwOutLength));
    dwReturned = std::min(dwBytes, dwOutLength);
    return bOk;
}

void FakeDrivers::closeDevice(HANDLE hDevice)
{
    if (m_handles.erase(reinterpret_cast<std::uintptr_t>(hDevice)) != 0)
        --m_nLive;
}

}
