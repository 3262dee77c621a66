// Operations, registries and calls: shared per-kind lists, binding through
// filters, double dispatch, calls on live and stale devices, arguments.
#include "testkinds.h"

#include <gtest/gtest.h>

using namespace coretest;
using Core::DeviceOperation;
using Core::DevicePtr;
using Core::Status;

namespace {

std::vector<std::string> registeredNames(const Core::OperationRegistry& registry)
{
    std::vector<std::string> names;
    for (auto it = registry.beginRegisteredOperation(); it != registry.endRegisteredOperation(); ++it)
        names.push_back((*it)->name());
    return names;
}

}

TEST(OperationRegistry, TemporaryRegistriesShareOneListPerKind)
{
    const auto pFirst = registerProbe<20>("OperationReadOne", DeviceOperation::eREAD);
    const auto pEqual = registerProbe<20>("OperationReadOne", DeviceOperation::eREAD);
    registerProbe<20>("OperationReadOne", DeviceOperation::eDISCOVER);
    registerProbe<21>("OperationElsewhere", DeviceOperation::eREAD);

    const Core::DeviceOperationRegistry<Gadget<20>> registry;
    EXPECT_EQ(registeredNames(registry),
              (std::vector<std::string> { "OperationReadOne", "OperationReadOne", "OperationReadOne" }));
    EXPECT_EQ(registeredNames(Core::DeviceOperationRegistry<Gadget<21>>()),
              (std::vector<std::string> { "OperationElsewhere" }));

    // Equality is name and type: the search finds the first equal entry.
    const auto it = Core::OperationRegistry::findRegisteredOperation(
        registry.beginRegisteredOperation(), registry.endRegisteredOperation(), pEqual);
    ASSERT_NE(it, registry.endRegisteredOperation());
    EXPECT_EQ(it->get(), pFirst.get());
    const Core::DeviceOperationPtr pAbsent(new Probe<20>("OperationReadOther", DeviceOperation::eREAD));
    EXPECT_EQ(Core::OperationRegistry::findRegisteredOperation(registry.beginRegisteredOperation(),
                                                               registry.endRegisteredOperation(), pAbsent),
              registry.endRegisteredOperation());

    // A device of the kind is its kind's registry.
    const DevicePtr pDevice = makeGadget<20>("D");
    const auto* pAsRegistry = dynamic_cast<const Core::OperationRegistry*>(pDevice.get());
    ASSERT_NE(pAsRegistry, nullptr);
    EXPECT_EQ(registeredNames(*pAsRegistry).size(), 3u);
}

TEST(OperationRegistry, DevicesBindTheRegisteredOperationsWhoseFilterPasses)
{
    const auto pBound = registerProbe<22>("OperationReadAll", DeviceOperation::eREAD);
    registerProbe<22>("OperationReadSlotted", DeviceOperation::eREAD, nullptr, {},
                      CountedPtr<Core::Filter>(new HasAttributeFilter("Slot")));
    const DevicePtr pPlain = makeGadget<22>("P");
    const DevicePtr pSlotted = makeGadget<22>("S");
    pSlotted->updateAttribute(Core::Attribute("Slot", "1"));
    EXPECT_EQ(pPlain->beginOperation(), pPlain->endOperation()) << "a new device has no operations";
    pPlain->updateOperations();
    pSlotted->updateOperations();

    EXPECT_TRUE(pPlain->hasOperation("OperationReadAll"));
    EXPECT_FALSE(pPlain->hasOperation("OperationReadSlotted"));
    EXPECT_TRUE(pSlotted->hasOperation("OperationReadSlotted"));
    EXPECT_EQ(pPlain->findOperation("OperationReadAll")->get(), pBound.get()) << "the object is shared";
    EXPECT_EQ(pSlotted->endOperation() - pSlotted->beginOperation(), 2);
    EXPECT_EQ(pPlain->findOperation("OperationReadSlotted"), pPlain->endOperation());
    EXPECT_TRUE(Core::NullFilter().passes(*pPlain));
}

