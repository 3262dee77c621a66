// Transport edges no simulated driver produces, answered by a stand-in for
// the storage drivers: an unknown bus type, Fibre Channel inquiry data that
// needs a bigger buffer or points outside itself, and a management query that
// never returns.
#include "byteimage.h"
#include "imxdevicechannel.h"
#include "imxioctlfactory.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <thread>

namespace {

using namespace InfoMgr;
using Image = tsmtest::ByteImage;

// Ports 0 to 7 open; every request goes to the answer, which edits the
// buffer in place (it holds the request and becomes the reply) and sets the
// bytes returned.
class StandIn : public DeviceChannel {
public:
    using Answer = std::function<bool(std::uint32_t dwCode, std::vector<std::uint8_t>& buffer, std::uint32_t& dwReturned)>;
    explicit StandIn(Answer answer) : m_answer(std::move(answer)) { setDeviceChannel(this); }
    ~StandIn() override { setDeviceChannel(nullptr); }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    HANDLE openDevice(const std::string& sDeviceName) override
    {
        if (sDeviceName.size() != 10 || sDeviceName.compare(0, 8, "\\\\.\\Scsi") != 0 || sDeviceName[8] > '7')
            return INVALID_HANDLE_VALUE;
        ++m_nOpen;
        return reinterpret_cast<HANDLE>(0x1000);
    }
    bool ioControl(HANDLE, std::uint32_t dwCode, void* pIn, std::uint32_t dwInLength, void* pOut,
                   std::uint32_t dwOutLength, std::uint32_t& dwReturned) override
    {
        std::vector<std::uint8_t> buffer(dwOutLength, 0);
        if (pIn != nullptr)
            std::memcpy(buffer.data(), pIn, std::min(dwInLength, dwOutLength));
        dwReturned = 0;
        const bool bOk = m_answer(dwCode, buffer, dwReturned);
        dwReturned = std::min(dwReturned, dwOutLength);
        if (pOut != nullptr)
            std::memcpy(pOut, buffer.data(), dwReturned);
        return bOk;
    }
    void closeDevice(HANDLE) override { --m_nOpen; }
    int openHandles() const { return m_nOpen; }
    Answer m_answer;

private:
    std::atomic<int> m_nOpen{0};
};

// Answers packets by the control code at 16 ("ZYRFC" 1 and 2 differ only
// there), copying the reply's body over the request's from offset 28.
StandIn::Answer byControlCode(std::map<std::uint32_t, Image> replies)
{
    return [replies](std::uint32_t, std::vector<std::uint8_t>& buffer, std::uint32_t& dwReturned) {
        const auto it = buffer.size() >= 28 ? replies.find(buffer[16]) : replies.end();
        if (it == replies.end())
            return false;
        for (std::size_t n = 28; n < std::min(buffer.size(), it->second.bytes().size()); ++n)
            buffer[n] = it->second.bytes()[n];
        dwReturned = static_cast<std::uint32_t>(buffer.size());
        return true;
    };
}

TEST(TransportStandIn, UnknownBusTypeIsFatal)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    tsmtest::TempMachine machine;
    // Configuration record with bus type 1 (neither EISA nor PCI) at 47.
    StandIn drivers(byControlCode({{2, Image(196).hex(40, "f1a7014c").u8(46, 4).u8(47, 1)}}));
    const SchemaObjectEssentialData ciss(0, 0x8000, eCSMI_CISS);
    BusInfoRecord busInfo{};
    EXPECT_DEATH(createIoCtlCommandGroup(eCSMI_CISS)->getControllerBusInfo(ciss, busInfo),
                 "configBuffer.CntlrConfiguration.bIoBusType == 3");
}

// The adapter bus information of a port's inquiry data: bus count, 8-byte
// bus entries from offset 4 (unit count, offset of the first unit at +4),
// unit records (path, target, LUN, next offset at 8, inquiry data at 12).
Image fibreInquiryData()
{
    Image data(176);
    data.u8(0, 2);
    data.u8(4, 2).le32(8, 32);
    data.u8(12, 1).le32(16, 128);
    data.hex(32, "000100").le32(40, 80).u8(44, 0x0C);   // array controller
    data.hex(80, "000200").le32(88, 0).u8(92, 0x2D);    // enclosure services (qualifier bits set)
    data.hex(128, "010300").le32(136, 0).u8(140, 0x00); // a disk: not kept
    return data;
}

// Answers the rescan, then the inquiry data once the buffer holds dwNeeded;
// the sizes of the buffers offered go to sizes.
StandIn::Answer inquiryPort(const Image& data, std::uint32_t dwNeeded, std::vector<std::uint32_t>& sizes,
                            std::uint32_t dwReturned = 0)
{
    return [data, dwNeeded, &sizes, dwReturned](std::uint32_t dwCode, std::vector<std::uint8_t>& buffer,
                                                std::uint32_t& dwBytes) {
        if (dwCode == 0x0004101C)
            return true;
        if (dwCode != 0x0004100C)
            return false;
        sizes.push_back(static_cast<std::uint32_t>(buffer.size()));
        if (buffer.size() < dwNeeded)
            return false;
        std::copy(data.bytes().begin(), data.bytes().end(), buffer.begin());
        dwBytes = dwReturned != 0 ? dwReturned : static_cast<std::uint32_t>(data.bytes().size());
        return true;
    };
}

