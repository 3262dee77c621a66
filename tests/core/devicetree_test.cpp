// The device tree: attach or merge, path strings, self, sweep of vanished
// subtrees, the order of a refresh, and refresh of a wide parent.
#include "testkinds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace coretest;
using Core::DeviceOperation;
using Core::DevicePtr;

namespace {

std::vector<std::string> childIds(const DevicePtr& pParent)
{
    std::vector<std::string> ids;
    for (auto it = pParent->beginChild(); it != pParent->endChild(); ++it)
        ids.push_back((*it)->stringRep());
    return ids;
}

// A discovery on gadgets of RootTag that finds children of ChildTag with the ids in *pFound.
template <int RootTag, int ChildTag>
typename Probe<RootTag>::Action discoverInto(const std::vector<std::string>* pFound, bool bKeyed = true)
{
    return [pFound, bKeyed](Gadget<RootTag>& parent, Probe<RootTag>&) {
        for (const std::string& id : *pFound)
            Core::Device::addChild(parent.self(), makeGadget<ChildTag>(id, "box", bKeyed));
        return CountedPtr<Core::Status>(new Core::Status(true));
    };
}

}

TEST(DeviceTree, AttachesANewDeviceOnceAndMergesTheSecondFind)
{
    for (const bool bKeyed : {true, false}) {
        SCOPED_TRACE(bKeyed ? "keyed children" : "keyless children");
        const DevicePtr pRoot = makeGadget<1>("R", "root");
        RootScope scope(pRoot);
        const DevicePtr pFirst = makeGadget<2>("A", "box", bKeyed);
        const DevicePtr pSecond = makeGadget<2>("A", "box", bKeyed);
        const DevicePtr pOther = makeGadget<2>("B", "box", bKeyed);
        Core::Device::addChild(pRoot, pFirst);
        Core::Device::addChild(pRoot, pOther);
        Core::Device::addChild(pRoot, pSecond);

        EXPECT_EQ(childIds(pRoot), (std::vector<std::string> { "R-A", "R-B" }));
        const auto& first = static_cast<const Gadget<2>&>(*pFirst);
        ASSERT_EQ(first.merged().size(), 1u);
        EXPECT_EQ(first.merged()[0], pSecond.get());
        EXPECT_FALSE(pSecond->hasParent()) << "the merged find is not attached";
        EXPECT_EQ(pSecond.useCount(), 1) << "only the caller holds the merged find";
        EXPECT_EQ(pFirst->pParent().get(), pRoot.get());
        EXPECT_EQ(pFirst->attribute("UniqueID"), "R-A");
        EXPECT_FALSE(pRoot->hasAttribute("UniqueID"));
        EXPECT_TRUE(pRoot->hasChild(*makeGadget<2>("B", "box", bKeyed)));
        EXPECT_FALSE(pRoot->hasChild(*makeGadget<2>("C", "box", bKeyed)));
        EXPECT_FALSE(pRoot->hasChild(*makeGadget<3>("A", "box", bKeyed))) << "another kind is another device";
    }
}

TEST(DeviceTree, MergesIntoTheFirstEqualChildAmongKeyedAndKeylessSiblings)
{
    const DevicePtr pRoot = makeGadget<1>("R", "root");
    RootScope scope(pRoot);
    const DevicePtr pKeyed = makeGadget<2>("B", "box", true);
    const DevicePtr pKeyless = makeGadget<2>("B", "box", false);
    const DevicePtr pKeylessFirst = makeGadget<2>("A", "box", false);
    Core::Device::addChild(pRoot, pKeylessFirst);
    Core::Device::addChild(pRoot, pKeyed);
    Core::Device::addChild(pRoot, pKeyless);
    ASSERT_EQ(pRoot->childCount(), 3u) << "the keyed B does not take a keyless B";

    Core::Device::addChild(pRoot, makeGadget<2>("B", "box", true));
    Core::Device::addChild(pRoot, makeGadget<2>("A", "box", true));
    EXPECT_EQ(pRoot->childCount(), 3u);
    EXPECT_EQ(static_cast<const Gadget<2>&>(*pKeyed).merged().size(), 1u) << "the earlier of two equal children";
    EXPECT_EQ(static_cast<const Gadget<2>&>(*pKeyless).merged().size(), 0u);
    EXPECT_EQ(static_cast<const Gadget<2>&>(*pKeylessFirst).merged().size(), 1u);
    // The keyless B is equal to the keyed one, so it has to go first.
    Core::Device::removeChild(pRoot, pKeyless);
}

