// Reads the firmware content elements of a <controller> or <remote> into the
// controller model (the drive elements in firmwaredrives.cpp); the element
// list is in firmware.cpp.
#include "firmwareattributes.h"
#include "firmwaremodel.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace sim::fw {

namespace {

std::string lineOf(const Node& element)
{
    return "line " + std::to_string(element.line) + ": <" + element.name + "> ";
}

bool readBoard(const Node& element, ControllerModel& model, bool& portsGiven, std::string& error)
{
    AttributeReader in(element, {"id", "revision", "name", "serial", "chassis", "vendor", "product", "ports",
                                 "drivesperport", "fibrechips"});
    Board& board = model.board;
    in.number("id", board.id);
    if (in.has("revision")) {
        const std::string revision = element.attr("revision");
        if (revision.size() != 1)
            in.fail("attribute revision must be one character");
        else
            board.revision = revision[0];
    }
    in.text("name", board.hardwareName, 32);
    in.text("serial", board.serialNumber, 32);
    in.text("chassis", board.chassisSerialNumber, 32);
    in.exactText("vendor", board.vendor, 8);
    in.exactText("product", board.product, 16);
    portsGiven = in.has("ports");
    in.number("ports", board.ports, 8);
    in.number("drivesperport", board.drivesPerPort, 16);
    in.number("fibrechips", board.fibreChips);
    if (in.ok() && portsGiven && board.ports == 0)
        in.fail("attribute ports must be at least 1");
    error = in.error();
    return in.ok();
}

bool readFirmware(const Node& element, Firmware& firmware, std::string& error)
{
    AttributeReader in(element, {"version", "rebuildpriority", "expandpriority", "snapshotpriority", "surfacedelay",
                                 "accessid", "redundancy", "redundancyfailed"});
    in.exactText("version", firmware.version, 4);
    const std::initializer_list<std::pair<const char*, uint8_t>> priorities = {
        {"low", 0}, {"medium", 64}, {"high", 128}};
    in.choice("rebuildpriority", firmware.rebuildPriority, priorities, true);
    in.choice("expandpriority", firmware.expandPriority, priorities, true);
    in.choice("snapshotpriority", firmware.snapshotPriority, priorities, true);
    in.number("surfacedelay", firmware.surfaceDelayTenths);
    in.text("accessid", firmware.accessId, 31);
    // Mode and flags: a standby controller of a redundant pair reports a mode
    // without the "shown" flag (bit 2).
    uint8_t redundancy = 0;
    in.choice("redundancy", redundancy, {{"none", 0}, {"active", 1}, {"primary", 2}, {"standby", 3}});
    firmware.redundancyMode = redundancy == 3 ? 1 : redundancy;
    firmware.redundancyFlags = redundancy == 1 || redundancy == 2 ? 0x04 : 0;
    in.flag("redundancyfailed", firmware.redundancyFailed);
    error = in.error();
    return in.ok();
}

// The smallest shift that puts every size into 16 bits without losing a
// kilobyte.
bool chooseCacheShift(Cache& cache)
{
    for (uint8_t shift = 0; shift < 16; ++shift) {
        bool fits = true;
        for (const uint32_t kb : {cache.readKb, cache.writeKb, cache.totalKb})
            fits = fits && (kb >> shift) <= 0xFFFF && ((kb >> shift) << shift) == kb;
        if (fits) {
            cache.shift = shift;
            return true;
        }
    }
    return false;
}

bool readCache(const Node& element, Cache& cache, std::string& error)
{
    AttributeReader in(element, {"read", "write", "total", "shift", "status", "flags", "accelerator"});
    cache.present = true;
    cache.readKb = 4096;
    cache.writeKb = 12288;
    in.number("read", cache.readKb);
    in.number("write", cache.writeKb);
    cache.totalKb = cache.readKb + cache.writeKb;
    in.number("total", cache.totalKb);
    in.choice("status", cache.statusFlags,
              {{"ok", 0u}, {"temporarilydisabled", 0x2u}, {"permanentlydisabled", 0x4u}, {"runadu", 0x8u}});
    in.number("flags", cache.statusFlags);
    bool disabled = false;
    in.choice("accelerator", disabled, {{"enabled", false}, {"disabled", true}});
    cache.acceleratorDisabled = disabled;
    if (in.has("shift")) {
        in.number("shift", cache.shift, 15);
        for (const uint32_t kb : {cache.readKb, cache.writeKb, cache.totalKb})
            if (in.ok() && (((kb >> cache.shift) << cache.shift) != kb || (kb >> cache.shift) > 0xFFFF))
                in.fail("a cache size is not a 16-bit multiple of 2 to the power of shift");
    } else if (in.ok() && !chooseCacheShift(cache)) {
        in.fail("the cache sizes cannot be reported in 16 bits");
    }
    error = in.error();
    return in.ok();
}

bool readBattery(const Node& element, Cache& cache, std::string& error)
{
    AttributeReader in(element, {"packs", "failed"});
    cache.batteryPacks = 1;
    in.number("packs", cache.batteryPacks, 16);
    if (in.has("failed")) {
        // Pack numbers from 0, separated by blanks.
        std::string list = element.attr("failed");
        std::replace(list.begin(), list.end(), ',', ' ');
        size_t start = 0;
        while (in.ok() && start < list.size()) {
            const size_t end = std::min(list.find(' ', start), list.size());
            uint32_t pack = 0;
            if (end > start) {
                if (!parseNumber(list.substr(start, end - start), pack) || pack >= cache.batteryPacks)
                    in.fail("attribute failed names a pack that does not exist");
                else
                    cache.batteryFailures = static_cast<uint16_t>(cache.batteryFailures | (1u << pack));
            }
            start = end + 1;
        }
    }
    error = in.error();
    return in.ok();
}

bool readFailRule(const Node& element, FailRule& rule, std::string& error)
{
    AttributeReader in(element, {"opcode", "scsiopcode", "drive", "error", "scsistatus", "commandstatus", "sense",
                                 "hang", "times", "after"});
    in.number("opcode", rule.opcode);
    in.number("scsiopcode", rule.scsiOpcode);
    in.number("drive", rule.drive);
    in.number("error", rule.error);
    in.hex("sense", rule.sense);
    if (rule.sense.size() > 255)
        in.fail("attribute sense is longer than 255 bytes");
    rule.scsiStatus = rule.sense.empty() ? 0 : 2;
    in.number("scsistatus", rule.scsiStatus);
    rule.commandStatus = rule.scsiStatus == 2 ? 1 : 0;
    in.number("commandstatus", rule.commandStatus);
    in.number("hang", rule.hangMilliseconds, 600000);
    in.number("times", rule.times);
    in.number("after", rule.after);
    if (in.ok() && rule.opcode && rule.scsiOpcode)
        in.fail("names both opcode and scsiopcode");
    error = in.error();
    return in.ok();
}

// Checks that the drives fit the board's addressing and numbers them.
bool numberPhysicalDrives(ControllerModel& model, bool portsGiven, std::string& error)
{
    Board& board = model.board;
    if (!portsGiven)
        for (const PhysicalDrive& drive : model.physicalDrives)
            board.ports = std::max<uint8_t>(board.ports, static_cast<uint8_t>(std::min(drive.slot.port + 1, 255)));
    std::set<uint8_t> numbers;
    for (PhysicalDrive& drive : model.physicalDrives) {
        const std::string where = "line " + std::to_string(drive.line) + ": <physicaldrive> ";
        const unsigned maxPort = model.bigMaps() ? 8 : 4;
        const unsigned maxTarget = model.bigMaps() ? std::min<unsigned>(16, board.drivesPerPort) : 7;
        if (drive.slot.port >= maxPort || drive.slot.port >= board.ports || drive.slot.target >= maxTarget) {
            error = where + "port " + std::to_string(drive.slot.port) + " target " + std::to_string(drive.slot.target) +
                    " is outside the board's " + std::to_string(std::min<unsigned>(maxPort, board.ports)) +
                    " ports of " + std::to_string(maxTarget) + " targets";
            return false;
        }
        drive.number = driveNumber(board, drive.slot);
        if (!numbers.insert(drive.number).second) {
            error = where + "port " + std::to_string(drive.slot.port) + " target " + std::to_string(drive.slot.target) +
                    " is taken by another drive";
            return false;
        }
    }
    return true;
}

} // namespace

