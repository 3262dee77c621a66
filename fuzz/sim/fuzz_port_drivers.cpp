// Fuzz target of the simulated miniports: every request comes from the input.
// Byte 0 picks the port (CISS, I2O, Fibre Channel, legacy) and the control
// code; the rest is the request, laid over an output buffer the way buffered
// device I/O does it.
#include "fuzzing.h"

#include <sim/node.h>
#include <sim/portdriver.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace {

sim::Node element(const char* name, std::map<std::string, std::string> attributes, std::vector<sim::Node> children = {})
{
    return sim::Node{name, std::move(attributes), std::move(children), 1};
}

std::unique_ptr<sim::PortDriver> build(const char* driver, uint32_t number)
{
    std::vector<sim::Node> content = {element("physicaldrive", {{"port", "0"}, {"target", "1"}}),
                                      element("logicaldrive", {{"number", "0"}, {"raid", "0"}, {"drives", "0:1"}})};
    if (std::string(driver) == "ciss" || std::string(driver) == "fibre") {
        content.push_back(element("remote", {{"path", "0"}, {"target", "1"}, {"lunbyte", "0"}}));
        content.push_back(element("remote", {{"path", "1"}, {"target", "2"}, {"lunbyte", "0"}, {"kind", "enclosure"}}));
    }
    const sim::Node port =
        element("port", {{"number", std::to_string(number)}, {"driver", driver}}, {element("controller", {}, content)});
    std::string error;
    const sim::PortDriverFactory* factory = sim::findPortDriver(driver);
    auto made = factory ? (*factory)(port, error) : nullptr;
    check(made != nullptr); // the fixed description must be usable
    return made;
}

struct Ports {
    std::array<std::unique_ptr<sim::PortDriver>, 4> drivers = {build("ciss", 0), build("i2o", 1), build("fibre", 2),
                                                               build("legacy", 3)};
};

constexpr uint32_t kCodes[] = {0x0004D008, 0x0004101C, 0x0004100C, 0x00041018};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Ports ports;
    if (size < 1)
        return 0;
    const uint8_t selector = data[0];
    sim::PortDriver& driver = *ports.drivers[selector & 3];
    const uint32_t code = kCodes[(selector >> 2) & 3];
    const std::vector<uint8_t> in(data + 1, data + size);
    // Bits 4 to 7 shorten or lengthen the output against the input.
    const size_t outLength = std::max<ptrdiff_t>(0, static_cast<ptrdiff_t>(in.size()) + ((selector >> 4) - 8) * 16);
    std::vector<uint8_t> out(std::max(in.size(), outLength), 0);
    std::copy(in.begin(), in.end(), out.begin());
    uint32_t returned = 0;
    driver.ioControl(code, in.data(), static_cast<uint32_t>(in.size()), out.data(), static_cast<uint32_t>(outLength),
                     returned);
    check(returned <= outLength);
    return 0;
}
