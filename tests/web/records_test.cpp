// The records handed to the management HTTP server: bytes of the start-up
// record at their offsets, the extension record's fields, and ModulePath.
#include "byteimage.h"
#include "extensionrecords.h"
#include "modulepath.h"
#include "requesthandler.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
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

    // The extension record names the root, the pages, the lists and the request callback.
    const Web::HeaderDescriptions header = Web::makeHeaderDescriptions();
    QWEX_EXTENSION_INFO record{};
    Web::fillExtensionRecord(record, header.entries);
    EXPECT_EQ(std::make_tuple(record.cbSize, std::string(record.szUrlRoot), std::string(record.szPageDirectory),
                              record.dwDescriptionFormat, record.dwCategoryFormat),
              std::make_tuple(DWORD(sizeof record), std::string("/VXA"), upperDirectory() + "../html", 2u, 2u));
    EXPECT_EQ(record.pfnHttpExtensionProc, &Web::HttpExtensionProc);
    EXPECT_EQ(record.pHeaderDescriptions, header.entries);
}

}
