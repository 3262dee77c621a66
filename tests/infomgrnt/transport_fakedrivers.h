// Stand-in storage drivers for the transport tests: ports that answer each
// request with a reply written by the test, and a record of every request.
#ifndef TSM_TESTS_TRANSPORT_FAKEDRIVERS_H
#define TSM_TESTS_TRANSPORT_FAKEDRIVERS_H

#include "byteimage.h"
#include "imxdevicechannel.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace xporttest {

using Image = tsmtest::ByteImage;
using tsmtest::toHex;

// Hex of a byte container, or of nLength of its bytes from nOffset.
template <class Bytes>
std::string hexOf(const Bytes& bytes, std::size_t nOffset = 0, std::size_t nLength = std::dynamic_extent)
{
    return toHex(std::span<const std::uint8_t>(bytes.data(), bytes.size()), nOffset, nLength);
}

struct Request {
    std::string device;
    std::uint32_t dwCode = 0;
    std::vector<std::uint8_t> in;
};

// What a port does with one request: edits the buffer in place (it holds the
// request and becomes the reply), sets the bytes returned, answers success.
using PortAnswer = std::function<bool(std::uint32_t dwCode, std::vector<std::uint8_t>& buffer, std::uint32_t& dwReturned)>;

// Keeps the request's header and copies reply from offset 28 on over the
// body; dwReturnCode goes into the header's ReturnCode at 20.
inline PortAnswer bodyReply(const std::vector<std::uint8_t>& reply, std::uint32_t dwReturnCode = 0)
{
    return [reply, dwReturnCode](std::uint32_t, std::vector<std::uint8_t>& buffer, std::uint32_t& dwReturned) {
        for (std::size_t n = 28; n < std::min(reply.size(), buffer.size()); ++n)
            buffer[n] = reply[n];
        for (std::size_t i = 0; i < 4 && buffer.size() >= 24; ++i)
            buffer[20 + i] = static_cast<std::uint8_t>(dwReturnCode >> (8 * i));
        dwReturned = static_cast<std::uint32_t>(buffer.size());
        return true;
    };
}

// A port whose requests all fail.
inline PortAnswer failing()
{
    return [](std::uint32_t, std::vector<std::uint8_t>&, std::uint32_t&) { return false; };
}

// Answers by the header's signature at 4 and control code at 16 ("ZYRFC", 1);
// requests without a match fail.
inline PortAnswer byPacket(std::map<std::pair<std::string, std::uint32_t>, PortAnswer> answers)
{
    return [answers](std::uint32_t dwCode, std::vector<std::uint8_t>& buffer, std::uint32_t& dwReturned) {
        if (buffer.size() < 28)
            return false;
        const std::string signature(reinterpret_cast<const char*>(buffer.data() + 4),
                                    strnlen(reinterpret_cast<const char*>(buffer.data() + 4), 8));
        std::uint32_t dwControl = 0;
        std::memcpy(&dwControl, buffer.data() + 16, 4);
        const auto it = answers.find({signature, dwControl});
        return it != answers.end() && it->second(dwCode, buffer, dwReturned);
    };
}

// Installs itself as the device channel for its lifetime.
class FakeDrivers : public InfoMgr::DeviceChannel {
public:
    FakeDrivers() { InfoMgr::setDeviceChannel(this); }
    ~FakeDrivers() override { InfoMgr::setDeviceChannel(nullptr); }
    FakeDrivers(const FakeDrivers&) = delete;
    FakeDrivers& operator=(const FakeDrivers&) = delete;

    // Port n answers through the answer; ports not set do not exist.
    void setPort(std::uint32_t dwPort, PortAnswer answer)
    {
        m_ports["\\\\.\\Scsi" + std::to_string(dwPort) + ":"] = std::move(answer);
    }
    int liveHandles() const { return static_cast<int>(m_handles.size()); }

    std::vector<Request> requests;

    HANDLE openDevice(const std::string& sDeviceName) override
    {
        if (!m_ports.contains(sDeviceName))
            return INVALID_HANDLE_VALUE;
        m_handles[++m_nLastHandle] = sDeviceName;
        return reinterpret_cast<HANDLE>(m_nLastHandle);
    }
    bool ioControl(HANDLE hDevice, std::uint32_t dwCode, void* pIn, std::uint32_t dwInLength, void* pOut,
                   std::uint32_t dwOutLength, std::uint32_t& dwReturned) override
    {
        dwReturned = 0;
        const auto it = m_handles.find(reinterpret_cast<std::uintptr_t>(hDevice));
        if (it == m_handles.end())
            return false;
        Request& request = requests.emplace_back(Request{it->second, dwCode, {}});
        if (pIn != nullptr)
            request.in.assign(static_cast<const std::uint8_t*>(pIn), static_cast<const std::uint8_t*>(pIn) + dwInLength);
        std::vector<std::uint8_t> buffer(dwOutLength, 0);
        std::copy_n(request.in.begin(), std::min<std::size_t>(request.in.size(), dwOutLength), buffer.begin());
        std::uint32_t dwBytes = 0;
        const bool bOk = m_ports[it->second](dwCode, buffer, dwBytes);
        dwReturned = std::min(dwBytes, dwOutLength);
        if (pOut != nullptr)
            std::memcpy(pOut, buffer.data(), dwReturned);
        return bOk;
    }
    void closeDevice(HANDLE hDevice) override { m_handles.erase(reinterpret_cast<std::uintptr_t>(hDevice)); }

private:
    std::map<std::string, PortAnswer> m_ports;
    std::map<std::uintptr_t, std::string> m_handles;
    std::uintptr_t m_nLastHandle = 0x1000;
};

}

#endif
