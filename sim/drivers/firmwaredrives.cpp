// Reads the <physicaldrive> and <logicaldrive> elements of a controller.
#include "firmwareattributes.h"
#include "firmwaremodel.h"

#include <algorithm>
#include <cstring>

namespace sim::fw {

namespace {

// Transfer modes as the bits of reply bytes 103 and 106.
struct TransferMode {
    const char* name;
    uint8_t bits;
    uint8_t extended;
};
constexpr TransferMode kTransferModes[] = {
    {"async-narrow", 0x00, 0x00},  {"async-wide", 0x04, 0x00},      {"sync-narrow", 0x08, 0x00},
    {"sync-wide", 0x0C, 0x00},     {"ultra-narrow", 0x48, 0x00},    {"ultra-wide", 0x4C, 0x00},
    {"ultra2-narrow", 0xC8, 0x00}, {"ultra2-wide", 0xCC, 0x00},     {"ultra3-narrow", 0xC8, 0x01},
    {"ultra3-wide", 0xCC, 0x01},   {"ultra320-narrow", 0xC8, 0x09}, {"ultra320-wide", 0xCC, 0x09},
};

bool readPhysicalDrive(const Node& element, PhysicalDrive& drive, std::string& error)
{
    AttributeReader in(element, {"port", "target", "blocks", "reserved", "blocksize", "vendor", "product", "serial",
                                 "firmware", "stamped", "transfer", "mode", "modex", "box", "bay", "type", "present"});
    drive.line = element.line;
    if (!in.has("port") || !in.has("target"))
        in.fail("needs the attributes port and target");
    in.number("port", drive.slot.port);
    in.number("target", drive.slot.target);
    drive.totalBlocks = 71132960;
    drive.reservedBlocks = 2048;
    in.number("blocks", drive.totalBlocks);
    in.number("reserved", drive.reservedBlocks);
    in.number("blocksize", drive.blockSize);
    in.exactText("vendor", drive.vendor, 8);
    drive.product = "OVD036B7K2      ";
    in.text("product", drive.product, 16, true);
    drive.serialNumber = "3HX" + std::to_string(drive.slot.port) + "T" + std::to_string(drive.slot.target) + "Q";
    in.text("serial", drive.serialNumber, 40);
    drive.serialNumber.resize(40, ' ');
    drive.firmwareRevision = "B107";
    in.text("firmware", drive.firmwareRevision, 8);
    drive.firmwareRevision.resize(8, ' ');
    in.flag("stamped", drive.stamped);
    drive.transferBits = 0xCC;
    drive.transferBitsExtended = 0x01;
    if (in.has("transfer")) {
        const std::string name = element.attr("transfer");
        bool known = false;
        for (const TransferMode& mode : kTransferModes) {
            if (name == mode.name) {
                drive.transferBits = mode.bits;
                drive.transferBitsExtended = mode.extended;
                known = true;
            }
        }
        if (!known)
            in.fail("attribute transfer=\"" + name + "\" is not a transfer mode such as ultra3-wide");
    }
    in.number("mode", drive.transferBits);
    in.number("modex", drive.transferBitsExtended);
    in.number("box", drive.box);
    drive.bay = static_cast<uint8_t>(drive.slot.target + 1);
    in.number("bay", drive.bay);
    in.choice("type", drive.nonDisk, {{"disk", false}, {"tape", true}, {"other", true}});
    in.flag("present", drive.present);
    error = in.error();
    return in.ok();
}

const std::initializer_list<std::pair<const char*, uint8_t>> kLogicalStatus = {
    {"ok", 0},
    {"failed", 1},
    {"notconfigured", 2},
    {"interimrecovery", 3},
    {"readyforrecovery", 4},
    {"recovering", 5},
    {"wrongdrivereplaced", 6},
    {"driveimproperlyconnected", 7},
    {"hardwareisoverheating", 8},
    {"hardwarehasoverheated", 9},
    {"expanding", 10},
    {"notyetavailable", 11},
    {"queuedforexpansion", 12},
};

const std::initializer_list<std::pair<const char*, uint8_t>> kReplicaStatus = {
    {"noassociation", 0},        {"ok", 1},
    {"unknownfailure", 128},     {"disconnectedfromresource", 129},
    {"cannotlocatesource", 130}, {"cannotlocateresource", 132},
    {"sourcenotavailable", 136}, {"resourcenotavailable", 138},
    {"resourceobsolete", 140},   {"resourceobsoletefailed", 142},
    {"sourcefailed", 160},       {"resourcefailed", 192},
};

class LogicalDriveReader {
public:
    LogicalDriveReader(const Node& element, const ControllerModel& model, LogicalDrive& drive)
        : m_element(element), m_model(model), m_drive(drive),
          m_in(element,
               {"number",         "raid",       "raidcode",      "blocks",      "blocksize",    "big",
                "cylinders",      "heads",      "sectors",       "stripe",      "dataoffset",   "blocksperdrive",
                "faulttolerance", "drives",     "spares",        "failed",      "activespares", "status",
                "rebuilding",     "blocksleft", "mediaexchange", "accelerator", "snapshot",     "source",
                "replica",        "gpt"})
    {
    }

