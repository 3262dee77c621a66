// The health driver: PCI BIOS interrupt routing, PCI configuration headers
// and slot numbers of PCI functions, answered from the machine description.
#ifndef TSM_SIM_HEALTHDRIVER_H
#define TSM_SIM_HEALTHDRIVER_H

#include "machine.h"

#include <cstdint>

namespace sim {

constexpr uint32_t kHealthRouting = 0x0007212C;
constexpr uint32_t kHealthConfigHeader = 0x00072158;
constexpr uint32_t kHealthSlot = 0x000721F8;

// Answers one request; out is the request buffer as the caller filled it
// (input bytes laid over it), and receives the reply.
uint32_t healthIoControl(const Machine& machine, uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out,
                         uint32_t outLength, uint32_t& returned);

} // namespace sim

#endif
