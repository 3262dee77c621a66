// The simulated I2O miniport: the "ZYRCSMI" records (class 1) and the
// "ZYRBMIC" BMIC and SCSI commands, all answered by the controller's own
// firmware (an I2O controller has no remote controllers behind it). A SCSI
// command reaches the firmware with the path and target bytes of its packet
// as the first two bytes of the LUN address. Attributes read (see
// portdescription.cpp): <controller> bus, vendor, device, board, pcibus,
// pcidevice, pcifunction, slot, class, status, serial.
#include "csmidriver.h"
#include "firmwarecall.h"
#include "packetlayouts.h"

namespace sim {

namespace {

constexpr uint8_t kI2oClass = 1;
constexpr uint32_t kBmicCommand = 1;
constexpr uint32_t kScsiCommand = 2;
constexpr uint8_t kBmicRead = 0x26;
constexpr uint32_t kSectorBytes = 512;

class I2oPortDriver final : public CsmiPortDriver {
public:
    using CsmiPortDriver::CsmiPortDriver;

protected:
    uint32_t doPassThrough(wire::Request& request, PortController& controller, uint32_t& bytesReturned) override
    {
        if (!wire::signatureIs(request.header.signature, "ZYRBMIC"))
            return kErrorUnknownRequest;
        switch (request.header.controlCode.get()) {
        case kBmicCommand:
            return answerBmic(request, *controller.firmware, bytesReturned);
        case kScsiCommand:
            return answerScsi(request, *controller.firmware, bytesReturned);
        default:
            return kErrorUnknownRequest;
        }
    }

private:
    // Every BMIC command the I2O packet carries is a read: the packet has no
    // direction, and the firmware knows its opcodes.
    static uint32_t answerBmic(wire::Request& request, ControllerFirmware& firmware, uint32_t& bytesReturned)
    {
        auto packet = wire::read<wire::I2oBmicPacket>(request.packet);
        if (!packet)
            return wire::kErrorInvalidParameter;
        const std::span<uint8_t> dataArea = request.packet.subspan(sizeof(wire::I2oBmicPacket));
        const uint32_t bytes = static_cast<uint32_t>(dataArea.size());
        const uint32_t expectedCount = bytes >= kSectorBytes ? bytes / kSectorBytes : bytes;
        if (packet->transferCount.get() != (expectedCount & 0xFFFF))
            return wire::kErrorInvalidParameter;
        FirmwareCommand command;
        command.block = bmicBlock(kBmicRead, packet->driveIndex, packet->detail, packet->opcode,
                                  {static_cast<uint8_t>(bytes), static_cast<uint8_t>(bytes >> 8)});
        command.direction = 1;
        command.data.assign(bytes, 0);
        const FirmwareReply reply = callFirmware(firmware, command);
        if (reply.error)
            return reply.error;
        packet->status.set(reply.commandStatus ? reply.commandStatus : reply.scsiStatus);
        putData(command, dataArea);
        wire::write(request.packet, *packet);
        return wire::finishRequest(request, wire::kReturnSuccess, bytesReturned);
    }

    static uint32_t answerScsi(wire::Request& request, ControllerFirmware& firmware, uint32_t& bytesReturned)
    {
        auto packet = wire::read<wire::I2oScsiPacket>(request.packet);
        if (!packet || packet->cdbLength == 0 || packet->cdbLength > sizeof(packet->cdb))
            return wire::kErrorInvalidParameter;
        const std::span<uint8_t> dataArea = request.packet.subspan(sizeof(wire::I2oScsiPacket));
        FirmwareCommand command;
        command.bBmic = false;
        command.block.assign(packet->cdb, packet->cdb + packet->cdbLength);
        command.lun[0] = packet->path;
        command.lun[1] = packet->target;
        command.direction = 1;
        command.data.assign(dataArea.size(), 0);
        const FirmwareReply reply = callFirmware(firmware, command);
        if (reply.error)
            return reply.error;
        packet->commandStatus.set(reply.commandStatus);
        packet->scsiStatus = reply.scsiStatus;
        putSense(reply, packet->sense);
        putData(command, dataArea);
        wire::write(request.packet, *packet);
        return wire::finishRequest(request, wire::kReturnSuccess, bytesReturned);
    }
};

std::unique_ptr<PortDriver> makeI2oPort(const Node& port, std::string& error)
{
    std::optional<PortController> controller;
    if (!readPortController(port, kI2oClass, DetailByteOrder::eLeastSignificantFirst, controller, error))
        return nullptr;
    return std::make_unique<I2oPortDriver>(std::move(controller));
}

[[maybe_unused]] const bool registered = registerPortDriver("i2o", &makeI2oPort);

} // namespace

} // namespace sim
