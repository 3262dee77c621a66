// The simulated Fibre Channel miniport: the "ZYRCSMI" records (class 3), the
// "ZYRFC" address query, command and name query, the "FCM&P" adapter and port
// attributes (unless hbaapi="false"), and the port driver's bus rescan and
// inquiry data, which list the remote controllers (peripheral type 12) and
// enclosures (13) behind the adapter. A command reaches the target through the
// handle the address query gave: 0 is the adapter's own firmware, n the n-th
// remote. Attributes read (see portdescription.cpp): <controller> bus, vendor,
// device, board, pcibus, pcidevice, pcifunction, slot, class, status, serial,
// hbaapi, wwn1, wwn2, portaddress, portstate; <remote> path, target, lunbyte
// (the firmware's), kind, wwn1, wwn2, portaddress, portstate.
#include "csmidriver.h"
#include "firmwarecall.h"
#include "packetlayouts.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {

constexpr uint8_t kFibreClass = 3;
constexpr uint32_t kAddressQuery = 1;
constexpr uint32_t kCommand = 2;
constexpr uint32_t kNameQuery = 3;
constexpr uint32_t kAdapterAttributes = 13;
constexpr uint32_t kPortAttributes = 14;
constexpr uint32_t kPortAttributesVersion = 8;
constexpr uint8_t kAdapterAddress = 255;
constexpr uint32_t kAdapterHandle = 0;
constexpr uint8_t kTypeArrayController = 12;
constexpr uint8_t kTypeEnclosure = 13;
constexpr size_t kInquiryExamined = 36;

// The addressed target: the adapter itself or one remote.
struct Target {
    ControllerFirmware* firmware = nullptr;
    const FibreNames* names = nullptr;
    RemoteAddress address;
    uint32_t handle = kAdapterHandle;
};

bool sameAddress(const RemoteAddress& a, uint8_t path, uint8_t target, uint8_t lun)
{
    return a.path == path && a.target == target && a.lun == lun;
}

std::optional<Target> remoteAt(PortController& controller, uint8_t path, uint8_t target, uint8_t lun)
{
    ControllerFirmware& adapter = *controller.firmware;
    for (size_t i = 0; i < adapter.remoteCount(); ++i) {
        if (sameAddress(adapter.remoteAddress(i), path, target, lun)) {
            return Target{&adapter.remote(i), &controller.wiring.remotes[i].names, adapter.remoteAddress(i),
                          static_cast<uint32_t>(i + 1)};
        }
    }
    return std::nullopt;
}

template <class Packet>
void putNames(Packet& packet, const FibreNames& names)
{
    std::copy(names.nodeName.begin(), names.nodeName.end(), packet.nodeName);
    std::copy(names.portName.begin(), names.portName.end(), packet.portName);
    packet.portAddress.set(names.portAddress);
    packet.portState = names.portState;
}

class FibrePortDriver final : public CsmiPortDriver {
public:
    using CsmiPortDriver::CsmiPortDriver;

protected:
    uint32_t doPassThrough(wire::Request& request, PortController& controller, uint32_t& bytesReturned) override
    {
        const uint32_t code = request.header.controlCode.get();
        if (wire::signatureIs(request.header.signature, "ZYRFC")) {
            switch (code) {
            case kAddressQuery:
                return answerAddress(request, controller, bytesReturned);
            case kCommand:
                return answerCommand(request, controller, bytesReturned);
            case kNameQuery:
                return answerNames(request, controller, bytesReturned);
            default:
                return kErrorUnknownRequest;
            }
        }
        if (wire::signatureIs(request.header.signature, "FCM&P") && controller.wiring.bHbaApi) {
            if (code == kAdapterAttributes)
                return answerAdapterAttributes(request, controller, bytesReturned);
            if (code == kPortAttributes)
                return answerPortAttributes(request, controller, bytesReturned);
        }
        return kErrorUnknownRequest;
    }

    uint32_t doControl(uint32_t code, std::span<const uint8_t>, std::span<uint8_t> out, PortController& controller,
                       uint32_t& bytesReturned) override
    {
        if (code == wire::kRescanBus)
            return wire::kOk;
        if (code == wire::kGetInquiryData)
            return answerInquiryData(out, controller, bytesReturned);
        return kErrorUnknownRequest;
    }

private:
    static std::optional<Target> targetAt(PortController& controller, uint8_t path, uint8_t target, uint8_t lun)
    {
        if (auto remote = remoteAt(controller, path, target, lun))
            return remote;
        if (path == 0 && target == 0 && lun == 0)
            return Target{controller.firmware.get(), &controller.wiring.names, {}, kAdapterHandle};
        return std::nullopt;
    }