    bool read(std::string& error)
    {
        if (!m_in.has("number"))
            m_in.fail("needs the attribute number");
        m_in.number("number", m_drive.number, 31);
        m_drive.line = m_element.line;
        readSlots("drives", m_drive.drives);
        readSlots("spares", m_drive.spares);
        readSlots("failed", m_drive.failed);
        readSlots("activespares", m_drive.activeSpares);
        readLayout();
        readState();
        readBlocks();
        error = m_in.error();
        return m_in.ok();
    }

private:
    void readSlots(const char* key, std::vector<Slot>& slots)
    {
        if (!m_in.has(key) || !m_in.ok())
            return;
        std::vector<std::pair<uint32_t, uint32_t>> pairs;
        if (!parseSlots(m_element.attr(key), pairs)) {
            m_in.fail(std::string("attribute ") + key + " is not a list of port:target pairs");
            return;
        }
        for (const auto& [port, target] : pairs) {
            const Slot slot{static_cast<uint8_t>(port), static_cast<uint8_t>(target)};
            if (port > 255 || target > 255 || !m_model.physicalDrive(slot)) {
                m_in.fail(std::string("attribute ") + key + " names " + std::to_string(port) + ":" +
                          std::to_string(target) + ", which is no <physicaldrive> of this controller");
                return;
            }
            slots.push_back(slot);
        }
    }

    void readLayout()
    {
        m_in.choice("raid", m_drive.raidCode,
                    {{"0", uint16_t(0)},
                     {"4", uint16_t(1)},
                     {"1", uint16_t(2)},
                     {"5", uint16_t(3)},
                     {"51", uint16_t(4)},
                     {"adg", uint16_t(5)}});
        m_in.number("raidcode", m_drive.raidCode);
        const size_t count = m_drive.drives.size();
        uint16_t tolerance = 0;
        switch (m_drive.raidCode) {
        case 1:
        case 3:
            tolerance = count > 1 ? 1 : 0;
            break;
        case 2:
            tolerance = static_cast<uint16_t>(count / 2);
            break;
        case 4:
            tolerance = static_cast<uint16_t>(count / 2 + 1);
            break;
        case 5:
            tolerance = count > 2 ? 2 : 0;
            break;
        default:
            break;
        }
        m_drive.faultTolerance = tolerance;
        m_in.number("faulttolerance", m_drive.faultTolerance);
        uint32_t perDrive = 0;
        for (const Slot slot : m_drive.drives) {
            const PhysicalDrive* disk = m_model.physicalDrive(slot);
            const uint32_t usable =
                disk->totalBlocks > disk->reservedBlocks ? disk->totalBlocks - disk->reservedBlocks : 0;
            perDrive = perDrive == 0 ? usable : std::min(perDrive, usable);
        }
        m_drive.blocksPerDrive = perDrive;
        m_in.number("blocksperdrive", m_drive.blocksPerDrive);
        const uint64_t dataDrives = count > m_drive.faultTolerance ? count - m_drive.faultTolerance : 1;
        m_drive.blocks = count == 0 ? 2097152 : uint64_t(m_drive.blocksPerDrive) * dataDrives;
        m_in.number("blocks", m_drive.blocks);
        m_in.number("blocksize", m_drive.blockSize);
        m_in.flag("big", m_drive.big);
        m_drive.big = m_drive.big || m_drive.blocks > 0xFFFFFFFFull;
        m_in.number("heads", m_drive.heads);
        m_in.number("sectors", m_drive.sectors);
        const uint64_t perCylinder = uint64_t(m_drive.heads) * m_drive.sectors;
        m_drive.cylinders =
            static_cast<uint16_t>(perCylinder == 0 ? 0 : std::min<uint64_t>(m_drive.blocks / perCylinder, 0xFFFF));
        m_in.number("cylinders", m_drive.cylinders);
        m_in.number("stripe", m_drive.stripe);
        m_in.number("dataoffset", m_drive.dataOffset);
    }

