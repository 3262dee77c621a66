// Operations, registries and calls: shared per-kind lists, binding through
// filters, double dispatch, calls on live and stale devices, arguments. And
// fatal misuse of the core: each case names the asserted expression and the
// source file; missing attributes and arguments are logged first.
#include "conversion.h"
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

// A kind outside any registry, to prove refresh needs one.
class Orphan : public Core::Device {
public:
    CountedPtr<Status> accept(Core::DeviceVisitor&) override { return CountedPtr<Status>(new Status(true)); }

protected:
    std::string doStringRep() const override { return "orphan"; }
};

// "Assertion failed: <text>, file <file>" with the regular-expression
// characters of the text escaped.
std::string failure(const std::string& text, const std::string& file)
{
    std::string escaped;
    for (const char c : text) {
        if (std::string("()[]*+?.\\^$|{}").find(c) != std::string::npos)
            escaped += '\\';
        escaped += c;
    }
    return "Assertion failed: " + escaped + ", file " + file + ", line";
}

}

TEST(OperationRegistry, RegistriesShareOneListPerKindAndDevicesBindWhatPassesTheFilter)
{
    const auto pFirst = registerProbe<20>("OperationReadOne", DeviceOperation::eREAD);
    const auto pEqual = registerProbe<20>("OperationReadOne", DeviceOperation::eREAD);
    registerProbe<20>("OperationReadOne", DeviceOperation::eDISCOVER);
    registerProbe<20>("OperationReadSlotted", DeviceOperation::eREAD, nullptr, {},
                      CountedPtr<Core::Filter>(new HasAttributeFilter("Slot")));
    registerProbe<21>("OperationElsewhere", DeviceOperation::eREAD);

    const Core::DeviceOperationRegistry<Gadget<20>> registry;
    EXPECT_EQ(registry.endRegisteredOperation() - registry.beginRegisteredOperation(), 4) << "equal ones append";
    const auto find = [&registry](const Core::DeviceOperationPtr& pOperation) {
        return Core::OperationRegistry::findRegisteredOperation(registry.beginRegisteredOperation(),
                                                                registry.endRegisteredOperation(), pOperation);
    };
    EXPECT_EQ(find(pEqual)->get(), pFirst.get()) << "equality is name and type; the first one is found";
    EXPECT_EQ(find(Core::DeviceOperationPtr(new Probe<20>("OperationReadOther", DeviceOperation::eREAD))),
              registry.endRegisteredOperation());

    // A device of the kind is its kind's registry and binds what it holds
    // whose filter passes.
    const DevicePtr pDevice = makeGadget<20>("D");
    EXPECT_TRUE(boundNames(*pDevice).empty()) << "a new device has no operations";
    pDevice->updateOperations();
    EXPECT_EQ(boundNames(*pDevice), (std::vector<std::string>(3, "OperationReadOne")));
    EXPECT_EQ(pDevice->findOperation("OperationReadSlotted"), pDevice->endOperation());
    EXPECT_EQ(pDevice->findOperation("OperationReadOne")->get(), pFirst.get()) << "the object is shared";
    pDevice->updateAttribute(Core::Attribute("Slot", "1"));
    pDevice->updateOperations();
    EXPECT_EQ(boundNames(*pDevice).back(), "OperationReadSlotted");
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
        EXPECT_EQ(std::make_tuple(pResult->value(), pResult->message()), std::make_tuple(eExpected, pszMessage));
        EXPECT_NE(mark.appended().find(std::string("Operation Call: ") + pszName + "\n"), std::string::npos);
    }
    EXPECT_EQ(journal, (std::vector<std::string>{"OperationReadSilent@D", "OperationReadNamed@D"}));
    EXPECT_EQ(std::distance(pDevice->beginAttribute(), pDevice->endAttribute()), 1)
        << "the foreign one changed nothing";
}

