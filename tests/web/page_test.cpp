// The management page end to end: the installed service answers page
// requests on both ports; tags decide what a page receives; many requests at
// once all get complete pages, and every page asked for after a change shows
// it. What the page shows is checked in a browser.
#include "capturefile.h"
#include "webagent.h"

#include <algorithm>
#include <atomic>
#include <future>
#include <mutex>

namespace {

using tsmtest::eventually;
using tsmtest::httpGet;
using tsmtest::kPageHttp;
using tsmtest::kPageHttps;
using tsmtest::occurrences;
using tsmtest::writeFile;

class Page : public tsmtest::WebAgent {};

TEST_F(Page, TagsDecideWhatAPageReceives)
{
    const std::string plain = "<html><body>No tags here: 50% of <b>nothing</b>.</body></html>\n";
    writeFile(htmlFolder() + "/plain.htm", plain);
    writeFile(htmlFolder() + "/version.htm", "<script><%ApplicationVersion%></script>");
    writeFile(htmlFolder() + "/once.htm", "<script><%vxaXmlToJs%></script>");
    writeFile(htmlFolder() + "/twice.htm", "<script><%vxaXmlToJs%><%vxaXmlToJs%></script>");
    writeFile(htmlFolder() + "/health.htm", "<script><%vxaHealth%>|<%vxaXmlToJs%>|<%vxaHealth%></script>");
    writeFile(htmlFolder() + "/healthonly.htm", "<script><%vxaHealth%></script>");
    // C:\TARVION\BIN\../html\ and these two names: 283 characters.
    const std::string folder(200, 'a');
    const std::string overlong = folder + "/" + std::string(55, 'b') + ".htm";
    writeFile(htmlFolder() + "/" + overlong, "<%ApplicationVersion%>");
    writeFile(htmlFolder() + "/" + folder + "/short.htm", "<%ApplicationVersion%>");
    const tsmtest::CaptureFile capture(m_machine.root() + "/capture.jsonl");
    start();
    EXPECT_EQ(httpGet(kPageHttp + overlong).status, 414);
    EXPECT_EQ(httpGet(kPageHttp + folder + "/short.htm").body, "applicationVersion = \"1.10.3.0\";");

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

    // The health tag writes what the transformation tag before it read from
    // its own refresh, without a device call of its own; a page without
    // that tag gets no health data, not even another page's.
    const std::string health = httpGet(kPageHttp + "health.htm").body;
    EXPECT_EQ(capture.lines().size() - first - 3 * perTag, perTag);
    EXPECT_EQ(health.rfind("<script>|" + data + "|vxaHealth = {\"controllers\":[\n{", 0), 0u) << health;
    EXPECT_EQ(occurrences(health, "\"where\":"), 6u);
    EXPECT_EQ(httpGet(kPageHttp + "healthonly.htm").body, "<script></script>");

    // A peer's document changed between two pages shows on the second, and
    // so does a changed stylesheet.
    const std::string rack = webappsFolder() + "/RackView/vxadiscovery.xml";
    std::string devices = tsmtest::readFile(rack);
    devices.replace(devices.find("db-node-1"), 9, "db-node-7");
    writeFile(rack, devices);
    EXPECT_EQ(occurrences(httpGet(kPageHttp + "once.htm").body, "\"db-node-7\""), 1u);
    writeFile(htmlFolder() + "/vxaxmltojs.xsl",
              "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
              "<xsl:output method=\"text\"/><xsl:template match=\"/\">changed</xsl:template></xsl:stylesheet>");
    EXPECT_EQ(httpGet(kPageHttp + "twice.htm").body, "<script>changedchanged</script>");

    // Without the stylesheet the tag's place stays empty; the page serves.
    std::filesystem::remove(htmlFolder() + "/vxaxmltojs.xsl");
    const tsmtest::HttpResponse bare = httpGet(kPageHttp + "twice.htm");
    EXPECT_EQ(std::make_pair(bare.status, bare.body), std::make_pair(200L, std::string("<script></script>")));
}

TEST_F(Page, EveryPageAskedForAfterAChangeShowsItAndOverlappingPagesShareARun)
{
    using Clock = std::chrono::steady_clock;
    const std::string typical = tsmtest::readFile(std::string(TSM_SOURCE_DIR) + "/sim/machines/typical.xml");
    start();
    // Sixteen clients ask for pages back to back while the controller on
    // port 3 is pulled out of the machine.
    struct Seen {
        Clock::time_point asked;
        bool pulled;
        std::string body;
    };
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::vector<Seen> seen;
    const auto askedSince = [&](Clock::time_point since) {
        const std::lock_guard lock(mutex);
        return std::count_if(seen.begin(), seen.end(), [&](const Seen& page) { return page.asked > since; });
    };
    std::vector<std::future<void>> clients;
    for (int i = 0; i < 16; ++i) {
        clients.push_back(std::async(
            std::launch::async,
            [&] {
                while (!stop) {
                    const Clock::time_point asked = Clock::now();
                    const tsmtest::HttpResponse page = httpGet(kPageHttp + "VXA.htm");
                    ASSERT_EQ(page.status, 200);
                    const std::lock_guard lock(mutex);
                    seen.push_back({asked, page.body.find("STR_MODEL_AL120") == std::string::npos, page.body});
                }
            }));
    }
    ASSERT_TRUE(eventually([&] { return askedSince(Clock::time_point()) >= 32; }, std::chrono::seconds(120)));
    m_machine.writeDescription(tsmtest::withoutPort(typical, 3));
    const Clock::time_point changed = Clock::now();
    ASSERT_TRUE(eventually([&] { return askedSince(changed) >= 32; }, std::chrono::seconds(120)));
    stop = true;
    for (auto& client : clients)
        client.get();
    std::size_t before = 0, after = 0;
    for (const Seen& page : seen) {
        if (page.asked > changed) {
            ++after;
            EXPECT_TRUE(page.pulled) << "a page asked for after the change shows the pulled controller";
            // Whole: every page after the change is the same page.
            EXPECT_TRUE(page.body == seen.back().body) << page.body.size() << " bytes";
        } else if (!page.pulled) {
            ++before;
        }
    }
    EXPECT_GT(before, 0u);
    EXPECT_GE(after, 32u);
    // The other port serves the same page.
    EXPECT_EQ(httpGet(kPageHttps + "VXA.htm").body, seen.back().body);
    // Every run of the chain asks each peer once: far fewer runs than pages.
    std::string log;
    ASSERT_TRUE(eventually(
        [&] {
            log = m_machine.read("drive_c/qwex/access.log");
            return occurrences(log, " /VXA/VXA.htm ") >= seen.size();
        },
        std::chrono::seconds(10)));
    const std::size_t runs = occurrences(log, " /ArrayTools/vxasupport.xml");
    EXPECT_LT(runs * 2, seen.size()) << runs << " runs for " << seen.size() << " pages";
}

}