    void readState()
    {
        m_in.choice("status", m_drive.status, kLogicalStatus, true);
        if (m_in.has("rebuilding") && m_in.ok()) {
            std::vector<Slot> slots;
            readSlots("rebuilding", slots);
            if (slots.size() != 1 && m_in.ok())
                m_in.fail("attribute rebuilding names one port:target");
            else if (m_in.ok())
                m_drive.rebuilding = slots.front();
        }
        m_in.number("blocksleft", m_drive.blocksLeft);
        m_in.flag("mediaexchange", m_drive.mediaExchangeReady);
        m_in.choice("accelerator", m_drive.acceleratorDisabled, {{"enabled", false}, {"disabled", true}});
        m_in.choice("snapshot", m_drive.snapshotRole,
                    {{"none", uint8_t(0)}, {"source", uint8_t(1)}, {"member", uint8_t(128)}}, true);
        if (m_in.has("source")) {
            m_in.number("source", m_drive.sourceVolume);
            if (!m_in.has("snapshot"))
                m_drive.snapshotRole = 1;
        }
        m_in.choice("replica", m_drive.replicaStatus, kReplicaStatus, true);
    }

    // <block number="n" hex=".."/> children give the contents of single
    // blocks; gpt="true" puts a partition table header into block 0, the
    // block an operating system's disk probe reads first here.
    void readBlocks()
    {
        bool gpt = false;
        m_in.flag("gpt", gpt);
        if (gpt) {
            std::vector<uint8_t> header(512, 0);
            const uint8_t start[] = {'E', 'F', 'I', ' ', 'P', 'A', 'R', 'T', 0x00, 0x00, 0x01, 0x00, 0x5C};
            std::memcpy(header.data(), start, sizeof(start));
            m_drive.blocksData[0] = header;
        }
        for (const Node& child : m_element.children) {
            if (child.name != "block" || !m_in.ok())
                continue;
            AttributeReader in(child, {"number", "hex"});
            uint32_t number = 0;
            std::vector<uint8_t> bytes;
            if (!in.has("number"))
                in.fail("needs the attribute number");
            in.number("number", number);
            in.hex("hex", bytes);
            if (in.ok() && bytes.size() > 512)
                in.fail("attribute hex holds more than one 512-byte block");
            if (!in.ok()) {
                m_blockError = in.error();
                m_in.fail("has a bad <block>: " + m_blockError);
                return;
            }
            bytes.resize(512, 0);
            m_drive.blocksData[number] = bytes;
        }
    }

    const Node& m_element;
    const ControllerModel& m_model;
    LogicalDrive& m_drive;
    AttributeReader m_in;
    std::string m_blockError;
};

} // namespace

bool readPhysicalDriveElement(const Node& element, PhysicalDrive& drive, std::string& error)
{
    return readPhysicalDrive(element, drive, error);
}

bool readLogicalDriveElement(const Node& element, const ControllerModel& model, LogicalDrive& drive, std::string& error)
{
    return LogicalDriveReader(element, model, drive).read(error);
}

} // namespace sim::fw