bool readControllerModel(const Node& element, ControllerModel& model, std::string& error)
{
    if (element.name != "controller" && element.name != "remote") {
        error = lineOf(element) + "is neither a <controller> nor a <remote>";
        return false;
    }
    model.remote = element.name == "remote";
    if (model.remote) {
        const std::string kind = element.attr("kind", "controller");
        if (kind != "controller" && kind != "enclosure") {
            error = lineOf(element) + "attribute kind=\"" + kind + "\" is neither controller nor enclosure";
            return false;
        }
        model.board.peripheralType = kind == "enclosure" ? 13 : 12;
        model.board.product = kind == "enclosure" ? "RAIDSHELF 2100  " : "ARRAYBOX 4400   ";
    }
    const char* single[] = {"board", "firmware", "cache", "battery"};
    for (const char* name : single) {
        if (element.childrenNamed(name).size() > 1) {
            error = lineOf(*element.childrenNamed(name)[1]) + "appears twice";
            return false;
        }
    }
    bool portsGiven = false;
    if (const Node* board = element.child("board"); board && !readBoard(*board, model, portsGiven, error))
        return false;
    if (const Node* fw = element.child("firmware"); fw && !readFirmware(*fw, model.firmware, error))
        return false;
    if (const Node* cache = element.child("cache"); cache && !readCache(*cache, model.cache, error))
        return false;
    if (const Node* battery = element.child("battery"); battery && !readBattery(*battery, model.cache, error))
        return false;
    for (const Node* child : element.childrenNamed("physicaldrive")) {
        PhysicalDrive drive;
        if (!readPhysicalDriveElement(*child, drive, error))
            return false;
        model.physicalDrives.push_back(drive);
    }
    if (!numberPhysicalDrives(model, portsGiven, error))
        return false;
    std::set<uint8_t> logicalNumbers;
    for (const Node* child : element.childrenNamed("logicaldrive")) {
        LogicalDrive drive;
        if (!readLogicalDriveElement(*child, model, drive, error))
            return false;
        if (!logicalNumbers.insert(drive.number).second) {
            error = lineOf(*child) + "number " + std::to_string(drive.number) + " is taken by another logical drive";
            return false;
        }
        model.logicalDrives.push_back(drive);
    }
    for (const Node* child : element.childrenNamed("fail")) {
        FailRule rule;
        if (!readFailRule(*child, rule, error))
            return false;
        model.failRules.push_back(rule);
    }
    return checkDriveStates(model, error);
}

} // namespace sim::fw
