// "ZYRCSMI" requests of the simulated CSMI miniports.
#include "csmidriver.h"

#include "packetlayouts.h"

#include <algorithm>

namespace sim {

namespace {

constexpr uint32_t kCsmiConfiguration = 2;
constexpr uint32_t kCsmiStatus = 3;
constexpr uint8_t kBusEisa = 2;
constexpr uint8_t kBusPci = 3;

} // namespace

uint32_t CsmiPortDriver::ioControl(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out,
                                   uint32_t outLength, uint32_t& bytesReturned)
{
    bytesReturned = 0;
    if (!m_controller)
        return wire::kErrorDeviceNotConnected;
    if (code != wire::kMiniportPassThrough) {
        return doControl(code, std::span<const uint8_t>(in, in ? inLength : 0),
                         std::span<uint8_t>(out, out ? outLength : 0), *m_controller, bytesReturned);
    }
    wire::Request request;
    if (const uint32_t error = wire::openRequest(in, inLength, out, outLength, request))
        return error;
    if (!wire::signatureIs(request.header.signature, "ZYRCSMI"))
        return doPassThrough(request, *m_controller, bytesReturned);
    switch (request.header.controlCode.get()) {
    case kCsmiConfiguration:
        return answerConfiguration(request, m_controller->wiring, bytesReturned);
    case kCsmiStatus:
        return answerStatus(request, m_controller->wiring, bytesReturned);
    default:
        return kErrorUnknownRequest;
    }
}

uint32_t CsmiPortDriver::doControl(uint32_t, std::span<const uint8_t>, std::span<uint8_t>, PortController&, uint32_t&)
{
    return kErrorUnknownRequest;
}

uint32_t CsmiPortDriver::answerConfiguration(wire::Request& request, const ControllerWiring& wiring,
                                             uint32_t& bytesReturned)
{
    if (request.packet.size() < sizeof(wire::CsmiConfigPacket))
        return wire::kErrorInvalidParameter;
    wire::CsmiConfigPacket record{};
    record.header = request.header;
    record.boardId.set(wiring.bEisa ? wiring.eisaBoardId
                                    : static_cast<uint32_t>(wiring.vendorId) | (uint32_t{wiring.deviceId} << 16));
    record.slot.set(wiring.slot);
    record.controllerClass = wiring.controllerClass;
    record.ioBusType = wiring.bEisa ? kBusEisa : kBusPci;
    if (!wiring.bEisa) {
        record.pciBus = wiring.pciBus;
        record.pciDevice = wiring.pciDevice;
        record.pciFunction = wiring.pciFunction;
    }
    std::copy_n(wiring.serialNumber.begin(), std::min(wiring.serialNumber.size(), sizeof(record.serialNumber) - 1),
                record.serialNumber);
    std::fill(request.body().begin(), request.body().end(), uint8_t{0});
    wire::write(request.packet, record);
    return wire::finishRequest(request, wire::kReturnSuccess, bytesReturned);
}

uint32_t CsmiPortDriver::answerStatus(wire::Request& request, const ControllerWiring& wiring, uint32_t& bytesReturned)
{
    if (request.packet.size() < sizeof(wire::CsmiStatusPacket))
        return wire::kErrorInvalidParameter;
    wire::CsmiStatusPacket record{};
    record.header = request.header;
    record.status.set(wiring.status);
    std::fill(request.body().begin(), request.body().end(), uint8_t{0});
    wire::write(request.packet, record);
    return wire::finishRequest(request, wire::kReturnSuccess, bytesReturned);
}

} // namespace sim
