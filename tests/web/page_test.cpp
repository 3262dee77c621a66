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

// What the page data must say about the controllers of the typical machine
// (model tags, bus rows, slots, world-wide names, serial numbers, box names),
// the devices of the Rack View peer, the operations of the peers with their
// links, and the device groups.
const char* const kPageData[] = {
    "applicationVersion = \"1.10.3.0\";",
    // Controllers, in the order of their full names.
    "{\"name\":\"STR_MODEL_AB4400\",\"bus\":\"SCSI\",\"fields\":[[\"VendorID\",\"ORVANE  \"],[\"ProductID\","
    "\"ARRAYBOX 4400   \"]],\"cls\":\"ArrayController\",\"attrs\":[[\"isRedundant\",\"false\"]],"
    "\"inst\":\"SerialNumber\",\"at\":\"E09BKS2104                      \",\"box\":\"Rack 2 array\"",
    "{\"name\":\"STR_MODEL_AL120\",\"bus\":\"EISA\",\"fields\":[[\"SubsystemVendorID\",\"0x5256\"],"
    "[\"SubsystemDeviceID\",\"0xA020\"]],\"cls\":\"ArrayController\",\"attrs\":[[\"isRedundant\",\"false\"]],"
    "\"inst\":\"Slot\",\"at\":\"5\",\"box\":\"\"",
    "{\"name\":\"STR_MODEL_AL210\",\"bus\":\"PCI\",\"fields\":[[\"SubsystemVendorID\",\"0xF1A7\"],"
    "[\"SubsystemDeviceID\",\"0x4C01\"]],\"cls\":\"ArrayController\",\"attrs\":[[\"isRedundant\",\"false\"]],"
    "\"inst\":\"Slot\",\"at\":\"2\",\"box\":\"\"",
    "{\"name\":\"STR_MODEL_AL220\",\"bus\":\"PCI\",\"fields\":[[\"SubsystemVendorID\",\"0xF1A7\"],"
    "[\"SubsystemDeviceID\",\"0x4C02\"]],\"cls\":\"ArrayController\",\"attrs\":[[\"isRedundant\",\"true\"]],"
    "\"inst\":\"Slot\",\"at\":\"3\",\"box\":\"\"",
    "{\"name\":\"STR_MODEL_RS2100\",\"bus\":\"SCSI\",\"fields\":[[\"VendorID\",\"ORVANE  \"],[\"ProductID\","
    "\"RAIDSHELF 2100  \"]],\"cls\":\"ArrayController\",\"attrs\":[[\"isRedundant\",\"false\"]],"
    "\"inst\":\"SerialNumber\",\"at\":\"E09BKS3310                      \",\"box\":\"Shelf 1\"",
    // Operations of a controller in the order of the peers' names: Array
    // Tools, Firmware Plus (EISA only), Event View (named only in the
    // configuration), the agent itself.
    "\"ops\":[{\"name\":\"Configure\",\"desc\":\"Create and change arrays and logical drives\",\"app\":"
    "\"ArrayTools\",\"appName\":\"Array Tools\",\"link\":\"/ArrayTools/operate.htm?Operation=Configure&Type=EISA"
    "&SubsystemVendorID=0x5256&SubsystemDeviceID=0xA020&Class=ArrayController&Slot=5\"},{\"name\":\"Diagnose\"",
    "{\"name\":\"FirmwareHistory\",\"desc\":\"Show the firmware versions this controller has run\",\"app\":"
    "\"FirmwarePlus\",\"appName\":\"Firmware Plus\",\"link\":\"/FirmwarePlus/flash.htm?Operation=FirmwareHistory"
    "&Type=EISA&SubsystemVendorID=0x5256&SubsystemDeviceID=0xA020&Class=ArrayController&Slot=5\"},"
    "{\"name\":\"Events\",\"desc\":\"Show the events logged for this device\",\"app\":\"Suite/EventView\","
    "\"appName\":\"Event View\",\"link\":\"/Suite/EventView/events.htm?Operation=Events&Type=EISA"
    "&SubsystemVendorID=0x5256&SubsystemDeviceID=0xA020&Class=ArrayController&Slot=5\"},{\"name\":\"Details\","
    "\"desc\":\"Show this controller on the management page\",\"app\":\"VXA\",\"appName\":\"Storage Manager\","
    "\"link\":\"/VXA/VXA.htm?Operation=Details&Type=EISA&SubsystemVendorID=0x5256&SubsystemDeviceID=0xA020"
    "&Class=ArrayController&Slot=5\"}],\"children\":[]}",
    "{\"name\":\"Details\",\"desc\":\"Show this controller on the management page\",\"app\":\"VXA\","
    "\"appName\":\"Storage Manager\",\"link\":\"/VXA/VXA.htm?Operation=Details&Type=SCSI&VendorID=ORVANE  "
    "&ProductID=RAIDSHELF 2100  &Class=ArrayController&SerialNumber=E09BKS3310                      \"}",
    // The server of Rack View with its adapters and drive cage nested in it.
    "{\"name\":\"Tarvion ServerLine 7\",\"bus\":\"Host\",\"fields\":[[\"Address\",\"10.0.4.21\"]],\"cls\":"
    "\"Server\",\"attrs\":[],\"inst\":\"HostName\",\"at\":\"db-node-1\",\"box\":\"Rack 2\",\"ops\":[{\"name\":"
    "\"RemoteConsole\"",
    "\"children\":[\n{\"name\":\"Tarvion NetLink 2 Adapter\",\"bus\":\"Network\",\"fields\":[[\"VendorID\","
    "\"TARVION\"],[\"ProductID\",\"NL-2\"]],\"cls\":\"NetworkAdapter\",\"attrs\":[],\"inst\":\"MACAddress\","
    "\"at\":\"00:1A:70:42:00:01\",\"box\":\"\",\"ops\":[{\"name\":\"LinkStatus\"",
    "{\"name\":\"Tarvion DriveCage 8\",\"bus\":\"SCSI\",\"fields\":[[\"VendorID\",\"TARVION\"],[\"ProductID\","
    "\"DC-8\"]],\"cls\":\"Enclosure\",\"attrs\":[],\"inst\":\"SerialNumber\",\"at\":\"DC8K0042\",\"box\":\"\","
    "\"ops\":[{\"name\":\"Locate\",\"desc\":\"Blink the drive cage's locator light\",\"app\":\"RackView\","
    "\"appName\":\"Rack View\",\"link\":\"/RackView/rack.htm?Operation=Locate&Type=SCSI&VendorID=TARVION"
    "&ProductID=DC-8&Class=Enclosure&SerialNumber=DC8K0042\"},{\"name\":\"Events\"",
    // Device groups: every controller; the two PCI controllers with both
    // firmware operations in one group; the network adapters.
    "\"groups\":[\n{\"name\":\"STR_MODEL_AB4400&STR_MODEL_AL120&STR_MODEL_AL210&STR_MODEL_AL220&"
    "STR_MODEL_RS2100&\",\"title\":\"All array controllers\",\"ops\":[{\"name\":\"CompareSettings\"",
    "{\"name\":\"STR_MODEL_AL210&STR_MODEL_AL220&\",\"title\":\"PCI array controllers\",\"ops\":[{\"name\":"
    "\"UpdateFirmware\",\"desc\":\"Flash the newest firmware onto every controller of the group\",\"app\":"
    "\"FirmwarePlus\",\"appName\":\"Firmware Plus\",\"link\":\"/FirmwarePlus/flash.htm?Operation=UpdateFirmware"
    "&Type=PCI&SubsystemVendorID=0xF1A7&SubsystemDeviceID=0x4C01&Class=ArrayController&Slot=2&Type=PCI"
    "&SubsystemVendorID=0xF1A7&SubsystemDeviceID=0x4C02&Class=ArrayController&Slot=3\"},{\"name\":"
    "\"ScheduleFlash\"",
    "{\"name\":\"Tarvion NetLink 2 Adapter&\",\"title\":\"Network adapters\",\"ops\":[{\"name\":\"TeamAdapters\"",
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
    for (const char* pszPart : kPageData) {
        SCOPED_TRACE(pszPart);
        EXPECT_EQ(occurrences(page, pszPart), 1u);
    }
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
