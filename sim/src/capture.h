// Packet capture: one JSON line per device request, appended to $SIM_CAPTURE.
#ifndef TSM_SIM_CAPTURE_H
#define TSM_SIM_CAPTURE_H

#include <cstdint>
#include <string>

namespace sim {

// The JSON line (with its newline) of one request and its reply.
std::string captureRecord(const std::string& device, uint32_t code, const uint8_t* in, uint32_t inLength,
                          const uint8_t* out, uint32_t outLength, uint32_t error);

// Appends the record to the file named by SIM_CAPTURE, in one write so that
// concurrent writers never interleave; nothing when the variable is unset.
void captureRequest(const std::string& device, uint32_t code, const uint8_t* in, uint32_t inLength, const uint8_t* out,
                    uint32_t outLength, uint32_t error);

} // namespace sim

#endif