TEST(TransportStandIn, FibreRemoteControllersFromTheInquiryData)
{
    tsmtest::TempMachine machine;
    const auto fibre = createIoCtlCommandGroup(eCSMI_FIBRE);
    const SchemaObjectEssentialData adapter(2, 0x8000, eCSMI_FIBRE);
    std::vector<std::uint32_t> sizes;
    StandIn drivers(inquiryPort(fibreInquiryData(), 40000, sizes));
    EssentialDataList records;
    EXPECT_EQ(fibre->discoverRemoteControllers(adapter, records), 0u);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]->eCommandType(), eCSMI_FIBRE);
    EXPECT_EQ(tsmtest::toHex(records[0]->address()), "000100");
    EXPECT_EQ(records[1]->eCommandType(), eCSMI_SWITCH);
    EXPECT_EQ(tsmtest::toHex(records[1]->address()), "000200");
    for (const auto& pRecord : records) {
        EXPECT_EQ(pRecord->eObjectType(), 0x8007u);
        EXPECT_EQ(pRecord->port(), 2u);
    }
    // The buffer grows by 16384 while the call fails.
    EXPECT_EQ(sizes, (std::vector<std::uint32_t>{16384, 32768, 49152}));

    // Never large enough below 131072: seven tries, nothing found.
    sizes.clear();
    drivers.m_answer = inquiryPort(fibreInquiryData(), 131072, sizes);
    EssentialDataList none;
    EXPECT_EQ(fibre->discoverRemoteControllers(adapter, none), 3u);
    EXPECT_EQ(sizes.size(), 7u);
    EXPECT_EQ(sizes.back(), 114688u);

    // A reply that ends before the second bus's unit keeps what lies inside
    // it; offsets that point outside the reply or loop are not followed.
    const struct {
        Image data;
        std::uint32_t dwReturned;
        std::size_t nFound;
    } bounds[] = {{fibreInquiryData(), 130, 2}, {fibreInquiryData().le32(40, 32).u8(4, 200).le32(16, 0xFFFFFFF0), 0, 200}};
    for (const auto& b : bounds) {
        SCOPED_TRACE(b.nFound);
        drivers.m_answer = inquiryPort(b.data, 0, sizes, b.dwReturned);
        EssentialDataList found;
        EXPECT_EQ(fibre->discoverRemoteControllers(adapter, found), 0u);
        EXPECT_EQ(found.size(), b.nFound);
    }

    // The rescan failing gives 3; no port, 0x80000009.
    drivers.m_answer = [](std::uint32_t, std::vector<std::uint8_t>&, std::uint32_t&) { return false; };
    EXPECT_EQ(fibre->discoverRemoteControllers(adapter, none), 3u);
    EXPECT_EQ(fibre->discoverRemoteControllers(SchemaObjectEssentialData(8, 0x8000, eCSMI_FIBRE), none), 0x80000009u);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(drivers.openHandles(), 0);
}

TEST(TransportStandIn, HangingManagementQueryIsAbandonedAfterItsTimeout)
{
    tsmtest::TempMachine machine;
    // The abandoned call still runs when the test ends, so its stand-in stays.
    static StandIn drivers(byControlCode(
        {{3, Image(60).hex(32, "6000000000000001 6000000000000002").le32(48, 0x00445566).u8(52, 0x41)}}));
    setDeviceChannel(&drivers);
    const StandIn::Answer name = drivers.m_answer;
    drivers.m_answer = [name](std::uint32_t dwCode, std::vector<std::uint8_t>& buffer, std::uint32_t& dwReturned) {
        if (buffer[16] == 14)
            std::this_thread::sleep_for(std::chrono::seconds(12));
        return name(dwCode, buffer, dwReturned);
    };
    SchemaObjectEssentialData remote(2, 0x8007, eCSMI_FIBRE);
    remote.setAddress({0, 7, 1});
    std::array<std::uint8_t, 20> identity{};
    const auto start = std::chrono::steady_clock::now();
    const std::uint32_t dwResult =
        createIoCtlCommandGroup(eCSMI_FIBRE)->getRemoteIdentity(remote, identity.data(), identity.size());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    setDeviceChannel(nullptr);
    // The port-attributes query names 10 seconds; the name query then answers.
    EXPECT_EQ(dwResult, 0u);
    EXPECT_GE(seconds, 9.9);
    EXPECT_LT(seconds, 11.5);
    EXPECT_EQ(tsmtest::toHex(identity), "6000000000000001" "6000000000000002" "41" "445566");
}

}
