// Reading fault elements and the parts of fault handling that keep no template.
#include "faults.h"

#include <chrono>
#include <thread>

namespace sim {

const char* faultKindName(FaultKind kind)
{
    switch (kind) {
    case FaultKind::eOPEN:
        return "open";
    case FaultKind::eERROR:
        return "error";
    case FaultKind::eSHORT:
        return "short";
    case FaultKind::eGARBAGE:
        return "garbage";
    case FaultKind::eHANG:
        return "hang";
    }
    return "?";
}

namespace {

bool requireNumber(const Node& node, const std::string& key, uint32_t& value, int& errorLine, std::string& problem)
{
    if (!node.has(key) || !parseNumber(node.attr(key), value)) {
        errorLine = node.line;
        problem = "fault \"" + node.attr("kind") + "\" needs a number in attribute \"" + key + "\"";
        return false;
    }
    return true;
}

} // namespace

bool FaultSet::read(const Node& device, int& errorLine, std::string& problem)
{
    m_faults.clear();
    uint32_t seed = 0;
    for (const Node* node : device.childrenNamed("fault")) {
        Fault fault;
        const std::string kind = node->attr("kind");
        if (node->has("code")) {
            uint32_t code = 0;
            if (!requireNumber(*node, "code", code, errorLine, problem))
                return false;
            fault.code = code;
        }
        bool ok = true;
        if (kind == "open") {
            fault.kind = FaultKind::eOPEN;
            ok = requireNumber(*node, "error", fault.error, errorLine, problem);
        } else if (kind == "error") {
            fault.kind = FaultKind::eERROR;
            ok = requireNumber(*node, "error", fault.error, errorLine, problem);
        } else if (kind == "short") {
            fault.kind = FaultKind::eSHORT;
            ok = requireNumber(*node, "bytes", fault.bytes, errorLine, problem);
        } else if (kind == "garbage") {
            fault.kind = FaultKind::eGARBAGE;
            fault.seed = node->number("seed", 1);
            seed = fault.seed;
        } else if (kind == "hang") {
            fault.kind = FaultKind::eHANG;
            ok = requireNumber(*node, "ms", fault.milliseconds, errorLine, problem);
        } else {
            errorLine = node->line;
            problem = "unknown fault kind \"" + kind + "\" (open, error, short, garbage, hang)";
            return false;
        }
        if (!ok)
            return false;
        if ((fault.kind == FaultKind::eOPEN || fault.kind == FaultKind::eERROR) && fault.error == 0) {
            errorLine = node->line;
            problem = "fault \"" + kind + "\" needs a non-zero error";
            return false;
        }
        m_faults.push_back(fault);
    }
    m_random.seed(seed);
    return true;
}

uint32_t FaultSet::openError() const
{
    for (const Fault& fault : m_faults)
        if (fault.kind == FaultKind::eOPEN)
            return fault.error;
    return 0;
}

const Fault* FaultSet::find(FaultKind kind, uint32_t code) const
{
    for (const Fault& fault : m_faults)
        if (fault.kind == kind && fault.appliesTo(code))
            return &fault;
    return nullptr;
}

void FaultSet::hang(uint32_t code) const
{
    if (const Fault* fault = find(FaultKind::eHANG, code))
        std::this_thread::sleep_for(std::chrono::milliseconds(fault->milliseconds));
}

} // namespace sim
