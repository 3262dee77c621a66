// The controller firmware on its own. Reading it from its description:
// refusals that name the element's line (remote controller addresses of
// either form are read through the transports), and whatever a host sends,
// the firmware of every controller of the shipped machines answers with a
// well-formed reply. BMIC replies where the agent does not read them:
// refusals of commands, drive numbers and limits, the defaults of a drive,
// absent logical drives and block reads (what the agent reads of identify
// controller and drive, logical drive configuration and status is checked
// through the agent on the typical and the drives machine). SCSI commands to
// the controller, its drives and its remote controllers: inquiry data, LUN
// lists, capacity, reads and refused CDBs. And <fail> rules that fire only
// for one drive, one kind of command, a number of times or after a number of
// commands (the results they inject are read through the agent's command
// failure tests and the simulated ports).
// Drive states that contradict each other are refused too.
#include "firmware_support.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <utility>

namespace {

using namespace fwtest;

TEST(FirmwareDescription, RefusesBadContentNamingTheLine)
{
    // Content of a <controller> element (a <port> stands alone), the refusal.
    const std::pair<std::string, const char*> cases[] = {
        {"\n<board verison=\"1\"/>", "line 2: <board> unknown attribute verison"},
        {"\n<firmware version=\"2.8\"/>", "line 2: <firmware> attribute version"},
        {"\n<board ports=\"9\"/>", "line 2: <board> attribute ports"},
        {"\n<board serial=\"123456789012345678901234567890123\"/>",
         "line 2: <board> attribute serial is longer than 32"},
        {"\n<board name=\"123456789012345678901234567890123\"/>", "line 2: <board> attribute name is longer than 32"},
        {"\n<board revision=\"AB\"/>", "line 2: <board> attribute revision"},
        {"\n<board/>\n<board/>", "line 3: <board> appears twice"},
        {"\n<physicaldrive port=\"0\" target=\"7\"/>", "line 2: <physicaldrive> port 0 target 7"},
        {"\n<physicaldrive port=\"0\"/>", "line 2: <physicaldrive> needs the attributes"},
        {"<board ports=\"2\"/>\n<physicaldrive port=\"2\" target=\"0\"/>",
         "line 2: <physicaldrive> port 2 target 0 is outside"},
        {"<board drivesperport=\"8\"/>\n<physicaldrive port=\"0\" target=\"8\"/>",
         "line 2: <physicaldrive> port 0 target 8"},
        {"<physicaldrive port=\"0\" target=\"1\"/>\n<physicaldrive port=\"0\" target=\"1\"/>",
         "line 2: <physicaldrive> port 0 target 1 is taken"},
        {"\n<physicaldrive port=\"0\" target=\"1\" transfer=\"warp\"/>", "line 2: <physicaldrive> attribute transfer"},
        {"\n<physicaldrive port=\"0\" target=\"1\" blocks=\"4294967296\"/>",
         "line 2: <physicaldrive> attribute blocks"},
        {"<physicaldrive port=\"0\" target=\"1\"/>\n<logicaldrive number=\"0\" drives=\"0:2\"/>",
         "line 2: <logicaldrive> attribute drives names 0:2"},
        {"\n<logicaldrive number=\"0\" drives=\"0-1\"/>", "line 2: <logicaldrive> attribute drives is not a list"},
        {"\n<logicaldrive number=\"32\"/>", "line 2: <logicaldrive> attribute number"},
        {"\n<logicaldrive/>", "line 2: <logicaldrive> needs the attribute number"},
        {"<logicaldrive number=\"1\"/>\n<logicaldrive number=\"1\"/>", "line 2: <logicaldrive> number 1 is taken"},
        {"\n<logicaldrive number=\"1\" status=\"sleepy\"/>", "line 2: <logicaldrive> attribute status"},
        {"\n<logicaldrive number=\"1\" raid=\"6\"/>", "line 2: <logicaldrive> attribute raid"},
        {"\n<logicaldrive number=\"1\">\n<block number=\"0\" hex=\"0g\"/></logicaldrive>",
         "line 2: <logicaldrive> has a bad <block>: line 3: <block> attribute hex"},
        {"\n<cache read=\"65537\"/>", "line 2: <cache> the cache sizes cannot be reported"},
        {"\n<cache read=\"1000\" shift=\"4\"/>", "line 2: <cache> a cache size"},
        {"\n<cache accelerator=\"maybe\"/>", "line 2: <cache> attribute accelerator"},
        {"\n<battery packs=\"2\" failed=\"2\"/>", "line 2: <battery> attribute failed"},
        {"\n<fail opcode=\"0x11\" scsiopcode=\"0x12\"/>", "line 2: <fail> names both"},
        {"\n<fail opcode=\"0x111\"/>", "line 2: <fail> attribute opcode"},
        {"\n<fail sense=\"7\"/>", "line 2: <fail> attribute sense"},
        {"\n<remote lun=\"0102\"/>", "line 2: <remote> attribute lun must be 8 hex bytes"},
        {"\n<remote path=\"300\"/>", "line 2: <remote> attribute path"},
        {"\n<remote/>", "line 2: <remote> has the LUN address of its controller"},
        {"\n<remote target=\"1\" kind=\"switch\"/>", "line 2: <remote> attribute kind"},
        {"<remote target=\"1\"/>\n<remote lun=\"0100000000000000\"/>", "line 2: <remote> LUN address is taken"},
        {"\n<remote target=\"1\">\n<remote target=\"2\"/></remote>", "line 3: <remote> inside a <remote>"},
        {"\n<remote target=\"1\">\n<firmware version=\"x\"/></remote>", "line 3: <firmware> attribute version"},
        {"<port number=\"1\"/>", "line 1: <port> is neither"},
    };
    for (const auto& [content, expected] : cases) {
        SCOPED_TRACE(content);
        const std::string message =
            refusal(content.rfind("<port", 0) == 0 ? content : "<controller>" + content + "</controller>");
        EXPECT_NE(message.find(expected), std::string::npos) << message;
    }
    // Elements the transport drivers own are left to them.
    EXPECT_EQ(refusal("<controller class=\"4\"><pci bus=\"2\"/><board/></controller>"), "");
}

TEST(FirmwareDescription, RefusesDriveStatesThatContradictEachOther)
{
    // Drives 0:0 to 0:3 on line 1, then the logical drives; the refusal.
    const std::pair<std::string, const char*> cases[] = {
        {"<logicaldrive number=\"0\" raid=\"0\" drives=\"0:0\" status=\"interimrecovery\"/>",
         "line 2: <logicaldrive> is interimrecovery on RAID 0, which has no redundancy"},
        {"<logicaldrive number=\"0\" raid=\"5\" drives=\"0:0 0:1 0:2\" status=\"readyforrecovery\"/>",
         "line 2: <logicaldrive> is readyforrecovery but names no failed drive"},
        {"<logicaldrive number=\"0\" raid=\"5\" drives=\"0:0 0:1 0:2\" failed=\"0:1\" status=\"recovering\"/>",
         "line 2: <logicaldrive> is recovering but names no rebuilding drive"},
        {"<logicaldrive number=\"0\" raid=\"5\" drives=\"0:0 0:1 0:2\" spares=\"0:3\" failed=\"0:1\" "
         "status=\"recovering\" rebuilding=\"0:3\"/>",
         "line 2: <logicaldrive> rebuilds onto 0:3, which is not one of its active spares"},
        {"<logicaldrive number=\"0\" raid=\"5\" drives=\"0:0 0:1 0:2\" spares=\"0:3\" activespares=\"0:3\" "
         "failed=\"0:1\" rebuilding=\"0:3\"/>",
         "line 2: <logicaldrive> names a rebuilding drive but is not recovering"},
        {"<logicaldrive number=\"0\" raid=\"5\" drives=\"0:0 0:1 0:2\" failed=\"0:3\"/>",
         "line 2: <logicaldrive> failed names 0:3, which is neither a drive nor a spare of it"},
        {"<logicaldrive number=\"0\" raid=\"1\" drives=\"0:0 0:1\" activespares=\"0:3\"/>",
         "line 2: <logicaldrive> activespares names 0:3, which is not one of its spares"},
        {"<logicaldrive number=\"0\" raid=\"1\" drives=\"0:0 0:1\" spares=\"0:3\" activespares=\"0:3\"/>",
         "line 2: <logicaldrive> has an active spare but no failed drive"},
        {"<logicaldrive number=\"0\" raid=\"51\" drives=\"0:0 0:1 0:2 0:3\"/>",
         "line 2: <logicaldrive> is RAID 5+1 on 4 drives; it needs at least six"},
        {"<logicaldrive number=\"0\" raid=\"1\" drives=\"0:0 0:1\" blocks=\"71130913\"/>",
         "line 2: <logicaldrive> holds 71130913 blocks of 512 bytes, more than the 36419026944 bytes"},
        {"<logicaldrive number=\"0\" raid=\"1\" drives=\"0:0 0:1\" failed=\"0:1\" status=\"interimrecovery\"/>\n"
         "<logicaldrive number=\"1\" raid=\"1\" drives=\"0:1 0:0\"/>",
         "line 3: <logicaldrive> names other failed drives than logical drive 0 of its array"},
        {"<logicaldrive number=\"0\" raid=\"5\" drives=\"0:0 0:1 0:4\"/>",
         "line 1: <physicaldrive> is not present, yet logical drive 0 does not name it failed"},
    };
    const std::string drives =
        "<controller><physicaldrive port=\"0\" target=\"0\"/><physicaldrive port=\"0\" target=\"1\"/>"
        "<physicaldrive port=\"0\" target=\"2\"/><physicaldrive port=\"0\" target=\"3\"/>"
        "<physicaldrive port=\"0\" target=\"4\" present=\"false\"/>\n";
    for (const auto& [content, expected] : cases) {
        SCOPED_TRACE(content);
        const std::string message = refusal(drives + content + "</controller>");
        EXPECT_NE(message.find(expected), std::string::npos) << message;
    }
    // A drive failed and lost, its spare rebuilt for it: what a controller reports.
    EXPECT_EQ(refusal(drives + "<logicaldrive number=\"0\" raid=\"5\" drives=\"0:0 0:1 0:4\" spares=\"0:3\" "
                               "activespares=\"0:3\" failed=\"0:4\" status=\"recovering\" rebuilding=\"0:3\"/>\n"
                               "<logicaldrive number=\"1\" raid=\"5\" drives=\"0:4 0:1 0:0\" failed=\"0:4\" "
                               "status=\"interimrecovery\"/></controller>"),
              "");
}

sim::FirmwareCommand randomCommand(std::mt19937& random)
{
    const uint8_t known[] = {0x10, 0x11, 0x12, 0x15, 0x20, 0x50, 0x64, 0x66, 0x70, 0xC1,
                             0x12, 0xA0, 0xC2, 0xC3, 0x25, 0x28, 0x08, 0x00, 0x03};
    sim::FirmwareCommand command;
    command.bBmic = random() % 2 == 0;
    command.block.resize(random() % 17);
    for (auto& b : command.block)
        b = static_cast<uint8_t>(random() & 0xFF);
    if (!command.block.empty() && random() % 4 != 0) {
        const uint8_t opcode = known[random() % sizeof(known)];
        if (command.bBmic && command.block.size() >= 7) {
            command.block[0] = random() % 8 ? 0x26 : 0x27;
            command.block[6] = opcode;
            command.block[1] = static_cast<uint8_t>(random() % 40);
        } else if (!command.bBmic) {
            command.block[0] = opcode;
        }
    }
    if (random() % 2) {
        command.lun = {
            static_cast<uint8_t>(random() % 16), 0, 0, static_cast<uint8_t>(random() % 2 ? 0x40 : 0x80), 0, 0, 0, 0};
    }
    command.direction = 1u << (random() % 3);
    command.data.assign(random() % 3 == 0 ? 0 : random() % 9000, 0);
    return command;
}

// Every controller of every machine of the tree builds; those of the typical
// and the large machine and their remote controllers (one level: a remote
// holds no remotes) answer random commands with well-formed replies. The
// machines with <fail> elements answer badly on purpose.
TEST(FirmwareRobustness, EveryControllerBuildsAndAnswersRandomCommandsWellFormed)
{
    std::mt19937 random(1206);
    size_t controllers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TSM_MACHINES_DIR)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".xml")
            continue;
        SCOPED_TRACE(name);
        sim::Node root;
        sim::DescriptionError parseError;
        ASSERT_TRUE(sim::parseDescriptionFile(entry.path().string(), root, parseError)) << parseError.problem;
        for (const sim::Node* port : root.childrenNamed("port")) {
            for (const sim::Node* element : port->childrenNamed("controller")) {
                std::string error;
                auto firmware = sim::ControllerFirmware::fromDescription(*element, error);
                ASSERT_TRUE(firmware) << error;
                std::vector<sim::ControllerFirmware*> all = {firmware.get()};
                for (size_t i = 0; i < firmware->remoteCount(); ++i)
                    all.push_back(&firmware->remote(i));
                for (sim::ControllerFirmware* target : all) {
                    if (name != "typical.xml" && name != "large.xml")
                        break;
                    ++controllers;
                    for (int i = 0; i < 300; ++i) {
                        sim::FirmwareCommand command = randomCommand(random);
                        const size_t length = command.data.size();
                        const sim::FirmwareReply reply = target->execute(command);
                        ASSERT_EQ(command.data.size(), length);
                        ASSERT_EQ(reply.error, 0u);
                        ASSERT_TRUE(reply.scsiStatus == 0 || reply.scsiStatus == 2);
                        ASSERT_EQ(reply.commandStatus, reply.scsiStatus == 2 ? 1 : 0);
                        ASSERT_EQ(reply.sense.size(), reply.scsiStatus == 2 ? 18u : 0u);
                    }
                }
            }
        }
    }
    EXPECT_GT(controllers, 80u);
}

