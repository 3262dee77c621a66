// The conversions between controller data and attribute text, including
// drive lists in text and bitmap form.
#include "conversion.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

using Core::DriveList;

TEST(Conversion, NumberAndHexadecimalTexts)
{
    EXPECT_EQ(Core::formatUnsigned(0) + " " + Core::formatUnsigned(4294967295u), "0 4294967295");
    const std::uint8_t bytes[] = {0x00, 0x0a, 0xA0, 0xff, 0x5c};
    EXPECT_EQ(Core::formatHexBytes(bytes, sizeof bytes), "000aa0ff5c");
    const std::pair<const char*, std::uint32_t> numbers[] = {
        {"42", 42}, {"  7", 7},  {"\t+12x", 12},    {"-1", 4294967295u}, {"", 0},
        {"abc", 0}, {"3*-*", 3}, {"4294967296", 0}, {"- 5", 0},
    };
    for (const auto& [pszText, dwExpected] : numbers)
        EXPECT_EQ(Core::parseUnsigned(pszText), dwExpected) << pszText;
    EXPECT_EQ(Core::parseDriveCount("65537"), 1);
    EXPECT_EQ(Core::parseDriveNumber("258"), 2);

    const std::pair<const char*, int> pairs[] = {{"0a", 10}, {"FF", 255}, {"a0", 160}, {"fF", 255}, {"7e", 126}};
    for (const auto& [pszText, expected] : pairs)
        EXPECT_EQ(Core::hexToByte(pszText), expected) << pszText;
    std::vector<std::uint8_t> appended{9};
    Core::hexStringToBytes("00a1FF10", appended);
    EXPECT_EQ(appended, (std::vector<std::uint8_t>{9, 0x00, 0xa1, 0xff, 0x10}));
    for (const char* pszBad : {"a", "abc", "0g", "-1", " 1"})
        EXPECT_FALSE(Core::isHexText(pszBad)) << pszBad;
    EXPECT_TRUE(Core::isHexText("09afAF"));
}

TEST(DriveList, ParsesTheTextFormAndKeepsEntriesUniqueInOrder)
{
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"1*-*2", {"1", "2"}},    {"1*-*2*-*", {"1", "2"}},     {"", {}}, {"*-*", {""}}, {"*-", {""}},
        {"3*-*3*-*", {"3", "3"}}, {"x*-**-*7", {"x", "", "7"}},
    };
    for (const auto& [pszText, expected] : cases) {
        const DriveList list(pszText);
        EXPECT_EQ(std::vector<std::string>(list.begin(), list.end()), expected) << pszText;
    }
    // Built up, it keeps its entries unique and in order.
    DriveList list;
    EXPECT_EQ(list.toText(), "");
    for (const char* pszNumber : {"0", "3", "3"})
        list.add(pszNumber);
    EXPECT_EQ(list.toText() + " " + list.toText(","), "0*-*3*-* 0,3,");
    list.addAll("5*-*0*-*9");
    EXPECT_EQ(list.toText(), "0*-*3*-*5*-*9*-*");
    EXPECT_TRUE(list.contains("5"));
    EXPECT_FALSE(list.contains("05"));
    list.removeAll(DriveList("3*-*9*-*"));
    EXPECT_EQ(list.toText(), "0*-*5*-*");
    DriveList twice("7*-*7");
    twice.remove("7");
    EXPECT_TRUE(twice.empty()) << "remove takes every equal entry";
}

TEST(DriveList, ConvertsBitmaps)
{
    // Numbers below 128 have no bit in the big map.
    const std::tuple<std::array<std::uint8_t, 16>, const char*, const char*> maps[] = {
        {{0x01}, "128*-*", "128*-*"},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}, "255*-*", "255*-*"},
        {{0, 0x05, 0x80}, "136*-*138*-*151*-*", "136*-*138*-*151*-*"},
        {{}, "", "0*-*127*-*"},
    };
    for (const auto& [map, pszText, pszSource] : maps) {
        SCOPED_TRACE(pszSource);
        DriveList list;
        list.fromBigMap(map.data());
        EXPECT_EQ(list.toText(), pszText);
        std::array<std::uint8_t, 16> back;
        back.fill(0xEE);
        DriveList(pszSource).toBigMap(back.data());
        EXPECT_EQ(back, map);
    }
    DriveList list;
    list.fromMask(0x80000009u);
    EXPECT_EQ(list.toText(), "0*-*3*-*31*-*");
    std::uint32_t dwMask = 7;
    list.toMask(dwMask);
    EXPECT_EQ(dwMask, 0x80000009u);
    DriveList("3*-*3").toMask(dwMask);
    EXPECT_EQ(dwMask, 16u) << "bits are added, as the text form allows duplicates";
}
