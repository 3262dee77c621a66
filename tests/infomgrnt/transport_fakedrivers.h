// Stand-in storage drivers for the transport tests: ports that answer each
// request with a reply written by the test, and a record of every request.
#ifndef TSM_TESTS_TRANSPORT_FAKEDRIVERS_H
#define TSM_TESTS_TRANSPORT_FAKEDRIVERS_H

#include "byteimage.h"
#include "imxdevicechannel.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace xporttest {

using Image = tsmtest::ByteImage;
using tsmtest::toHex;

struct Request {
    std::string device;
    std::uint32_t dwCode = 0;
    std::vector<std::uint8_t> in;
};

// What a port does with one request: edits the buffer in place (it holds the
// request and becomes the reply), sets the bytes returned, answers success.
using PortAnswer = std::function<bool(std::uint32_t dwCode, std::vector<std::uint8_t>& buffer, std::uint32_t& dwReturned)>;

// Answers by keeping the request's header and copying reply from offset 28
// on over the body; dwReturnCode goes into the header's ReturnCode.
PortAnswer bodyReply(const std::vector<std::uint8_t>& reply, std::uint32_t dwReturnCode = 0);
// A port whose requests all fail.
PortAnswer failing();
// Answers by the header's signature and control code ("ZYRFC", 1); requests
// without a match fail.
PortAnswer byPacket(std::map<std::pair<std::string, std::uint32_t>, PortAnswer> answers);

class FakeDrivers : public InfoMgr::DeviceChannel {
public:
    FakeDrivers();
    ~FakeDrivers() override;
    FakeDrivers(const FakeDrivers&) = delete;
    FakeDrivers& operator=(const FakeDrivers&) = delete;

    // Port n answers through the answer; ports not set do not exist.
    void setPort(std::uint32_t dwPort, PortAnswer answer);

    std::vector<Request> requests;
    int opens = 0;      // attempts, including ports that do not exist
    int liveHandles() const { return m_nLive; }

    // The requests of one device name ("\\.\Scsi3:").
    std::vector<Request> requestsTo(const std::string& device) const;

    HANDLE openDevice(const std::string& sDeviceName) override;
    bool ioControl(HANDLE hDevice, std::uint32_t dwCode, void* pIn, std::uint32_t dwInLength, void* pOut,
                   std::uint32_t dwOutLength, std::uint32_t& dwReturned) override;
    void closeDevice(HANDLE hDevice) override;

private:
    std::map<std::string, PortAnswer> m_ports;
    std::map<std::uintptr_t, std::string> m_handles;
    std::uintptr_t m_nextHandle = 0x1000;
    int m_nLive = 0;
};

}

#endif
