// Reads the transport attributes of <controller> and <remote> elements.
//
// <controller> (one per port):
//   bus="pci|eisa"               I/O bus (pci)
//   vendor, device               PCI vendor and device identifiers (those of the
//                                firmware's board identifier, else 0xF1A7, 0x4C01)
//   board                        EISA board identifier (the firmware's, else 0x5256A010)
//   pcibus, pcidevice, pcifunction  PCI address (0, 0, 0)
//   slot                         slot the configuration record carries (0)
//   class                        controller class of the CSMI configuration record
//                                (the transport's own: 4 CISS, 1 I2O, 3 Fibre Channel)
//   status                       CSMI status value: 1 normal, 2 or 4 degraded, other failed (1)
//   address                      legacy configuration address (EISA: slot << 12 | 0xC80)
//   serial                       serial number text, at most 39 characters (the
//                                serial of the firmware's <board>)
//   hbaapi="true|false"          Fibre Channel adapters: answers "FCM&P" requests (true)
//   wwn1, wwn2                   Fibre Channel node and port names, 8 hex bytes
//   portaddress, portstate       Fibre Channel port address (24 bits) and state byte
// <remote> (children of <controller>, in the order the firmware lists them):
//   kind="controller|enclosure"  peripheral type 12 or 13 in the inquiry data (controller)
//   wwn1, wwn2, portaddress, portstate  as above
// The LUN address and address bytes of a remote are the firmware's to read.
#include "portdescription.h"

namespace sim {

namespace {

class AttributeReader {
public:
    AttributeReader(const Node& node, std::string& error) : m_node(node), m_error(error) {}

    bool ok() const { return m_error.empty(); }

    template <class T>
    void number(const char* key, T& value, uint32_t max)
    {
        if (!ok() || !m_node.has(key))
            return;
        uint32_t parsed = 0;
        if (!parseNumber(m_node.attr(key), parsed) || parsed > max) {
            fail(std::string("attribute \"") + key + "\" is not a number from 0 to " + std::to_string(max));
            return;
        }
        value = static_cast<T>(parsed);
    }

    void flag(const char* key, bool& value)
    {
        if (!ok() || !m_node.has(key))
            return;
        const std::string text = m_node.attr(key);
        if (text != "true" && text != "false") {
            fail(std::string("attribute \"") + key + "\" is neither true nor false");
            return;
        }
        value = text == "true";
    }

    void name(const char* key, std::array<uint8_t, 8>& value)
    {
        if (!ok() || !m_node.has(key))
            return;
        std::vector<uint8_t> bytes;
        if (!parseHexBytes(m_node.attr(key), bytes) || bytes.size() != value.size()) {
            fail(std::string("attribute \"") + key + "\" must hold 8 bytes of hex");
            return;
        }
        std::copy(bytes.begin(), bytes.end(), value.begin());
    }

