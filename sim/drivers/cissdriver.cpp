// The simulated CISS miniport: the "ZYRCSMI" records (class 4) and "ZYRCISS"
// commands, each addressed by its 8-byte LUN address to the controller (all
// zero) or to one of the remote controllers behind it. The controller itself
// answers the report-physical-LUNs command with the LUN addresses of its
// remote controllers; every other BMIC block or CDB goes to the firmware the
// address names. Attributes read (see portdescription.cpp): <controller> bus,
// vendor, device, board, pcibus, pcidevice, pcifunction, slot, class, status,
// serial; <remote> lun, path, target, lunbyte, kind (the firmware's).
#include "csmidriver.h"
#include "firmwarecall.h"
#include "packetlayouts.h"

#include <algorithm>

namespace sim {

namespace {

constexpr uint8_t kCissClass = 4;
constexpr uint32_t kCissCommand = 2;
constexpr uint8_t kReportPhysicalLuns = 0xC3;
constexpr uint16_t kCommandStatusInvalid = 4; // no device at the LUN address

bool isBmicBlock(const wire::CissCommandPacket& packet)
{
    return packet.cdbLength >= 10 && (packet.cdb[0] == 0x26 || packet.cdb[0] == 0x27);
}

class CissPortDriver final : public CsmiPortDriver {
public:
    using CsmiPortDriver::CsmiPortDriver;

protected:
    uint32_t doPassThrough(wire::Request& request, PortController& controller, uint32_t& bytesReturned) override
    {
        if (!wire::signatureIs(request.header.signature, "ZYRCISS") || request.header.controlCode.get() != kCissCommand)
            return kErrorUnknownRequest;
        auto packet = wire::read<wire::CissCommandPacket>(request.packet);
        if (!packet || packet->cdbLength == 0 || packet->cdbLength > sizeof(packet->cdb))
            return wire::kErrorInvalidParameter;
        const uint32_t direction = packet->direction.get();
        if (direction != 1 && direction != 2 && direction != 4)
            return wire::kErrorInvalidParameter;
        const std::span<uint8_t> dataArea = request.packet.subspan(sizeof(wire::CissCommandPacket));

        FirmwareCommand command;
        command.bBmic = isBmicBlock(*packet);
        command.block.assign(packet->cdb, packet->cdb + (command.bBmic ? 10 : packet->cdbLength));
        std::copy_n(packet->lun, command.lun.size(), command.lun.begin());
        command.direction = direction;
        if (direction == 2)
            command.data.assign(dataArea.begin(), dataArea.end());
        else if (direction == 1)
            command.data.assign(dataArea.size(), 0);

        FirmwareReply reply;
        const bool toController = command.lun == LunAddress{};
        if (toController && !command.bBmic && command.block[0] == kReportPhysicalLuns) {
            reply = reportPhysicalLuns(*controller.firmware, command);
        } else if (ControllerFirmware* firmware = addressed(*controller.firmware, command.lun)) {
            reply = callFirmware(*firmware, command);
        } else {
            reply.commandStatus = kCommandStatusInvalid;
            command.data.clear();
        }
        if (reply.error)
            return reply.error;
        packet->scsiStatus = reply.scsiStatus;
        packet->commandStatus.set(reply.commandStatus);
        putSense(reply, packet->sense);
        if (direction == 1)
            putData(command, dataArea);
        wire::write(request.packet, *packet);
        return wire::finishRequest(request, wire::kReturnSuccess, bytesReturned);
    }

private:
    static ControllerFirmware* addressed(ControllerFirmware& controller, const LunAddress& lun)
    {
        if (lun == LunAddress{})
            return &controller;
        for (size_t i = 0; i < controller.remoteCount(); ++i)
            if (controller.remoteLun(i) == lun)
                return &controller.remote(i);
        return nullptr;
    }

    // The LUN list: a header with the list length in bytes, most significant
    // byte first, then one 8-byte LUN address per remote controller.
    static FirmwareReply reportPhysicalLuns(const ControllerFirmware& controller, FirmwareCommand& command)
    {
        const size_t count = controller.remoteCount();
        const uint32_t listLength = static_cast<uint32_t>(count * 8);
        std::vector<uint8_t> list(8 + count * 8, 0);
        for (int i = 0; i < 4; ++i)
            list[static_cast<size_t>(i)] = static_cast<uint8_t>(listLength >> (24 - 8 * i));
        for (size_t i = 0; i < count; ++i) {
            const LunAddress lun = controller.remoteLun(i);
            std::copy(lun.begin(), lun.end(), list.begin() + static_cast<std::ptrdiff_t>(8 + i * 8));
        }
        uint32_t allocation = 0;
        if (command.block.size() >= 10) {
            allocation = (uint32_t{command.block[6]} << 24) | (uint32_t{command.block[7]} << 16) |
                         (uint32_t{command.block[8]} << 8) | command.block[9];
        }
        const size_t n = std::min({list.size(), static_cast<size_t>(allocation), command.data.size()});
        command.data.assign(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(n));
        return {};
    }
};

std::unique_ptr<PortDriver> makeCissPort(const Node& port, std::string& error)
{
    std::optional<PortController> controller;
    if (!readPortController(port, kCissClass, DetailByteOrder::eMostSignificantFirst, controller, error))
        return nullptr;
    return std::make_unique<CissPortDriver>(std::move(controller));
}

[[maybe_unused]] const bool registered = registerPortDriver("ciss", &makeCissPort);

} // namespace

} // namespace sim
