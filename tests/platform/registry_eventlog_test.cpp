// The registry on the machine's hive files: round trips, names without case,
// access rights, damaged files and atomic replacement. And the event log:
// event sources and the Application log, with the message texts of the
// message file a source's registry key names.
#include "lasterror.h"
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <tsm/machinestate.h>
#include <tsm/posixcalls.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <functional>
#include <fstream>
#include <tuple>

namespace {

using tsmtest::failed;

const char kKey[] = "SOFTWARE\\Tarvion\\Agent";

LSTATUS set(HKEY key, const char* name, DWORD type, const void* data, DWORD size)
{
    return RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
}

LSTATUS setText(HKEY key, const char* name, const std::string& text)
{
    return set(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

// The value's bytes and type; the status in *status.
std::string query(HKEY key, const char* name, LSTATUS* status = nullptr, DWORD* type = nullptr)
{
    char data[256] = {};
    DWORD size = sizeof data;
    const LSTATUS result = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data), &size);
    if (status)
        *status = result;
    return result == ERROR_SUCCESS ? std::string(data, size) : std::string();
}

LSTATUS queryStatus(HKEY key, const char* name)
{
    LSTATUS status = 0;
    query(key, name, &status);
    return status;
}

LSTATUS createKey(HKEY parent, const char* path, HKEY* key, REGSAM access = KEY_READ, DWORD* disposition = nullptr)
{
    return RegCreateKeyExA(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key, disposition);
}

class Registry : public ::testing::Test {
protected:
    std::string hiveFile() const { return m_machine.root() + "/registry/HKEY_LOCAL_MACHINE"; }
    std::string hiveText() const { return m_machine.read("registry/HKEY_LOCAL_MACHINE"); }
    void writeHive(const std::string& text) const
    {
        std::filesystem::create_directories(m_machine.root() + "/registry");
        std::ofstream(hiveFile(), std::ios::binary) << text;
    }
    HKEY create(const char* path, DWORD* disposition = nullptr) const
    {
        HKEY key = nullptr;
        EXPECT_EQ(createKey(HKEY_LOCAL_MACHINE, path, &key, KEY_ALL_ACCESS, disposition), ERROR_SUCCESS) << path;
        return key;
    }
    tsmtest::TempMachine m_machine;
};

// A message table block as an executable carries it, written by hand from
// its layout, amid other bytes.
const std::string kMessageFile = std::string("\x7f"
                                             "ELF\0\0binary bytes\0",
                                             20) +
                                 "TSM-MESSAGE-TABLE-1\n"
                                 "100\tThe %1 service was installed.\\r\\n\n"
                                 "7\tTwo inserts: %2 then %1; %3 has none.\\r\\n\n"
                                 "TSM-MESSAGE-TABLE-END\n" +
                                 std::string("\0tail", 5);

} // namespace

