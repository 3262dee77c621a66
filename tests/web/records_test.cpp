// The records handed to the management HTTP server: bytes of the start-up
// record at their offsets, the extension record's fields and lists, the two
// small callbacks, and ModulePath.
#include "byteimage.h"
#include "extensionrecords.h"
#include "modulepath.h"
#include "requesthandler.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstring>
#include <tuple>

namespace {

// The DOS directory of this test program as the platform names it ("Z:"
// and the host path), upper-cased, with its trailing backslash.
std::string upperDirectory()
{
    char host[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", host, sizeof host - 1);
    std::string dos = "Z:" + std::string(host, length > 0 ? static_cast<std::size_t>(length) : 0);
    for (char& c : dos)
        c = c == '/' ? '\\' : static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return dos.substr(0, dos.rfind('\\') + 1);
}

TEST(Records, StartupAndExtensionRecordsHoldTheirFields)
{
    // The relative part keeps its case.
    EXPECT_EQ(Web::ModulePath("mixed\\Case.xml"), upperDirectory() + "mixed\\Case.xml");
    QWEX_STARTUP_INFO startup{};
    Web::fillStartupRecord(startup);
    const auto* pbRecord = reinterpret_cast<const std::uint8_t*>(&startup);
    const std::vector<std::uint8_t> expected = tsmtest::ByteImage(1579)
                                                   .le32(0, 1579)
                                                   .le32(4, 2)
                                                   .text(8, "MarketingName:Tarvion Storage Manager")
                                                   .text(524, upperDirectory() + "./");
    static_assert(sizeof startup == 1579);
    // Compared byte by byte for a readable report.
    for (std::size_t offset = 0; offset < sizeof startup; ++offset) {
        SCOPED_TRACE(offset);
        ASSERT_EQ(pbRecord[offset], expected[offset]);
    }

    // The extension record names the root, the pages, the lists and the callbacks.
    const Web::HeaderDescriptions header = Web::makeHeaderDescriptions();
    QWEX_EXTENSION_INFO record{};
    Web::fillExtensionRecord(record, header.entries);
    EXPECT_EQ(std::make_tuple(record.cbSize, std::string(record.szUrlRoot), std::string(record.szPageDirectory),
                              record.dwDescriptionFormat, record.dwCategoryFormat),
              std::make_tuple(DWORD(sizeof record), std::string("/VXA"), upperDirectory() + "../html", 2u, 2u));
    EXPECT_EQ(record.pfnHttpExtensionProc, &Web::HttpExtensionProc);

    ASSERT_EQ(record.pHeaderDescriptions, header.entries);
    EXPECT_EQ(header.entries[0].cbSize, sizeof(QWEX_DESCRIPTION));
    EXPECT_STREQ(header.entries[0].pszLanguage, "ENG");
    EXPECT_STREQ(header.entries[0].pszText,
                 "<table><tr><td><a href='/VXA/VXA.htm'><img src='/VXA/Images/VXALogo.gif' alt='Tarvion Storage "
                 "Manager' border=0 width=159 height=70></a></td><td><table border=0><tr><td valign=bottom><img "
                 "src=VXA/Images/Line1.gif width=623 height=7></td></tr><tr><td valign=top width=95%><font "
                 "size=2><!=/VXA/PX_TAG_VXA_DESC=Message>Tarvion Storage Manager provides management and "
                 "configuration facilities for Tarvion storage devices.<!/PX_TAG_VXA_DESC></td></tr></table>"
                 "</td></tr></table>");
    EXPECT_EQ(header.entries[1].cbSize, 0u);
    EXPECT_EQ(header.entries[1].pszText, nullptr);

    const QWEX_CATEGORY* pCategory = record.pCategories;
    ASSERT_NE(pCategory, nullptr);
    EXPECT_EQ(std::make_tuple(pCategory[0].cbSize, std::string(pCategory[0].pszName), pCategory[0].dwFormat,
                              pCategory[0].dwParam1, pCategory[0].dwParam2),
              std::make_tuple(DWORD(sizeof(QWEX_CATEGORY)), std::string("GENERIC"), 2u, 4u, 4u));
    EXPECT_STREQ(pCategory[0].pDescriptions[0].pszLanguage, "ENG");
    EXPECT_STREQ(pCategory[0].pDescriptions[0].pszText, "<!=Configure>Configure the local HTTP Server<!/Configure>");
    EXPECT_EQ(std::make_tuple(pCategory[0].pDescriptions[1].cbSize, pCategory[1].cbSize, pCategory[1].pszName),
              std::make_tuple(0u, 0u, nullptr));

    QWEX_VERSION_INFO version{};
    std::memset(&version, 0xEE, sizeof version);
    EXPECT_EQ(record.pfnGetVersion(&version), 1);
    EXPECT_EQ(version.dwExtensionVersion, 1u);
    EXPECT_EQ(static_cast<unsigned char>(version.lpszExtensionDesc[0]), 0xEE);
    EXPECT_EQ(record.pfnTerminate(HSE_TERM_MUST_UNLOAD), 1);
}

}
