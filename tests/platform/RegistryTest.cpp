#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/win/RegistryHive.h"
#include "platform/win/WinReg.h"
#include "tests/platform/HelperProcess.h"
#include "tests/support/RegistryValues.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace win;
using namespace tarvo::test;
using namespace std::string_literals;

class RegistryTest : public TarvoTest {
protected:
    std::string HiveFile(const std::string& root = "HKEY_CURRENT_USER") {
        return sandbox().machine + "registry/" + root + ".reg";
    }
    HKEY Open(const char* key, REGSAM access = KEY_READ) {
        HKEY h = 0;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, access, &h), ERROR_SUCCESS) << key;
        return h;
    }
};

TEST_F(RegistryTest, EveryValueKindComesBackByteForByte) {
    const std::vector<StoredValue> values = {
        {REG_SZ, "quote \" backslash \\ tab\t日本語\0"s},
        {REG_SZ, "two\r\nlines\0"s},
        {REG_SZ, "no terminator"},
        {REG_SZ, "inner\0nul\0"s},
        {REG_SZ, "\xC2\xC4\xC6\0"s},  // scrambled bytes, not UTF-8
        {REG_SZ, ""},
        {REG_EXPAND_SZ, "%TEMP%\\x\0"s},
        {REG_DWORD, "\x0a\0\0\xff"s},
        {REG_DWORD, "\x01\x02"s},
        {REG_BINARY, RandomBytes(300, 7)},
        {REG_BINARY, ""},
        {REG_MULTI_SZ, "a\0b\0\0"s},
        {REG_QWORD, "\1\2\3\4\5\6\7\x08"s},
        {REG_NONE, "x"},
        {0x1234, "odd kind"},
    };
    const std::string key = "Software\\Kinds";
    for (size_t i = 0; i < values.size(); ++i)
        SetRegValue(HKEY_CURRENT_USER, key, "v" + std::to_string(i), values[i].type, values[i].data);
    SetRegValue(HKEY_CURRENT_USER, key, "", REG_SZ, "default\0"s);
    SetRegValue(HKEY_CURRENT_USER, key, "name \"with\" \\ and = ", REG_SZ, "x\0"s);

    for (size_t i = 0; i < values.size(); ++i) {
        auto v = GetRegValue(HKEY_CURRENT_USER, key, "v" + std::to_string(i));
        ASSERT_TRUE(v) << i;
        EXPECT_EQ(v->type, values[i].type) << i;
        EXPECT_EQ(v->data, values[i].data) << i;
    }
    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, key, "")->data, "default\0"s);
    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, key, "name \"with\" \\ and = ")->data, "x\0"s);
    // The text form is stable: reading it and writing it again gives the same file.
    std::string text = ReadFile(HiveFile());
    EXPECT_EQ(reg::FormatHive(reg::ParseHive(text, "HKEY_CURRENT_USER")), text);
}

TEST_F(RegistryTest, HiveFileIsRegedit4Text) {
    const std::string key = "Software\\Vostrand\\Tarvo";
    SetRegBinary(HKEY_CURRENT_USER, key, "ServerName", "\x03\xC2\xC4\xC6");
    SetRegDword(HKEY_CURRENT_USER, key, "MaxTruncSize", 0xA00000);
    SetRegString(HKEY_CURRENT_USER, key, "LastTime", "0");
    SetRegValue(HKEY_CURRENT_USER, key, "Path", REG_EXPAND_SZ, "%T%\0"s);
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\x", "Say", "a \"b\" c:\\d");
    EXPECT_EQ(ReadFile(HiveFile()),
              "REGEDIT4\n"
              "\n[HKEY_CURRENT_USER\\Software]\n"
              "\n[HKEY_CURRENT_USER\\Software\\Vostrand]\n"
              "\n[HKEY_CURRENT_USER\\Software\\Vostrand\\Tarvo]\n"
              "\"ServerName\"=hex:03,c2,c4,c6\n"
              "\"MaxTruncSize\"=dword:00a00000\n"
              "\"LastTime\"=\"0\"\n"
              "\"Path\"=hex(2):25,54,25,00\n");
    EXPECT_EQ(ReadFile(HiveFile("HKEY_LOCAL_MACHINE")),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\x]\n"
              "\"Say\"=\"a \\\"b\\\" c:\\\\d\"\n");
    // Long binary values are continued over lines no wider than 80 columns.
    SetRegBinary(HKEY_CURRENT_USER, key, "Long", std::string(100, '\x5a'));
    std::string text = ReadFile(HiveFile());
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LE(end - start, 80u);
    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, key, "Long")->data, std::string(100, '\x5a'));
}

