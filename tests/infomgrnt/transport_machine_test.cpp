// The transports on the simulated machine: the packets they send, read back
// from the packet capture and compared with images written from the packet
// tables, and what a port with injected faults does to a scan.
#include "transport_fakedrivers.h"

#include "imxioctlfactory.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

using namespace InfoMgr;
using xporttest::Image;
using xporttest::toHex;

struct Captured {
    std::string device;
    std::string code;
    std::string in;
    std::string ok;
};

std::string field(const std::string& line, const std::string& key)
{
    const std::string marker = "\"" + key + "\": ";
    const std::size_t at = line.find(marker);
    if (at == std::string::npos)
        return "<missing>";
    std::size_t pos = at + marker.size();
    std::string value;
    const bool bQuoted = line[pos] == '"';
    if (bQuoted)
        ++pos;
    for (; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (bQuoted ? c == '"' : (c == ',' || c == '}'))
            break;
        if (c == '\\' && pos + 1 < line.size())
            ++pos;
        value += line[pos];
    }
    return value;
}

// A machine described by the test, with capture into its own folder.
class SimulatedMachine : public ::testing::Test {
protected:
    tsmtest::TempMachine machine;
    std::string capturePath = machine.root() + "/capture.jsonl";

    void SetUp() override { ::setenv("SIM_CAPTURE", capturePath.c_str(), 1); }
    void TearDown() override { ::unsetenv("SIM_CAPTURE"); }

    void describe(const std::string& ports)
    {
        machine.writeDescription("<?xml version=\"1.0\"?>\n<machine>\n" + ports + "</machine>\n");
    }
    std::vector<Captured> captured(const std::string& device = "") const
    {
        std::vector<Captured> requests;
        std::ifstream in(capturePath);
        for (std::string line; std::getline(in, line);) {
            Captured request{field(line, "device"), field(line, "code"), field(line, "in"), field(line, "ok")};
            if (device.empty() || request.device == device)
                requests.push_back(request);
        }
        return requests;
    }
    void clearCapture() const { std::ofstream(capturePath, std::ios::trunc); }
};

std::uint32_t sendBmic(CommandType eType, const SchemaObjectEssentialData& device, std::uint32_t dwLength)
{
    auto pTransport = createIoCtlCommandGroup(eType);
    BmicTransfer command;
    command.bOpcode = 0x11;
    command.dwDirection = 1;
    BmicRequest request;
    request.pDevice = &device;
    pTransport->setupBmicParameters(command, dwLength, request.block);
    std::vector<std::uint8_t> data(dwLength);
    std::uint32_t dwDataLength = dwLength;
    std::uint32_t dwSenseLength = 0;
    std::uint8_t bScsiStatus = 0;
    std::uint16_t wCommandStatus = 0;
    CommandBuffers buffers{data.data(), &dwDataLength, nullptr, &dwSenseLength, &bScsiStatus, &wCommandStatus};
    return pTransport->sendBmicCommand(request, 1, buffers);
}

