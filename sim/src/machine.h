// The simulated machine built from a description: OS version, ports with
// their drivers and faults, PCI functions, routing table, setup records and
// the health driver.
#ifndef TSM_SIM_MACHINE_H
#define TSM_SIM_MACHINE_H

#include "faults.h"

#include <sim/node.h>
#include <sim/portdriver.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct OsVersion {
    uint32_t major = 5;
    uint32_t minor = 0;
    uint32_t build = 2195;
    uint32_t platformId = 2;
    std::string csd;
    uint16_t servicePackMajor = 0;
    uint16_t servicePackMinor = 0;
};

struct PciFunction {
    uint8_t bus = 0;
    uint8_t device = 0;
    uint8_t function = 0;
    std::vector<uint8_t> header; // configuration space from offset 0
    std::optional<uint8_t> slot; // what the health driver reports for it
};

struct RoutingEntry {
    uint8_t bus = 0;
    uint8_t device = 0;
    uint8_t slot = 0;
};

enum class UiNumberState { eABSENT, eVALID, eINVALID_DATA, eUNREADABLE };

struct SetupRecord {
    std::string classGuid; // braced, upper case
    std::optional<std::string> location;
    UiNumberState uiState = UiNumberState::eABSENT;
    uint32_t uiNumber = 0;
};

// One SCSI port: its driver (null when no driver of that name is known) and
// the faults injected on it. Requests to one port are answered one at a time.
struct Port {
    uint32_t number = 0;
    std::string driverName;
    std::unique_ptr<PortDriver> driver;
    FaultSet faults;
    std::mutex lock;
};

struct Machine {
    OsVersion os;
    bool healthDriver = false;
    FaultSet healthFaults;
    std::mutex healthLock;
    uint32_t lastPciBus = 0; // buses above it do not answer
    std::vector<PciFunction> pci;
    std::vector<RoutingEntry> routing;
    std::vector<SetupRecord> setupRecords;
    std::map<uint32_t, std::unique_ptr<Port>> ports;

    const PciFunction* findPci(uint8_t bus, uint8_t device, uint8_t function) const;
};

// The setup class identifier of SCSI adapters.
constexpr const char* kScsiAdapterClass = "{4D36E97B-E325-11CE-BFC1-08002BE10318}";

// Builds a machine from a parsed description; null with the problem and its
// line when the description is not usable.
std::unique_ptr<Machine> buildMachine(const Node& root, int& errorLine, std::string& problem);

} // namespace sim

#endif
