// Registry keys and values on the machine's hive files: round trips, names
// without case, access rights, damaged files and atomic replacement.
#include "tempmachine.h"

#include <gtest/gtest.h>

#include <tsm/machinestate.h>
#include <tsm/posixcalls.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

const char kKey[] = "SOFTWARE\\Tarvion\\Agent";

class Registry : public ::testing::Test {
protected:
    std::string hiveFile() const { return m_machine.root() + "/registry/HKEY_LOCAL_MACHINE"; }
    void writeHive(const std::string& text) const
    {
        std::filesystem::create_directories(m_machine.root() + "/registry");
        std::ofstream(hiveFile(), std::ios::binary) << text;
    }
    HKEY create(const char* path, REGSAM access = KEY_ALL_ACCESS, DWORD* disposition = nullptr) const
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                  &key, disposition),
                  ERROR_SUCCESS)
            << path;
        return key;
    }
    tsmtest::TempMachine m_machine;
};

std::string queryString(HKEY key, const char* name, LSTATUS* status = nullptr)
{
    char data[256] = {};
    DWORD size = sizeof data;
    const LSTATUS result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    if (status)
        *status = result;
    return result == ERROR_SUCCESS ? std::string(data, size) : std::string();
}

} // namespace

TEST_F(Registry, ValuesRoundTripThroughTheHiveFileWithNamesWithoutCase)
{
    DWORD disposition = 0;
    HKEY key = create(kKey, KEY_ALL_ACCESS, &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    const char text[] = "C:\\Tarvion\\bin\\vxa";
    const DWORD number = 0x01020304;
    const BYTE binary[] = { 0x00, 0xFF, 0x0A, 0x09, 0x25 };
    ASSERT_EQ(RegSetValueExA(key, "EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(text),
                             sizeof text),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Raw\tName", 0, REG_BINARY, binary, sizeof binary), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(std::filesystem::exists(hiveFile()));

    // A fresh handle, other spellings of the names.
    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\TARVION\\agent\\", 0, KEY_READ, &again), ERROR_SUCCESS);
    DWORD type = 0;
    char data[64] = {};
    DWORD size = sizeof data;
    ASSERT_EQ(RegQueryValueExA(again, "eventmessagefile", nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(size, sizeof text);
    EXPECT_STREQ(data, text);

    DWORD read = 0;
    size = sizeof read;
    ASSERT_EQ(RegQueryValueExA(again, "TYPESSUPPORTED", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(read, number);

    // The size alone, then a buffer that is too small.
    size = 0;
    EXPECT_EQ(RegQueryValueExA(again, "Raw\tName", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, sizeof binary);
    BYTE small[2] = {};
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(again, "Raw\tName", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, sizeof binary);
    BYTE full[8] = {};
    size = sizeof full;
    ASSERT_EQ(RegQueryValueExA(again, "raw\tname", nullptr, &type, full, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::memcmp(full, binary, sizeof binary), 0);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));

    LSTATUS status = 0;
    queryString(again, "Missing", &status);
    EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
    RegCloseKey(again);

    // Creating it again opens the existing key, spelled as first created.
    HKEY existing = create("Software\\Tarvion\\AGENT", KEY_ALL_ACCESS, &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(existing);
    bool listed = false;
    for (const tsm::RegistryDumpKey& dumped : tsm::readRegistry())
        listed = listed || dumped.path == "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvion\\Agent";
    EXPECT_TRUE(listed);

    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nobody", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
}

TEST_F(Registry, AccessRightsHandlesAndKeyDeletion)
{
    RegCloseKey(create("SOFTWARE\\Tarvion\\Agent\\Child"));
    HKEY reader = nullptr;
    HKEY writer = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &reader), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &writer), ERROR_SUCCESS);
    const DWORD one = 1;
    EXPECT_EQ(RegSetValueExA(reader, "Flag", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegSetValueExA(writer, "Flag", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_SUCCESS);
    LSTATUS status = 0;
    queryString(writer, "Flag", &status);
    EXPECT_EQ(status, ERROR_ACCESS_DENIED);
    // A key opened for reading cannot make subkeys.
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyExA(reader, "New", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExA(reader, "Child", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr), ERROR_SUCCESS);
    RegCloseKey(sub);

    // A key with subkeys stays; once they are gone it can be deleted, and
    // handles to it report the deletion.
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(reader, "child"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(reader, "child"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey), ERROR_SUCCESS);
    queryString(reader, "Flag", &status);
    EXPECT_EQ(status, ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExA(writer, "Flag", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(reader), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(writer), ERROR_SUCCESS);

    // Closed and made-up handles, and malformed paths.
    EXPECT_EQ(RegCloseKey(reader), ERROR_INVALID_HANDLE);
    queryString(reader, "Flag", &status);
    EXPECT_EQ(status, ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    HKEY bad = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "\\Leading", 0, nullptr, 0, KEY_READ, nullptr, &bad, nullptr),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "a\\\\b", 0, nullptr, 0, KEY_READ, nullptr, &bad, nullptr),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, std::string(300, 'k').c_str(), 0, nullptr, 0, KEY_READ, nullptr,
                              &bad, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, DamagedHiveFilesGiveAnErrorAndStayAsTheyAre)
{
    // Written from the hive file layout: header, key and value lines, END count.
    const std::string good = "TSM-REGISTRY-HIVE 1\n"
                             "K\tSOFTWARE\n"
                             "V\tSOFTWARE\tName\t1\t414200\n"
                             "END\t2\n";
    writeHive(good);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(queryString(key, "name"), std::string("AB\0", 3));
    RegCloseKey(key);

    const std::vector<std::string> damaged = {
        "",
        "garbage\n",
        "TSM-REGISTRY-HIVE 1\nK\tSOFTWARE\n",                              // torn: no END
        "TSM-REGISTRY-HIVE 1\nK\tSOFTWARE\nEND\t5\n",                      // wrong count
        "TSM-REGISTRY-HIVE 1\nV\tSOFTWARE\tName\t1\t41\nEND\t1\n",         // value before its key
        "TSM-REGISTRY-HIVE 1\nK\tSOFTWARE\nV\tSOFTWARE\tName\t1\t4\nEND\t2\n", // odd hex
        "TSM-REGISTRY-HIVE 1\nK\tA\\B\nEND\t1\n",                          // key without its parent
        "TSM-REGISTRY-HIVE 1\nK\tSOFT%ZZ\nEND\t1\n",                       // bad escape
        "TSM-REGISTRY-HIVE 1\nEND\t0\nK\tX\n",                             // lines after the end
    };
    for (const std::string& text : damaged) {
        SCOPED_TRACE(text);
        writeHive(text);
        HKEY opened = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &opened), ERROR_REGISTRY_CORRUPT);
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Other", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened,
                                  nullptr),
                  ERROR_REGISTRY_CORRUPT);
        EXPECT_EQ(opened, nullptr);
        std::map<std::string, DWORD> problems;
        tsm::readRegistry(&problems);
        EXPECT_EQ(problems["HKEY_LOCAL_MACHINE"], static_cast<DWORD>(ERROR_REGISTRY_CORRUPT));
        std::ifstream in(hiveFile(), std::ios::binary);
        const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(after, text);
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
    const char before[] = "before";
    ASSERT_EQ(RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(before), sizeof before),
              ERROR_SUCCESS);
    std::ifstream original(hiveFile(), std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(original)), std::istreambuf_iterator<char>());

    const char after[] = "after";
    {
        tsm::PosixCallsOverride failing;
        failing.calls().fsync = [](int) {
            errno = EIO;
            return -1;
        };
        EXPECT_EQ(RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(after), sizeof after),
                  ERROR_REGISTRY_IO_FAILED);
    }
    {
        tsm::PosixCallsOverride failing;
        failing.calls().rename = [](const char*, const char*) {
            errno = EXDEV;
            return -1;
        };
        EXPECT_EQ(RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(after), sizeof after),
                  ERROR_REGISTRY_IO_FAILED);
    }
    {
        // A disk that takes only part of the data.
        tsm::PosixCallsOverride failing;
        failing.calls().write = [](int fd, const void* buffer, size_t count) -> ssize_t {
            if (count > 8) {
                return tsm::systemPosixCalls().write(fd, buffer, 8);
            }
            errno = ENOSPC;
            return -1;
        };
        EXPECT_EQ(RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(after), sizeof after),
                  ERROR_REGISTRY_IO_FAILED);
    }
    std::ifstream kept(hiveFile(), std::ios::binary);
    const std::string now((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
    EXPECT_EQ(now, saved);
    EXPECT_EQ(queryString(key, "Text"), std::string(before, sizeof before));
    // No temporary file is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(m_machine.root() + "/registry"))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();

    // With the disk back, the change goes through.
    EXPECT_EQ(RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(after), sizeof after),
              ERROR_SUCCESS);
    EXPECT_EQ(queryString(key, "Text"), std::string(after, sizeof after));
    RegCloseKey(key);
}
