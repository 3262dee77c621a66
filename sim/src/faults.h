// Fault injection on one simulated device: open failures, failing requests,
// short or garbage replies and hanging requests.
#ifndef TSM_SIM_FAULTS_H
#define TSM_SIM_FAULTS_H

#include <sim/node.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace sim {

enum class FaultKind { eOPEN, eERROR, eSHORT, eGARBAGE, eHANG };

struct Fault {
    FaultKind kind = FaultKind::eERROR;
    std::optional<uint32_t> code; // the control code it applies to; all when empty
    uint32_t error = 0; // eOPEN, eERROR: the Win32 error
    uint32_t bytes = 0; // eSHORT: bytes returned at most
    uint32_t seed = 0; // eGARBAGE
    uint32_t milliseconds = 0; // eHANG

    bool appliesTo(uint32_t controlCode) const { return !code || *code == controlCode; }
};

const char* faultKindName(FaultKind kind);

// The faults of one device with the state they keep (the garbage generator).
class FaultSet {
public:
    // Reads the <fault> children of a device element; false with the problem
    // and its line on a fault it does not understand.
    bool read(const Node& device, int& errorLine, std::string& problem);

    const std::vector<Fault>& faults() const { return m_faults; }

    // The error opening the device fails with, or 0.
    uint32_t openError() const;

    // Runs one request through the faults: sleeps for a hang, answers an
    // injected error, or calls answer() and then shortens or scrambles what
    // it returned. answer() returns the Win32 error and sets returned.
    template <class Answer>
    uint32_t run(uint32_t code, uint8_t* out, uint32_t outLength, uint32_t& returned, Answer&& answer);

private:
    void hang(uint32_t code) const;
    const Fault* find(FaultKind kind, uint32_t code) const;

    std::vector<Fault> m_faults;
    std::mt19937 m_random;
};

template <class Answer>
uint32_t FaultSet::run(uint32_t code, uint8_t* out, uint32_t outLength, uint32_t& returned, Answer&& answer)
{
    hang(code);
    if (const Fault* fault = find(FaultKind::eERROR, code)) {
        returned = 0;
        return fault->error;
    }
    if (find(FaultKind::eGARBAGE, code)) {
        for (uint32_t i = 0; i < outLength; ++i)
            out[i] = static_cast<uint8_t>(m_random() & 0xFF);
        returned = outLength;
        return 0;
    }
    const uint32_t error = answer();
    if (const Fault* fault = find(FaultKind::eSHORT, code); fault && returned > fault->bytes)
        returned = fault->bytes;
    return error;
}

} // namespace sim

#endif
