// Random bytes as a document: parsed with and without validation, checked as
// a response body, merged as a client into a discovery document, used as the
// discovery document a client is merged into, merged into itself (its own
// patterns against its own devices, where nesting multiplies the work), and
// appended as a provider's devices; every result is printed.
#include "discoverydocument.h"
#include "discoverymerger.h"
#include "domfactory.h"
#include "domprinter.h"
#include "fuzzing.h"

#include <xercesc/util/PlatformUtils.hpp>

namespace {

const char kPrimary[] =
    "<VXA_Discovery><Devices><Device><Name>A</Name><Type><PCI><SubsystemVendorID>0x7A10</SubsystemVendorID>"
    "<SubsystemDeviceID>0x  40</SubsystemDeviceID></PCI></Type><Class><ArrayController isRedundant=\"false\"/>"
    "</Class><Instance><Slot>3</Slot></Instance></Device></Devices></VXA_Discovery>";
const char kClient[] =
    "<VXA_ClientQWEX><QWEXInfo><RegisteredName>tool</RegisteredName><RequestPage>run.htm</RequestPage></QWEXInfo>"
    "<Devices><Device><Type><Any/></Type><Class><Any/></Class><Instance><Any/></Instance><Operations>"
    "<SingleDeviceOperation><Name>Check</Name></SingleDeviceOperation><MultipleDeviceOperation><Name>Both</Name>"
    "</MultipleDeviceOperation></Operations></Device></Devices></VXA_ClientQWEX>";

const Xml::DOMFactory& factory()
{
    static const bool s_bInitialised = (xercesc::XMLPlatformUtils::Initialize(), true);
    static const Xml::DOMFactory s_factory(TSM_HTML_DIR);
    (void)s_bInitialised;
    return s_factory;
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Xml::DOMFactory& domFactory = factory();
    const std::string text = inputText(data, size);
    domFactory.IsValidDocumentText(text, "");
    const Xml::DocumentHandle input = domFactory.ParseBuffer(text, false);

    Xml::DiscoveryMerger intoKnown(domFactory.ParseBuffer(kPrimary, false));
    intoKnown.Merge(input);
    intoKnown.Merge(input);
    Xml::DOMPrinter::ToString(intoKnown.document().get());

    Xml::DiscoveryMerger intoItself(domFactory.ParseBuffer(text, false));
    intoItself.Merge(domFactory.ParseBuffer(text, false));
    Xml::DOMPrinter::ToString(intoItself.document().get());

    Xml::DiscoveryMerger intoInput(input);
    intoInput.Merge(domFactory.ParseBuffer(kClient, false));
    Xml::DOMPrinter::ToString(intoInput.document().get());

    const Xml::DocumentHandle appended = domFactory.ParseBuffer(kPrimary, false);
    Xml::AppendDevices(appended, text, domFactory);
    Xml::DOMPrinter::ToString(appended.get());
    return 0;
}
