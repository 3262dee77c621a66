// The driver "other": a SCSI port of an adapter that is no storage controller
// of ours (a tape or optical bus). It opens, and knows none of the requests.
#include <sim/portdriver.h>

namespace sim {

namespace {

class OtherPort : public PortDriver {
public:
    uint32_t ioControl(uint32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t, uint32_t& bytesReturned) override
    {
        bytesReturned = 0;
        return kErrorUnknownRequest;
    }
};

std::unique_ptr<PortDriver> makeOtherPort(const Node&, std::string&)
{
    return std::make_unique<OtherPort>();
}

[[maybe_unused]] const bool registered = registerPortDriver("other", &makeOtherPort);

} // namespace

} // namespace sim