TEST(FirmwareIdentity, RefusesWhatNoControllerAnswers)
{
    auto firmware = build("<controller><board id=\"0x5256A020\"/></controller>");
    EXPECT_EQ(firmware->boardId(), 0x5256A020u);
    // Unknown opcode; a first byte neither read nor write; a write of a query.
    expectCheckCondition(bmic(*firmware, 0x99, 0, {}, 512), 5, 0x20);
    expectCheckCondition(bmic(*firmware, 0x11, 0, {}, 512, 0x00), 5, 0x24);
    expectCheckCondition(bmic(*firmware, 0x11, 0, {}, 512, 0x27), 5, 0x24);
    // A block shorter than ten bytes.
    expectCheckCondition(run(*firmware, {.block = {0x26, 0, 0, 0, 0, 0, 0x11}, .data = Bytes(512, 0)}), 5, 0x24);

    // Identify physical drive: a controller reading the number most
    // significant byte first refuses low bytes, one reading it least
    // significant first and an external controller the high byte; no such
    // drive, or one that is not present.
    const std::string drives =
        "<physicaldrive port=\"1\" target=\"2\"/><physicaldrive port=\"0\" target=\"2\" present=\"false\"/>";
    auto msb = build("<controller>" + drives + "</controller>");
    auto lsb = build("<controller>" + drives + "</controller>", sim::DetailByteOrder::eLeastSignificantFirst);
    auto remote = build("<remote target=\"3\">" + drives + "</remote>");
    expectGood(bmic(*msb, 0x15, 0, {9, 0, 0, 0}, 512));
    expectCheckCondition(bmic(*msb, 0x15, 0, {0, 0, 0, 9}, 512), 5, 0x24);
    expectCheckCondition(bmic(*lsb, 0x15, 0, {9, 0, 0, 0}, 512), 5, 0x24);
    expectCheckCondition(bmic(*remote, 0x15, 0, {9, 0, 0, 0}, 512), 5, 0x24);
    expectCheckCondition(bmic(*msb, 0x15, 0, {5, 0, 0, 0}, 512), 5, 0x25);
    expectCheckCondition(bmic(*msb, 0x15, 0, {2, 0, 0, 0}, 512), 5, 0x25);
}

