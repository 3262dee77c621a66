// The packet plumbing all four transports share: the port handle owner, the
// pass-through packet buffer with its control header, and the send that
// checks the call, the reply size and the ReturnCode.
#ifndef TSM_INFOMGRNT_IMXIOCTLPACKET_H
#define TSM_INFOMGRNT_IMXIOCTLPACKET_H

#include "imxdevicechannel.h"
#include "imxpacketlayouts.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace InfoMgr {

// "\\.\Scsi%d:" for a port number.
std::string scsiPortName(std::uint32_t dwPort);

// Owns one open device handle of the device channel.
class PortHandle {
public:
    PortHandle() = default;
    explicit PortHandle(std::uint32_t dwPort);
    PortHandle(PortHandle&& other) noexcept;
    PortHandle& operator=(PortHandle&& other) noexcept;
    PortHandle(const PortHandle&) = delete;
    PortHandle& operator=(const PortHandle&) = delete;
    ~PortHandle();

    bool isOpen() const { return m_hDevice != INVALID_HANDLE_VALUE && m_hDevice != nullptr; }
    HANDLE get() const { return m_hDevice; }
    const std::string& deviceName() const { return m_sDeviceName; }
    [[nodiscard]] HANDLE release();

private:
    std::string m_sDeviceName;
    HANDLE m_hDevice = INVALID_HANDLE_VALUE;
};

// One miniport pass-through packet: zero-filled, header filled in, sent and
// received in place. Layouts are copied in and out through checked copies.
class MiniportPacket {
public:
    // nAllocation is at least 28 + dwBodyLength; more only where a packet is
    // allocated larger than it is sent.
    MiniportPacket(const char* pszSignature, std::uint32_t dwTimeout, std::uint32_t dwControlCode,
                   std::uint32_t dwBodyLength, std::size_t nAllocation = 0);

    std::size_t sendSize() const { return sizeof(MiniportHeader) + m_dwBodyLength; }
    std::uint32_t timeoutSeconds() const { return m_dwTimeout; }
    std::uint8_t* bytes() { return m_buffer.data(); }
    std::size_t allocation() const { return m_buffer.size(); }

    template <class Layout>
    void put(const Layout& layout)
    {
        static_assert(std::is_trivially_copyable_v<Layout>);
        copyIn(0, &layout, sizeof layout);
    }
    // The fixed part of the packet as it came back; the header is rewritten
    // by put(), so a layout read after the send is the driver's answer.
    template <class Layout>
    Layout get() const
    {
        static_assert(std::is_trivially_copyable_v<Layout>);
        Layout layout;
        copyOut(0, &layout, sizeof layout);
        return layout;
    }
    // Checked copies to and from the area at an offset.
    void copyIn(std::size_t nOffset, const void* pSource, std::size_t nLength);
    void copyOut(std::size_t nOffset, void* pTarget, std::size_t nLength) const;
    std::uint8_t byteAt(std::size_t nOffset) const;

    // Writes the control header into the first 28 bytes.
    void writeHeader();
    std::uint32_t returnCode() const;

private:
    char m_signature[8];
    std::uint32_t m_dwTimeout;
    std::uint32_t m_dwControlCode;
    std::uint32_t m_dwBodyLength;
    std::vector<std::uint8_t> m_buffer;
};

// Sends the packet on an open port (header written first). 0 on success;
// 0x80000005 when the call fails, the reply is shorter than the packet, the
// ReturnCode is not zero, or a bounded packet does not come back in time.
std::uint32_t sendPacket(const PortHandle& port, MiniportPacket& packet);

// Opens the port, sends, closes: 0x80000007 when the port does not open.
std::uint32_t exchangePacket(std::uint32_t dwPort, MiniportPacket& packet);

// A control request without a pass-through header (bus rescan, inquiry data).
bool sendPortRequest(const PortHandle& port, std::uint32_t dwCode, void* pBuffer, std::uint32_t dwLength,
                     std::uint32_t& dwReturned);

// Largest data area a pass-through command accepts.
constexpr std::uint32_t kMaxTransferLength = 16u * 1024u * 1024u;

}

#endif
