// The discovery document of the typical simulated machine against the
// reviewed golden file (TSM_UPDATE_GOLDEN=1 rewrites it; review its diff like
// code), concurrent builds on the shared tree, and the devices that other
// providers' documents append. Merging client documents into a discovery
// document: patterns at every depth, operations and their links, device
// groups and their consolidation; the budget of a page's merging and the
// nesting of imported devices. And the Device element of an array
// controller, from hand-made controllers holding exactly the attributes of
// each case. Every expected document is written out by hand.
#include "controllerdescription.h"
#include "controllermodels.h"
#include "discoverydocument.h"
#include "discoverymerger.h"
#include "logtail.h"
#include "simulatedmachine.h"
#include "standincontroller.h"
#include "xmltexts.h"

#include <gtest/gtest.h>

#include <xercesc/dom/DOM.hpp>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <thread>
#include <tuple>
#include <vector>

namespace {

// Three devices: A on PCI, B on Fibre with C nested in it.
const std::string kTypeA = "<Type><PCI><SubsystemVendorID>0x7A10</SubsystemVendorID>"
                           "<SubsystemDeviceID>0x  40</SubsystemDeviceID></PCI></Type>";
const std::string kA = "<Device><Name>A</Name>" + kTypeA +
                       "<Class><ArrayController isRedundant=\"false\"/></Class><Instance><Slot>3</Slot></Instance>";
const std::string kB = "<Device><Name>B</Name><Type><Fibre><VendorID>TARVION</VendorID><ProductID>ARRAYBOX</ProductID>"
                       "</Fibre></Type><Class><ArrayController isRedundant=\"true\"/></Class>"
                       "<Instance><WWN>50:01</WWN></Instance>";
const std::string kC = "<Device><Name>C</Name><Type><SCSI><VendorID>V</VendorID><ProductID>P</ProductID></SCSI></Type>"
                       "<Class><Enclosure/></Class><Instance><SerialNumber>S1</SerialNumber></Instance>";
const std::string kEnd = "</Device>";
const std::string kDevices = kA + kEnd + kB + kC + kEnd + kEnd;

// Device queries as printed (the ampersands escaped).
const std::string kQueryA =
    "Type=PCI&amp;SubsystemVendorID=0x7A10&amp;SubsystemDeviceID=0x  40&amp;Class=ArrayController&amp;Slot=3";
const std::string kQueryB =
    "Type=Fibre&amp;VendorID=TARVION&amp;ProductID=ARRAYBOX&amp;Class=ArrayController&amp;WWN=50:01";
const std::string kQueryC = "Type=SCSI&amp;VendorID=V&amp;ProductID=P&amp;Class=Enclosure&amp;SerialNumber=S1";

const std::string kInfo =
    "<QWEXInfo><RegisteredName>tool</RegisteredName><RequestPage>run.htm</RequestPage></QWEXInfo>";

std::string discovery(const std::string& devices)
{
    return "<VXA_Discovery><Devices>" + devices + "</Devices></VXA_Discovery>";
}

std::string client(const std::string& patterns, const std::string& info = kInfo)
{
    return "<VXA_ClientQWEX>" + info + "<Devices>" + patterns + "</Devices></VXA_ClientQWEX>";
}

std::string pattern(const std::string& type, const std::string& cls, const std::string& instance,
                    const std::string& rest)
{
    return "<Device><Type>" + type + "</Type><Class>" + cls + "</Class><Instance>" + instance + "</Instance>" + rest +
           "</Device>";
}

const std::string kAny = "<Any/>";

std::string single(const std::string& name, const std::string& description = std::string())
{
    return "<Operations><SingleDeviceOperation><Name>" + name + "</Name>" +
           (description.empty() ? std::string() : "<Description>" + description + "</Description>") +
           "</SingleDeviceOperation></Operations>";
}

std::string multiple(const std::string& name, const std::string& more)
{
    return "<MultipleDeviceOperation><Name>" + name + "</Name>" + more + "</MultipleDeviceOperation>";
}

// The operation Check (description d) of tool on a device with that query.
std::string check(const std::string& query)
{
    return "<Operations><Operation><Name>Check</Name><Description>d</Description>" + kInfo +
           "<Link>/tool/run.htm?Operation=Check&amp;" + query + "</Link></Operation></Operations>";
}

// The clients merged in order into the primary document, by default one of
// all three devices, and the merged document.
struct MergeCase {
    const char* pszName;
    std::vector<std::string> clients;
    std::string expected;
    std::string primary = discovery(kDevices);
};

void expectMerges(const MergeCase& c)
{
    SCOPED_TRACE(c.pszName);
    Xml::DiscoveryMerger merger(xmltest::parse(c.primary));
    for (const std::string& text : c.clients)
        merger.Merge(xmltest::parse(text));
    EXPECT_EQ(c.expected + "\n\n", xmltest::print(merger.document()));
}

TEST(DiscoveryMerger, PatternsSelectTheDevicesThatGetOperations)
{
    const std::string checkAll = single("Check", "d");
    const MergeCase cases[] = {
        {"Any matches every device at every depth",
         {client(pattern(kAny, kAny, kAny, checkAll))},
         discovery(kA + check(kQueryA) + kEnd + kB + kC + check(kQueryC) + kEnd + check(kQueryB) + kEnd)},
        {"a pattern field subset matches, a field with another value fails",
         {client(pattern("<PCI><SubsystemVendorID>0x7A10</SubsystemVendorID></PCI>", kAny, kAny, checkAll) +
                 pattern("<PCI><SubsystemVendorID>0x7A11</SubsystemVendorID></PCI>", kAny, kAny, single("Never")))},
         discovery(kA + check(kQueryA) + kEnd + kB + kC + kEnd + kEnd)},
        {"a type without fields matches its bus; class and instance compared",
         {client(pattern("<Fibre/>", "<ArrayController/>", "<WWN>50:01</WWN>", checkAll) +
                 pattern(kAny, "<ArrayController/>", "<WWN>50:02</WWN>", checkAll) +
                 pattern(kAny, "<HostBusAdapter/>", kAny, checkAll))},
         discovery(kA + kEnd + kB + kC + kEnd + check(kQueryB) + kEnd)},
        {"a matched device always gets Operations; nested patterns apply below the match",
         {client(pattern("<Fibre/>", kAny, kAny, pattern(kAny, kAny, kAny, checkAll)))},
         discovery(kA + kEnd + kB + kC + check(kQueryC) + kEnd + "<Operations/>" + kEnd)},
        {"operations keep the client's order, without a description when it has none",
         {client(pattern(kAny, kAny, kAny,
                         "<Operations><SingleDeviceOperation><Description>x</Description><Name>One</Name>"
                         "</SingleDeviceOperation><SingleDeviceOperation><Name>Two</Name>"
                         "</SingleDeviceOperation></Operations>"))},
         discovery(kA + "<Operations><Operation><Description>x</Description><Name>One</Name>" + kInfo +
                   "<Link>/tool/run.htm?Operation=One&amp;" + kQueryA +
                   "</Link></Operation><Operation><Name>Two</Name>" + kInfo + "<Link>/tool/run.htm?Operation=Two&amp;" +
                   kQueryA + "</Link></Operation></Operations>" + kEnd),
         discovery(kA + kEnd)},
        {"group members are never matched",
         {client(pattern(kAny, kAny, kAny, ""))},
         discovery(kA + "<Operations/>" + kEnd + "<DeviceGroup>" + kB + kEnd + "</DeviceGroup>"),
         discovery(kA + kEnd + "<DeviceGroup>" + kB + kEnd + "</DeviceGroup>")},
    };
    for (const MergeCase& c : cases)
        expectMerges(c);
}

TEST(DiscoveryMerger, MultipleDeviceOperationsGatherDevicesIntoGroups)
{
    // A pattern for the array controllers (A and B) of a bus with those operations.
    const auto withOperations = [](const std::string& operations, const std::string& type = kAny) {
        return pattern(type, "<ArrayController/>", kAny, "<Operations>" + operations + "</Operations>");
    };
    const std::string matched = kA + "<Operations/>" + kEnd + kB + kC + kEnd + "<Operations/>" + kEnd;
    const std::string memberA = kA + kEnd;
    const std::string memberB = kB + kEnd;
    const std::string bothOperation = "<Operation><Name>Both</Name>" + kInfo +
                                      "<Link>/tool/run.htm?Operation=Both&amp;" + kQueryA + "&amp;" + kQueryB +
                                      "</Link></Operation>";
    const MergeCase cases[] = {
        {"two clients, one operation name: one group, the first client's details",
         {client(withOperations(multiple("Sync", "<Description>d1</Description><DeviceGroupName>G1</DeviceGroupName>"),
                                "<PCI/>")),
          client(withOperations(multiple("Sync", "<Description>d2</Description>"), "<Fibre/>"),
                 "<QWEXInfo><RegisteredName>other</RegisteredName><RequestPage>go.htm</RequestPage></QWEXInfo>")},
         discovery(matched +
                   "<DeviceGroup><DeviceGroupName>G1</DeviceGroupName><Operation><Name>Sync</Name>"
                   "<Description>d1</Description>" +
                   kInfo + "<Link>/tool/run.htm?Operation=Sync&amp;" + kQueryA + "</Link></Operation>" + memberA +
                   "<Name>A&amp;</Name>" + memberB + "</DeviceGroup>")},
        {"groups with the same members become the first group",
         {client(withOperations(multiple("Both", "") + multiple("Also", "<DeviceGroupName>G2</DeviceGroupName>")))},
         discovery(matched + "<DeviceGroup>" + bothOperation + memberA + memberB +
                   "<Name>A&amp;B&amp;</Name><DeviceGroupName>G2</DeviceGroupName><Operation><Name>Also</Name>" +
                   kInfo + "<Link>/tool/run.htm?Operation=Also&amp;" + kQueryA + "&amp;" + kQueryB +
                   "</Link></Operation></DeviceGroup>")},
    };
    for (const MergeCase& c : cases)
        expectMerges(c);
}

TEST(DiscoveryMerger, IncompleteDocumentsAddWhatTheyCan)
{
    const std::string anyCheck = pattern(kAny, kAny, kAny, single("Check", "d"));
    const MergeCase cases[] = {
        {"no client root, not a document",
         {"<Other><Devices>" + anyCheck + "</Devices></Other>", "<VXA_ClientQWEX>"},
         discovery(kA + kEnd),
         discovery(kA + kEnd)},
        {"no QWEXInfo: empty link parts",
         {"<VXA_ClientQWEX><Devices>" + anyCheck + "</Devices></VXA_ClientQWEX>"},
         discovery(
             kA + "<Operations><Operation><Name>Check</Name><Description>d</Description><Link>//?Operation=Check&amp;" +
             kQueryA + "</Link></Operation></Operations>" + kEnd),
         discovery(kA + kEnd)},
        {"pattern without criteria, device without instance",
         {client("<Device>" + single("Check", "d") + "</Device>" +
                 pattern(kAny, kAny, "<Slot>3</Slot>", single("Check", "d")))},
         discovery(kA + check(kQueryA) + kEnd + "<Device><Name>D</Name>" + kTypeA +
                   "<Class><ArrayController/></Class></Device>"),
         discovery(kA + kEnd + "<Device><Name>D</Name>" + kTypeA + "<Class><ArrayController/></Class></Device>")},
    };
    for (const MergeCase& c : cases)
        expectMerges(c);

    Xml::DiscoveryMerger withoutDocument{Xml::DocumentHandle()};
    withoutDocument.Merge(xmltest::parse(client(anyCheck)));
    EXPECT_TRUE(withoutDocument.document().isNull());
}

// The lines written to the debug log since the mark, without their stamps.
std::vector<std::string> logMessages(const tsmtest::LogTail& mark)
{
    std::vector<std::string> messages;
    std::istringstream text(mark.appended());
    for (std::string line; std::getline(text, line);)
        messages.push_back(line.substr(line.find("] ") + 2));
    return messages;
}

// The work of merging the clients in turn into the primary document, read
// from a merger that had room for all of them.
Xml::MergeWork workOf(const std::string& primary, const std::vector<std::string>& clients)
{
    Xml::DiscoveryMerger merger(xmltest::parse(primary));
    for (const std::string& text : clients)
        merger.Merge(xmltest::parse(text));
    return merger.spent();
}

TEST(DiscoveryMerger, EachPartOfTheBudgetHoldsTheMergeToItsLimit)
{
    const std::string first = client(pattern(kAny, kAny, kAny, single("Check", "d")));
    const std::string second =
        client(pattern(kAny, "<ArrayController/>", kAny, "<Operations>" + multiple("Both", "") + "</Operations>"));
    const Xml::MergeWork both = workOf(discovery(kDevices), {first, second});
    const Xml::MergeWork two = workOf(discovery(kDevices), {second});
    ASSERT_FALSE(workOf(discovery(kDevices), {first}).fitsWithin(two));
    const std::string checked = kA + check(kQueryA) + kEnd + kB + kC + check(kQueryC) + kEnd + check(kQueryB) + kEnd;
    const std::string grouped =
        "<DeviceGroup><Operation><Name>Both</Name>" + kInfo + "<Link>/tool/run.htm?Operation=Both&amp;" + kQueryA +
        "&amp;" + kQueryB + "</Link></Operation>" + kA + kEnd + kB + kEnd + "<Name>A&amp;B&amp;</Name></DeviceGroup>";
    // The limit; the merged document.
    const std::tuple<const char*, Xml::MergeWork, std::string> cases[] = {
        {"exactly the work of both", both, discovery(checked + grouped)},
        {"one visit short: the second is left out", {both.visits - 1, both.nodes, both.characters}, discovery(checked)},
        {"one node short", {both.visits, both.nodes - 1, both.characters}, discovery(checked)},
        {"one character short", {both.visits, both.nodes, both.characters - 1}, discovery(checked)},
        {"the first over the limit, the second fits", two,
         discovery(kA + "<Operations/>" + kEnd + kB + kC + kEnd + "<Operations/>" + kEnd + grouped)},
    };
    for (const auto& [pszName, limit, expected] : cases) {
        SCOPED_TRACE(pszName);
        Xml::DiscoveryMerger merger(xmltest::parse(discovery(kDevices)), limit);
        merger.Merge(xmltest::parse(first));
        merger.Merge(xmltest::parse(second));
        EXPECT_EQ(expected + "\n\n", xmltest::print(merger.document()));
        EXPECT_TRUE(merger.spent().fitsWithin(limit));
    }
}

// The hand-made documents of tests/web/hostile: peers whose nested patterns
// meet nested devices.
std::string hostile(const std::string& name)
{
    return tsmtest::readFile(TSM_XML_TEST_DIR "/../web/hostile/" + name);
}

TEST(DiscoveryMerger, ClientsOverThePageBudgetAddNothingAndLeaveTheRestToOthers)
{
    const std::string tool =
        client(pattern(kAny, "<Enclosure/>", "<SerialNumber>Cage03</SerialNumber>", single("Check")));
    const std::string other = client(pattern(kAny, kAny, kAny, "<Operations>" + multiple("All", "") + "</Operations>"),
                                     "<QWEXInfo><RegisteredName>other</RegisteredName><RequestPage>go.htm</RequestPage>"
                                     "</QWEXInfo>");
    // A name with a space and a DEL, which the log shows as "Deep sea?".
    std::string deep = hostile("Deep/vxasupport.xml");
    deep.replace(deep.find("<RegisteredName>Deep<") + 16, 4, "Deep sea\x7F");
    const std::string chain = hostile("Chain/vxasupport.xml");
    // The primary document, the clients; the RegisteredNames left out, in order.
    const std::tuple<const char*, std::string, std::vector<std::string>, std::vector<std::string>> cases[] = {
        {"22 nested devices, 6 nested patterns", hostile("Deep/d.xml"), {tool, deep}, {"Deep sea\x7F"}},
        {"20 nested devices, 10 nested patterns", hostile("Chain/d.xml"), {chain, other}, {"Chain"}},
        {"16 nested devices, both between two that fit",
         hostile("Cage16/d.xml"),
         {tool, deep, chain, other},
         {"Deep sea\x7F", "Chain"}},
        {"flat devices: everything fits", discovery(kDevices), {tool, deep, chain, other}, {}},
    };
    for (const auto& [pszName, primary, clients, leftOut] : cases) {
        SCOPED_TRACE(pszName);
        const tsmtest::LogTail log;
        Xml::DiscoveryMerger merger(xmltest::parse(primary));
        // The same merge without the clients that are left out.
        Xml::DiscoveryMerger without(xmltest::parse(primary));
        for (const std::string& text : clients) {
            merger.Merge(xmltest::parse(text));
            if (std::none_of(leftOut.begin(), leftOut.end(), [&](const std::string& name) {
                    return text.find("<RegisteredName>" + name + "<") != std::string::npos;
                }))
                without.Merge(xmltest::parse(text));
        }
        EXPECT_EQ(xmltest::print(without.document()), xmltest::print(merger.document()));
        EXPECT_EQ(without.spent().nodes, merger.spent().nodes);
        std::vector<std::string> expectedLog;
        for (std::string name : leftOut) {
            std::replace(name.begin(), name.end(), '\x7F', '?');
            expectedLog.push_back("Merge left out " + name + ": it needs more than the page's merge budget has left");
        }
        EXPECT_EQ(expectedLog, logMessages(log));
    }
}

const char* const kGoldenPath = TSM_XML_TEST_DIR "/golden/typical-discovery.xml";
const std::string kDocumentType = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
                                  "<!DOCTYPE VXA_Discovery SYSTEM \"vxadiscovery_1_1.dtd\">\n";

// Runs in a freshly started process: the hardware library reads the setup
// records once per process, so no earlier machine of the run may be seen.
// Returns what differs, empty when nothing does; the machine is gone by then.
std::string checkTypicalDocument()
{
    optest::SimulatedMachine machine("typical.xml");
    const std::string text = xmltest::print(Xml::BuildDiscoveryDocument());
    if (std::getenv("TSM_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(kGoldenPath, std::ios::binary) << text;
        return "";
    }
    if (text != tsmtest::readFile(kGoldenPath))
        return "discovery document differs from " + std::string(kGoldenPath) + ":\n" + text;
    if (!xmltest::factory().IsValidDocumentText(kDocumentType + text, "<!DOCTYPE VXA_Discovery SYSTEM"))
        return "the discovery document does not follow its DTD\n";

    // A reader sees the described controllers, in the document's order.
    std::string readNames;
    const std::string read =
        xmltest::print(Xml::BuildDiscoveryDocument([&readNames](const Core::DeviceList& described) {
            for (const Core::DevicePtr& pController : described)
                readNames +=
                    "<Name>" + Schema::modelTag(pController->attribute("ControllerName")).value_or("?") + "</Name>";
        }));
    std::string documentNames;
    for (std::size_t at = text.find("<Name>"); at != std::string::npos; at = text.find("<Name>", at + 1))
        documentNames += text.substr(at, text.find("</Name>", at) + 7 - at);
    if (read != text || readNames != documentNames)
        return "the reader saw " + readNames + " beside the document's " + documentNames + "\n";

    // Requests overlap: each build refreshes and reads the shared tree.
    std::vector<std::string> texts(4);
    std::vector<std::thread> requests;
    for (std::string& result : texts)
        requests.emplace_back([&result] { result = xmltest::print(Xml::BuildDiscoveryDocument()); });
    for (std::thread& request : requests)
        request.join();
    for (const std::string& result : texts)
        if (result != text)
            return "an overlapping build gave another document:\n" + result;
    return "";
}

TEST(DiscoveryDocumentDeathTest, TypicalMachineDocumentIsTheReviewedOne)
{
    ASSERT_TRUE(std::getenv("TSM_UPDATE_GOLDEN") != nullptr || !tsmtest::readFile(kGoldenPath).empty())
        << "missing " << kGoldenPath;
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(optest::exitWithFailure(checkTypicalDocument()), testing::ExitedWithCode(0), "");
}

// `depth` Device elements, each nested in the one before.
std::string nestedDevices(int depth)
{
    std::string text;
    for (int level = 0; level < depth; ++level)
        text += "<Device><Name>L" + std::to_string(level) + "</Name>";
    for (int level = 0; level < depth; ++level)
        text += "</Device>";
    return text;
}

TEST(DiscoveryDocument, AppendDevicesCopiesEachDeviceOfAProviderNestedUpToSixteenLevels)
{
    const std::string own = "<Device><Name>A</Name></Device>";
    const std::string provided = "<Device><Name>P</Name><Device><Name>Q</Name></Device></Device>"
                                 "<Device><Name>R</Name><Operations/></Device>";
    const auto withBranches = [](int first, int second) {
        return "<Device><Name>top</Name>" + nestedDevices(first) + "<Operations/>" + nestedDevices(second) +
               "</Device>";
    };
    struct Case {
        const char* pszName;
        std::string document, provider, expected;
        bool bLeftOut = false; // a device nested too deeply, and the log says so
    };
    // The provider's device before another one: imported, or left out.
    const auto nested = [](const char* pszName, const std::string& device, bool bImported) {
        const std::string after = "<Device><Name>after</Name></Device>";
        return Case{pszName, discovery(""), discovery(device + after), discovery((bImported ? device : "") + after),
                    !bImported};
    };
    const Case cases[] = {
        {"devices appended in order, nested ones kept", discovery(own),
         kDocumentType + discovery("\n  " + provided + "<DeviceGroup/>\n"), discovery(own + provided)},
        {"a provider text that does not parse", discovery(own), discovery(provided).substr(5), discovery(own)},
        {"a provider without VXA_Discovery", discovery(own), "<Other><Devices>" + provided + "</Devices></Other>",
         discovery(own)},
        {"a document without Devices", "<VXA_Discovery/>", discovery(provided), "<VXA_Discovery/>"},
        nested("16 levels", nestedDevices(16), true),
        nested("17 levels", nestedDevices(17), false),
        nested("a deep branch, then a short one", withBranches(15, 3), true),
        nested("a short branch, then a deep one", withBranches(3, 16), false),
        nested("17 levels below a child that is no device",
               "<Device><Operations>" + nestedDevices(16) + "</Operations></Device>", false),
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        const Xml::DocumentHandle document = xmltest::parse(c.document);
        const tsmtest::LogTail log;
        testing::internal::CaptureStderr();
        Xml::AppendDevices(document, c.provider, xmltest::factory(), "Cages");
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(c.expected + "\n\n", xmltest::print(document));
        EXPECT_EQ(c.bLeftOut ? std::vector<std::string>{"AppendDevices left out a device of Cages nested deeper "
                                                        "than 16 levels"}
                             : std::vector<std::string>(),
                  logMessages(log));
    }
}

using tsmtest::Attributes;

Attributes pciController(const std::string& subsystemId)
{
    return {{"Type", "arraycontroller"},
            {"FullName", "c"},
            {"ControllerName", "Tarvion ArrayLine 220"},
            {"BusType", "pci"},
            {"SubsystemID", subsystemId},
            {"Slot", "3"}};
}

Attributes with(Attributes attributes, const std::string& name, const std::string& value)
{
    attributes[name] = value;
    return attributes;
}

// The printed Devices element after describing the controllers in order.
std::string describe(const std::vector<Attributes>& controllers)
{
    const Xml::DocumentHandle document = Xml::DocumentHandle::createEmpty();
    xercesc::DOMElement* pDevices = document->createElement(u"Devices");
    document->appendChild(pDevices);
    Core::DeviceList list;
    for (const Attributes& attributes : controllers)
        list.push_back(tsmtest::standInController(attributes));
    Xml::AppendControllers(*pDevices, list);
    return xmltest::print(document);
}

std::string pciDevice(const std::string& vendor, const std::string& device, const std::string& redundant = "false")
{
    return "<Device><Name>STR_MODEL_AL220</Name><Type><PCI><SubsystemVendorID>" + vendor +
           "</SubsystemVendorID><SubsystemDeviceID>" + device +
           "</SubsystemDeviceID></PCI></Type><Class><ArrayController isRedundant=\"" + redundant +
           "\"/></Class><Instance><Slot>3</Slot></Instance></Device>";
}

TEST(ControllerDescription, DescribesEachControllerByItsBusRow)
{
    // 0xF1A74C06 = 4054273030, 0x5256A020 = 1381408800, 0xF1A70040 = 4054253632.
    const Attributes eisa = {{"Type", "arraycontroller"},
                             {"FullName", "e"},
                             {"ControllerName", "Tarvion ArrayLine 120"},
                             {"BusType", "eisa"},
                             {"SubsystemID", "1381408800"},
                             {"Slot", ""}};
    // The controllers; the Device elements that describe them.
    const std::tuple<const char*, std::vector<Attributes>, std::string> cases[] = {
        {"low half below 0x100: blank padded", {pciController("4054253632")}, pciDevice("0xF1A7", "0x  40")},
        {"not a number", {pciController("ArrayLine")}, pciDevice("0x0000", "0x   0")},
        {"leading blanks and sign", {pciController("  -1")}, pciDevice("0xFFFF", "0xFFFF")},
        {"RedundantState false still redundant",
         {with(pciController("4054273030"), "RedundantState", "false")},
         pciDevice("0xF1A7", "0x4C06", "true")},
        {"EISA with empty slot, ordered by FullName",
         {eisa, pciController("4054253632")},
         pciDevice("0xF1A7", "0x  40") +
             "<Device><Name>STR_MODEL_AL120</Name><Type><EISA><SubsystemVendorID>0x5256</SubsystemVendorID>"
             "<SubsystemDeviceID>0xA020</SubsystemDeviceID></EISA></Type><Class>"
             "<ArrayController isRedundant=\"false\"/></Class><Instance><Slot></Slot></Instance></Device>"},
        {"unknown bus type and upper-case PCI: empty Type and Instance",
         {with(pciController("1"), "BusType", "PCI"),
          with(with(pciController("1"), "BusType", "isa"), "FullName", "d")},
         "<Device><Name>STR_MODEL_AL220</Name><Type/><Class><ArrayController isRedundant=\"false\"/></Class>"
         "<Instance/></Device><Device><Name>STR_MODEL_AL220</Name><Type/><Class>"
         "<ArrayController isRedundant=\"false\"/></Class><Instance/></Device>"},
        {"unknown model and a model name in another case left out",
         {with(pciController("1"), "ControllerName", "Unknown"),
          with(pciController("1"), "ControllerName", "tarvion arrayline 220")},
         ""},
        {"equal FullName described once, the first found",
         {pciController("4054273030"), with(pciController("4054273030"), "Slot", "2")},
         pciDevice("0xF1A7", "0x4C06")},
    };
    for (const auto& [pszName, controllers, devices] : cases) {
        SCOPED_TRACE(pszName);
        EXPECT_EQ((devices.empty() ? std::string("<Devices/>") : "<Devices>" + devices + "</Devices>") + "\n\n",
                  describe(controllers));
    }
}

}