TEST(FirmwarePhysical, BigMapNumbersAndDefaults)
{
    auto firmware = build(R"(<controller> <board ports="4" drivesperport="16"/>
        <physicaldrive port="2" target="11"/> </controller>)");
    // Drive number 2 x 16 + 11 + 128 = 171.
    const auto answer = bmic(*firmware, 0x15, 0, {171, 0, 0, 0}, 512);
    expectGood(answer);
    // Defaults: 71132960 blocks, 2048 reserved, Ultra 3 wide (0xCC), bay target + 1.
    const ByteImage image = ByteImage(512)
                                .u8(0, 2)
                                .u8(1, 11)
                                .le16(2, 512)
                                .le32(4, 71132960)
                                .le32(8, 2048)
                                .text(12, "ORVANE  ")
                                .text(20, "OVD036B7K2      ")
                                .text(52, "3HX2T11Q" + std::string(32, ' '))
                                .text(92, "B107    ")
                                .u8(101, 1)
                                .u8(103, 0xCC)
                                .u8(106, 0x01)
                                .u8(115, 12);
    EXPECT_EQ(answer.data, image.bytes());
}

const char* const kSmallMapController = R"(<controller> <physicaldrive port="0" target="0"/>
    <logicaldrive number="2" drives="0:0"/> </controller>)";

