// Operations, registries and calls: shared per-kind lists, binding through
// filters, double dispatch, calls on live and stale devices, arguments.
#include "testkinds.h"

#include <gtest/gtest.h>

using namespace coretest;
using Core::DeviceOperation;
using Core::DevicePtr;
using Core::Status;

namespace {

std::vector<std::string> boundNames(const Core::Device& device)
{
    std::vector<std::string> names;
    for (auto it = device.beginOperation(); it != device.endOperation(); ++it)
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
    EXPECT_EQ(registry.endRegisteredOperation() - registry.beginRegisteredOperation(), 3) << "equal ones append";
    const auto find = [&registry](const Core::DeviceOperationPtr& pOperation) {
        return Core::OperationRegistry::findRegisteredOperation(registry.beginRegisteredOperation(),
                                                                registry.endRegisteredOperation(), pOperation);
    };
    EXPECT_EQ(find(pEqual)->get(), pFirst.get()) << "equality is name and type; the first one is found";
    EXPECT_EQ(find(Core::DeviceOperationPtr(new Probe<20>("OperationReadOther", DeviceOperation::eREAD))),
              registry.endRegisteredOperation());

    // A device of the kind is its kind's registry and binds what it holds.
    const DevicePtr pDevice = makeGadget<20>("D");
    EXPECT_NE(dynamic_cast<const Core::OperationRegistry*>(pDevice.get()), nullptr);
    pDevice->updateOperations();
    EXPECT_EQ(boundNames(*pDevice), (std::vector<std::string>(3, "OperationReadOne")));
    EXPECT_EQ(pDevice->findOperation("OperationReadOne")->get(), pFirst.get()) << "the object is shared";
}

TEST(OperationRegistry, DevicesBindTheOperationsWhoseFilterPasses)
{
    registerProbe<22>("OperationReadAll", DeviceOperation::eREAD);
    registerProbe<22>("OperationReadSlotted", DeviceOperation::eREAD, nullptr, {},
                      CountedPtr<Core::Filter>(new HasAttributeFilter("Slot")));
    const DevicePtr pPlain = makeGadget<22>("P");
    const DevicePtr pSlotted = makeGadget<22>("S");
    pSlotted->updateAttribute(Core::Attribute("Slot", "1"));
    EXPECT_TRUE(boundNames(*pPlain).empty()) << "a new device has no operations";
    pPlain->updateOperations();
    pSlotted->updateOperations();
    EXPECT_EQ(boundNames(*pPlain), (std::vector<std::string> { "OperationReadAll" }));
    EXPECT_EQ(boundNames(*pSlotted), (std::vector<std::string> { "OperationReadAll", "OperationReadSlotted" }));
    EXPECT_EQ(pPlain->findOperation("OperationReadSlotted"), pPlain->endOperation());
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

    const std::tuple<const char*, Status::eValue, const char*> cases[] = {
        {"OperationReadSilent", Status::eOK, "OperationReadSilent"},
        {"OperationReadNamed", Status::eFAILED, "controller did not answer"},
        {"OperationForeign", Status::eNOTAPPLICABLE, "OperationForeign"},
    };
    for (const auto& [pszName, eExpected, pszMessage] : cases) {
        SCOPED_TRACE(pszName);
        const tsmtest::LogTail mark;
        const CountedPtr<Status> pResult = pDevice->callOperation(*pDevice->findOperation(pszName));
        EXPECT_EQ(pResult->value(), eExpected);
        EXPECT_EQ(pResult->message(), pszMessage);
        EXPECT_NE(mark.appended().find(std::string("Operation Call: ") + pszName + "\n"), std::string::npos);
    }
    EXPECT_EQ(journal, (std::vector<std::string> { "OperationReadSilent@D", "OperationReadNamed@D" }));
    EXPECT_EQ(std::distance(pDevice->beginAttribute(), pDevice->endAttribute()), 1) << "the foreign one changed nothing";
}

TEST(DeviceOperations, ArgumentsLastOneCallOnALiveDeviceAndStayOnAStaleOne)
{
    std::string seen;
    const auto pRead = registerProbe<26>("OperationReadPage", DeviceOperation::eREAD, nullptr,
                                         [&seen](Gadget<26>&, Probe<26>& probe) {
                                             seen = probe.argument("Page");
                                             return CountedPtr<Status>(new Status(true));
                                         });
    // While its parent's discovery runs, the child is marked stale.
    CountedPtr<Status> pStaleResult;
    std::string seenByStaleCall = "unset";
    registerProbe<25>("OperationDiscoverOne", DeviceOperation::eDISCOVER, nullptr, [&](Gadget<25>& parent, Probe<25>&) {
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
    pRoot->updateOperations();
    pRead->setArgument(Core::Attribute("Page", "1"));
    pRead->setArgument(Core::Attribute("Page", "2"));
    pRoot->refresh();
    EXPECT_EQ(seen, "2") << "the newest value wins";
    EXPECT_TRUE(pRead->hasArgument("Page")) << "refresh visits without the call that clears arguments";

    pRead->setArgument(Core::Attribute("Page", "3"));
    EXPECT_EQ((*pRoot->beginChild())->callOperation(pRead)->message(), "OperationReadPage");
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
