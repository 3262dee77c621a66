// Event sources and the Application event log, with the message texts of a
// source's message file.
#include "tempmachine.h"

#include "lasterror.h"

#include <gtest/gtest.h>

#include <tsm/machinestate.h>
#include <windows.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <tuple>

namespace {

using tsmtest::failed;

// A message table block as an executable carries it, written by hand from
// its layout, amid other bytes.
const std::string kMessageFile = std::string("\x7f" "ELF\0\0binary bytes\0", 20) +
                                 "TSM-MESSAGE-TABLE-1\n"
                                 "100\tThe %1 service was installed.\\r\\n\n"
                                 "7\tTwo inserts: %2 then %1; %3 has none.\\r\\n\n"
                                 "TSM-MESSAGE-TABLE-END\n" + std::string("\0tail", 5);

} // namespace

TEST(EventLog, EntriesKeepTheirFieldsAndBadSourcesHandlesAndArgumentsAreRefused)
{
    const tsmtest::TempMachine machine;
    EXPECT_EQ(failed(RegisterEventSourceA("\\\\elsewhere", "Probe")), RPC_S_SERVER_UNAVAILABLE);
    EXPECT_EQ(failed(RegisterEventSourceA(nullptr, "")), ERROR_INVALID_PARAMETER);
    HANDLE source = RegisterEventSourceA("\\\\.", "Probe Source");
    ASSERT_NE(source, nullptr);
    // A bad type, strings or data missing: nothing is written.
    LPCSTR one[] = { nullptr };
    EXPECT_EQ(failed(ReportEventA(source, 0x0003, 0, 1, nullptr, 0, 0, nullptr, nullptr)), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(ReportEventA(source, EVENTLOG_WARNING_TYPE, 0, 1, nullptr, 1, 0, nullptr, nullptr));
    EXPECT_FALSE(ReportEventA(source, EVENTLOG_WARNING_TYPE, 0, 1, nullptr, 1, 0, one, nullptr));
    EXPECT_FALSE(ReportEventA(source, EVENTLOG_WARNING_TYPE, 0, 1, nullptr, 0, 4, nullptr, nullptr));
    EXPECT_TRUE(tsm::readEventLog().empty());

    const time_t before = std::time(nullptr);
    LPCSTR strings[] = { "first", "tab\tand\nline", "" };
    EXPECT_TRUE(ReportEventA(source, EVENTLOG_ERROR_TYPE, 3, 106, nullptr, 3, 0, strings, nullptr));
    const BYTE data[] = { 1, 2, 0, 255 };
    EXPECT_TRUE(ReportEventA(source, EVENTLOG_INFORMATION_TYPE, 0, 0xC0000105u, nullptr, 0, sizeof data, nullptr,
                             const_cast<BYTE*>(data)));
    EXPECT_TRUE(DeregisterEventSource(source));
    EXPECT_EQ(failed(DeregisterEventSource(source)), ERROR_INVALID_HANDLE);
    EXPECT_EQ(failed(ReportEventA(source, EVENTLOG_WARNING_TYPE, 0, 1, nullptr, 0, 0, nullptr, nullptr)),
              ERROR_INVALID_HANDLE);
    // An event handle is not an event source.
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_FALSE(DeregisterEventSource(event));
    CloseHandle(event);

    std::size_t damaged = 9;
    const std::vector<tsm::EventRecord> events = tsm::readEventLog(&damaged);
    EXPECT_EQ(damaged, 0u);
    ASSERT_EQ(events.size(), 2u);
    using Fields = std::tuple<std::string, WORD, WORD, DWORD, std::vector<std::string>, std::string>;
    const auto fields = [](const tsm::EventRecord& e) {
        return Fields(e.source, e.type, e.category, e.id, e.strings, e.data);
    };
    EXPECT_EQ(fields(events[0]), Fields("Probe Source", EVENTLOG_ERROR_TYPE, 3, 106,
                                        { "first", "tab\tand\nline", "" }, ""));
    EXPECT_EQ(fields(events[1]), Fields("Probe Source", EVENTLOG_INFORMATION_TYPE, 0, 0xC0000105u, {},
                                        std::string("\x01\x02\x00\xff", 4)));
    EXPECT_GE(events[0].timeSeconds, static_cast<int64_t>(before));
    EXPECT_LE(events[0].timeSeconds, static_cast<int64_t>(std::time(nullptr)));
    EXPECT_EQ(tsm::eventTypeName(events[0].type), "error");
    EXPECT_EQ(tsm::eventTypeName(events[1].type), "information");

    // A line that is not an entry is counted and skipped.
    std::ofstream(tsm::eventLogPath(), std::ios::app) << "E\t1\tcut off\n";
    EXPECT_EQ(tsm::readEventLog(&damaged).size(), 2u);
    EXPECT_EQ(damaged, 1u);
}

TEST(EventLog, TextsComeFromTheSourcesMessageFileWithInsertsFilledIn)
{
    const tsmtest::TempMachine machine;
    std::filesystem::create_directories(machine.driveC() + "/Tarvion/bin");
    std::ofstream(machine.driveC() + "/Tarvion/bin/vxa", std::ios::binary) << kMessageFile;
    // The source's message file registered as an installed service does.
    HKEY key = nullptr;
    const char* const pszKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Probe Service";
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, pszKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::string dosPath = "C:\\TARVION\\BIN\\VXA";
    ASSERT_EQ(RegSetValueExA(key, "EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(dosPath.c_str()),
                             static_cast<DWORD>(dosPath.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);

    // Inserts in any order, one without a string left as it is.
    tsm::EventRecord record { 0, "Probe Service", 0, 0, 7, { "one", "two" }, "" };
    EXPECT_EQ(tsm::formatEventMessage(record), "Two inserts: two then one; %3 has none.");

    // An identifier the table lacks, and a source without a message file.
    record.id = 999;
    const std::string missing = tsm::formatEventMessage(record);
    EXPECT_NE(missing.find("999"), std::string::npos);
    EXPECT_NE(missing.find("\"one\""), std::string::npos);
    record.source = "Unregistered";
    EXPECT_NE(tsm::formatEventMessage(record).find("Unregistered"), std::string::npos);

    std::map<DWORD, std::string> table;
    ASSERT_TRUE(tsm::parseMessageTable(kMessageFile, table));
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(table[100], "The %1 service was installed.\r\n");
    const std::vector<std::string> broken = {
        "no table here",
        "TSM-MESSAGE-TABLE-1\n100\tno end\n",
        "TSM-MESSAGE-TABLE-1\nx100\tbad id\nTSM-MESSAGE-TABLE-END\n",
        "TSM-MESSAGE-TABLE-1\n100 no tab\nTSM-MESSAGE-TABLE-END\n",
        "TSM-MESSAGE-TABLE-1\nTSM-MESSAGE-TABLE-END\n",
    };
    for (const std::string& bytes : broken) {
        SCOPED_TRACE(bytes);
        EXPECT_FALSE(tsm::parseMessageTable(bytes, table));
    }
}