TEST_F(RegistryTest, ReadsProvisionedText) {
    WriteFile(HiveFile(),
              "\xEF\xBB\xBFREGEDIT4\r\n"
              "; provisioned by hand\r\n"
              "[HKEY_CURRENT_USER\\SOFTWARE\\VOSTRAND\\TARVO]\r\n"
              "\"Account\"=hex:03,C2,C4,\\\r\n"
              "  C6\r\n"
              "@=\"default\"\r\n"
              "\r\n"
              "[hkey_current_user\\Software\\Vostrand\\Tarvo]\r\n"
              "\"DwDelFlag\"=dword:2\r\n");
    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, "Software\\Vostrand\\Tarvo", "account")->data, "\x03\xC2\xC4\xC6");
    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, "software\\vostrand\\tarvo", "")->data, "default\0"s);
    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, "Software\\Vostrand\\Tarvo", "DwDelFlag")->data, "\x02\0\0\0"s);
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheirSpelling) {
    SetRegString(HKEY_CURRENT_USER, "Software\\Vostrand", "LastTime", "1");
    SetRegString(HKEY_CURRENT_USER, "SOFTWARE\\VOSTRAND", "LASTTIME", "2");
    SetRegString(HKEY_CURRENT_USER, "software\\apple", "b", "");
    HKEY h = Open("SoftWare");
    char name[64];
    DWORD size = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(h, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name, size), "apple");
    size = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(h, 1, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name, size), "Vostrand");
    size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(h, 2, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    RegCloseKey(h);
    h = Open("Software\\Vostrand");
    size = sizeof name;
    ASSERT_EQ(RegEnumValueA(h, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name), "LastTime");
    size = sizeof name;
    EXPECT_EQ(RegEnumValueA(h, 1, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    RegCloseKey(h);
    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, "software\\vostrand", "lasttime")->data, "2\0"s);
}

TEST_F(RegistryTest, ReadingNeverCreatesAnything) {
    HKEY h = 1;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Vostrand\\Tarvo", 0, KEY_READ, &h), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(h, 0u);
    EXPECT_FALSE(std::filesystem::exists(sandbox().machine + "registry"));

    SetRegString(HKEY_CURRENT_USER, "Software", "x", "y");
    std::string before = ReadFile(HiveFile());
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Vostrand"));
    EXPECT_FALSE(GetRegValue(HKEY_CURRENT_USER, "Software", "missing"));
    // A key opened for reading refuses every change.
    h = Open("Software");
    const BYTE data[] = "z";
    EXPECT_EQ(RegSetValueExA(h, "x", 0, REG_SZ, data, 2), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(h, "x"), ERROR_ACCESS_DENIED);
    HKEY sub = 0;
    EXPECT_EQ(RegCreateKeyExA(h, "New", 0, nullptr, 0, KEY_WRITE, nullptr, &sub, nullptr), ERROR_ACCESS_DENIED);
    RegCloseKey(h);
    EXPECT_EQ(ReadFile(HiveFile()), before);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "\\Software", 0, KEY_READ, &h), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\\\x", 0, KEY_READ, &h), ERROR_BAD_PATHNAME);
}

TEST_F(RegistryTest, DamagedHiveIsNeverOverwritten) {
    for (const std::string& text :
         {"not a hive\n"s, "REGEDIT4\n\"orphan\"=\"value\"\n"s, "REGEDIT4\n[HKEY_LOCAL_MACHINE\\x]\n"s,
          "REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"a\"=hex:1,\n"s,
          "REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"a\"=\"bad \\n escape\"\n"s}) {
        WriteFile(HiveFile(), text);
        HKEY h = 0;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "x", 0, KEY_READ, &h), ERROR_BADDB) << text;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "y", 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr), ERROR_BADDB);
        EXPECT_EQ(ReadFile(HiveFile()), text);
    }
}

