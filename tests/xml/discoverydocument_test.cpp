// The discovery document of the typical simulated machine against the
// reviewed golden file (TSM_UPDATE_GOLDEN=1 rewrites it; review its diff like
// code), concurrent builds on the shared tree, and the devices that other
// providers' documents append.
#include "discoverydocument.h"
#include "simulatedmachine.h"
#include "xmltexts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <thread>
#include <vector>

namespace {

const char* const kGoldenPath = TSM_XML_TEST_DIR "/golden/typical-discovery.xml";
const std::string kDocumentType = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
                                  "<!DOCTYPE VXA_Discovery SYSTEM \"vxadiscovery_1_1.dtd\">\n";

// Fails the child process with a message on standard error.
[[noreturn]] void fail(const std::string& message)
{
    std::cerr << message;
    std::exit(1);
}

// Runs in a freshly started process: the hardware library reads the setup
// records once per process, so no earlier machine of the run may be seen.
[[noreturn]] void buildTypicalDocument()
{
    optest::SimulatedMachine machine("typical.xml");
    const std::string text = xmltest::print(Xml::BuildDiscoveryDocument());
    if (std::getenv("TSM_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(kGoldenPath, std::ios::binary) << text;
        std::exit(0);
    }
    if (text != xmltest::readFile(kGoldenPath))
        fail("discovery document differs from " + std::string(kGoldenPath) + ":\n" + text);
    if (!xmltest::factory().IsValidDocumentText(kDocumentType + text, "<!DOCTYPE VXA_Discovery SYSTEM"))
        fail("the discovery document does not follow its DTD\n");
    if (xmltest::print(xmltest::parse(text)) != text)
        fail("printing the parsed document changes it\n");

    // Requests overlap: each build refreshes and reads the shared tree.
    std::vector<std::string> texts(4);
    std::vector<std::thread> requests;
    for (std::string& result : texts)
        requests.emplace_back([&result] { result = xmltest::print(Xml::BuildDiscoveryDocument()); });
    for (std::thread& request : requests)
        request.join();
    for (const std::string& result : texts) {
        if (result != text)
            fail("an overlapping build gave another document:\n" + result);
    }
    std::exit(0);
}

TEST(DiscoveryDocumentDeathTest, TypicalMachineDocumentIsTheReviewedOne)
{
    if (std::getenv("TSM_UPDATE_GOLDEN") == nullptr) {
        ASSERT_FALSE(xmltest::readFile(kGoldenPath).empty()) << "missing " << kGoldenPath;
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(buildTypicalDocument(), testing::ExitedWithCode(0), "");
}

TEST(DiscoveryDocument, AppendDevicesCopiesEachDeviceOfAProvider)
{
    const std::string own = "<Device><Name>A</Name></Device>";
    const std::string provided = "<Device><Name>P</Name><Device><Name>Q</Name></Device></Device>"
                                 "<Device><Name>R</Name><Operations/></Device>";
    const auto discovery = [](const std::string& devices) {
        return "<VXA_Discovery><Devices>" + devices + "</Devices></VXA_Discovery>";
    };
    struct { const char* pszName; std::string document; std::string provider; std::string expected; } const cases[] = {
        {"devices appended in order, nested ones kept", discovery(own),
         kDocumentType + discovery("\n  " + provided + "<DeviceGroup/>\n"), discovery(own + provided)},
        {"a provider text that does not parse", discovery(own), discovery(provided).substr(5), discovery(own)},
        {"a provider without VXA_Discovery", discovery(own), "<Other><Devices>" + provided + "</Devices></Other>",
         discovery(own)},
        {"a document without Devices", "<VXA_Discovery/>", discovery(provided), "<VXA_Discovery/>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        const Xml::DocumentHandle document = xmltest::parse(c.document);
        testing::internal::CaptureStderr();
        Xml::AppendDevices(document, c.provider, xmltest::factory());
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(c.expected + "\n\n", xmltest::print(document));
    }
}

}
