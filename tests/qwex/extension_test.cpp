// Registration, the extension's callbacks and the page template of request 2001.
#include "qwexfixture.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <mutex>
#include <tuple>

namespace {

using tsmtest::fetch;
using tsmtest::QwexMachine;
using tsmtest::writeFile;

std::mutex g_mutex;
std::vector<std::string> g_events;

void record(const std::string& event)
{
    const std::lock_guard lock(g_mutex);
    g_events.push_back(event);
}

std::vector<std::string> takeEvents()
{
    const std::lock_guard lock(g_mutex);
    return std::exchange(g_events, {});
}

BOOL WINAPI versionCallback(QWEX_VERSION_INFO* version)
{
    version->dwExtensionVersion = 1;
    record("version");
    return TRUE;
}

BOOL WINAPI terminateCallback(DWORD)
{
    return record("terminate"), TRUE;
}

BOOL WINAPI writeOne(EXTENSION_CONTROL_BLOCK* block, PFN_QWEX_WRITE write)
{
    return write(block, "[one]");
}
BOOL WINAPI writeTwo(EXTENSION_CONTROL_BLOCK* block, PFN_QWEX_WRITE write)
{
    return write(block, "[two]");
}

BOOL WINAPI writeStackSize(EXTENSION_CONTROL_BLOCK* block, PFN_QWEX_WRITE write)
{
    pthread_attr_t attributes;
    size_t size = 0;
    pthread_getattr_np(pthread_self(), &attributes);
    pthread_attr_getstacksize(&attributes, &size);
    pthread_attr_destroy(&attributes);
    return write(block, std::to_string(size).c_str());
}

BOOL WINAPI writeServerDirectory(EXTENSION_CONTROL_BLOCK* block, PFN_QWEX_WRITE write)
{
    // The output buffer is the last argument; as the first it is refused.
    char directory[260] = {};
    DWORD size = sizeof directory;
    if (block->ServerSupportFunction(block->ConnID, QWEX_REQ_SERVER_DIRECTORY, directory, &size, nullptr))
        return write(block, "(buffer taken as the first argument)");
    if (!block->ServerSupportFunction(block->ConnID, QWEX_REQ_SERVER_DIRECTORY, nullptr, &size,
                                      reinterpret_cast<LPDWORD>(directory)))
        return write(block, "(refused)");
    return write(block, directory);
}

const QWEX_TAG_HANDLER kTags[] = {{"One", &writeOne},
                                  {"Two", &writeTwo},
                                  {"StackSize", &writeStackSize},
                                  {"ServerDirectory", &writeServerDirectory},
                                  {nullptr, nullptr}};

DWORD WINAPI requestCallback(EXTENSION_CONTROL_BLOCK* block)
{
    record("request");
    return tsmtest::servePageWith(block, kTags);
}

TEST(QwexRegistration, RefusesRecordsWithAWrongSizeAndCallsTheCallbacksInOrder)
{
    const QwexMachine machine;
    int stale = 0;
    QWEX_HANDLE server = reinterpret_cast<QWEX_HANDLE>(&stale);
    QWEX_STARTUP_INFO startup = tsmtest::startupRecord();
    QWEXPutLE32(startup.cbSize, 1580);
    EXPECT_EQ(QWEXStartupHTTPServer(&startup, &server), static_cast<DWORD>(QWEX_ERROR_BAD_RECORD));
    EXPECT_EQ(server, nullptr);

    startup = tsmtest::startupRecord();
    ASSERT_EQ(QWEXStartupHTTPServer(&startup, &server), static_cast<DWORD>(QWEX_SUCCESS));
    ASSERT_NE(server, nullptr);
    takeEvents();
    // Each case spoils one field of a good record.
    const std::pair<const char*, void (*)(QWEX_EXTENSION_INFO&)> cases[] = {
        {"size one too small", [](QWEX_EXTENSION_INFO& r) { r.cbSize -= 1; }},
        {"root without slash", [](QWEX_EXTENSION_INFO& r) { std::strcpy(r.szUrlRoot, "VXA"); }},
        {"root with two levels", [](QWEX_EXTENSION_INFO& r) { std::strcpy(r.szUrlRoot, "/VXA/x"); }},
        {"root not terminated", [](QWEX_EXTENSION_INFO& r) { std::memset(r.szUrlRoot, 'A', sizeof r.szUrlRoot); }},
        {"missing page folder", [](QWEX_EXTENSION_INFO& r) { std::strcpy(r.szPageDirectory, "C:\\nothing"); }},
        {"no request callback", [](QWEX_EXTENSION_INFO& r) { r.pfnHttpExtensionProc = nullptr; }},
        {"bad description entry size",
         [](QWEX_EXTENSION_INFO& r) {
             static const QWEX_DESCRIPTION kWrong[] = {{12345, "ENG", "x"}, {}};
             r.pHeaderDescriptions = kWrong;
         }},
    };
    for (const auto& [pszName, spoil] : cases) {
        SCOPED_TRACE(pszName);
        QWEX_EXTENSION_INFO record =
            tsmtest::extensionRecord("/VXA", &versionCallback, &requestCallback, &terminateCallback);
        spoil(record);
        EXPECT_EQ(QWEXRegisterIsapiExtension(server, &record), static_cast<DWORD>(QWEX_ERROR_BAD_RECORD));
    }
    EXPECT_TRUE(takeEvents().empty());

    writeFile(machine.pageFolder() + "/plain.htm", "plain");
    const QWEX_EXTENSION_INFO record =
        tsmtest::extensionRecord("/VXA", &versionCallback, &requestCallback, &terminateCallback);
    ASSERT_EQ(QWEXRegisterIsapiExtension(server, &record), static_cast<DWORD>(QWEX_SUCCESS));
    EXPECT_EQ(QWEXRegisterIsapiExtension(server, &record), static_cast<DWORD>(QWEX_ERROR_CONFLICT));
    EXPECT_EQ(fetch(server, machine.http("/VXA/plain.htm")).body, "plain");
    EXPECT_EQ(QWEXShutdownHTTPServer(server), static_cast<DWORD>(QWEX_SUCCESS));
    EXPECT_EQ(takeEvents(), (std::vector<std::string>{"version", "request", "terminate"}));
}

TEST(QwexPages, ExpandTheTagsThePageNamesAndServeStaticFiles)
{
    const QwexMachine machine;
    // Page templates and what they expand to.
    const std::pair<const char*, const char*> tagged[] = {
        {"no tags <b>here</b>", "no tags <b>here</b>"},
        {"a<%Two%>b<%Two%>c", "a[two]b[two]c"},
        {"x<%Unknown%>y", "xy"},
        {"<%one%>", ""},
        {"<% One %><%1x%><%One%<%One", "<% One %><%1x%><%One%<%One"},
        {"<<%One%>%>", "<[one]%>"},
        {"", ""},
    };
    for (size_t i = 0; i < std::size(tagged); ++i)
        writeFile(machine.pageFolder() + "/page" + std::to_string(i) + ".htm", tagged[i].first);
    writeFile(machine.pageFolder() + "/facts.htm", "<%ServerDirectory%>|<%StackSize%>");
    writeFile(machine.pageFolder() + "/Mixed.HTM", "case");
    writeFile(machine.pageFolder() + "/Images/logo.gif", "GIF89a");
    writeFile(machine.serverFolder() + "/webapps/peer1/vxasupport.xml", "<support/>");
    writeFile(machine.serverFolder() + "/webapps/peer2/index.html", "<%One%>");
    tsmtest::QwexServer served(&requestCallback, &versionCallback, &terminateCallback);
    ASSERT_EQ(served.registered(), static_cast<DWORD>(QWEX_SUCCESS));
    for (const char* name : {"VXA.vxa", "peer1.vxa", "peer2.vxa"})
        EXPECT_TRUE(std::filesystem::is_regular_file(machine.serverFolder() + "/cache/" + name)) << name;
    // The URL; the status and the body of its answer.
    std::vector<std::tuple<std::string, unsigned, std::string>> cases = {
        {machine.http("/VXA/facts.htm"), 200, "C:\\qwex|128000"},
        {machine.http("/vxa/mixed.htm"), 200, "case"},
        {machine.http("/VXA/missing.htm"), 404, "Not found.\n"},
        {machine.http("/VXA/Images/logo.gif"), 200, "GIF89a"},
        {machine.https("/VXA/images/LOGO.gif"), 200, "GIF89a"},
        {machine.http("/peer1/vxasupport.xml?DTD_VERSION=1.1"), 200, "<support/>"},
        {machine.http("/peer2/"), 200, "<%One%>"},
        {machine.http("/peer3/x.xml"), 404, "Not found.\n"},
        {machine.http("/"), 404, "Not found.\n"},
    };
    for (size_t i = 0; i < std::size(tagged); ++i)
        cases.push_back({machine.http("/VXA/page" + std::to_string(i) + ".htm"), 200, tagged[i].second});
    for (const auto& [url, status, body] : cases) {
        SCOPED_TRACE(url);
        const tsmtest::Fetched fetched = fetch(served.handle(), url);
        EXPECT_EQ(std::make_tuple(fetched.result, fetched.status, fetched.body, fetched.calls),
                  std::make_tuple(static_cast<DWORD>(QWEX_SUCCESS), status, body, 1));
    }
}

} // namespace
