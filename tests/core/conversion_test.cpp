// Status values and the conversions between controller data and attribute
// text, including drive lists in text and bitmap form.
#include "conversion.h"
#include "status.h"

#include <gtest/gtest.h>

#include <array>

using Core::DriveList;
using Core::Status;

TEST(Status, ValuesAndMessages)
{
    EXPECT_EQ(Status::eFAILED, 0);
    EXPECT_EQ(Status::eOK, 1);
    EXPECT_EQ(Status::eNOTRUN, 2);
    EXPECT_EQ(Status::eNOTAPPLICABLE, 3);
    EXPECT_EQ(Status::eLAST, 10000);

    const Status failed(false);
    EXPECT_EQ(failed.value(), Status::eFAILED);
    EXPECT_EQ(failed.message(), "");
    EXPECT_FALSE(failed.isOk());
    const Status ok(true);
    EXPECT_EQ(ok.value(), Status::eOK);
    EXPECT_TRUE(ok.isOk());
    Status notRun(Status::eNOTRUN);
    EXPECT_FALSE(notRun.isOk());
    EXPECT_EQ(notRun.message(), "");
    notRun.setMessage("OperationReadControllerInfo");
    EXPECT_EQ(notRun.message(), "OperationReadControllerInfo");
    const Status named(Status::eNOTAPPLICABLE, "not this kind");
    EXPECT_EQ(named.value(), Status::eNOTAPPLICABLE);
    EXPECT_EQ(named.message(), "not this kind");
    EXPECT_EQ(Status(static_cast<Status::eValue>(9999)).value(), 9999) << "values below the limit pass";
}

TEST(Conversion, NumberTexts)
{
    EXPECT_EQ(Core::formatUnsigned(0), "0");
    EXPECT_EQ(Core::formatUnsigned(65535), "65535");
    EXPECT_EQ(Core::formatUnsigned(4294967295u), "4294967295");
    const std::uint8_t bytes[] = { 0x00, 0x0a, 0xA0, 0xff, 0x5c };
    EXPECT_EQ(Core::formatHexBytes(bytes, sizeof bytes), "000aa0ff5c");
    EXPECT_EQ(Core::formatHexBytes(bytes, 0), "");

    struct Case {
        const char* pszText;
        std::uint32_t dwExpected;
    };
    const Case cases[] = {
        {"42", 42}, {"  7", 7}, {"\t+12x", 12}, {"-1", 4294967295u}, {"", 0}, {"abc", 0},
        {"3*-*", 3}, {"4294967296", 0}, {"0012", 12}, {"- 5", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszText);
        EXPECT_EQ(Core::parseUnsigned(c.pszText), c.dwExpected);
    }
    EXPECT_EQ(Core::parseDriveCount("65537"), 1);
    EXPECT_EQ(Core::parseDriveNumber("258"), 2);
}

TEST(Conversion, HexadecimalBytes)
{
    struct Case {
        const char* pszText;
        int expected;
    };
    const Case cases[] = { {"0a", 10}, {"FF", 255}, {"a0", 160}, {"fF", 255}, {"00", 0}, {"7e", 126} };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszText);
        EXPECT_EQ(Core::hexToByte(c.pszText), c.expected);
    }
    EXPECT_EQ(Core::hexStringToBytes("00a1FF10"), (std::vector<std::uint8_t> { 0x00, 0xa1, 0xff, 0x10 }));
    std::vector<std::uint8_t> appended { 9 };
    Core::hexStringToBytes("0b", appended);
    EXPECT_EQ(appended, (std::vector<std::uint8_t> { 9, 11 }));
    for (const char* pszBad : { "a", "abc", "0g", "-1", " 1" })
        EXPECT_FALSE(Core::isHexText(pszBad)) << pszBad;
    EXPECT_TRUE(Core::isHexText(""));
    EXPECT_TRUE(Core::isHexText("09afAF"));
}

TEST(DriveList, ParsesTheTextForm)
{
    struct Case {
        const char* pszText;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"1*-*2", {"1", "2"}},
        {"1*-*2*-*", {"1", "2"}},
        {"", {}},
        {"*-*", {""}},
        {"*-", {""}},
        {"3*-*3*-*", {"3", "3"}},
        {"x*-**-*7", {"x", "", "7"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszText);
        const DriveList list(c.pszText);
        EXPECT_EQ(std::vector<std::string>(list.begin(), list.end()), c.expected);
    }
}

TEST(DriveList, KeepsEntriesUniqueInOrder)
{
    DriveList list;
    EXPECT_EQ(list.toText(), "");
    list.add("0");
    list.add("3");
    list.add("3");
    EXPECT_EQ(list.toText(), "0*-*3*-*");
    EXPECT_EQ(list.toText(","), "0,3,");
    list.addAll("5*-*0*-*9");
    EXPECT_EQ(list.toText(), "0*-*3*-*5*-*9*-*");
    EXPECT_TRUE(list.contains("5"));
    EXPECT_FALSE(list.contains("05"));
    list.removeAll(DriveList("3*-*9*-*"));
    EXPECT_EQ(list.toText(), "0*-*5*-*");
    DriveList parsed("7*-*7");
    parsed.remove("7");
    EXPECT_TRUE(parsed.empty()) << "remove takes every equal entry";
    DriveList merged;
    merged.addAll(DriveList("2*-*2*-*1"));
    EXPECT_EQ(merged.toText(), "2*-*1*-*");
}

TEST(DriveList, ConvertsBitmaps)
{
    std::array<std::uint8_t, 16> map {};
    DriveList list;
    map[0] = 0x01;
    list.fromBigMap(map.data());
    EXPECT_EQ(list.toText(), "128*-*");
    map = {};
    map[15] = 0x80;
    list.fromBigMap(map.data());
    EXPECT_EQ(list.toText(), "255*-*");
    map = {};
    map[1] = 0x05;
    map[2] = 0x80;
    list.fromBigMap(map.data());
    EXPECT_EQ(list.toText(), "136*-*138*-*151*-*");

    std::array<std::uint8_t, 16> back {};
    back.fill(0xEE);
    list.toBigMap(back.data());
    EXPECT_EQ(back, map);
    DriveList("0*-*127*-*").toBigMap(back.data());
    EXPECT_EQ(back, (std::array<std::uint8_t, 16> {})) << "numbers below 128 have no bit in the map";

    list.fromMask(0x80000009u);
    EXPECT_EQ(list.toText(), "0*-*3*-*31*-*");
    std::uint32_t dwMask = 7;
    list.toMask(dwMask);
    EXPECT_EQ(dwMask, 0x80000009u);
    list.fromMask(0);
    EXPECT_EQ(list.toText(), "");
    list.toMask(dwMask);
    EXPECT_EQ(dwMask, 0u);
    DriveList("3*-*3").toMask(dwMask);
    EXPECT_EQ(dwMask, 16u) << "bits are added, as the list form allows duplicates";
}
