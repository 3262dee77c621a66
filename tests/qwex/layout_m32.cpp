// Byte offsets of the server library's records and the ISAPI control block on
// a 32-bit build, from their layout tables; compiled with -m32 only.
#include <ZyrQWEX.h>

#include <cstddef>

static_assert(sizeof(void*) == 4, "compile with -m32");

static_assert(offsetof(EXTENSION_CONTROL_BLOCK, ConnID) == 8);
static_assert(offsetof(EXTENSION_CONTROL_BLOCK, lpszMethod) == 96);
static_assert(offsetof(EXTENSION_CONTROL_BLOCK, lpszPathTranslated) == 108);
static_assert(offsetof(EXTENSION_CONTROL_BLOCK, ServerSupportFunction) == 140);
static_assert(sizeof(EXTENSION_CONTROL_BLOCK) == 144);
static_assert(sizeof(HSE_VERSION_INFO) == 260);

static_assert(sizeof(QWEX_STARTUP_INFO) == 1579);
static_assert(offsetof(QWEX_STARTUP_INFO, dwFormat) == 4);
static_assert(offsetof(QWEX_STARTUP_INFO, szProductInfo) == 8);
static_assert(offsetof(QWEX_STARTUP_INFO, szModulePath) == 524);

static_assert(sizeof(QWEX_EXTENSION_INFO) == 1084);
static_assert(offsetof(QWEX_EXTENSION_INFO, szUrlRoot) == 4);
static_assert(offsetof(QWEX_EXTENSION_INFO, szPageDirectory) == 784);
static_assert(offsetof(QWEX_EXTENSION_INFO, dwDescriptionFormat) == 1048);
static_assert(offsetof(QWEX_EXTENSION_INFO, pHeaderDescriptions) == 1052);
static_assert(offsetof(QWEX_EXTENSION_INFO, dwCategoryFormat) == 1056);
static_assert(offsetof(QWEX_EXTENSION_INFO, pCategories) == 1060);
static_assert(offsetof(QWEX_EXTENSION_INFO, reserved) == 1064);
static_assert(offsetof(QWEX_EXTENSION_INFO, pfnGetVersion) == 1072);
static_assert(offsetof(QWEX_EXTENSION_INFO, pfnHttpExtensionProc) == 1076);
static_assert(offsetof(QWEX_EXTENSION_INFO, pfnTerminate) == 1080);

static_assert(sizeof(QWEX_DESCRIPTION) == 12);
static_assert(offsetof(QWEX_DESCRIPTION, pszLanguage) == 4);
static_assert(offsetof(QWEX_DESCRIPTION, pszText) == 8);

static_assert(sizeof(QWEX_CATEGORY) == 24);
static_assert(offsetof(QWEX_CATEGORY, pszName) == 4);
static_assert(offsetof(QWEX_CATEGORY, dwFormat) == 8);
static_assert(offsetof(QWEX_CATEGORY, pDescriptions) == 12);
static_assert(offsetof(QWEX_CATEGORY, dwParam1) == 16);
static_assert(offsetof(QWEX_CATEGORY, dwParam2) == 20);

static_assert(sizeof(QWEX_TAG_HANDLER) == 8);
