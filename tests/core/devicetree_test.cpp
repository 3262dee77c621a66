// Devices and their tree: attributes, attach or merge, sweep of vanished
// subtrees, the order of a refresh, and refresh of a wide parent.
#include "testkinds.h"

#include <gtest/gtest.h>

using namespace coretest;
using Core::Device;
using Core::DeviceOperation;
using Core::DevicePtr;

namespace {

std::vector<std::string> childPaths(const DevicePtr& pParent)
{
    std::vector<std::string> paths;
    for (auto it = pParent->beginChild(); it != pParent->endChild(); ++it)
        paths.push_back((*it)->stringRep());
    return paths;
}

std::size_t mergeCount(const DevicePtr& pDevice)
{
    return static_cast<const Gadget<2>&>(*pDevice).merged().size();
}

// A discovery on gadgets of RootTag that finds children of ChildTag with the ids in *pFound.
template <int RootTag, int ChildTag>
typename Probe<RootTag>::Action discoverInto(const std::vector<std::string>* pFound)
{
    return [pFound](Gadget<RootTag>& parent, Probe<RootTag>&) {
        for (const std::string& id : *pFound)
            Device::addChild(parent.self(), makeGadget<ChildTag>(id, "box"));
        return CountedPtr<Core::Status>(new Core::Status(true));
    };
}

}

TEST(DeviceTree, AttachesANewDeviceOnceAndMergesTheSecondFindIntoTheFirstEqualChild)
{
    for (const bool bKeyed : {true, false}) {
        SCOPED_TRACE(bKeyed ? "keyed children" : "keyless children");
        const DevicePtr pRoot = makeGadget<1>("R", "root");
        RootScope scope(pRoot);
        const DevicePtr pFirst = makeGadget<2>("A", "box", bKeyed);
        const DevicePtr pSecond = makeGadget<2>("A", "box", bKeyed);
        Device::addChild(pRoot, pFirst);
        Device::addChild(pRoot, makeGadget<2>("B", "box", bKeyed));
        Device::addChild(pRoot, pSecond);

        // The second find is merged into the first, not attached.
        EXPECT_EQ(std::make_tuple(childPaths(pRoot), static_cast<const Gadget<2>&>(*pFirst).merged(),
                                  pSecond->hasParent(), pFirst->pParent().get(), pFirst->attribute("UniqueID")),
                  std::make_tuple(std::vector<std::string>{"R-A", "R-B"},
                                  std::vector<const Core::Device*>{pSecond.get()}, false, pRoot.get(), "R-A"));
        EXPECT_FALSE(pRoot->hasChild(*makeGadget<3>("A", "box", bKeyed))) << "another kind is another device";
    }
    // Among keyed and keyless siblings a find merges into the first equal child.
    const DevicePtr pRoot = makeGadget<1>("R", "root");
    RootScope scope(pRoot);
    const DevicePtr pKeylessA = makeGadget<2>("A", "box", false);
    const DevicePtr pKeyedB = makeGadget<2>("B", "box", true);
    const DevicePtr pKeylessB = makeGadget<2>("B", "box", false);
    for (const DevicePtr& pChild : {pKeylessA, pKeyedB, pKeylessB})
        Device::addChild(pRoot, pChild);
    ASSERT_EQ(pRoot->childCount(), 3u) << "a keyed B does not take a keyless B";

    Device::addChild(pRoot, makeGadget<2>("B", "box", true));
    Device::addChild(pRoot, makeGadget<2>("A", "box", true));
    EXPECT_EQ(pRoot->childCount(), 3u);
    EXPECT_EQ((std::vector<std::size_t>{mergeCount(pKeylessA), mergeCount(pKeyedB), mergeCount(pKeylessB)}),
              (std::vector<std::size_t>{1, 1, 0}));
    Device::removeChild(pRoot, pKeylessB); // it equals the keyed B, so it goes first
}

TEST(DeviceTree, SweepRemovesVanishedSubtreesWithTheirAttributesAndOperations)
{
    std::vector<std::string> found{"A", "B", "C"};
    registerProbe<7>("OperationDiscoverBoxes", DeviceOperation::eDISCOVER, nullptr, discoverInto<7, 8>(&found));
    registerProbe<8>("OperationDiscoverLeaves", DeviceOperation::eDISCOVER, nullptr, [](Gadget<8>& box, Probe<8>&) {
        Device::addChild(box.self(), makeGadget<9>("L"));
        return CountedPtr<Core::Status>(new Core::Status(true));
    });
    const DevicePtr pRoot = makeGadget<7>("R", "root");
    RootScope scope(pRoot);
    pRoot->refresh();
    ASSERT_EQ(childPaths(pRoot), (std::vector<std::string>{"R-A", "R-B", "R-C"}));
    const DevicePtr pVanished = *(pRoot->beginChild() + 1);
    const DevicePtr pVanishedLeaf = *pVanished->beginChild();
    ASSERT_TRUE(pVanished->hasOperation("OperationDiscoverLeaves"));

    found = {"A", "C"};
    pRoot->refresh();
    EXPECT_EQ(childPaths(pRoot), (std::vector<std::string>{"R-A", "R-C"})) << "the others keep their order";
    EXPECT_FALSE(pVanished->hasParent());
    EXPECT_EQ(pVanished->self().get(), nullptr) << "a detached device that is not the root has no self";
    EXPECT_EQ(pVanished->childCount(), 0u);
    // Stale, without attributes and operations.
    for (const DevicePtr& pDevice : {pVanished, pVanishedLeaf})
        EXPECT_EQ(std::make_tuple(pDevice->isStale(), std::distance(pDevice->beginAttribute(), pDevice->endAttribute()),
                                  std::distance(pDevice->beginOperation(), pDevice->endOperation())),
                  std::make_tuple(true, 0, 0));
    EXPECT_EQ(childPaths(*pRoot->beginChild()), (std::vector<std::string>{"R-A-L"}));
    EXPECT_FALSE((*pRoot->beginChild())->isStale());

    found.clear();
    pRoot->refresh();
    EXPECT_EQ(pRoot->childCount(), 0u) << "a discovery that finds nothing leaves no children";
}