TEST(FirmwareLogical, AbsentDrivesAnswerEmptyAndNumbersPastTheLimitAreRefused)
{
    auto firmware = build(kSmallMapController);
    EXPECT_EQ(bmic(*firmware, 0x50, 5, {}, 512).data, Bytes(512, 0));
    EXPECT_EQ(bmic(*firmware, 0x10, 0, {}, 512).data, Bytes(512, 0));
    Bytes notConfigured(1024, 0);
    notConfigured[0] = 2;
    EXPECT_EQ(bmic(*firmware, 0x12, 31, {}, 1024).data, notConfigured);
    for (const uint8_t opcode : {0x10, 0x50, 0x12}) {
        SCOPED_TRACE(opcode);
        expectCheckCondition(bmic(*firmware, opcode, 32, {}, 1024), 5, 0x24);
    }
}

TEST(FirmwareLogical, BlockReads)
{
    const char* xml = R"(<controller>
        <logicaldrive number="1" blocks="100" gpt="true"><block number="5" hex="0102 03"/></logicaldrive>
        <logicaldrive number="2" status="failed"/> </controller>)";
    auto firmware = build(xml);
    const Answer gpt = bmic(*firmware, 0x20, 1, {0, 0, 0, 0}, 512);
    expectGood(gpt);
    EXPECT_EQ(gpt.data, ByteImage(512).text(0, "EFI PART").hex(8, "000001005c").bytes());

    // Block 4 and 5 in one read; the block number is most significant byte first.
    const Bytes two = ByteImage(1024).hex(512, "010203");
    EXPECT_EQ(bmic(*firmware, 0x20, 1, {0, 0, 0, 4}, 1024).data, two);
    // A controller that reads block values least significant byte first.
    auto lsb = build(xml, sim::DetailByteOrder::eLeastSignificantFirst);
    EXPECT_EQ(bmic(*lsb, 0x20, 1, {5, 0, 0, 0}, 512).data, Bytes(two.begin() + 512, two.end()));

    expectCheckCondition(bmic(*firmware, 0x20, 1, {0, 0, 0, 100}, 512), 5, 0x21);
    expectCheckCondition(bmic(*firmware, 0x20, 1, {0, 0, 0, 99}, 1024), 5, 0x21);
    expectCheckCondition(bmic(*firmware, 0x20, 2, {}, 512), 2, 0x04);
    expectCheckCondition(bmic(*firmware, 0x20, 3, {}, 512), 5, 0x25);
}