    static uint32_t answerAddress(wire::Request& request, PortController& controller, uint32_t& bytesReturned)
    {
        auto packet = wire::read<wire::FcAddressPacket>(request.packet);
        if (!packet)
            return wire::kErrorInvalidParameter;
        const auto target = targetAt(controller, packet->path, packet->target, packet->lun);
        if (!target)
            return wire::finishRequest(request, wire::kReturnNoDevice, bytesReturned);
        packet->handle.set(target->handle);
        wire::write(request.packet, *packet);
        return wire::finishRequest(request, wire::kReturnSuccess, bytesReturned);
    }

    static uint32_t answerCommand(wire::Request& request, PortController& controller, uint32_t& bytesReturned)
    {
        auto packet = wire::read<wire::FcCommandPacket>(request.packet);
        if (!packet || packet->cdbLength == 0 || packet->cdbLength > sizeof(packet->cdb))
            return wire::kErrorInvalidParameter;
        const uint32_t direction = packet->direction.get();
        if (direction != 1 && direction != 2 && direction != 4)
            return wire::kErrorInvalidParameter;
        // The handle names the target; the bus and target ids must be those
        // the address query gave for it.
        const uint32_t handle = packet->handle.get();
        ControllerFirmware* firmware = nullptr;
        if (handle == kAdapterHandle && packet->path == 0 && packet->target == 0) {
            firmware = controller.firmware.get();
        } else if (handle != kAdapterHandle && handle <= controller.firmware->remoteCount()) {
            const RemoteAddress address = controller.firmware->remoteAddress(handle - 1);
            if (address.path == packet->path && address.target == packet->target)
                firmware = &controller.firmware->remote(handle - 1);
        }
        if (!firmware)
            return wire::finishRequest(request, wire::kReturnNoDevice, bytesReturned);
        const std::span<uint8_t> dataArea = request.packet.subspan(sizeof(wire::FcCommandPacket));
        FirmwareCommand command;
        command.bBmic = packet->cdbLength >= 10 && (packet->cdb[0] == 0x26 || packet->cdb[0] == 0x27);
        command.block.assign(packet->cdb, packet->cdb + (command.bBmic ? 10 : packet->cdbLength));
        command.lun[0] = packet->lun[0];
        command.lun[1] = packet->lun[1];
        command.direction = direction;
        if (direction == 2)
            command.data.assign(dataArea.begin(), dataArea.end());
        else if (direction == 1)
            command.data.assign(dataArea.size(), 0);
        const FirmwareReply reply = callFirmware(*firmware, command);
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

    static uint32_t answerNames(wire::Request& request, PortController& controller, uint32_t& bytesReturned)
    {
        auto packet = wire::read<wire::FcNamePacket>(request.packet);
        if (!packet)
            return wire::kErrorInvalidParameter;
        const FibreNames* names = nullptr;
        if (packet->path == kAdapterAddress && packet->target == kAdapterAddress && packet->lun == kAdapterAddress)
            names = &controller.wiring.names;
        else if (const auto remote = remoteAt(controller, packet->path, packet->target, packet->lun))
            names = remote->names;
        if (!names)
            return wire::finishRequest(request, wire::kReturnNoDevice, bytesReturned);
        putNames(*packet, *names);
        wire::write(request.packet, *packet);
        return wire::finishRequest(request, wire::kReturnSuccess, bytesReturned);
    }

    static uint32_t answerAdapterAttributes(wire::Request& request, PortController& controller, uint32_t& bytesReturned)
    {
        auto packet = wire::read<wire::FcmpAdapterPacket>(request.packet);
        if (!packet)
            return wire::kErrorInvalidParameter;
        putNames(*packet, controller.wiring.names);
        wire::write(request.packet, *packet);
        return wire::finishRequest(request, wire::kReturnSuccess, bytesReturned);
    }

    static uint32_t answerPortAttributes(wire::Request& request, PortController& controller, uint32_t& bytesReturned)
    {
        auto packet = wire::read<wire::FcmpPortPacket>(request.packet);
        if (!packet || packet->version.get() != kPortAttributesVersion)
            return wire::kErrorInvalidParameter;
        const auto remote = remoteAt(controller, packet->path, packet->target, packet->lun);
        if (!remote)
            return wire::finishRequest(request, wire::kReturnNoDevice, bytesReturned);
        putNames(*packet, *remote->names);
        wire::write(request.packet, *packet);
        return wire::finishRequest(request, wire::kReturnSuccess, bytesReturned);
    }

    // The first 36 bytes of the remote's own INQUIRY reply, with the
    // peripheral type its kind gives.
    static std::array<uint8_t, kInquiryExamined> inquiryOf(PortController& controller, size_t index)
    {
        FirmwareCommand inquiry;
        inquiry.bBmic = false;
        inquiry.block = {0x12, 0, 0, 0, static_cast<uint8_t>(kInquiryExamined), 0};
        inquiry.data.assign(kInquiryExamined, 0);
        const FirmwareReply reply = callFirmware(controller.firmware->remote(index), inquiry);
        std::array<uint8_t, kInquiryExamined> data{};
        if (!reply.error && reply.scsiStatus == 0 && reply.commandStatus == 0)
            std::copy_n(inquiry.data.begin(), std::min(inquiry.data.size(), data.size()), data.begin());
        const uint8_t type = controller.wiring.remotes[index].bEnclosure ? kTypeEnclosure : kTypeArrayController;
        data[0] = static_cast<uint8_t>((data[0] & 0xE0) | type);
        return data;
    }

    static uint32_t answerInquiryData(std::span<uint8_t> out, PortController& controller, uint32_t& bytesReturned)
    {
        const ControllerFirmware& adapter = *controller.firmware;
        const size_t count = adapter.remoteCount();
        // Bus 255 cannot be counted in the one-byte bus total; nothing is listed there.
        size_t buses = 1;
        for (size_t i = 0; i < count; ++i)
            buses = std::max<size_t>(buses, std::min<size_t>(adapter.remoteAddress(i).path + size_t{1}, 255));
        const size_t tableEnd = sizeof(wire::AdapterBusInfo) + buses * sizeof(wire::BusData);
        size_t listed = 0;
        for (size_t i = 0; i < count; ++i)
            listed += adapter.remoteAddress(i).path < buses ? 1 : 0;
        const size_t needed = tableEnd + listed * sizeof(wire::InquiryDataRecord);
        if (out.size() < needed)
            return wire::kErrorInsufficientBuffer;
        std::fill(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(needed), uint8_t{0});
        wire::AdapterBusInfo info{};
        info.numberOfBuses = static_cast<uint8_t>(buses);
        wire::write(out, info);
        size_t next = tableEnd;
        for (size_t bus = 0; bus < buses; ++bus) {
            wire::BusData busData{};
            size_t previous = 0;
            for (size_t i = 0; i < count; ++i) {
                const RemoteAddress address = adapter.remoteAddress(i);
                if (address.path != bus)
                    continue;
                if (busData.numberOfLogicalUnits == 0) {
                    busData.inquiryDataOffset.set(static_cast<uint32_t>(next));
                } else {
                    // Link the previous unit of this bus to this one.
                    auto link = wire::read<wire::InquiryDataRecord>(out.subspan(previous));
                    link->nextInquiryDataOffset.set(static_cast<uint32_t>(next));
                    wire::write(out.subspan(previous), *link);
                }
                ++busData.numberOfLogicalUnits;
                wire::InquiryDataRecord record{};
                record.path = address.path;
                record.target = address.target;
                record.lun = address.lun;
                record.inquiryDataLength.set(kInquiryExamined);
                const auto inquiry = inquiryOf(controller, i);
                std::copy(inquiry.begin(), inquiry.end(), record.inquiryData);
                wire::write(out.subspan(next), record);
                previous = next;
                next += sizeof(wire::InquiryDataRecord);
            }
            wire::write(out.subspan(sizeof(wire::AdapterBusInfo) + bus * sizeof(wire::BusData)), busData);
        }
        bytesReturned = static_cast<uint32_t>(needed);
        return wire::kOk;
    }
};

std::unique_ptr<PortDriver> makeFibrePort(const Node& port, std::string& error)
{
    std::optional<PortController> controller;
    if (!readPortController(port, kFibreClass, DetailByteOrder::eMostSignificantFirst, controller, error))
        return nullptr;
    return std::make_unique<FibrePortDriver>(std::move(controller));
}

[[maybe_unused]] const bool registered = registerPortDriver("fibre", &makeFibrePort);

} // namespace

} // namespace sim