TEST(DeviceTree, RefreshReadsDiscoversSweepsRecursesAndReadsAgain)
{
    std::vector<std::string> journal;
    std::vector<std::string> found{"A", "B"};
    auto countChildren = [&journal](Gadget<10>& root, Probe<10>&) {
        journal.push_back("children=" + std::to_string(root.childCount()));
        return CountedPtr<Core::Status>(new Core::Status(false));
    };
    const CountedPtr<Core::Filter> pNever(new HasAttributeFilter("Missing"));
    registerProbe<10>("ReadRoot", DeviceOperation::eREAD, &journal, countChildren);
    registerProbe<10>("DiscoverBoxes", DeviceOperation::eDISCOVER, &journal, discoverInto<10, 11>(&found));
    registerProbe<10>("Unrun", static_cast<DeviceOperation::eType>(1), &journal);
    registerProbe<10>("ReadFiltered", DeviceOperation::eREAD, &journal, {}, pNever);
    registerProbe<10>("DiscoverFiltered", DeviceOperation::eDISCOVER, &journal, {}, pNever);
    registerProbe<11>("ReadBox", DeviceOperation::eREAD, &journal, [&journal](Gadget<11>& box, Probe<11>&) {
        journal.push_back("siblings=" + std::to_string(box.pParent()->childCount()));
        return CountedPtr<Core::Status>(new Core::Status(true));
    });
    const DevicePtr pRoot = makeGadget<10>("R", "root");
    RootScope scope(pRoot);
    pRoot->refresh();
    found = {"B"};
    journal.clear();
    const tsmtest::LogTail mark;
    pRoot->refresh();

    // Discovery runs without a filter test; A is gone before B is refreshed.
    EXPECT_EQ(journal, (std::vector<std::string>{"ReadRoot@R", "children=2", "DiscoverBoxes@R", "DiscoverFiltered@R",
                                                 "ReadBox@R-B", "siblings=1", "ReadBox@R-B", "siblings=1", "ReadRoot@R",
                                                 "children=1"}));
    const std::string log = mark.appended();
    EXPECT_NE(log.find("Operation Call: DiscoverBoxes\n"), std::string::npos);
    EXPECT_EQ(log.find("Operation Call: Unrun"), std::string::npos);
    EXPECT_FALSE(pRoot->hasOperation("ReadFiltered")) << "a failing filter does not bind";
}

TEST(DeviceTree, RefreshOfAWideParentComparesEachChildAFewTimesOnly)
{
    constexpr int kChildren = 5000;
    std::vector<std::string> found;
    for (int i = 0; i < kChildren; ++i)
        found.push_back(std::to_string(i));
    registerProbe<14>("DiscoverMany", DeviceOperation::eDISCOVER, nullptr, discoverInto<14, 15>(&found));
    const DevicePtr pRoot = makeGadget<14>("R", "root");
    RootScope scope(pRoot);
    pRoot->refresh();
    ASSERT_EQ(pRoot->childCount(), static_cast<std::size_t>(kChildren));

    found.erase(found.begin() + 1, found.end() - 2);
    Gadget<15>::comparisons() = 0;
    pRoot->refresh();
    // A search through every sibling would compare millions of times.
    EXPECT_LE(Gadget<15>::comparisons(), 10ul * kChildren);
    EXPECT_EQ(childPaths(pRoot), (std::vector<std::string>{"R-0", "R-4998", "R-4999"}));
}

// Attributes iterate in byte order and absence is tested quietly.
TEST(Attributes, IterateInByteOrderAndAbsenceIsTestedQuietly)
{
    Gadget<60> device("D");
    for (const char* pszName : {"UniqueID", "Slot", "BusType", "bay"})
        device.updateAttribute(Core::Attribute(pszName, "x"));
    std::vector<std::string> names;
    for (auto it = device.beginAttribute(); it != device.endAttribute(); ++it)
        names.push_back(it->first);
    EXPECT_EQ(names, (std::vector<std::string>{"BusType", "Slot", "Type", "UniqueID", "bay"}));

    const tsmtest::LogTail mark;
    EXPECT_FALSE(device.hasAttribute("Serial"));
    EXPECT_FALSE(device.hasAttribute("type")) << "names are case-sensitive";
    EXPECT_EQ(mark.appended(), "");
}
