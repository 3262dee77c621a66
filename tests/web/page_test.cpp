// The management page end to end: the installed service answers page
// requests on both ports with the data of the typical machine and of the
// example peers; tags decide what a page receives; many requests at once all
// get complete pages.
#include "capturefile.h"
#include "webagent.h"

#include <algorithm>
#include <filesystem>
#include <future>
#include <vector>

namespace {

using tsmtest::httpGet;
using tsmtest::kPageHttp;
using tsmtest::kPageHttps;

// What the page data must hold for every controller of the typical machine
// (model tag, bus row, slot or serial number, redundancy, box name), the
// devices of the Rack View peer nested in its server, operation links and
// device groups. The browser test checks each of them as the page shows it.
const char* const kPageData[] = {
    "applicationVersion = \"1.10.3.0\";",
    "{\"name\":\"STR_MODEL_AB4400\",\"bus\":\"SCSI\",\"fields\":[[\"VendorID\",\"ORVANE  \"],[\"ProductID\","
    "\"ARRAYBOX 4400   \"]],\"cls\":\"ArrayController\",\"attrs\":[[\"isRedundant\",\"false\"]],"
    "\"inst\":\"SerialNumber\",\"at\":\"E09BKS2104                      \",\"box\":\"Rack 2 array\"",
    "{\"name\":\"STR_MODEL_AB4800\",\"bus\":\"Fibre\",\"fields\":[[\"VendorID\",\"ORVANE  \"],[\"ProductID\","
    "\"ARRAYBOX 4800   \"]],\"cls\":\"ArrayController\",\"attrs\":[[\"isRedundant\",\"true\"]],\"inst\":\"WWN\","
    "\"at\":\"5f1a70000b480100\",\"box\":\"Fibre array 1\"",
    "\"link\":\"/VXA/VXA.htm?Operation=Details&Type=Fibre&VendorID=ORVANE  &ProductID=ARRAYBOX 4800   "
    "&Class=ArrayController&WWN=5f1a70000b480100\"}",
    "{\"name\":\"STR_MODEL_AL120\",\"bus\":\"EISA\",\"fields\":[[\"SubsystemVendorID\",\"0x5256\"],"
    "[\"SubsystemDeviceID\",\"0xA020\"]],\"cls\":\"ArrayController\",\"attrs\":[[\"isRedundant\",\"false\"]],"
    "\"inst\":\"Slot\",\"at\":\"5\",\"box\":\"\"",
    "\"0x4C01\"]],\"cls\":\"ArrayController\",\"attrs\":[[\"isRedundant\",\"false\"]],\"inst\":\"Slot\",\"at\":\"2\"",
    "\"0x4C02\"]],\"cls\":\"ArrayController\",\"attrs\":[[\"isRedundant\",\"true\"]],\"inst\":\"Slot\",\"at\":\"3\"",
    "\"at\":\"E09BKS3310                      \",\"box\":\"Shelf 1\"",
    "\"link\":\"/Suite/EventView/events.htm?Operation=Events&Type=EISA&SubsystemVendorID=0x5256"
    "&SubsystemDeviceID=0xA020&Class=ArrayController&Slot=5\"}",
    "\"inst\":\"HostName\",\"at\":\"db-node-1\",\"box\":\"Rack 2\",\"ops\":[{\"name\":\"RemoteConsole\"",
    "\"children\":[\n{\"name\":\"Tarvion NetLink 2 Adapter\",\"bus\":\"Network\"",
    "\"link\":\"/RackView/rack.htm?Operation=Locate&Type=SCSI&VendorID=TARVION&ProductID=DC-8&Class=Enclosure"
    "&SerialNumber=DC8K0042\"}",
    "\"title\":\"All array controllers\",\"ops\":[{\"name\":\"CompareSettings\"",
    "\"title\":\"PCI array controllers\",\"ops\":[{\"name\":\"UpdateFirmware\"",
    "\"title\":\"Network adapters\",\"ops\":[{\"name\":\"TeamAdapters\"",
};

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

void expectPageData(const std::string& page)
{
    for (const char* pszPart : kPageData)
        EXPECT_NE(page.find(pszPart), std::string::npos) << pszPart;
}

class Page : public tsmtest::WebAgent {};

TEST_F(Page, BothPortsServeEveryControllerPeerDeviceLinkAndGroup)
{
    start();
    for (const std::string& base : { kPageHttp, kPageHttps }) {
        SCOPED_TRACE(base);
        const tsmtest::HttpResponse response = httpGet(base + "VXA.htm");
        EXPECT_EQ(response.status, 200);
        expectPageData(response.body);
        EXPECT_EQ(occurrences(response.body, "<%"), 0u);
    }
}

TEST_F(Page, TagsDecideWhatAPageReceives)
{
    const std::string plain = "<html><body>No tags here: 50% of <b>nothing</b>.</body></html>\n";
    write(htmlFolder() + "/plain.htm", plain);
    write(htmlFolder() + "/version.htm", "<script><%ApplicationVersion%></script>");
    write(htmlFolder() + "/once.htm", "<script><%vxaXmlToJs%></script>");
    write(htmlFolder() + "/twice.htm", "<script><%vxaXmlToJs%><%vxaXmlToJs%></script>");
    const tsmtest::CaptureFile capture(m_machine.root() + "/capture.jsonl");
    start();

    // Without the transformation tag no discovery runs.
    EXPECT_EQ(httpGet(kPageHttp + "plain.htm").body, plain);
    EXPECT_EQ(httpGet(kPageHttps + "version.htm").body, "<script>applicationVersion = \"1.10.3.0\";</script>");
    EXPECT_EQ(capture.lines().size(), 0u);

    // Each tag runs the whole chain: discovery, peers, merge, transformation.
    ASSERT_EQ(httpGet(kPageHttp + "once.htm").status, 200);
    const std::size_t first = capture.lines().size();
    const std::string once = httpGet(kPageHttp + "once.htm").body;
    const std::size_t perTag = capture.lines().size() - first;
    EXPECT_GT(perTag, 0u);
    EXPECT_EQ(occurrences(once, "vxaDiscovery = "), 1u);
    const std::string twice = httpGet(kPageHttp + "twice.htm").body;
    EXPECT_EQ(capture.lines().size() - first - perTag, 2 * perTag);
    const std::string data = once.substr(8, once.size() - 17);
    EXPECT_EQ(twice, "<script>" + data + data + "</script>");

    // Without the stylesheet the tag's place stays empty; the page serves.
    std::filesystem::remove(htmlFolder() + "/vxaxmltojs.xsl");
    const tsmtest::HttpResponse bare = httpGet(kPageHttp + "twice.htm");
    EXPECT_EQ(bare.status, 200);
    EXPECT_EQ(bare.body, "<script></script>");
}

TEST_F(Page, SixteenConcurrentRequestsGetSixteenCompletePages)
{
    start();
    const std::string alone = httpGet(kPageHttp + "VXA.htm").body;
    expectPageData(alone);
    std::vector<std::future<tsmtest::HttpResponse>> pages;
    for (int i = 0; i < 16; ++i) {
        const std::string base = i % 2 ? kPageHttps : kPageHttp;
        pages.push_back(std::async(std::launch::async, [base] { return httpGet(base + "VXA.htm"); }));
    }
    for (auto& page : pages) {
        const tsmtest::HttpResponse response = page.get();
        EXPECT_EQ(response.status, 200);
        EXPECT_EQ(response.body, alone);
    }
}

TEST_F(Page, BadConfigurationAndBadPeersCountAsNothing)
{
    write(binFolder() + "/vxaconfig.xml", "<?xml version=\"1.0\"?><VXA_Configuration><WellKnownQWEXs><QWEX>");
    const std::string header = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";
    // Not valid against its document type, without one, not XML at all, and
    // owning a discovery document that lacks VXA_Discovery.
    write(webappsFolder() + "/Broken/vxasupport.xml",
          header + "<!DOCTYPE VXA_ClientQWEX SYSTEM \"vxasupport_1_1.dtd\">\n<VXA_ClientQWEX><Stray/></VXA_ClientQWEX>");
    write(webappsFolder() + "/Untyped/vxasupport.xml", header + "<VXA_ClientQWEX/>");
    write(webappsFolder() + "/Garbage/vxasupport.xml", "\x01\x02<<<");
    write(webappsFolder() + "/Hollow/vxasupport.xml",
          header + "<!DOCTYPE VXA_ClientQWEX SYSTEM \"vxasupport_1_1.dtd\">\n<VXA_ClientQWEX><QWEXInfo>"
                   "<RegisteredName>Hollow</RegisteredName><RequestPage>h.htm</RequestPage><DeviceDiscovery "
                   "Owns=\"true\"><DiscoveryName>d.xml</DiscoveryName></DeviceDiscovery></QWEXInfo><Devices>"
                   "<Device><Type><Any/></Type><Class><Any/></Class><Instance><Any/></Instance><Operations>"
                   "<SingleDeviceOperation><Name>Hollow</Name></SingleDeviceOperation></Operations></Device>"
                   "</Devices></VXA_ClientQWEX>");
    write(webappsFolder() + "/Hollow/d.xml",
          header + "<!DOCTYPE VXA_Discovery SYSTEM \"vxadiscovery_1_1.dtd\">\n<Other><Device/></Other>");
    start();

    const tsmtest::HttpResponse response = httpGet(kPageHttp + "VXA.htm");
    EXPECT_EQ(response.status, 200);
    // Without the configuration Event View is not asked; the others still are.
    for (const char* pszPart : { "\"app\":\"ArrayTools\"", "\"app\":\"FirmwarePlus\"", "\"app\":\"RackView\"",
                                 "STR_MODEL_AL210", "\"name\":\"Hollow\"" })
        EXPECT_NE(response.body.find(pszPart), std::string::npos) << pszPart;
    for (const char* pszPart : { "Suite/EventView", "Stray", "\"name\":\"\",\"bus\":\"\"" })
        EXPECT_EQ(response.body.find(pszPart), std::string::npos) << pszPart;
}

TEST_F(Page, OverlongPathIsRefused)
{
    // C:\TARVION\BIN\../html\ and these two names: 283 characters.
    const std::string folder(200, 'a');
    const std::string page = std::string(55, 'b') + ".htm";
    write(htmlFolder() + "/" + folder + "/" + page, "<%ApplicationVersion%>");
    write(htmlFolder() + "/" + folder + "/short.htm", "<%ApplicationVersion%>");
    start();
    EXPECT_EQ(httpGet(kPageHttp + folder + "/" + page).status, 414);
    EXPECT_EQ(httpGet(kPageHttp + folder + "/short.htm").body, "applicationVersion = \"1.10.3.0\";");
}

}
