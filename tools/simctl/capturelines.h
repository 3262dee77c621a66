// One line of a packet capture file read back: device, control code, input
// and output bytes, and the result.
#ifndef TSM_SIMCTL_CAPTURELINES_H
#define TSM_SIMCTL_CAPTURELINES_H

#include <cstdint>
#include <string>
#include <vector>

namespace simctl {

struct CapturedRequest {
    std::string device;
    uint32_t code = 0;
    std::vector<uint8_t> in;
    std::vector<uint8_t> out;
    bool ok = false;
    uint32_t error = 0;
};

// Parses one capture line; false with the problem set when the line is not
// a capture record.
bool parseCaptureLine(const std::string& line, CapturedRequest& request, std::string& problem);

// A name for the control codes the agent sends, "" for others.
const char* controlCodeName(uint32_t code);

} // namespace simctl

#endif