TEST(DeviceOperations, ArgumentsLastOneCallOnALiveDeviceAndStayOnAStaleOne)
{
    std::string seen;
    const auto pRead =
        registerProbe<26>("OperationReadPage", DeviceOperation::eREAD, nullptr, [&seen](Gadget<26>&, Probe<26>& probe) {
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
    EXPECT_EQ(std::make_tuple(pStaleResult->value(), pStaleResult->message()), std::make_tuple(Status::eNOTRUN, ""));
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
    EXPECT_EQ(journal, (std::vector<std::string>{"ReadTop@R", "ReadBox@R-A", "ReadTop@R-A-N"}));
}

TEST(CoreDeathTest, MissingAttributesAndArgumentsAreLoggedThenFatal)
{
    const tsmtest::LogTail mark;
    EXPECT_DEATH(static_cast<void>(Gadget<70>("D").attribute("Slot")),
                 failure("hasAttribute( name )", "attributesource"));
    EXPECT_DEATH(static_cast<void>(Probe<70>("OperationRead", DeviceOperation::eREAD).argument("Page")),
                 failure("hasArgument(name)", "deviceoperation"));
    const std::string log = mark.appended();
    EXPECT_NE(log.find("CHECKX: Does not have attribute - Slot\n"), std::string::npos) << log;
    EXPECT_NE(log.find("CHECKX: Does not have argument - Page\n"), std::string::npos) << log;
}

TEST(CoreDeathTest, MisuseOfDevicesAndOperationsAndBadValuesStops)
{
    const DevicePtr pRoot = makeGadget<71>("R", "root");
    RootScope scope(pRoot);
    const DevicePtr pChild = makeGadget<72>("C");
    Core::Device::addChild(pRoot, pChild);
    const auto pUnbound = Core::DeviceOperationPtr(new Probe<71>("OperationUnbound", DeviceOperation::eREAD));

    EXPECT_DEATH(pRoot->pParent(), failure("hasParent()", "device"));
    EXPECT_DEATH(Core::Device::removeChild(pRoot, makeGadget<72>("other")),
                 failure("pParent->hasChild( *pChild )", "device"));
    EXPECT_DEATH(pRoot->callOperation(pUnbound), failure("hasOperation( pDeviceOp->name() )", "operationsource"));
    EXPECT_DEATH(
        {
            const DevicePtr pOrphan(new Orphan());
            RootScope inner(pOrphan);
            pOrphan->refresh();
        },
        failure("pOperationRegistry != 0", "device"));
    EXPECT_DEATH(makeGadget<72>("")->stringRep(), failure("stringRep.size() != 0", "device"));
    // A damaged signature fails the invariant of every public operation.
    auto& child = static_cast<Gadget<72>&>(*pChild);
    EXPECT_DEATH((child.damage(), child.hasAttribute("Type")), failure("isInvariant()", "attributesource"));
    EXPECT_DEATH((child.damage(), child.hasParent()), failure("isInvariant()", "device"));
    EXPECT_DEATH((child.damage(), child.callOperation(pUnbound)), failure("isInvariant()", "operationsource"));

    // Operations without a name or of an unknown type, and bad values.
    EXPECT_DEATH(Probe<73>("", DeviceOperation::eREAD).name(), failure("opName.size() != 0", "deviceoperation"));
    EXPECT_DEATH(Probe<73>("OperationOdd", DeviceOperation::eUNKNOWN).type(),
                 failure("eType != eUNKNOWN", "deviceoperation"));
    EXPECT_DEATH(Status(static_cast<Status::eValue>(10000)).value(), failure("m_eValue < eLAST", "status"));
    for (const char* pszBad : {"a", "abc", ""})
        EXPECT_DEATH(Core::hexToByte(pszBad), failure("hexString.size() == 2", "conversion")) << pszBad;
    for (const char* pszBad : {"0g", "g0", " 1"})
        EXPECT_DEATH(Core::hexToByte(pszBad),
                     failure("isxdigit( hexString[bLOW_BYTE] ) && isxdigit( hexString[bHIGH_BYTE] )", "conversion"))
            << pszBad;
    EXPECT_DEATH(Core::hexStringToBytes("0a1"), failure("hexString.size() == 2", "conversion"));
}