TEST_F(Registry, ValuesRoundTripThroughTheHiveFileWithNamesWithoutCase)
{
    DWORD disposition = 0;
    HKEY key = create(kKey, &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    // (Text and number values go through the hive when the agent installs
    // itself and are read back in its service test.)
    const BYTE binary[] = {0x00, 0xFF, 0x0A, 0x09, 0x25};
    ASSERT_EQ(set(key, "Raw\tName", REG_BINARY, binary, sizeof binary), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    // A fresh handle, other spellings of the names.
    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\TARVION\\agent\\", 0, KEY_READ, &again), ERROR_SUCCESS);
    DWORD type = 0;
    EXPECT_EQ(query(again, "raw\tname", nullptr, &type),
              std::string(reinterpret_cast<const char*>(binary), sizeof binary));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));

    // The size alone, then a buffer that is too small.
    DWORD sizes[2] = {0, 2};
    BYTE small[2] = {};
    EXPECT_EQ(RegQueryValueExA(again, "Raw\tName", nullptr, nullptr, nullptr, &sizes[0]), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(again, "Raw\tName", nullptr, nullptr, small, &sizes[1]), ERROR_MORE_DATA);
    EXPECT_EQ(std::vector<DWORD>(sizes, sizes + 2), std::vector<DWORD>(2, sizeof binary));
    EXPECT_EQ(queryStatus(again, "Missing"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(again);

    // Creating it again opens the existing key, spelled as first created.
    RegCloseKey(create("Software\\Tarvion\\AGENT", &disposition));
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    const std::vector<tsm::RegistryDumpKey> dumped = tsm::readRegistry();
    EXPECT_TRUE(std::any_of(dumped.begin(), dumped.end(), [](const tsm::RegistryDumpKey& key) {
        return key.path == "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvion\\Agent";
    }));

    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nobody", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
}

TEST_F(Registry, AccessRightsHandlesAndKeysGoneFromTheHive)
{
    RegCloseKey(create("SOFTWARE\\Tarvion\\Agent\\Child"));
    HKEY reader = nullptr;
    HKEY writer = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &reader), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &writer), ERROR_SUCCESS);
    EXPECT_EQ(setText(reader, "Flag", "1"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(setText(writer, "Flag", "1"), ERROR_SUCCESS);
    EXPECT_EQ(queryStatus(writer, "Flag"), ERROR_ACCESS_DENIED);
    // A key opened for reading cannot make subkeys.
    HKEY sub = nullptr;
    EXPECT_EQ(createKey(reader, "New", &sub), ERROR_ACCESS_DENIED);
    EXPECT_EQ(createKey(reader, "Child", &sub), ERROR_SUCCESS);
    RegCloseKey(sub);

    // Handles to a key that another process took out of the hive report it.
    writeHive("TSM-REGISTRY-HIVE 1\nEND\t0\n");
    EXPECT_EQ(queryStatus(reader, "Flag"), ERROR_KEY_DELETED);
    EXPECT_EQ(setText(writer, "Flag", "1"), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(reader), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(writer), ERROR_SUCCESS);

    // Closed and made-up handles, and malformed paths.
    EXPECT_EQ(RegCloseKey(reader), ERROR_INVALID_HANDLE);
    EXPECT_EQ(queryStatus(reader, "Flag"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    HKEY bad = nullptr;
    EXPECT_EQ(createKey(HKEY_LOCAL_MACHINE, "\\Leading", &bad), ERROR_BAD_PATHNAME);
    EXPECT_EQ(createKey(HKEY_LOCAL_MACHINE, "a\\\\b", &bad), ERROR_BAD_PATHNAME);
    EXPECT_EQ(createKey(HKEY_LOCAL_MACHINE, std::string(300, 'k').c_str(), &bad), ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, DamagedHiveFilesGiveAnErrorAndStayAsTheyAre)
{
    // Written from the hive file layout: header, key and value lines, END count.
    writeHive("TSM-REGISTRY-HIVE 1\nK\tSOFTWARE\nV\tSOFTWARE\tName\t1\t414200\nEND\t2\n");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(query(key, "name"), std::string("AB\0", 3));
    RegCloseKey(key);

    const std::vector<std::string> damaged = {
        "",
        "garbage\n",
        "TSM-REGISTRY-HIVE 1\nK\tSOFTWARE\n", // torn: no END
        "TSM-REGISTRY-HIVE 1\nK\tSOFTWARE\nEND\t5\n", // wrong count
        "TSM-REGISTRY-HIVE 1\nV\tSOFTWARE\tName\t1\t41\nEND\t1\n", // value before its key
        "TSM-REGISTRY-HIVE 1\nK\tSOFTWARE\nV\tSOFTWARE\tName\t1\t4\nEND\t2\n", // odd hex
        "TSM-REGISTRY-HIVE 1\nK\tA\\B\nEND\t1\n", // key without its parent
        "TSM-REGISTRY-HIVE 1\nK\tSOFT%ZZ\nEND\t1\n", // bad escape
        "TSM-REGISTRY-HIVE 1\nEND\t0\nK\tX\n", // lines after the end
    };
    for (const std::string& text : damaged) {
        SCOPED_TRACE(text);
        writeHive(text);
        HKEY opened = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &opened), ERROR_REGISTRY_CORRUPT);
        EXPECT_EQ(createKey(HKEY_LOCAL_MACHINE, "Other", &opened, KEY_ALL_ACCESS), ERROR_REGISTRY_CORRUPT);
        EXPECT_EQ(opened, nullptr);
        std::map<std::string, DWORD> problems;
        tsm::readRegistry(&problems);
        EXPECT_EQ(problems["HKEY_LOCAL_MACHINE"], static_cast<DWORD>(ERROR_REGISTRY_CORRUPT));
        EXPECT_EQ(hiveText(), text);
    }
    // A hive that is a folder cannot be read at all.
    std::filesystem::remove(hiveFile());
    std::filesystem::create_directories(hiveFile());
    HKEY opened = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &opened), ERROR_REGISTRY_IO_FAILED);
}