const sim::LunAddress kController{};
const sim::LunAddress kLogicalZero{0, 0, 0, 0x40, 0, 0, 0, 0};
const sim::LunAddress kPortOneTargetTwo{2, 0, 0, 0x81, 0, 0, 0, 0};
const sim::LunAddress kNobody{9, 9, 9, 9, 0, 0, 0, 0};

std::unique_ptr<sim::ControllerFirmware> controller()
{
    return build(R"(<controller> <board serial="P56A"/> <firmware version="2.84"/>
        <physicaldrive port="0" target="0"/> <physicaldrive port="1" target="2" serial="3HXB" product="OVD146C1K5"/>
        <logicaldrive number="0" blocks="100"><block number="7" hex="c0ffee"/></logicaldrive>
        <logicaldrive number="1" status="failed"/>
        <remote path="1" target="3"><board product="ARRAYBOX 4800   " serial="E12C"/><firmware version="6.02"/></remote>
    </controller>)");
}

TEST(FirmwareScsi, InquiryOfEveryAddress)
{
    auto firmware = controller();
    // Storage array controller (12), version 5, format 2, 91 more bytes.
    const Bytes image =
        ByteImage(96).hex(0, "0c0005025b").text(8, "ORVANE  ARRAY CONTROLLER2.84P56A" + std::string(16, ' '));
    const auto answer = scsi(*firmware, {0x12, 0, 0, 0, 96, 0}, 96, kController);
    expectGood(answer);
    EXPECT_EQ(answer.data, image);
    // The allocation length and the buffer both limit the reply.
    EXPECT_EQ(tsmtest::toHex(scsi(*firmware, {0x12, 0, 0, 0, 36, 0}, 96).data),
              tsmtest::toHex(image, 0, 36) + std::string(120, '0'));
    EXPECT_EQ(scsi(*firmware, {0x12, 0, 0, 0, 96, 0}, 20).data, Bytes(image.begin(), image.begin() + 20));

    const auto logical = scsi(*firmware, {0x12, 0, 0, 0, 96, 0}, 96, kLogicalZero);
    EXPECT_EQ(logical.data[0], 0);
    EXPECT_EQ(std::string(logical.data.begin() + 8, logical.data.begin() + 32), "ORVANE  LOGICAL VOLUME  ");
    const auto physical = scsi(*firmware, {0x12, 0, 0, 0, 96, 0}, 96, kPortOneTargetTwo);
    EXPECT_EQ(physical.data[0], 0);
    EXPECT_EQ(std::string(physical.data.begin() + 8, physical.data.begin() + 40), "ORVANE  OVD146C1K5      B1073HXB");

    // Nothing at the address: peripheral qualifier 3, no data beyond.
    const auto nobody = scsi(*firmware, {0x12, 0, 0, 0, 96, 0}, 96, kNobody);
    expectGood(nobody);
    EXPECT_EQ(nobody.data, ByteImage(96).u8(0, 0x7F).bytes());

    // Vital product data: the supported pages and the unit serial number.
    EXPECT_EQ(scsi(*firmware, {0x12, 1, 0x00, 0, 16, 0}, 6).data, (Bytes{12, 0x00, 0, 2, 0x00, 0x80}));
    EXPECT_EQ(scsi(*firmware, {0x12, 1, 0x80, 0, 16, 0}, 8).data, (Bytes{12, 0x80, 0, 4, 'P', '5', '6', 'A'}));
    expectCheckCondition(scsi(*firmware, {0x12, 1, 0x83, 0, 16, 0}, 16), 5, 0x24);
    expectCheckCondition(scsi(*firmware, {0x12, 0, 0x80, 0, 16, 0}, 16), 5, 0x24);
}

