// Fatal misuse of the core: each case names the asserted expression and
// the source file; missing attributes and arguments are logged first.
#include "conversion.h"
#include "testkinds.h"

#include <gtest/gtest.h>

using namespace coretest;
using Core::DeviceOperation;
using Core::DevicePtr;
using Core::Status;

namespace {

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

TEST(CoreDeathTest, MissingAttributesAndArgumentsAreLoggedThenFatal)
{
    struct Case {
        const char* pszName;
        std::function<void()> misuse;
        const char* pszLine;
        std::string expected;
    };
    const Case cases[] = {
        {"attribute", [] { static_cast<void>(Gadget<70>("D").attribute("Slot")); },
         "CHECKX: Does not have attribute - Slot\n", failure("hasAttribute( name )", "attributesource")},
        {"argument", [] { static_cast<void>(Probe<70>("OperationRead", DeviceOperation::eREAD).argument("Page")); },
         "CHECKX: Does not have argument - Page\n", failure("hasArgument(name)", "deviceoperation")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        const tsmtest::LogTail mark;
        EXPECT_DEATH(c.misuse(), c.expected);
        EXPECT_NE(mark.appended().find(c.pszLine), std::string::npos);
    }
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
    // Registration compares the new operation, so an unknown type stops it.
    EXPECT_DEATH(
        {
            Core::DeviceOperationRegistry<Gadget<74>>().registerOperation(
                Core::DeviceOperationPtr(new Probe<74>("OperationOdd", DeviceOperation::eUNKNOWN)));
        },
        failure("eType != eUNKNOWN", "deviceoperation"));
    EXPECT_DEATH(Status(static_cast<Status::eValue>(10000)).value(), failure("m_eValue < eLAST", "status"));
    for (const char* pszBad : { "a", "abc", "" })
        EXPECT_DEATH(Core::hexToByte(pszBad), failure("hexString.size() == 2", "conversion")) << pszBad;
    for (const char* pszBad : { "0g", "g0", " 1" })
        EXPECT_DEATH(Core::hexToByte(pszBad),
                     failure("isxdigit( hexString[bLOW_BYTE] ) && isxdigit( hexString[bHIGH_BYTE] )", "conversion"))
            << pszBad;
    EXPECT_DEATH(Core::hexStringToBytes("0a1"), failure("hexString.size() == 2", "conversion"));
}
