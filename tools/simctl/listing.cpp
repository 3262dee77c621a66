// Listing of a machine description through the simulator's own reader, so it
// shows exactly what the machine will be.
#include "listing.h"

#include "machinecache.h"

#include <cstdio>

namespace simctl {

namespace {

std::string hex(uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

std::string faultText(const sim::Fault& fault)
{
    std::string text = sim::faultKindName(fault.kind);
    switch (fault.kind) {
    case sim::FaultKind::eOPEN:
    case sim::FaultKind::eERROR:
        text += " error " + std::to_string(fault.error);
        break;
    case sim::FaultKind::eSHORT:
        text += " to " + std::to_string(fault.bytes) + " bytes";
        break;
    case sim::FaultKind::eGARBAGE:
        text += " seed " + std::to_string(fault.seed);
        break;
    case sim::FaultKind::eHANG:
        text += " " + std::to_string(fault.milliseconds) + " ms";
        break;
    }
    text += fault.code ? " on 0x" + hex(*fault.code, 8) : " on every request";
    return text;
}

void listFaults(const sim::FaultSet& faults, std::ostream& out)
{
    for (const sim::Fault& fault : faults.faults())
        out << "    fault: " << faultText(fault) << "\n";
}

void listPci(const sim::PciFunction& f, std::ostream& out)
{
    const auto& h = f.header;
    const uint32_t vendor = h[0] | h[1] << 8;
    const uint32_t device = h[2] | h[3] << 8;
    const uint32_t classCode = h[9] | h[10] << 8 | h[11] << 16;
    out << "  PCI " << unsigned(f.bus) << ":" << unsigned(f.device) << "." << unsigned(f.function) << "  vendor "
        << hex(vendor, 4) << " device " << hex(device, 4) << " class " << hex(classCode, 6);
    if (classCode == 0x060400 && h.size() > 25)
        out << "  bridge to bus " << unsigned(h[25]);
    if (f.slot)
        out << "  slot " << unsigned(*f.slot);
    out << "\n";
}

const char* uiText(sim::UiNumberState state)
{
    switch (state) {
    case sim::UiNumberState::eABSENT:
        return "no UI number";
    case sim::UiNumberState::eVALID:
        return "UI number";
    case sim::UiNumberState::eINVALID_DATA:
        return "UI number not valid data";
    case sim::UiNumberState::eUNREADABLE:
        return "UI number unreadable";
    }
    return "?";
}

} // namespace

bool listDescription(const std::string& path, std::ostream& out, std::ostream& errors)
{
    std::string message;
    const std::shared_ptr<sim::Machine> machine = sim::loadMachineFile(path, message);
    if (!machine) {
        errors << message << "\n";
        return false;
    }
    const sim::OsVersion& os = machine->os;
    out << path << "\n";
    out << "  operating system " << os.major << "." << os.minor << " build " << os.build;
    if (!os.csd.empty())
        out << " \"" << os.csd << "\"";
    out << "\n";
    out << "  health driver " << (machine->healthDriver ? "present" : "absent") << "\n";
    listFaults(machine->healthFaults, out);
    for (const sim::PciFunction& f : machine->pci)
        listPci(f, out);
    if (!machine->pci.empty())
        out << "  PCI buses 0 to " << machine->lastPciBus << " answer\n";
    for (const sim::RoutingEntry& entry : machine->routing)
        out << "  routing bus " << unsigned(entry.bus) << " device " << unsigned(entry.device) << "  slot "
            << unsigned(entry.slot) << "\n";
    for (const sim::SetupRecord& record : machine->setupRecords) {
        out << "  setup record " << record.classGuid << "  "
            << (record.location ? "\"" + *record.location + "\"" : std::string("no location")) << "  "
            << uiText(record.uiState);
        if (record.uiState == sim::UiNumberState::eVALID)
            out << " " << record.uiNumber;
        out << "\n";
    }
    for (const auto& [number, port] : machine->ports) {
        out << "  port " << number << "  driver " << port->driverName << "\n";
        listFaults(port->faults, out);
    }
    out << "  " << machine->ports.size() << " ports, " << machine->pci.size() << " PCI functions, "
        << machine->setupRecords.size() << " setup records\n";
    return true;
}

} // namespace simctl
