// Attributes of a device: publishing, replacing, removing, order, and the
// quiet test for absence.
#include "testkinds.h"

#include <gtest/gtest.h>

using namespace coretest;
using Core::Attribute;

TEST(Attributes, PublishingNeverLetsAnEmptyValueReplaceAKnownOne)
{
    Gadget<60> device("D");
    const Core::AttributePublisher publisher;
    publisher.publishAttribute(device, Attribute("Slot", "2"), false);
    publisher.publishAttribute(device, Attribute("Slot", ""), false);
    EXPECT_EQ(device.attribute("Slot"), "2");
    publisher.publishAttribute(device, Attribute("Bay", ""), false);
    EXPECT_FALSE(device.hasAttribute("Bay")) << "an empty value creates nothing";
    publisher.publishAttribute(device, Attribute("Slot", ""), true);
    EXPECT_EQ(device.attribute("Slot"), "");
    publisher.publishAttribute(device, Attribute("Slot", "4"), false);
    publisher.publishAttribute(device, Attribute("Slot", "5"), false);
    EXPECT_EQ(device.attribute("Slot"), "5") << "the second value wins";
    device.removeAttribute("Slot");
    device.removeAttribute("Slot");
    EXPECT_FALSE(device.hasAttribute("Slot"));
    EXPECT_TRUE(device.hasAttribute("Type"));
}

TEST(Attributes, IterateInByteOrderAndTestForAbsenceQuietly)
{
    Gadget<60> device("D");
    for (const char* pszName : { "UniqueID", "Slot", "BusType", "bay" })
        device.updateAttribute(Attribute(pszName, "x"));
    std::vector<std::string> names;
    for (auto it = device.beginAttribute(); it != device.endAttribute(); ++it)
        names.push_back(it->first);
    EXPECT_EQ(names, (std::vector<std::string> { "BusType", "Slot", "Type", "UniqueID", "bay" }));

    const LogMark mark;
    EXPECT_FALSE(device.hasAttribute("Serial"));
    EXPECT_FALSE(device.hasAttribute("type")) << "names are case-sensitive";
    EXPECT_EQ(mark.appended(), "");
}
