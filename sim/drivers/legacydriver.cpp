// The simulated legacy array miniport: "ODXM&P" requests only: the legacy
// configuration record, BMIC commands and SCSI commands. A refused command
// (non-zero command or SCSI status) fails the whole request through the
// header's ReturnCode, as the legacy interface carries no status fields.
// A SCSI command reaches the firmware with the path, target and LUN bytes of
// its packet as the first three bytes of the LUN address. Reads the
// <controller> attributes of portdescription.cpp (bus, vendor, device, board,
// pcibus, slot, address).
#include "firmwarecall.h"
#include "packetlayouts.h"
#include "portdescription.h"

#include <sim/portdriver.h>

namespace sim {

namespace {

constexpr uint32_t kLegacyBmic = 3;
constexpr uint32_t kLegacyScsi = 4;
constexpr uint32_t kLegacyConfiguration = 5;
constexpr uint32_t kMaxTransfer = 65535;
constexpr uint8_t kBmicRead = 0x26;
constexpr uint8_t kBusEisa = 2;
constexpr uint8_t kBusPci = 3;
constexpr uint32_t kEisaPortBase = 0x0C80; // the board's registers within its slot's I/O range

class LegacyPortDriver final : public PortDriver {
public:
    explicit LegacyPortDriver(std::optional<PortController> controller) : m_controller(std::move(controller)) {}

    uint32_t ioControl(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
                       uint32_t& bytesReturned) override
    {
        bytesReturned = 0;
        if (!m_controller)
            return wire::kErrorDeviceNotConnected;
        if (code != wire::kMiniportPassThrough)
            return kErrorUnknownRequest;
        wire::Request request;
        if (const uint32_t error = wire::openRequest(in, inLength, out, outLength, request))
            return error;
        if (!wire::signatureIs(request.header.signature, "ODXM&P"))
            return kErrorUnknownRequest;
        switch (request.header.controlCode.get()) {
        case kLegacyConfiguration:
            return answerConfiguration(request, m_controller->wiring, bytesReturned);
        case kLegacyBmic:
            return answerBmic(request, *m_controller->firmware, bytesReturned);
        case kLegacyScsi:
            return answerScsi(request, *m_controller->firmware, bytesReturned);
        default:
            return kErrorUnknownRequest;
        }
    }

private:
    static uint32_t answerConfiguration(wire::Request& request, const ControllerWiring& wiring, uint32_t& bytesReturned)
    {
        if (request.packet.size() < sizeof(wire::OdxConfigPacket))
            return wire::kErrorInvalidParameter;
        wire::OdxConfigPacket record{};
        record.header = request.header;
        if (wiring.bEisa) {
            record.address.set(wiring.legacyAddress.value_or((uint32_t{wiring.slot} & 0xFF) << 12 | kEisaPortBase));
            wire::le32 board;
            board.set(wiring.eisaBoardId);
            std::copy(board.b, board.b + 4, record.boardId);
            record.ioBusType = kBusEisa;
        } else {
            record.address.set(wiring.legacyAddress.value_or(0));
            record.boardId[0] = static_cast<uint8_t>(wiring.vendorId >> 8);
            record.boardId[1] = static_cast<uint8_t>(wiring.vendorId);
            record.boardId[2] = static_cast<uint8_t>(wiring.deviceId >> 8);
            record.boardId[3] = static_cast<uint8_t>(wiring.deviceId);
            record.ioBusType = kBusPci;
            record.pciBus = wiring.pciBus;
        }
        std::fill(request.body().begin(), request.body().end(), uint8_t{0});
        wire::write(request.packet, record);
        return wire::finishRequest(request, wire::kReturnSuccess, bytesReturned);
    }

    static uint32_t finishCommand(wire::Request& request, const FirmwareReply& reply, const FirmwareCommand& command,
                                  std::span<uint8_t> dataArea, uint32_t& bytesReturned)
    {
        if (reply.error)
            return reply.error;
        putData(command, dataArea);
        const bool refused = reply.commandStatus != 0 || reply.scsiStatus != 0;
        return wire::finishRequest(request, refused ? wire::kReturnCommandFailed : wire::kReturnSuccess, bytesReturned);
    }

    static uint32_t answerBmic(wire::Request& request, ControllerFirmware& firmware, uint32_t& bytesReturned)
    {
        const auto packet = wire::read<wire::OdxBmicPacket>(request.packet);
        if (!packet)
            return wire::kErrorInvalidParameter;
        const uint32_t bytes = packet->dataLength.get();
        if (bytes > kMaxTransfer || sizeof(wire::OdxBmicPacket) + bytes > request.packet.size())
            return wire::kErrorInvalidParameter;
        const std::span<uint8_t> dataArea = request.packet.subspan(sizeof(wire::OdxBmicPacket), bytes);
        FirmwareCommand command;
        command.block = bmicBlock(kBmicRead, packet->driveIndex, packet->detail, packet->opcode,
                                  {packet->blockTail[0], packet->blockTail[1]});
        command.direction = 1;
        command.data.assign(bytes, 0);
        const FirmwareReply reply = callFirmware(firmware, command);
        return finishCommand(request, reply, command, dataArea, bytesReturned);
    }

    static uint32_t answerScsi(wire::Request& request, ControllerFirmware& firmware, uint32_t& bytesReturned)
    {
        const auto packet = wire::read<wire::OdxScsiPacket>(request.packet);
        if (!packet || packet->cdbLength == 0 || packet->cdbLength > sizeof(packet->cdb))
            return wire::kErrorInvalidParameter;
        const uint32_t bytes = packet->dataLength.get();
        if (bytes > kMaxTransfer || sizeof(wire::OdxScsiPacket) + bytes > request.packet.size())
            return wire::kErrorInvalidParameter;
        const std::span<uint8_t> dataArea = request.packet.subspan(sizeof(wire::OdxScsiPacket), bytes);
        FirmwareCommand command;
        command.bBmic = false;
        command.block.assign(packet->cdb, packet->cdb + packet->cdbLength);
        command.lun[0] = packet->path;
        command.lun[1] = packet->target;
        command.lun[2] = packet->lun;
        command.direction = 1;
        command.data.assign(bytes, 0);
        const FirmwareReply reply = callFirmware(firmware, command);
        return finishCommand(request, reply, command, dataArea, bytesReturned);
    }

    std::optional<PortController> m_controller;
};

std::unique_ptr<PortDriver> makeLegacyPort(const Node& port, std::string& error)
{
    std::optional<PortController> controller;
    if (!readPortController(port, 0, DetailByteOrder::eLeastSignificantFirst, controller, error))
        return nullptr;
    return std::make_unique<LegacyPortDriver>(std::move(controller));
}

[[maybe_unused]] const bool registered = registerPortDriver("legacy", &makeLegacyPort);

} // namespace

} // namespace sim
