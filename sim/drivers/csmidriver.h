// The part every CSMI miniport (CISS, I2O, Fibre Channel) shares: the
// "ZYRCSMI" configuration and status records; the transport's own packets
// are left to the derived driver.
#ifndef TSM_SIM_DRIVERS_CSMIDRIVER_H
#define TSM_SIM_DRIVERS_CSMIDRIVER_H

#include "packetio.h"
#include "portdescription.h"

#include <sim/portdriver.h>

#include <optional>

namespace sim {

class CsmiPortDriver : public PortDriver {
public:
    explicit CsmiPortDriver(std::optional<PortController> controller) : m_controller(std::move(controller)) {}

    uint32_t ioControl(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
                       uint32_t& bytesReturned) final;

protected:
    // A pass-through request with a signature other than "ZYRCSMI"; the
    // controller is present. kErrorUnknownRequest when the signature is not
    // the transport's.
    virtual uint32_t doPassThrough(wire::Request& request, PortController& controller, uint32_t& bytesReturned) = 0;

    // Any other control code; the controller is present.
    virtual uint32_t doControl(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                               PortController& controller, uint32_t& bytesReturned);

private:
    uint32_t answerConfiguration(wire::Request& request, const ControllerWiring& wiring, uint32_t& bytesReturned);
    uint32_t answerStatus(wire::Request& request, const ControllerWiring& wiring, uint32_t& bytesReturned);

    std::optional<PortController> m_controller;
};

} // namespace sim

#endif
