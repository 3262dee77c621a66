// Reading a controller's firmware from its description: refusals that name
// the element's line (remote controller addresses of either form are read
// through the transports); and whatever a host
// sends, the firmware of every controller of the shipped machines answers
// with a well-formed reply.
#include "firmware_support.h"

#include <filesystem>
#include <random>

namespace {

TEST(FirmwareDescription, RefusesBadContentNamingTheLine)
{
    // Content of a <controller> element (a <port> stands alone), the refusal.
    const std::pair<std::string, const char*> cases[] = {
        {"\n<board verison=\"1\"/>", "line 2: <board> unknown attribute verison"},
        {"\n<firmware version=\"2.8\"/>", "line 2: <firmware> attribute version"},
        {"\n<board ports=\"9\"/>", "line 2: <board> attribute ports"},
        {"\n<board serial=\"123456789012345678901234567890123\"/>", "line 2: <board> attribute serial is longer than 32"},
        {"\n<board revision=\"AB\"/>", "line 2: <board> attribute revision"},
        {"\n<board/>\n<board/>", "line 3: <board> appears twice"},
        {"\n<physicaldrive port=\"0\" target=\"7\"/>", "line 2: <physicaldrive> port 0 target 7"},
        {"\n<physicaldrive port=\"0\"/>", "line 2: <physicaldrive> needs the attributes"},
        {"<board ports=\"2\"/>\n<physicaldrive port=\"2\" target=\"0\"/>", "line 2: <physicaldrive> port 2 target 0 is outside"},
        {"<board drivesperport=\"8\"/>\n<physicaldrive port=\"0\" target=\"8\"/>", "line 2: <physicaldrive> port 0 target 8"},
        {"<physicaldrive port=\"0\" target=\"1\"/>\n<physicaldrive port=\"0\" target=\"1\"/>",
         "line 2: <physicaldrive> port 0 target 1 is taken"},
        {"\n<physicaldrive port=\"0\" target=\"1\" transfer=\"warp\"/>", "line 2: <physicaldrive> attribute transfer"},
        {"\n<physicaldrive port=\"0\" target=\"1\" blocks=\"4294967296\"/>", "line 2: <physicaldrive> attribute blocks"},
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
            fwtest::refusal(content.rfind("<port", 0) == 0 ? content : "<controller>" + content + "</controller>");
        EXPECT_NE(message.find(expected), std::string::npos) << message;
    }
    // Elements the transport drivers own are left to them.
    EXPECT_EQ(fwtest::refusal("<controller class=\"4\"><pci bus=\"2\"/><board/></controller>"), "");
}

sim::FirmwareCommand randomCommand(std::mt19937& random)
{
    const uint8_t known[] = {0x10, 0x11, 0x12, 0x15, 0x20, 0x50, 0x64, 0x66, 0x70, 0xC1, 0x12, 0xA0, 0xC2, 0xC3,
                             0x25, 0x28, 0x08, 0x00, 0x03};
    sim::FirmwareCommand command;
    command.bBmic = random() % 2 == 0;
    command.block.resize(random() % 17);
    for (auto& b : command.block) {
        b = static_cast<uint8_t>(random() & 0xFF);
    }
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
        command.lun = {static_cast<uint8_t>(random() % 16), 0, 0, static_cast<uint8_t>(random() % 2 ? 0x40 : 0x80),
                       0, 0, 0, 0};
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

} // namespace