TEST(DeviceTree, PathStringsAndSelfFollowTheTree)
{
    const DevicePtr pRoot = makeGadget<4>("Host", "root");
    const DevicePtr pMiddle = makeGadget<5>("Slot3");
    const DevicePtr pLeaf = makeGadget<6>("7");
    EXPECT_EQ(pRoot->self().get(), nullptr) << "no root is installed yet";
    {
        RootScope scope(pRoot);
        Core::Device::addChild(pRoot, pMiddle);
        Core::Device::addChild(pMiddle, pLeaf);
        EXPECT_EQ(pRoot->stringRep(), "Host");
        EXPECT_EQ(pMiddle->stringRep(), "Host-Slot3");
        EXPECT_EQ(pLeaf->stringRep(), "Host-Slot3-7");
        EXPECT_EQ(pLeaf->attribute("UniqueID"), "Host-Slot3-7");
        EXPECT_EQ(pRoot->self().get(), pRoot.get());
        EXPECT_EQ(pMiddle->self().get(), pMiddle.get());
        EXPECT_EQ(pLeaf->self().get(), pLeaf.get());
        EXPECT_EQ(makeGadget<4>("Elsewhere")->self().get(), nullptr) << "not the root";
    }
    EXPECT_FALSE(pMiddle->hasParent());
    EXPECT_EQ(pMiddle->stringRep(), "Slot3");
}

TEST(DeviceTree, SweepRemovesVanishedSubtreesWithTheirAttributesAndOperations)
{
    std::vector<std::string> found { "A", "B", "C" };
    registerProbe<7>("OperationDiscoverBoxes", DeviceOperation::eDISCOVER, nullptr, discoverInto<7, 8>(&found));
    // Boxes find one leaf each, named after the box.
    registerProbe<8>("OperationDiscoverLeaves", DeviceOperation::eDISCOVER, nullptr,
                     [](Gadget<8>& box, Probe<8>&) {
                         Core::Device::addChild(box.self(), makeGadget<9>("L" + box.attribute("UniqueID")));
                         return CountedPtr<Core::Status>(new Core::Status(true));
                     });
    const DevicePtr pRoot = makeGadget<7>("R", "root");
    RootScope scope(pRoot);
    pRoot->refresh();
    ASSERT_EQ(childIds(pRoot), (std::vector<std::string> { "R-A", "R-B", "R-C" }));

    const DevicePtr pVanished = *(pRoot->beginChild() + 1);
    ASSERT_EQ(pVanished->childCount(), 1u);
    const DevicePtr pVanishedLeaf = *pVanished->beginChild();
    ASSERT_TRUE(pVanished->hasOperation("OperationDiscoverLeaves"));

    found = { "A", "C" };
    pRoot->refresh();
    EXPECT_EQ(childIds(pRoot), (std::vector<std::string> { "R-A", "R-C" })) << "the others keep their order";
    EXPECT_TRUE(pVanished->isStale());
    EXPECT_FALSE(pVanished->hasParent());
    EXPECT_EQ(pVanished->childCount(), 0u);
    EXPECT_EQ(pVanished->beginAttribute(), pVanished->endAttribute());
    EXPECT_EQ(pVanished->beginOperation(), pVanished->endOperation());
    EXPECT_TRUE(pVanishedLeaf->isStale());
    EXPECT_EQ(pVanishedLeaf->beginAttribute(), pVanishedLeaf->endAttribute());
    for (auto it = pRoot->beginChild(); it != pRoot->endChild(); ++it) {
        SCOPED_TRACE((*it)->stringRep());
        EXPECT_FALSE((*it)->isStale());
        EXPECT_EQ((*it)->childCount(), 1u);
        EXPECT_TRUE((*it)->hasOperation("OperationDiscoverLeaves"));
    }

    found.clear();
    pRoot->refresh();
    EXPECT_EQ(pRoot->childCount(), 0u) << "a discovery that finds nothing leaves no children";
}