TEST_F(SimulatedMachine, EachTransportSendsItsPacketsToThePortDevice)
{
    describe("<port number=\"3\" driver=\"other\"/>\n<port number=\"4\" driver=\"other\"/>\n"
             "<port number=\"5\" driver=\"other\"/>\n<port number=\"6\" driver=\"other\"/>\n");
    EssentialDataList records;
    createIoCtlCommandGroup(eCSMI_CISS)->discoverControllers(records);
    const auto config = captured("\\\\.\\Scsi3:");
    ASSERT_EQ(config.size(), 1u);
    EXPECT_EQ(config[0].code, "0x0004D008");
    Image csmi(196);
    csmi.hex(0, "1c000000 5a595243534d4900 ffffffff 02000000 00000000 a8000000");
    EXPECT_EQ(config[0].in, toHex(csmi.bytes()));
    // Only the four described ports are devices; the others never open.
    EXPECT_EQ(captured().size(), 4u);

    clearCapture();
    sendBmic(eCSMI_CISS, SchemaObjectEssentialData(3, 0x8000, eCSMI_CISS), 512);
    Image ciss(660);
    ciss.hex(0, "1c000000 5a59524349535300 ffffffff 02000000 00000000 78020000")
        .hex(36, "ffff 0a 00 26 00 00000000 11 0002 00")
        .hex(56, "01000000");
    ASSERT_EQ(captured("\\\\.\\Scsi3:").size(), 1u);
    EXPECT_EQ(captured("\\\\.\\Scsi3:")[0].in, toHex(ciss.bytes()));

    sendBmic(eCSMI_I2O, SchemaObjectEssentialData(4, 0x8000, eCSMI_I2O), 512);
    Image i2o(604);
    i2o.hex(0, "1c000000 5a5952424d494300 ffffffff 01000000 00000000 40020000").hex(28, "00 11 0100 00000000");
    ASSERT_EQ(captured("\\\\.\\Scsi4:").size(), 1u);
    EXPECT_EQ(captured("\\\\.\\Scsi4:")[0].in, toHex(i2o.bytes()));

    SchemaObjectEssentialData remote(5, 0x8007, eCSMI_FIBRE);
    remote.setAddress({0, 7, 1});
    sendBmic(eCSMI_FIBRE, remote, 512);
    Image query(44);
    query.hex(0, "1c000000 5a59524643000000 ffffffff 01000000 00000000 10000000").hex(28, "000701");
    ASSERT_GE(captured("\\\\.\\Scsi5:").size(), 1u);
    EXPECT_EQ(captured("\\\\.\\Scsi5:")[0].in, toHex(query.bytes()));

    sendBmic(eLEGACY, SchemaObjectEssentialData(6, 0x8000, eLEGACY), 512);
    Image legacy(556);
    legacy.hex(0, "1c000000 4f44584d26500000 b4000000 03000000 00000000 10020000")
        .hex(28, "00 11 00000000 00020000 0002");
    ASSERT_EQ(captured("\\\\.\\Scsi6:").size(), 1u);
    EXPECT_EQ(captured("\\\\.\\Scsi6:")[0].in, toHex(legacy.bytes()));

    clearCapture();
    std::array<std::uint8_t, 20> identity{};
    createIoCtlCommandGroup(eCSMI_FIBRE)->getRemoteIdentity(remote, identity.data(), identity.size());
    const auto identityQueries = captured("\\\\.\\Scsi5:");
    ASSERT_EQ(identityQueries.size(), 2u);
    Image portAttributes(124);
    portAttributes.hex(0, "1c000000 46434d2650000000 0a000000 0e000000 00000000 60000000").hex(28, "08000000 05000701");
    EXPECT_EQ(identityQueries[0].in, toHex(portAttributes.bytes()));
    Image name(60);
    name.hex(0, "1c000000 5a59524643000000 ffffffff 03000000 00000000 20000000").hex(28, "000701");
    EXPECT_EQ(identityQueries[1].in, toHex(name.bytes()));
}

TEST_F(SimulatedMachine, FaultyPortsGiveTheirCodeAndTheScanGoesOn)
{
    describe("<port number=\"0\" driver=\"other\"><fault kind=\"garbage\" seed=\"7\"/></port>\n"
             "<port number=\"1\" driver=\"other\"><fault kind=\"short\" bytes=\"20\"/></port>\n"
             "<port number=\"2\" driver=\"other\"><fault kind=\"error\" error=\"31\"/></port>\n"
             "<port number=\"3\" driver=\"other\"><fault kind=\"open\" error=\"2\"/></port>\n"
             "<port number=\"200\" driver=\"other\"/>\n");
    BusInfoRecord busInfo{};
    std::uint8_t bStatus = 0;
    auto pCiss = createIoCtlCommandGroup(eCSMI_CISS);
    for (std::uint32_t dwPort : {0u, 1u, 2u}) {
        SCOPED_TRACE(dwPort);
        const SchemaObjectEssentialData controller(dwPort, 0x8000, eCSMI_CISS);
        EXPECT_EQ(pCiss->getControllerBusInfo(controller, busInfo), 0x80000005u);
        EXPECT_EQ(sendBmic(eCSMI_CISS, controller, 512), 0x80000005u);
        EXPECT_EQ(pCiss->getControllerStatus(controller, bStatus), 0x80000007u);
    }
    for (std::uint32_t dwPort : {3u, 4u}) {
        SCOPED_TRACE(dwPort);
        const SchemaObjectEssentialData controller(dwPort, 0x8000, eCSMI_CISS);
        EXPECT_EQ(pCiss->getControllerBusInfo(controller, busInfo), 0x80000007u);
        EXPECT_EQ(sendBmic(eCSMI_CISS, controller, 512), 0x80000007u);
    }

    clearCapture();
    EssentialDataList records;
    EXPECT_EQ(pCiss->discoverControllers(records), 3u);
    EXPECT_TRUE(records.empty());
    // Past the faulty ports the scan still reaches port 200.
    const auto requests = captured();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests.back().device, "\\\\.\\Scsi200:");
    EXPECT_EQ(requests[0].ok, "true");   // garbage comes back as a successful call
    EXPECT_EQ(requests[2].ok, "false");
}


}