TEST(FirmwareScsi, LunLists)
{
    auto firmware = controller();
    // Report physical LUNs: the length, then the remote controller and the drives.
    const ByteImage physical = ByteImage(32).u8(3, 24).u8(8, 3).u8(11, 1).u8(19, 0x80).u8(24, 2).u8(27, 0x81);
    const auto answer = scsi(*firmware, {0xC3, 0, 0, 0, 0, 0, 0, 0, 0x1F, 0x48, 0, 0}, 8008);
    expectGood(answer);
    EXPECT_EQ(answer.data, Bytes(ByteImage(physical).u8(8007, 0)));
    // The allocation length cuts the list, not its length field.
    EXPECT_EQ(scsi(*firmware, {0xC3, 0, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0}, 64).data,
              ByteImage(64).u8(3, 24).u8(8, 3).u8(11, 1).bytes());
    // Logical LUNs, and both lists: no physical entries, then the logical ones.
    EXPECT_EQ(scsi(*firmware, {0xC2, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}, 24).data,
              ByteImage(24).u8(3, 16).u8(11, 0x40).u8(16, 1).u8(19, 0x40).bytes());
    EXPECT_EQ(scsi(*firmware, {0xA0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}, 32).data,
              ByteImage(32).u8(3, 24).u8(19, 0x40).u8(24, 1).u8(27, 0x40).bytes());
    // Lists come from the controller, not from a drive.
    expectCheckCondition(scsi(*firmware, {0xC2, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}, 24, kLogicalZero), 5, 0x20);
}

