// The Device element of an array controller, from hand-made controllers
// holding exactly the attributes of each case.
#include "controllerdescription.h"
#include "xmltexts.h"

#include <gtest/gtest.h>

#include <xercesc/dom/DOM.hpp>

#include <map>

namespace {

using Attributes = std::map<std::string, std::string>;

// A controller of the tree reduced to its attributes; the same device only
// as itself.
class FakeController : public Core::Device {
public:
    explicit FakeController(const Attributes& attributes)
    {
        for (const auto& [name, value] : attributes)
            publishAttribute(*this, Core::Attribute(name, value), true);
    }
    CountedPtr<Core::Status> accept(Core::DeviceVisitor&) override
    {
        return CountedPtr<Core::Status>(new Core::Status(Core::Status::eNOTAPPLICABLE));
    }
    bool isSameDevice(const Core::Device& other) const override { return &other == this; }

protected:
    std::string doStringRep() const override { return "FakeController"; }
};

Attributes pciController(const std::string& subsystemId)
{
    return {{"Type", "arraycontroller"}, {"FullName", "c"}, {"ControllerName", "Tarvion ArrayLine 220"},
            {"BusType", "pci"}, {"SubsystemID", subsystemId}, {"Slot", "3"}};
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
        list.push_back(Core::DevicePtr(new FakeController(attributes)));
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
    const Attributes scsi = {{"Type", "arraycontroller"}, {"FullName", "s"},
                             {"ControllerName", "Tarvion RaidShelf 2100 Enclosure"}, {"BusType", "scsi"},
                             {"VendorID", "ORVANE  "}, {"ProductID", "RAIDSHELF 2100  "},
                             {"ControllerSerialNumber", "E12CKS0202"}, {"Boxname", "Shelf & 2"}};
    const Attributes eisa = {{"Type", "arraycontroller"}, {"FullName", "e"},
                             {"ControllerName", "Tarvion ArrayLine 120"}, {"BusType", "eisa"},
                             {"SubsystemID", "1381408800"}, {"Slot", ""}};
    struct { const char* pszName; std::vector<Attributes> controllers; std::string devices; } const cases[] = {
        {"low half below 0x100: blank padded", {pciController("4054253632")}, pciDevice("0xF1A7", "0x  40")},
        {"not a number", {pciController("ArrayLine")}, pciDevice("0x0000", "0x   0")},
        {"leading blanks and sign", {pciController("  -1")}, pciDevice("0xFFFF", "0xFFFF")},
        {"RedundantState false still redundant", {with(pciController("4054273030"), "RedundantState", "false")},
         pciDevice("0xF1A7", "0x4C06", "true")},
        {"SCSI with an escaped box name, EISA with empty slot, ordered by FullName",
         {scsi, eisa},
         "<Device><Name>STR_MODEL_AL120</Name><Type><EISA><SubsystemVendorID>0x5256</SubsystemVendorID>"
         "<SubsystemDeviceID>0xA020</SubsystemDeviceID></EISA></Type><Class><ArrayController isRedundant=\"false\"/>"
         "</Class><Instance><Slot></Slot></Instance></Device>"
         "<Device><Name>STR_MODEL_RS2100</Name><Type><SCSI><VendorID>ORVANE  </VendorID>"
         "<ProductID>RAIDSHELF 2100  </ProductID></SCSI></Type><Class><ArrayController isRedundant=\"false\"/>"
         "</Class><Instance><SerialNumber>E12CKS0202</SerialNumber></Instance><BoxName>Shelf &amp; 2</BoxName>"
         "</Device>"},
        {"unknown bus type and upper-case PCI: empty Type and Instance",
         {with(pciController("1"), "BusType", "PCI"), with(with(pciController("1"), "BusType", "isa"), "FullName", "d")},
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        EXPECT_EQ((c.devices.empty() ? std::string("<Devices/>") : "<Devices>" + c.devices + "</Devices>") + "\n\n",
                  describe(c.controllers));
    }
}

}