TEST(DeviceTree, RefreshReadsDiscoversSweepsRecursesAndReadsAgain)
{
    std::vector<std::string> journal;
    std::vector<std::string> found { "A", "B" };
    auto countChildren = [&journal](Gadget<10>& root, Probe<10>&) {
        journal.push_back("children=" + std::to_string(root.childCount()));
        return CountedPtr<Core::Status>(new Core::Status(false));
    };
    registerProbe<10>("ReadRoot", DeviceOperation::eREAD, &journal, countChildren);
    registerProbe<10>("DiscoverBoxes", DeviceOperation::eDISCOVER, &journal, discoverInto<10, 11>(&found));
    registerProbe<10>("Unrun", static_cast<DeviceOperation::eType>(1), &journal);
    registerProbe<10>("ReadFiltered", DeviceOperation::eREAD, &journal, {},
                      CountedPtr<Core::Filter>(new HasAttributeFilter("Missing")));
    registerProbe<10>("DiscoverFiltered", DeviceOperation::eDISCOVER, &journal, {},
                      CountedPtr<Core::Filter>(new HasAttributeFilter("Missing")));
    registerProbe<11>("ReadBox", DeviceOperation::eREAD, &journal, [&journal](Gadget<11>& box, Probe<11>&) {
        journal.push_back("siblings=" + std::to_string(box.pParent()->childCount()));
        return CountedPtr<Core::Status>(new Core::Status(true));
    });

    const DevicePtr pRoot = makeGadget<10>("R", "root");
    RootScope scope(pRoot);
    pRoot->refresh();
    found = { "B" };
    journal.clear();
    const LogMark mark;
    pRoot->refresh();

    // Discovery runs without a filter test; the second pass no longer finds
    // A, which is gone before B is refreshed.
    const std::vector<std::string> expected {
        "ReadRoot@R", "children=2", "DiscoverBoxes@R", "DiscoverFiltered@R",
        "ReadBox@R-B", "siblings=1", "ReadBox@R-B", "siblings=1",
        "ReadRoot@R", "children=1",
    };
    EXPECT_EQ(journal, expected);
    const std::string log = mark.added();
    for (const char* pszLine : { "Operation Call: ReadRoot\n", "Operation Call: DiscoverBoxes\n",
                                 "Operation Call: ReadBox\n" }) {
        SCOPED_TRACE(pszLine);
        EXPECT_NE(log.find(pszLine), std::string::npos);
    }
    EXPECT_EQ(log.find("Operation Call: Unrun"), std::string::npos);
    EXPECT_EQ(log.find("Operation Call: ReadFiltered"), std::string::npos);
    EXPECT_FALSE(pRoot->hasOperation("ReadFiltered")) << "a failing filter does not bind";
    EXPECT_TRUE(pRoot->hasOperation("DiscoverBoxes"));
}

TEST(DeviceTree, RefreshOfAKindWithoutOperationsOnlyRecurses)
{
    std::vector<std::string> journal;
    registerProbe<13>("ReadLeaf", DeviceOperation::eREAD, &journal);
    const DevicePtr pRoot = makeGadget<12>("R", "root");
    RootScope scope(pRoot);
    Core::Device::addChild(pRoot, makeGadget<13>("X"));
    pRoot->refresh();
    EXPECT_EQ(pRoot->childCount(), 0u) << "no discovery confirms the child, so the sweep takes it";
    EXPECT_TRUE(journal.empty());
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

    found.erase(found.begin() + 100, found.begin() + 200);
    Gadget<15>::comparisons() = 0;
    pRoot->refresh();
    EXPECT_EQ(pRoot->childCount(), static_cast<std::size_t>(kChildren - 100));
    // A search through every sibling would compare millions of times.
    EXPECT_LE(Gadget<15>::comparisons(), 10ul * kChildren);
    std::set<std::string> ids;
    for (auto it = pRoot->beginChild(); it != pRoot->endChild(); ++it)
        ids.insert((*it)->attribute("UniqueID"));
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(kChildren - 100));
    EXPECT_EQ(ids.count("R-150"), 0u);
    EXPECT_EQ(ids.count("R-250"), 1u);

    // Every child vanishes at once; the survivors of a partial sweep keep order.
    found.clear();
    pRoot->refresh();
    EXPECT_EQ(pRoot->childCount(), 0u);
    found = { "9", "8", "7", "6" };
    pRoot->refresh();
    found = { "6", "8" };
    pRoot->refresh();
    EXPECT_EQ(childIds(pRoot), (std::vector<std::string> { "R-8", "R-6" }));
}
