// Controller information: the attributes each controller reply yields.
#include "controllerreplies.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <vector>

namespace {

using Operations::ControllerReplies::Attributes;

class Reply {
public:
    explicit Reply(std::size_t size) : m_bytes(size, 0) {}
    Reply& u8(std::size_t offset, std::uint8_t value)
    {
        m_bytes.at(offset) = value;
        return *this;
    }
    Reply& u16(std::size_t offset, std::uint16_t value)
    {
        m_bytes.at(offset) = static_cast<std::uint8_t>(value & 0xFF);
        m_bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
        return *this;
    }
    Reply& u32(std::size_t offset, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
        return *this;
    }
    Reply& text(std::size_t offset, const char* pszText)
    {
        std::memcpy(&m_bytes.at(offset), pszText, std::strlen(pszText));
        return *this;
    }
    Schema::ReplyView view() const { return Schema::ReplyView(m_bytes); }

private:
    std::vector<std::uint8_t> m_bytes;
};

std::map<std::string, std::string> asMap(const Attributes& attributes)
{
    return std::map<std::string, std::string>(attributes.begin(), attributes.end());
}

TEST(ControllerReplies, IdentifyReplyWithSmallMaps)
{
    Reply reply(512);
    reply.u8(0, 3).text(5, "2.50").u32(18, 0x3).u32(31, 0x80000000u).u8(40, 'B').u8(44, 2).u8(53, 16).u8(108, 1);
    Operations::ControllerReplies::ControllerFacts facts;
    facts.bHasRedundantState = true;
    const auto attributes = asMap(Operations::ControllerReplies::identifyAttributes(reply.view(), facts));
    const std::map<std::string, std::string> expected{
        {"UsingBigMap", "False"},   {"AttachedPhysicalDrives", "0*-*1*-*"}, {"NonDiskMap", "31*-*"},
        {"PhysicalDriveCount", "2"}, {"HardwareRevision", "Rev B"},          {"LogicalDriveCount", "3"},
        {"DrivesPerPort", "16"},     {"Ports", "2"},                          {"FirmwareVersion", "2.50"},
        {"RedundancyStatus", "Failed"},
    };
    EXPECT_EQ(attributes, expected);
}

TEST(ControllerReplies, IdentifyReplyWithBigMaps)
{
    Reply reply(512);
    reply.u8(41, 0x80).u8(54, 0x01).u8(54 + 15, 0x80).u8(86 + 1, 0x02).u8(112, 4);
    reply.u32(18, 0xFF); // small map is ignored with big maps
    const auto attributes =
        asMap(Operations::ControllerReplies::identifyAttributes(reply.view(), {}));
    EXPECT_EQ(attributes.at("UsingBigMap"), "True");
    EXPECT_EQ(attributes.at("AttachedPhysicalDrives"), "128*-*255*-*");
    EXPECT_EQ(attributes.at("PhysicalDriveCount"), "2");
    EXPECT_EQ(attributes.at("NonDiskMap"), "137*-*");
    EXPECT_EQ(attributes.at("FibreChipCount"), "4");
    EXPECT_EQ(attributes.at("FirmwareVersion"), std::string(4, '\0'));
    EXPECT_EQ(attributes.count("RedundancyStatus"), 0u) << "only for controllers with a redundant state";
}

TEST(ControllerReplies, HardwareRevisionAndPriorityTexts)
{
    const std::pair<std::uint8_t, const char*> revisions[] = {
        {'A', "Rev A"}, {'B', "Rev B"}, {'C', "Rev C"}, {'D', "Rev Unknown"}, {'a', "Rev Unknown"}, {0, "Rev Unknown"}};
    for (const auto& [bByte, pszText] : revisions) {
        SCOPED_TRACE(pszText);
        Reply reply(512);
        reply.u8(40, bByte);
        EXPECT_EQ(asMap(Operations::ControllerReplies::identifyAttributes(reply.view(), {})).at("HardwareRevision"),
                  pszText);
    }
    const std::pair<std::uint8_t, const char*> priorities[] = {
        {0, "Low"}, {1, "Medium"}, {117, "Medium"}, {118, "High"}, {255, "High"}};
    for (const auto& [bByte, pszText] : priorities) {
        SCOPED_TRACE(int(bByte));
        EXPECT_EQ(Operations::ControllerReplies::priorityText(bByte), pszText);
    }
}

TEST(ControllerReplies, ParametersReplyDependsOnLocationAndProduct)
{
    Reply reply(512);
    reply.u8(14, 0).u8(15, 200).u8(115, 60).text(82, "Rack 7 Box").text(140, "ACC-9");
    Operations::ControllerReplies::ControllerFacts local;
    EXPECT_EQ(asMap(Operations::ControllerReplies::parameterAttributes(reply.view(), local)),
              (std::map<std::string, std::string>{
                  {"ExpandPriority", "High"}, {"RebuildPriority", "Low"}, {"AccessID", "ACC-9"}}));
    Operations::ControllerReplies::ControllerFacts remote;
    remote.bRemote = true;
    remote.bClustered = true;
    EXPECT_EQ(asMap(Operations::ControllerReplies::parameterAttributes(reply.view(), remote)),
              (std::map<std::string, std::string>{{"ExpandPriority", "High"},
                                                  {"RebuildPriority", "Low"},
                                                  {"SnapshotPriority", "Medium"},
                                                  {"AccessID", "ACC-9"},
                                                  {"HardwareName", "Rack 7 Box"}}));
    Reply noAccess(512);
    EXPECT_EQ(asMap(Operations::ControllerReplies::parameterAttributes(noAccess.view(), local)).count("AccessID"), 0u);
}

TEST(ControllerReplies, CacheRatioRoundsToFives)
{
    struct Case {
        std::uint32_t read, write, total;
        const char* pszRatio;
    };
    const Case cases[] = {
        {1024, 3072, 4096, "25/75"}, {1000, 3000, 4096, "25/75"}, {0, 0, 4096, "100/0"},
        {4096, 0, 4096, "100/0"},    {1311, 2800, 4096, "30/70"}, // 32 rounds down, 68 rounds up
        {2785, 1311, 4096, "65/30"}, // 67 rounds down
        {100, 100, 0, "100/0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszRatio);
        EXPECT_EQ(Operations::ControllerReplies::cacheRatio(c.read, c.write, c.total), c.pszRatio);
    }
}

TEST(ControllerReplies, CacheReplyWithBoardAndBattery)
{
    Reply reply(512);
    reply.u32(0, 0xFFFFFFF5u) // drives 1 and 3 have the accelerator
        .u16(4, 64)
        .u16(6, 192)
        .u16(38, 256)
        .u16(40, 2)
        .u8(210, 1)
        .u8(217, 4);
    const auto attributes = asMap(Operations::ControllerReplies::cacheAttributes(reply.view()));
    const std::map<std::string, std::string> expected{
        {"ArrayAccelerator", "Enabled"}, {"EnabledAcceleratorList", "1*-*3*-*"},
        {"CacheSizeShiftFactor", "KB"},  {"CacheSizeRead", "1024"},
        {"CacheSizeWrite", "3072"},      {"CacheSizeTotal", "4096"},
        {"CacheRatio", "25/75"},         {"CacheBoardPresent", "True"},
        {"CacheStatus", "OK"},           {"BatteryPackCount", "2"},
        {"BatteryStatus", "OK"},
    };
    EXPECT_EQ(attributes, expected);
}

TEST(ControllerReplies, CacheStatusBatteryAndMissingBoard)
{
    struct Case {
        std::uint32_t dwFlags;
        const char* pszStatus;
    };
    const Case cases[] = {{0, "OK"},
                          {0x1, "OK"},
                          {0x2, "TemporarilyDisabled"},
                          {0x6, "TemporarilyDisabled"},
                          {0x4, "PermenantlyDisabled"},
                          {0x8, "RunADU"},
                          {0x80000000u, "RunADU"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszStatus);
        Reply reply(512);
        reply.u8(210, 1).u32(32, c.dwFlags).u16(40, 1).u16(208, 0x10);
        const auto attributes = asMap(Operations::ControllerReplies::cacheAttributes(reply.view()));
        EXPECT_EQ(attributes.at("CacheStatus"), c.pszStatus);
        EXPECT_EQ(attributes.at("BatteryStatus"), "Failed");
    }

    Reply noPacks(512);
    noPacks.u8(210, 1).u8(8, 1);
    const auto withoutPacks = Operations::ControllerReplies::cacheAttributes(noPacks.view());
    const auto mapped = asMap(withoutPacks);
    EXPECT_EQ(mapped.at("ArrayAccelerator"), "Disabled");
    EXPECT_EQ(mapped.count("EnabledAcceleratorList"), 0u);
    EXPECT_EQ(mapped.at("BatteryPackCount"), "0");
    EXPECT_EQ(mapped.count("BatteryStatus") == 0 || mapped.at("BatteryStatus").empty(), true)
        << "no packs publish no battery status";

    Reply noBoard(512);
    noBoard.u16(4, 64).u16(40, 2);
    EXPECT_EQ(asMap(Operations::ControllerReplies::cacheAttributes(noBoard.view())),
              (std::map<std::string, std::string>{{"ArrayAccelerator", "Enabled"},
                                                  {"EnabledAcceleratorList", [] {
                                                       std::string all;
                                                       for (int n = 0; n < 32; ++n)
                                                           all += std::to_string(n) + "*-*";
                                                       return all;
                                                   }()},
                                                  {"CacheBoardPresent", "False"}}));
}

TEST(ControllerReplies, SurfaceAndSubsystemReplies)
{
    Reply surface(1536);
    surface.u16(100, 259);
    EXPECT_EQ(asMap(Operations::ControllerReplies::surfaceAttributes(surface.view())).at("SurfaceAnalysisDelay"), "25");

    Reply subsystem(512);
    subsystem.text(4, "CHASSIS-0042").text(44, "CTRL-SN-7781");
    Operations::ControllerReplies::ControllerFacts local;
    EXPECT_EQ(asMap(Operations::ControllerReplies::subsystemAttributes(subsystem.view(), local)),
              (std::map<std::string, std::string>{{"ControllerSerialNumber", "CTRL-SN-7781"}}));
    Operations::ControllerReplies::ControllerFacts remote;
    remote.bRemote = true;
    EXPECT_EQ(asMap(Operations::ControllerReplies::subsystemAttributes(subsystem.view(), remote)),
              (std::map<std::string, std::string>{{"ChassisSerialNumber", "CHASSIS-0042"},
                                                  {"ControllerSerialNumber", "CTRL-SN-7781"}}));
    Reply empty(512);
    EXPECT_TRUE(Operations::ControllerReplies::subsystemAttributes(empty.view(), local).empty());
}

}
