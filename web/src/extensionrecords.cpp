// The start-up and extension records and the lists they point to.
#include "extensionrecords.h"

#include "modulepath.h"
#include "requesthandler.h"

#include <cstring>
#include <string>

namespace Web {

const char kUrlRoot[] = "/VXA";

namespace {

const char kMarketingName[] = "MarketingName:Tarvion Storage Manager";
const char kLanguage[] = "ENG";
const char kCategoryName[] = "GENERIC";
const char kCategoryText[] = "<!=Configure>Configure the local HTTP Server<!/Configure>";

const QWEX_DESCRIPTION kCategoryDescriptions[] = {
    {sizeof(QWEX_DESCRIPTION), kLanguage, kCategoryText},
    {},
};

const QWEX_CATEGORY kCategories[] = {
    {sizeof(QWEX_CATEGORY), kCategoryName, 2, kCategoryDescriptions, 4, 4},
    {},
};

// Copies the text with its terminating zero, cut to the field if longer.
template <std::size_t N>
void copyText(char (&field)[N], const std::string& text)
{
    const std::size_t length = text.size() < N ? text.size() : N - 1;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

}

const char kHeaderDescription[] =
    "<table><tr><td><a href='/VXA/VXA.htm'><img src='/VXA/Images/VXALogo.gif' alt='Tarvion Storage Manager' "
    "border=0 width=159 height=70></a></td><td><table border=0><tr><td valign=bottom><img "
    "src=VXA/Images/Line1.gif width=623 height=7></td></tr><tr><td valign=top width=95%><font size=2>"
    "<!=/VXA/PX_TAG_VXA_DESC=Message>Tarvion Storage Manager provides management and configuration facilities "
    "for Tarvion storage devices.<!/PX_TAG_VXA_DESC></td></tr></table></td></tr></table>";

HeaderDescriptions makeHeaderDescriptions()
{
    return HeaderDescriptions{{{sizeof(QWEX_DESCRIPTION), kLanguage, kHeaderDescription}, {}}};
}

const QWEX_CATEGORY* categoryList()
{
    return kCategories;
}

void fillStartupRecord(QWEX_STARTUP_INFO& record)
{
    QWEXPutLE32(record.cbSize, QWEX_STARTUP_INFO_SIZE);
    QWEXPutLE32(record.dwFormat, 2);
    copyText(record.szProductInfo, kMarketingName);
    copyText(record.szModulePath, ModulePath("./"));
}

void fillExtensionRecord(QWEX_EXTENSION_INFO& record, const QWEX_DESCRIPTION* pHeaderDescriptions)
{
    record.cbSize = QWEX_EXTENSION_INFO_SIZE;
    copyText(record.szUrlRoot, kUrlRoot);
    copyText(record.szPageDirectory, ModulePath("../html"));
    record.dwDescriptionFormat = 2;
    record.pHeaderDescriptions = pHeaderDescriptions;
    record.dwCategoryFormat = 2;
    record.pCategories = kCategories;
    record.pfnGetVersion = &ExtensionVersion;
    record.pfnHttpExtensionProc = &HttpExtensionProc;
    record.pfnTerminate = &ExtensionTerminate;
}

BOOL WINAPI ExtensionVersion(QWEX_VERSION_INFO* pVersion)
{
    if (pVersion) {
        const DWORD dwOne = 1;
        std::memcpy(pVersion, &dwOne, sizeof dwOne);
    }
    return 1;
}

BOOL WINAPI ExtensionTerminate(DWORD)
{
    return 1;
}

}