TEST(FirmwareScsi, CapacityReadsAndRefusals)
{
    auto firmware = controller();
    EXPECT_EQ(scsi(*firmware, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8, kLogicalZero).data,
              (Bytes{0, 0, 0, 99, 0, 0, 2, 0}));
    const Bytes block = ByteImage(512).hex(0, "c0ffee");
    const auto read10 = scsi(*firmware, {0x28, 0, 0, 0, 0, 7, 0, 0, 1, 0}, 512, kLogicalZero);
    expectGood(read10);
    EXPECT_EQ(read10.data, block);
    EXPECT_EQ(scsi(*firmware, {0x08, 0, 0, 7, 1, 0}, 512, kLogicalZero).data, block);
    expectCheckCondition(scsi(*firmware, {0x28, 0, 0, 0, 0, 99, 0, 0, 2, 0}, 1024, kLogicalZero), 5, 0x21);
    const sim::LunAddress failedDrive{1, 0, 0, 0x40, 0, 0, 0, 0};
    expectCheckCondition(scsi(*firmware, {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 512, failedDrive), 2, 0x04);
    expectCheckCondition(scsi(*firmware, {0x00, 0, 0, 0, 0, 0}, 0, failedDrive), 2, 0x04);
    expectGood(scsi(*firmware, {0x00, 0, 0, 0, 0, 0}, 0));
    expectCheckCondition(scsi(*firmware, {0x00, 0, 0, 0, 0, 0}, 0, kNobody), 5, 0x25);
    expectCheckCondition(scsi(*firmware, {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 512), 5, 0x20);
    expectCheckCondition(scsi(*firmware, {0x5A, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 64), 5, 0x20);
    expectCheckCondition(scsi(*firmware, {0x12, 0, 0, 0}, 96), 5, 0x24);
    expectCheckCondition(scsi(*firmware, {}, 96), 5, 0x24);
    // Request sense reports no pending condition.
    EXPECT_EQ(scsi(*firmware, {0x03, 0, 0, 0, 18, 0}, 18).data, ByteImage(18).u8(0, 0x70).u8(7, 10).bytes());
}

std::string senseHex(int key, int code, int qualifier)
{
    char text[64];
    std::snprintf(text, sizeof(text), "70 00 %02x 00 00 00 00 0a 00 00 00 00 %02x %02x 00 00 00 00", key, code,
                  qualifier);
    return text;
}

TEST(FirmwareFail, RulesForOneDriveOneKindAndSomeTimes)
{
    auto firmware = build(R"(<controller> <physicaldrive port="0" target="4"/>
        <physicaldrive port="0" target="5"/> <logicaldrive number="0"/> <logicaldrive number="3"/>
        <fail opcode="0x50" drive="3" commandstatus="4"/> <fail opcode="0x15" drive="5" commandstatus="4"/>
        <fail scsiopcode="0x12" sense=")" +
                          senseHex(5, 0x20, 0) + R"(" times="2"/> </controller>)");
    expectGood(bmic(*firmware, 0x50, 0, {}, 512));
    // A refusal returns no data: the stale bytes are gone.
    const Answer refused = bmic(*firmware, 0x50, 3, {}, 512);
    EXPECT_EQ(std::make_pair(int{refused.reply.commandStatus}, refused.data), std::make_pair(4, Bytes(512, 0)));
    // Physical drives by the number the command carries.
    expectGood(bmic(*firmware, 0x15, 0, {4, 0, 0, 0}, 512));
    EXPECT_EQ(bmic(*firmware, 0x15, 0, {5, 0, 0, 0}, 512).reply.commandStatus, 4);
    // The SCSI rule leaves BMIC commands alone and fires twice.
    expectGood(bmic(*firmware, 0x12, 0, {}, 1024));
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        expectCheckCondition(scsi(*firmware, {0x12, 0, 0, 0, 96, 0}, 96), 5, 0x20);
    }
    const auto third = scsi(*firmware, {0x12, 0, 0, 0, 96, 0}, 96);
    expectGood(third);
    EXPECT_EQ(third.data[0], 12);
    // A rule that lets the first two commands pass fires from the third on.
    auto later = build(R"(<controller> <physicaldrive port="0" target="4"/>
        <fail opcode="0x15" drive="4" after="2" commandstatus="4"/> </controller>)");
    for (const int expected : {0, 0, 4, 4})
        EXPECT_EQ(bmic(*later, 0x15, 0, {4, 0, 0, 0}, 512).reply.commandStatus, expected);
}

} // namespace