    void fail(const std::string& problem)
    {
        if (ok())
            m_error = "<" + m_node.name + "> at line " + std::to_string(m_node.line) + ": " + problem;
    }

private:
    const Node& m_node;
    std::string& m_error;
};

// Names a target without its own wwn attributes gets: the maker's fictional
// registered prefix, the port and the position behind it.
FibreNames defaultNames(uint32_t port, uint32_t position)
{
    FibreNames names;
    names.nodeName = {0x5F, 0x1A, 0x70, 0x00, 0x00, static_cast<uint8_t>(port), static_cast<uint8_t>(position), 0x00};
    names.portName = names.nodeName;
    names.portName[7] = 0x01;
    names.portAddress = 0x010000 | (port << 8) | position;
    return names;
}

void readNames(AttributeReader& reader, FibreNames& names)
{
    reader.name("wwn1", names.nodeName);
    reader.name("wwn2", names.portName);
    reader.number("portaddress", names.portAddress, 0xFFFFFF);
    reader.number("portstate", names.portState, 0xFF);
}

bool readRemote(const Node& node, uint32_t port, uint32_t position, RemoteWiring& remote, std::string& error)
{
    AttributeReader reader(node, error);
    const std::string kind = node.attr("kind", "controller");
    if (kind != "controller" && kind != "enclosure")
        reader.fail("attribute \"kind\" is neither controller nor enclosure");
    remote.bEnclosure = kind == "enclosure";
    remote.names = defaultNames(port, position);
    readNames(reader, remote.names);
    return reader.ok();
}

bool readWiring(const Node& node, uint32_t port, ControllerWiring& wiring, std::string& error)
{
    AttributeReader reader(node, error);
    const std::string bus = node.attr("bus", "pci");
    if (bus != "pci" && bus != "eisa")
        reader.fail("attribute \"bus\" is neither pci nor eisa");
    wiring.bEisa = bus == "eisa";
    reader.number("vendor", wiring.vendorId, 0xFFFF);
    reader.number("device", wiring.deviceId, 0xFFFF);
    reader.number("board", wiring.eisaBoardId, 0xFFFFFFFF);
    reader.number("pcibus", wiring.pciBus, 0xFF);
    reader.number("pcidevice", wiring.pciDevice, 31);
    reader.number("pcifunction", wiring.pciFunction, 7);
    reader.number("slot", wiring.slot, 0xFFFF);
    reader.number("class", wiring.controllerClass, 0xFF);
    reader.number("status", wiring.status, 0xFFFFFFFF);
    if (node.has("address")) {
        uint32_t address = 0;
        reader.number("address", address, 0xFFFFFFFF);
        wiring.legacyAddress = address;
    }
    wiring.serialNumber = node.attr("serial");
    if (wiring.serialNumber.size() > 39)
        reader.fail("attribute \"serial\" is longer than 39 characters");
    reader.flag("hbaapi", wiring.bHbaApi);
    wiring.names = defaultNames(port, 0xFF);
    readNames(reader, wiring.names);
    uint32_t position = 0;
    for (const Node* remoteNode : node.childrenNamed("remote")) {
        if (!reader.ok())
            break;
        RemoteWiring remote;
        if (!readRemote(*remoteNode, port, position++, remote, error))
            break;
        wiring.remotes.push_back(remote);
    }
    return reader.ok();
}

// Without identifiers of its own the configuration record carries those of
// the firmware's board (PCI: device in the high half, vendor in the low half)
// and the board's serial number.
void applyBoard(const Node& node, uint32_t boardId, ControllerWiring& wiring)
{
    if (boardId != 0) {
        if (!node.has("vendor") && !node.has("device")) {
            wiring.vendorId = static_cast<uint16_t>(boardId);
            wiring.deviceId = static_cast<uint16_t>(boardId >> 16);
        }
        if (!node.has("board"))
            wiring.eisaBoardId = boardId;
    }
    const Node* board = node.child("board");
    if (!node.has("serial") && board)
        wiring.serialNumber = board->attr("serial").substr(0, 39);
}

} // namespace

bool readPortController(const Node& port, uint8_t defaultClass, DetailByteOrder order,
                        std::optional<PortController>& controller, std::string& error)
{
    controller.reset();
    const Node* found = nullptr;
    for (const Node& child : port.children) {
        if (child.name == "fault")
            continue; // the port frame's
        if (child.name != "controller") {
            error = "<" + child.name + "> at line " + std::to_string(child.line) + " is not known in a <port>";
            return false;
        }
        if (found) {
            error = "<controller> at line " + std::to_string(child.line) + ": a port has one controller";
            return false;
        }
        found = &child;
    }
    if (!found)
        return true;
    PortController result;
    result.wiring.controllerClass = defaultClass;
    if (!readWiring(*found, port.number("number"), result.wiring, error))
        return false;
    result.firmware = ControllerFirmware::fromDescription(*found, error, order);
    if (!result.firmware) {
        if (error.empty())
            error = "<controller> at line " + std::to_string(found->line) + ": the firmware refused it";
        return false;
    }
    applyBoard(*found, result.firmware->boardId(), result.wiring);
    if (result.firmware->remoteCount() != result.wiring.remotes.size()) {
        error = "<controller> at line " + std::to_string(found->line) + ": the firmware lists " +
                std::to_string(result.firmware->remoteCount()) + " remote controllers, the element has " +
                std::to_string(result.wiring.remotes.size());
        return false;
    }
    controller = std::move(result);
    return true;
}

} // namespace sim