// Slips a hand edit easily makes: the hive is still refused, but the problem names the file and the line.
TEST_F(RegistryTest, DamagedHiveSaysWhereItIsBroken) {
    const std::string head = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Vostrand\\Tarvo]\n";
    struct Slip {
        std::string text;
        int line;
        std::string reason;
    };
    const std::vector<Slip> slips = {
        {head + "\"Dir\"=\"C:\\Temp\"\n", 4, "\"\\\" in a string must be written \"\\\\\""},
        {head + "\"Count\"=dword:1\n\"Name\" = \"x\"\n", 5, "\"=\" expected"},
        {head + "\"Name\"=\"x\" ; set by hand\n", 4, "text after a string"},
        {head + "\"Count\"=dword:00000001 ; set by hand\n", 4, "bad dword"},
        {"REGEDIT4\r\r[HKEY_CURRENT_USER\\Software]\r\"a\"=\"b\"\r", 1, "a carriage return without a line feed"},
        {head + "\"Data\"=hex:01,02,\\\n  03,\\\n", 5, "continued line at the end"},
    };
    for (const Slip& slip : slips) {
        WriteFile(HiveFile(), slip.text);
        std::string problem = RegHiveProblem(HKEY_CURRENT_USER);
        EXPECT_NE(problem.find(HiveFile()), std::string::npos) << problem;
        EXPECT_NE(problem.find("line " + std::to_string(slip.line) + ": " + slip.reason), std::string::npos)
            << problem;
        HKEY h = 0;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &h), ERROR_BADDB) << slip.text;
    }

    WriteFile(HiveFile(), head + "\"Name\"=\"x\"\r\n");
    EXPECT_EQ(RegHiveProblem(HKEY_CURRENT_USER), "");
    std::filesystem::remove(HiveFile());
    EXPECT_EQ(RegHiveProblem(HKEY_CURRENT_USER), "") << "no file is an empty hive";
    std::filesystem::create_directory(HiveFile());
    EXPECT_NE(RegHiveProblem(HKEY_CURRENT_USER).find(HiveFile()), std::string::npos) << "unreadable";
}

TEST_F(RegistryTest, QueryReportsSizesAndShortBuffers) {
    SetRegBinary(HKEY_CURRENT_USER, "K", "b", "12345");
    HKEY h = Open("K");
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(h, "b", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(size, 5u);
    BYTE buf[8] = {};
    size = 4;
    EXPECT_EQ(RegQueryValueExA(h, "b", nullptr, nullptr, buf, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(buf[0], 0);  // nothing copied
    size = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(h, "b", nullptr, nullptr, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), size), "12345");
    EXPECT_EQ(RegQueryValueExA(h, "none", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(h);
    EXPECT_EQ(RegQueryValueExA(h, "b", nullptr, &type, nullptr, &size), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, DeletingKeys) {
    SetRegString(HKEY_CURRENT_USER, "Software\\Vostrand\\Tarvo\\Deep", "v", "1");
    SetRegString(HKEY_CURRENT_USER, "Software\\Vostrand\\Keep", "v", "1");
    HKEY tarvo = Open("Software\\Vostrand\\Tarvo");
    HKEY vostrand = Open("Software\\Vostrand");  // for reading: deleting is checked on the key deleted
    EXPECT_EQ(RegDeleteKeyA(vostrand, "Tarvo"), ERROR_ACCESS_DENIED);  // it has a subkey
    EXPECT_EQ(RegDeleteTreeA(vostrand, "TARVO"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeA(vostrand, "Tarvo"), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Vostrand\\Tarvo"));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Vostrand\\Keep"));
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(tarvo, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteKeyA(vostrand, "Keep"), ERROR_SUCCESS);
    RegCloseKey(tarvo);
    RegCloseKey(vostrand);
}

TEST_F(RegistryTest, HiveIsPrivateAndNoTemporaryFilesRemain) {
    for (int i = 0; i < 5; ++i)
        SetRegDword(HKEY_CURRENT_USER, "Software", "v" + std::to_string(i), i);
    struct stat st;
    ASSERT_EQ(stat(HiveFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(sandbox().machine + "registry"))
        names.insert(e.path().filename());
    EXPECT_EQ(names, (std::set<std::string>{"HKEY_CURRENT_USER.lock", "HKEY_CURRENT_USER.reg"}));
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int count = 60;
    HANDLE a = StartHelper({"reg-write", "a", std::to_string(count)});
    HANDLE b = StartHelper({"reg-write", "b", std::to_string(count)});
    for (int i = 0; i < count; ++i)
        SetRegDword(HKEY_CURRENT_USER, "Software\\Concurrency", "c" + std::to_string(i), i);
    EXPECT_EQ(FinishHelper(a), 0);
    EXPECT_EQ(FinishHelper(b), 0);
    for (const char* prefix : {"a", "b", "c"})
        for (int i = 0; i < count; ++i) {
            auto v = GetRegValue(HKEY_CURRENT_USER, "Software\\Concurrency", prefix + std::to_string(i));
            ASSERT_TRUE(v) << prefix << i;
            EXPECT_EQ(v->data[0], static_cast<char>(i));
        }
}

}  // namespace
