// Queries over a subtree: DeviceFinder with and without criteria, and the
// diagnostic dump of a three-level tree.
#include "testkinds.h"

#include <gtest/gtest.h>

using namespace coretest;
using Core::DeviceOperation;
using Core::DevicePtr;

namespace {

// R (root) with controllers A (Slot 3, two drives) and B (Slot 5).
struct SmallTree {
    SmallTree()
        : pRoot(makeGadget<30>("R", "system")), scope(pRoot), pA(makeGadget<31>("A", "arraycontroller")),
          pB(makeGadget<31>("B", "arraycontroller")), pDrive0(makeGadget<32>("0", "drive")),
          pDrive1(makeGadget<32>("1", "drive"))
    {
        pA->updateAttribute(Core::Attribute("Slot", "3"));
        pB->updateAttribute(Core::Attribute("Slot", "5"));
        Core::Device::addChild(pRoot, pA);
        Core::Device::addChild(pA, pDrive0);
        Core::Device::addChild(pA, pDrive1);
        Core::Device::addChild(pRoot, pB);
    }

    DevicePtr pRoot;
    RootScope scope;
    DevicePtr pA, pB, pDrive0, pDrive1;
};

std::vector<std::string> paths(const Core::DeviceList& devices)
{
    std::vector<std::string> result;
    for (const DevicePtr& pDevice : devices)
        result.push_back(pDevice->stringRep());
    return result;
}

}

TEST(DeviceFinder, SelectsDevicesWhoseAttributesMatchEveryCriterionRootFirst)
{
    const SmallTree tree;
    struct Case {
        const char* pszName;
        std::vector<std::pair<std::string, std::string>> criteria;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"no criteria", {}, {"R", "R-A", "R-A-0", "R-A-1", "R-B"}},
        {"by type", {{"Type", "arraycontroller"}}, {"R-A", "R-B"}},
        {"two criteria", {{"Type", "arraycontroller"}, {"Slot", "5"}}, {"R-B"}},
        {"duplicate criterion", {{"Slot", "3"}, {"Slot", "3"}}, {"R-A"}},
        {"contradicting criteria", {{"Slot", "3"}, {"Slot", "5"}}, {}},
        {"absent attribute", {{"Serial", ""}}, {}},
        {"bytewise value", {{"Type", "ArrayController"}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        Core::DeviceFinder finder(tree.pRoot);
        for (const auto& criterion : c.criteria)
            finder.addCriterion(criterion.first, criterion.second);
        EXPECT_EQ(paths(finder.findDevices()), c.expected);
    }

    Core::DeviceFinder subtree(tree.pA);
    Core::DeviceList found { tree.pB };
    subtree.findDevices(found);
    EXPECT_EQ(paths(found), (std::vector<std::string> { "R-B", "R-A", "R-A-0", "R-A-1" })) << "appends";
}

TEST(DeviceDump, WritesTypesAttributesOperationsAndChildrenIndented)
{
    Core::DeviceOperationRegistry<Gadget<40>>().registerOperation(
        Core::DeviceOperationPtr(new Probe<40>("OperationDiscoverBoxes", DeviceOperation::eDISCOVER)));
    Core::DeviceOperationRegistry<Gadget<41>>().registerOperation(
        Core::DeviceOperationPtr(new Probe<41>("OperationReadBox", DeviceOperation::eREAD)));
    const DevicePtr pRoot = makeGadget<40>("R", "system");
    RootScope scope(pRoot);
    pRoot->updateOperations();
    const DevicePtr pBox = makeGadget<41>("A", "controller");
    pBox->updateAttribute(Core::Attribute("Slot", "3"));
    Core::Device::addChild(pRoot, pBox);
    Core::Device::addChild(pBox, makeGadget<42>("0", "drive"));

    const std::string expected = "<system>\n"
                                 "    <Type>system</Type>\n"
                                 "    <Operation>OperationDiscoverBoxes</Operation>\n"
                                 "    <controller>\n"
                                 "        <Slot>3</Slot>\n"
                                 "        <Type>controller</Type>\n"
                                 "        <UniqueID>R-A</UniqueID>\n"
                                 "        <Operation>OperationReadBox</Operation>\n"
                                 "        <drive>\n"
                                 "            <Type>drive</Type>\n"
                                 "            <UniqueID>R-A-0</UniqueID>\n"
                                 "        </drive>\n"
                                 "    </controller>\n"
                                 "</system>\n";
    EXPECT_EQ(Core::dump(*pRoot), expected);
}