TEST_F(Registry, AFailedWriteLeavesTheOldHiveInPlace)
{
    HKEY key = create(kKey);
    ASSERT_EQ(setText(key, "Text", "before"), ERROR_SUCCESS);
    const std::string saved = hiveText();

    // A failing flush, a failing rename, a disk that takes only part of the data.
    const std::function<void(tsm::PosixCalls&)> faults[] = {
        [](tsm::PosixCalls& calls) { calls.fsync = [](int) { return errno = EIO, -1; }; },
        [](tsm::PosixCalls& calls) { calls.rename = [](const char*, const char*) { return errno = EXDEV, -1; }; },
        [](tsm::PosixCalls& calls) {
            calls.write = [](int fd, const void* buffer, size_t count) -> ssize_t {
                return count > 8 ? tsm::systemPosixCalls().write(fd, buffer, 8) : (errno = ENOSPC, -1);
            };
        },
    };
    for (const auto& fault : faults) {
        tsm::PosixCallsOverride failing;
        fault(failing.calls());
        EXPECT_EQ(setText(key, "Text", "after"), ERROR_REGISTRY_IO_FAILED);
    }
    EXPECT_EQ(hiveText(), saved);
    EXPECT_EQ(query(key, "Text"), std::string("before", 7));
    // No temporary file is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(m_machine.root() + "/registry"))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();

    // With the disk back, the change goes through.
    EXPECT_EQ(setText(key, "Text", "after"), ERROR_SUCCESS);
    EXPECT_EQ(query(key, "Text"), std::string("after", 6));
    RegCloseKey(key);
}

TEST(EventLog, EntriesKeepTheirFieldsAndBadSourcesHandlesAndArgumentsAreRefused)
{
    const tsmtest::TempMachine machine;
    EXPECT_EQ(failed(RegisterEventSourceA("\\\\elsewhere", "Probe")), RPC_S_SERVER_UNAVAILABLE);
    EXPECT_EQ(failed(RegisterEventSourceA(nullptr, "")), ERROR_INVALID_PARAMETER);
    HANDLE source = RegisterEventSourceA("\\\\.", "Probe Source");
    ASSERT_NE(source, nullptr);
    // A bad type, strings or data missing: nothing is written.
    LPCSTR one[] = {nullptr};
    EXPECT_EQ(failed(ReportEventA(source, 0x0003, 0, 1, nullptr, 0, 0, nullptr, nullptr)), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(ReportEventA(source, EVENTLOG_WARNING_TYPE, 0, 1, nullptr, 1, 0, nullptr, nullptr));
    EXPECT_FALSE(ReportEventA(source, EVENTLOG_WARNING_TYPE, 0, 1, nullptr, 1, 0, one, nullptr));
    EXPECT_FALSE(ReportEventA(source, EVENTLOG_WARNING_TYPE, 0, 1, nullptr, 0, 4, nullptr, nullptr));
    EXPECT_TRUE(tsm::readEventLog().empty());

    const time_t before = std::time(nullptr);
    LPCSTR strings[] = {"first", "tab\tand\nline 5%", ""};
    EXPECT_TRUE(ReportEventA(source, EVENTLOG_ERROR_TYPE, 3, 106, nullptr, 3, 0, strings, nullptr));
    const BYTE data[] = {1, 2, 0, 255};
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
    EXPECT_EQ(fields(events[0]),
              Fields("Probe Source", EVENTLOG_ERROR_TYPE, 3, 106, {"first", "tab\tand\nline 5%", ""}, ""));
    EXPECT_EQ(fields(events[1]), Fields("Probe Source", EVENTLOG_INFORMATION_TYPE, 0, 0xC0000105u, {},
                                        std::string("\x01\x02\x00\xff", 4)));
    EXPECT_GE(events[0].timeSeconds, static_cast<int64_t>(before));
    EXPECT_LE(events[0].timeSeconds, static_cast<int64_t>(std::time(nullptr)));
    EXPECT_EQ(tsm::eventTypeName(events[0].type) + " " + tsm::eventTypeName(events[1].type), "error information");

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
    ASSERT_EQ(createKey(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Probe Service",
                        &key, KEY_ALL_ACCESS),
              ERROR_SUCCESS);
    const char path[] = "C:\\TARVION\\BIN\\VXA";
    ASSERT_EQ(set(key, "EventMessageFile", REG_EXPAND_SZ, path, sizeof path), ERROR_SUCCESS);
    RegCloseKey(key);

    // Inserts in any order, one without a string left as it is.
    tsm::EventRecord record{0, "Probe Service", 0, 0, 7, {"one", "two"}, ""};
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