TEST(DeviceOperations, CallsDispatchToTheKindsVisitorOrDoNotApply)
{
    std::vector<std::string> journal;
    registerProbe<23>("OperationReadSilent", DeviceOperation::eREAD, &journal);
    registerProbe<23>("OperationReadNamed", DeviceOperation::eREAD, &journal, [](Gadget<23>&, Probe<23>&) {
        return CountedPtr<Status>(new Status(Status::eFAILED, "controller did not answer"));
    });
    // An operation on another kind, registered here by mistake.
    Core::DeviceOperationRegistry<Gadget<23>>().registerOperation(
        Core::DeviceOperationPtr(new Probe<24>("OperationForeign", DeviceOperation::eREAD, &journal)));
    const DevicePtr pDevice = makeGadget<23>("D");
    pDevice->updateOperations();

    struct Case {
        const char* pszName;
        Status::eValue eExpected;
        const char* pszMessage;
    };
    const Case cases[] = {
        {"OperationReadSilent", Status::eOK, "OperationReadSilent"},
        {"OperationReadNamed", Status::eFAILED, "controller did not answer"},
        {"OperationForeign", Status::eNOTAPPLICABLE, "OperationForeign"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        const LogMark mark;
        const CountedPtr<Status> pResult = pDevice->callOperation(*pDevice->findOperation(c.pszName));
        EXPECT_EQ(pResult->value(), c.eExpected);
        EXPECT_EQ(pResult->message(), c.pszMessage);
        EXPECT_NE(mark.added().find(std::string("Operation Call: ") + c.pszName + "\n"), std::string::npos);
    }
    EXPECT_EQ(journal, (std::vector<std::string> { "OperationReadSilent@D", "OperationReadNamed@D" }));
    EXPECT_EQ(pDevice->beginAttribute()->first, "Type") << "a foreign operation changes nothing";
    EXPECT_EQ(std::distance(pDevice->beginAttribute(), pDevice->endAttribute()), 1);
}

TEST(DeviceOperations, ArgumentsLastOneCallOnALiveDeviceAndStayOnAStaleOne)
{
    std::string seen;
    const auto pRead = registerProbe<26>("OperationReadWithArgument", DeviceOperation::eREAD, nullptr,
                                         [&seen](Gadget<26>&, Probe<26>& probe) {
                                             seen = probe.argument("Page");
                                             return CountedPtr<Status>(new Status(true));
                                         });
    pRead->setArgument(Core::Attribute("Page", "1"));
    pRead->setArgument(Core::Attribute("Page", "2"));
    EXPECT_EQ(pRead->argument("Page"), "2") << "the newest value wins";

    // While its parent's discovery runs, a child is marked stale: a call then runs nothing.
    CountedPtr<Status> pStaleResult;
    std::string seenByStaleCall = "unset";
    registerProbe<25>("OperationDiscoverOne", DeviceOperation::eDISCOVER, nullptr,
                      [&](Gadget<25>& parent, Probe<25>&) {
                          if (parent.childCount() == 1) {
                              seen.clear();
                              pStaleResult = (*parent.beginChild())->callOperation(pRead);
                              seenByStaleCall = seen;
                          }
                          Core::Device::addChild(parent.self(), makeGadget<26>("C"));
                          return CountedPtr<Status>(new Status(true));
                      });
    const DevicePtr pRoot = makeGadget<25>("R", "root");
    RootScope scope(pRoot);
    pRoot->refresh();
    EXPECT_EQ(seen, "2");
    EXPECT_TRUE(pRead->hasArgument("Page")) << "refresh visits without the call that clears arguments";
    ASSERT_EQ(pRoot->childCount(), 1u);
    const DevicePtr pChild = *pRoot->beginChild();

    pRead->setArgument(Core::Attribute("Page", "3"));
    const CountedPtr<Status> pLive = pChild->callOperation(pRead);
    EXPECT_EQ(pLive->value(), Status::eOK);
    EXPECT_EQ(pLive->message(), "OperationReadWithArgument");
    EXPECT_EQ(seen, "3");
    EXPECT_FALSE(pRead->hasArgument("Page")) << "a call on a live device clears the arguments";

    pRead->setArgument(Core::Attribute("Page", "4"));
    pRoot->refresh();
    ASSERT_NE(pStaleResult.get(), nullptr);
    EXPECT_EQ(pStaleResult->value(), Status::eNOTRUN);
    EXPECT_EQ(pStaleResult->message(), "");
    EXPECT_EQ(seenByStaleCall, "") << "nothing ran on the stale device";
    EXPECT_EQ(pRead->argument("Page"), "4");
}

TEST(DeviceOperations, ReadTreeRunsOnlyPassingReadsDeviceBeforeChildren)
{
    std::vector<std::string> journal;
    registerProbe<27>("ReadTop", DeviceOperation::eREAD, &journal);
    registerProbe<27>("DiscoverTop", DeviceOperation::eDISCOVER, &journal);
    registerProbe<28>("ReadBox", DeviceOperation::eREAD, &journal, {},
                      CountedPtr<Core::Filter>(new HasAttributeFilter("Slot")));
    const DevicePtr pRoot = makeGadget<27>("R", "root");
    RootScope scope(pRoot);
    const DevicePtr pFirst = makeGadget<28>("A");
    pFirst->updateAttribute(Core::Attribute("Slot", "1"));
    Core::Device::addChild(pRoot, pFirst);
    Core::Device::addChild(pRoot, makeGadget<28>("B"));
    Core::Device::addChild(pFirst, makeGadget<27>("N"));
    Core::readTree(pRoot);
    EXPECT_EQ(journal, (std::vector<std::string> { "ReadTop@R", "ReadBox@R-A", "ReadTop@R-A-N" }));
}
