// The driver model of the simulated machine: a driver answers the device I/O
// requests of one SCSI port, built from that port's element of the description.
#ifndef TSM_SIM_PORTDRIVER_H
#define TSM_SIM_PORTDRIVER_H

#include <sim/node.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace sim {

class PortDriver {
public:
    virtual ~PortDriver() = default;
    // Answers one DeviceIoControl on the port (buffered: in and out are
    // separate buffers, out may alias nothing of in). Returns a Win32 error
    // code, 0 = success, and sets bytesReturned.
    virtual uint32_t ioControl(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
                               uint32_t& bytesReturned) = 0;
};

// Builds the driver of a <port ... driver="name"> element; on a description
// it cannot use it returns null and sets error (the machine is then refused
// with that message, naming the port's line).
using PortDriverFactory = std::function<std::unique_ptr<PortDriver>(const Node& port, std::string& error)>;

// Registers a driver by name; false when the name is already taken. Usable at
// namespace scope in a driver's source:
//   static const bool registered = sim::registerPortDriver("ciss", &makeCissPort);
bool registerPortDriver(const std::string& driverName, PortDriverFactory factory);

// The factory registered under that name, or null.
const PortDriverFactory* findPortDriver(const std::string& driverName);

// The Win32 error a port answers with when its miniport does not know a
// request (ERROR_INVALID_FUNCTION).
constexpr uint32_t kErrorUnknownRequest = 1;

} // namespace sim

#endif
