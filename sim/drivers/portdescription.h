// What a simulated miniport knows about the controller behind its port and
// the remote controllers behind that one, read from the transport attributes
// of the <controller> and <remote> elements (the firmware reads the rest).
#ifndef TSM_SIM_DRIVERS_PORTDESCRIPTION_H
#define TSM_SIM_DRIVERS_PORTDESCRIPTION_H

#include "firmware.h"

#include <sim/node.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// Fibre Channel names of an adapter or a target.
struct FibreNames {
    std::array<uint8_t, 8> nodeName{};
    std::array<uint8_t, 8> portName{};
    uint32_t portAddress = 0; // 24 bits
    uint8_t portState = 1; // 1 online
};

struct RemoteWiring {
    bool bEnclosure = false; // kind="enclosure": enclosure services device
    FibreNames names;
};

struct ControllerWiring {
    bool bEisa = false;
    uint16_t vendorId = 0xF1A7;
    uint16_t deviceId = 0x4C01;
    uint32_t eisaBoardId = 0x5256A010;
    uint8_t pciBus = 0;
    uint8_t pciDevice = 0;
    uint8_t pciFunction = 0;
    uint16_t slot = 0;
    uint8_t controllerClass = 0;
    uint32_t status = 1;
    std::optional<uint32_t> legacyAddress;
    std::string serialNumber;
    bool bHbaApi = true; // answers the "FCM&P" attribute requests
    FibreNames names;
    std::vector<RemoteWiring> remotes;
};

// One controller behind a port: its wiring and its firmware.
struct PortController {
    ControllerWiring wiring;
    std::unique_ptr<ControllerFirmware> firmware;
};

// Reads the port's <controller> child (at most one; none gives a port whose
// miniport found no controller) with the class the transport reports by
// default. False with a message naming the line on a description it cannot use.
bool readPortController(const Node& port, uint8_t defaultClass, DetailByteOrder order,
                        std::optional<PortController>& controller, std::string& error);

} // namespace sim

#endif
