// Turns a description tree into the machine: checks every element it uses and
// names the line of the first problem.
#include "machine.h"

#include <algorithm>
#include <cctype>

namespace sim {

const PciFunction* Machine::findPci(uint8_t bus, uint8_t device, uint8_t function) const
{
    for (const PciFunction& f : pci)
        if (f.bus == bus && f.device == device && f.function == function)
            return &f;
    return nullptr;
}

namespace {

// Configuration header of a PCI-to-PCI bridge: the maker's own vendor
// identifier, class code 06 04 00, header type 1, primary and secondary bus.
constexpr uint16_t kBridgeVendor = 0xF1A7;
constexpr uint16_t kBridgeDevice = 0x0B01;

class Builder {
public:
    Builder(int& errorLine, std::string& problem) : m_errorLine(errorLine), m_problem(problem) {}

    std::unique_ptr<Machine> build(const Node& root)
    {
        if (root.name != "machine")
            return fail(root, "the root element is <" + root.name + ">, expected <machine>");
        auto machine = std::make_unique<Machine>();
        for (const Node& node : root.children) {
            const bool ok = node.name == "os"       ? readOs(node, machine->os)
                            : node.name == "health" ? readHealth(node, *machine)
                            : node.name == "pci"    ? readPci(node, *machine)
                            : node.name == "setup"  ? readSetup(node, *machine)
                            : node.name == "port"   ? readPort(node, *machine)
                                                    : (fail(node, "unknown element <" + node.name + ">"), false);
            if (!ok)
                return nullptr;
        }
        return machine;
    }

private:
    std::nullptr_t fail(const Node& node, const std::string& problem)
    {
        m_errorLine = node.line;
        m_problem = problem;
        return nullptr;
    }

    bool number(const Node& node, const std::string& key, uint32_t max, uint32_t& value, bool required = true)
    {
        if (!node.has(key)) {
            if (required)
                fail(node, "<" + node.name + "> needs attribute \"" + key + "\"");
            return !required;
        }
        if (!parseNumber(node.attr(key), value) || value > max) {
            fail(node,
                 "attribute \"" + key + "\" of <" + node.name + "> is not a number from 0 to " + std::to_string(max));
            return false;
        }
        return true;
    }

    bool byte(const Node& node, const std::string& key, uint32_t max, uint8_t& value)
    {
        uint32_t v = 0;
        if (!number(node, key, max, v))
            return false;
        value = static_cast<uint8_t>(v);
        return true;
    }

    bool readOs(const Node& node, OsVersion& os)
    {
        uint32_t sp = 0;
        uint32_t spMinor = 0;
        if (!number(node, "major", 0xFFFF, os.major) || !number(node, "minor", 0xFFFF, os.minor) ||
            !number(node, "build", 0xFFFFFFFF, os.build, false) ||
            !number(node, "platform", 0xFFFFFFFF, os.platformId, false) ||
            !number(node, "servicepack", 0xFFFF, sp, false) ||
            !number(node, "servicepackminor", 0xFFFF, spMinor, false))
            return false;
        os.servicePackMajor = static_cast<uint16_t>(sp);
        os.servicePackMinor = static_cast<uint16_t>(spMinor);
        os.csd = node.attr("csd");
        if (os.csd.size() > 127)
            return fail(node, "attribute \"csd\" is longer than 127 characters"), false;
        return true;
    }

    bool readHealth(const Node& node, Machine& machine)
    {
        const std::string present = node.attr("present", "true");
        if (present != "true" && present != "false")
            return fail(node, "attribute \"present\" of <health> is neither true nor false"), false;
        machine.healthDriver = present == "true";
        return machine.healthFaults.read(node, m_errorLine, m_problem);
    }

    bool readFunction(const Node& node, Machine& machine)
    {
        PciFunction f;
        if (!byte(node, "bus", 255, f.bus) || !byte(node, "device", 31, f.device) ||
            !byte(node, "function", 7, f.function))
            return false;
        if (!parseHexBytes(node.attr("header"), f.header) || f.header.size() < 48 || f.header.size() > 256)
            return fail(node, "attribute \"header\" must hold 48 to 256 bytes of hex"), false;
        if (node.has("slot")) {
            uint8_t slot = 0;
            if (!byte(node, "slot", 255, slot))
                return false;
            f.slot = slot;
        }
        return add(node, machine, std::move(f));
    }

