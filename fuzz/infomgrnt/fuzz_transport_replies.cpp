// Random driver replies for every transport operation: whatever the drivers
// answer, each parser stays inside the reply and the caller's buffers, hands
// back no more data or sense than asked for, and leaves no handle open.
#include "fuzzing.h"
#include "imxioctlfactory.h"
#include "standindrivers.h"
#include "tempmachine.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

using namespace InfoMgr;

// The input, read front to back; zeros once it runs out.
class Input {
public:
    Input(const std::uint8_t* pbData, std::size_t nSize) : m_pbData(pbData), m_nSize(nSize) {}
    bool empty() const { return m_nOffset >= m_nSize; }
    std::uint8_t byte() { return empty() ? 0 : m_pbData[m_nOffset++]; }
    std::size_t take(std::uint8_t* pbTarget, std::size_t nWanted)
    {
        const std::size_t n = std::min(nWanted, m_nSize - std::min(m_nOffset, m_nSize));
        if (n != 0)
            std::memcpy(pbTarget, m_pbData + m_nOffset, n);
        m_nOffset += n;
        return n;
    }

private:
    const std::uint8_t* m_pbData;
    std::size_t m_nSize;
    std::size_t m_nOffset = 0;
};

// Ports 0 to 3 exist. Each request reads a mode byte: fail, return a short
// count, or answer with input bytes over the body (pass-through packets keep
// their header unless the mode also asks for a non-zero ReturnCode).
tsmtest::StandInDrivers::Answer fromInput(Input& input)
{
    return [&input](std::uint32_t dwCode, std::vector<std::uint8_t>& buffer, std::uint32_t& dwReturned) {
        const std::uint8_t bMode = input.byte();
        if (input.empty() || (bMode & 3) == 0)
            return false;
        const std::size_t nStart = dwCode == 0x0004D008 && buffer.size() >= 28 ? 28 : 0;
        if (buffer.size() > nStart)
            input.take(buffer.data() + nStart, buffer.size() - nStart);
        if (nStart != 0 && (bMode & 4) != 0)
            buffer[20] = bMode;
        const auto dwSize = static_cast<std::uint32_t>(buffer.size());
        dwReturned = (bMode & 3) == 1 ? std::min<std::uint32_t>(input.byte(), dwSize) : dwSize;
        return true;
    };
}

const CommandType kTypes[] = {eCSMI_CISS, eCSMI_I2O, eCSMI_FIBRE, eCSMI_SWITCH, eLEGACY};

void sendOne(IoCtlCommandGroup& transport, const SchemaObjectEssentialData& device, Input& input)
{
    const bool bScsi = (input.byte() & 1) != 0;
    const std::uint32_t dwDirection = (input.byte() & 1) != 0 ? CONTROL_DIRECTION_WRITE : CONTROL_DIRECTION_READ;
    const std::uint32_t dwLength = input.byte() * 8u;
    const std::uint32_t dwSenseRoom = input.byte() % 64u;
    std::vector<std::uint8_t> data(dwLength + 16, 0xA5);
    std::vector<std::uint8_t> sense(dwSenseRoom + 16, 0x5A);
    std::uint32_t dwDataLength = dwLength;
    std::uint32_t dwSenseLength = dwSenseRoom;
    std::uint8_t bScsiStatus = 0;
    std::uint16_t wCommandStatus = 0;
    CommandBuffers buffers{data.data(),    &dwDataLength, dwSenseRoom != 0 ? sense.data() : nullptr,
                           &dwSenseLength, &bScsiStatus,  &wCommandStatus};
    if (bScsi) {
        ScsiRequest request;
        request.pDevice = &device;
        request.bCdbLength = static_cast<std::uint8_t>(1 + input.byte() % 16);
        input.take(request.cdb.data(), request.bCdbLength);
        transport.sendScsiCommand(request, dwDirection, buffers);
    } else {
        BmicRequest request;
        request.pDevice = &device;
        BmicTransfer command;
        command.bOpcode = input.byte();
        command.bDriveIndex = input.byte();
        command.dwDirection = dwDirection;
        transport.setupBmicParameters(command, dwLength, request.block);
        transport.sendBmicCommand(request, dwDirection, buffers);
    }
    // Nothing beyond the caller's buffers was written, and no more sense
    // than there was room for was reported.
    for (std::size_t n = dwLength; n < data.size(); ++n)
        check(data[n] == 0xA5);
    for (std::size_t n = dwSenseRoom; n < sense.size(); ++n)
        check(sense[n] == 0x5A);
    check(dwSenseLength <= dwSenseRoom);
}

void runOne(Input& input)
{
    const CommandType eType = kTypes[input.byte() % 5];
    const std::uint8_t bOperation = input.byte();
    SchemaObjectEssentialData device(input.byte() % 4, (input.byte() & 1) != 0 ? 0x8007 : 0x8000, eType);
    device.setAddress({input.byte(), input.byte(), input.byte()});
    auto pTransport = createIoCtlCommandGroup(eType);
    EssentialDataList records;
    switch (bOperation % 8) {
    case 0:
        pTransport->discoverControllers(records);
        break;
    case 1:
        pTransport->discoverRemoteControllers(device, records);
        break;
    case 2:
        pTransport->discoverLogicalDrives(device, records, device);
        check(records.size() <= 32);
        break;
    case 3:
        pTransport->discoverPhysicalDrives(device, records, device);
        check(records.size() <= 128);
        break;
    case 4: {
        std::uint8_t bStatus = 0xFF;
        if (pTransport->getControllerStatus(device, bStatus) == 0)
            check(bStatus <= 2);
        break;
    }
    case 5: {
        std::array<std::uint8_t, 64 + 8> identity{};
        const std::size_t nRoom = (input.byte() & 1) != 0 ? 64 : 20;
        pTransport->getRemoteIdentity(device, identity.data(), nRoom);
        for (std::size_t n = nRoom; n < identity.size(); ++n)
            check(identity[n] == 0);
        break;
    }
    default:
        sendOne(*pTransport, device, input);
        break;
    }
    for (const auto& pRecord : records)
        check(pRecord->isInvariant());
}

// Slot lookups during bus information go to an emulated machine without
// hardware; bus information itself is left out, as a reply naming a bus
// other than EISA or PCI is a fatal misuse by design.
const tsmtest::TempMachine kMachine;

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pbData, std::size_t nSize)
{
    Input input(pbData, nSize);
    const tsmtest::StandInDrivers drivers(4, fromInput(input));
    for (int n = 0; n < 4 && !input.empty(); ++n)
        runOne(input);
    check(drivers.openHandles() == 0);
    return 0;
}
