// Whatever a host sends, the firmware of every controller of the shipped
// machines answers with a well-formed reply: random blocks, CDBs, LUN
// addresses, directions and buffer sizes.
#include "firmware_support.h"

#include <filesystem>
#include <random>

namespace {

void collect(sim::ControllerFirmware& firmware, std::vector<sim::ControllerFirmware*>& all)
{
    all.push_back(&firmware);
    for (size_t i = 0; i < firmware.remoteCount(); ++i) {
        collect(firmware.remote(i), all);
    }
}

sim::FirmwareCommand randomCommand(std::mt19937& random)
{
    const uint8_t known[] = {0x10, 0x11, 0x12, 0x15, 0x20, 0x50, 0x64, 0x66, 0x70, 0xC1, 0x12, 0xA0, 0xC2, 0xC3,
                             0x25, 0x28, 0x08, 0x00, 0x03};
    auto byte = [&] { return static_cast<uint8_t>(random() & 0xFF); };
    sim::FirmwareCommand command;
    command.bBmic = random() % 2 == 0;
    command.block.resize(random() % 17);
    for (auto& b : command.block) {
        b = byte();
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

// Every controller of every machine of the tree builds; those of the
// typical and the large machine answer random commands with well-formed replies.
TEST(FirmwareRobustness, EveryControllerBuildsAndAnswersRandomCommandsWellFormed)
{
    const auto folder = std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "sim" / "machines";
    std::mt19937 random(1206);
    size_t controllers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".xml")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        sim::Node root;
        sim::DescriptionError parseError;
        ASSERT_TRUE(sim::parseDescriptionFile(entry.path().string(), root, parseError)) << parseError.problem;
        size_t local = 0;
        size_t remotes = 0;
        for (const sim::Node* port : root.childrenNamed("port")) {
            for (const sim::Node* element : port->childrenNamed("controller")) {
                std::string error;
                auto firmware = sim::ControllerFirmware::fromDescription(*element, error);
                ASSERT_TRUE(firmware) << error;
                ++local;
                std::vector<sim::ControllerFirmware*> all;
                collect(*firmware, all);
                remotes += all.size() - 1;
                // The machines with <fail> elements answer badly on purpose.
                const std::string name = entry.path().filename().string();
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
        // One controller per transport; two remotes behind the CISS controller and
        // two behind the Fibre Channel adapter.
        if (entry.path().filename() == "typical.xml") {
            EXPECT_EQ(std::make_pair(local, remotes), std::make_pair(size_t{4}, size_t{4}));
        }
    }
    EXPECT_GT(controllers, 80u);
}

} // namespace