    bool readBridge(const Node& node, Machine& machine)
    {
        PciFunction f;
        uint8_t secondary = 0;
        if (!byte(node, "bus", 255, f.bus) || !byte(node, "device", 31, f.device) ||
            !byte(node, "secondary", 255, secondary))
            return false;
        f.header.assign(64, 0);
        f.header[0] = kBridgeVendor & 0xFF;
        f.header[1] = kBridgeVendor >> 8;
        f.header[2] = kBridgeDevice & 0xFF;
        f.header[3] = kBridgeDevice >> 8;
        f.header[10] = 0x04;
        f.header[11] = 0x06;
        f.header[14] = 0x01;
        f.header[24] = f.bus;
        f.header[25] = secondary;
        f.header[26] = secondary;
        return add(node, machine, std::move(f));
    }

    bool add(const Node& node, Machine& machine, PciFunction f)
    {
        if (machine.findPci(f.bus, f.device, f.function))
            return fail(node, "a second PCI function at the same bus, device and function"), false;
        machine.lastPciBus = std::max<uint32_t>(machine.lastPciBus, f.bus);
        machine.pci.push_back(std::move(f));
        return true;
    }

    bool readRouting(const Node& node, Machine& machine)
    {
        RoutingEntry entry;
        if (!byte(node, "bus", 255, entry.bus) || !byte(node, "device", 31, entry.device) ||
            !byte(node, "slot", 255, entry.slot))
            return false;
        machine.routing.push_back(entry);
        return true;
    }

    bool readPci(const Node& node, Machine& machine)
    {
        for (const Node& child : node.children) {
            const bool ok = child.name == "function" ? readFunction(child, machine)
                            : child.name == "bridge" ? readBridge(child, machine)
                            : child.name == "routing"
                                ? readRouting(child, machine)
                                : (fail(child, "unknown element <" + child.name + "> in <pci>"), false);
            if (!ok)
                return false;
        }
        uint32_t last = 0;
        if (node.has("lastbus")) {
            if (!number(node, "lastbus", 255, last))
                return false;
            machine.lastPciBus = last;
        }
        return true;
    }

    bool readSetup(const Node& node, Machine& machine)
    {
        std::string guid = node.attr("class", kScsiAdapterClass);
        std::transform(guid.begin(), guid.end(), guid.begin(), [](unsigned char c) { return std::toupper(c); });
        for (const Node& child : node.children) {
            if (child.name != "record")
                return fail(child, "unknown element <" + child.name + "> in <setup>"), false;
            SetupRecord record;
            record.classGuid = guid;
            if (child.has("location"))
                record.location = child.attr("location");
            if (child.has("ui")) {
                const std::string ui = child.attr("ui");
                if (ui == "invalid")
                    record.uiState = UiNumberState::eINVALID_DATA;
                else if (ui == "unreadable")
                    record.uiState = UiNumberState::eUNREADABLE;
                else if (parseNumber(ui, record.uiNumber))
                    record.uiState = UiNumberState::eVALID;
                else
                    return fail(child, "attribute \"ui\" is neither a number nor invalid or unreadable"), false;
            }
            machine.setupRecords.push_back(std::move(record));
        }
        return true;
    }

    bool readPort(const Node& node, Machine& machine)
    {
        auto port = std::make_unique<Port>();
        if (!number(node, "number", 255, port->number))
            return false;
        if (machine.ports.count(port->number))
            return fail(node, "port " + std::to_string(port->number) + " is described twice"), false;
        port->driverName = node.attr("driver");
        if (port->driverName.empty())
            return fail(node, "<port> needs attribute \"driver\""), false;
        if (!port->faults.read(node, m_errorLine, m_problem))
            return false;
        const PortDriverFactory* factory = findPortDriver(port->driverName);
        if (!factory) {
            return fail(node,
                        "port " + std::to_string(port->number) + ": no driver named \"" + port->driverName + "\""),
                   false;
        }
        std::string error;
        try {
            port->driver = (*factory)(node, error);
        } catch (const std::exception& e) {
            error = e.what();
        }
        if (!port->driver) {
            return fail(node, "port " + std::to_string(port->number) + " (" + port->driverName +
                                  "): " + (error.empty() ? "the driver refused the port" : error)),
                   false;
        }
        machine.ports.emplace(port->number, std::move(port));
        return true;
    }

    int& m_errorLine;
    std::string& m_problem;
};

} // namespace

std::unique_ptr<Machine> buildMachine(const Node& root, int& errorLine, std::string& problem)
{
    return Builder(errorLine, problem).build(root);
}

} // namespace sim
