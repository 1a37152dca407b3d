#include <gtest/gtest.h>

#include "client/Unit_Setting.h"
#include "platform/rtl/DateTime.h"
#include "platform/win/Processes.h"
#include "tests/support/RegistryValues.h"
#include "tests/support/TestEnvironment.h"
#include "tools/provision/Provision.h"

namespace {

using namespace tarvo::test;

constexpr const char* Key = "Software\\Vostrand\\Tarvo";
constexpr win::HKEY HKCU = win::HKEY_CURRENT_USER;

class SettingsTest : public TarvoTest {
protected:
    void SetUp() override {
        TarvoTest::SetUp();
        AppSetData = TAppSetData{};
        AppSetData.Account = "stale";  // every field is loaded afresh
    }
    static std::string StoredText(const char* name) {
        auto value = GetRegValue(HKCU, Key, name);
        if (!value || value->type != win::REG_SZ)
            return "<none>";
        return value->data.substr(0, value->data.find('\0'));
    }
};

TEST_F(SettingsTest, LoadsWhatWasProvisioned) {
    TarvoSettings s;
    s.ServerName = "ftp.example.test";
    s.Account = "tarvo-user";
    s.Password = "p@ss w0rd";
    s.AccountID = "Sales-Team_01";
    s.MaxTruncSize = 10 * 1024 * 1024;
    s.DwDelFlag = true;
    s.AutoTime = 30;
    s.LastTime = "2024/05/06 07:08:09";
    ProvisionSettings(s);

    LoadSettings();
    EXPECT_EQ(AppSetData.ServerName, "ftp.example.test");
    EXPECT_EQ(AppSetData.Account, "tarvo-user");
    EXPECT_EQ(AppSetData.Password, "p@ss w0rd");
    EXPECT_EQ(AppSetData.AccountID, "sales-team_01");
    EXPECT_EQ(AppSetData.MaxTruncSize, 10 * 1024 * 1024);
    EXPECT_TRUE(AppSetData.DwDelFlag);
    EXPECT_FALSE(AppSetData.DwCommentFlag);
    EXPECT_FALSE(AppSetData.AutoFlag);
    EXPECT_EQ(AppSetData.AutoTime, 30);
    EXPECT_DOUBLE_EQ(AppSetData.LastTime, EncodeDate(2024, 5, 6) + EncodeTime(7, 8, 9, 0));
    EXPECT_EQ(StoredText("LastTime"), "2024/05/06 07:08:09") << "a good LastTime is left alone";
}

TEST_F(SettingsTest, WithoutTheKeyEverythingIsNeutralAndOnlyLastTimeIsWritten) {
    LoadSettings();
    EXPECT_EQ(AppSetData.MaxTruncSize, 0);
    EXPECT_FALSE(AppSetData.DwDelFlag || AppSetData.DwCommentFlag || AppSetData.AutoFlag);
    EXPECT_EQ(AppSetData.AutoTime, 0);
    EXPECT_EQ(AppSetData.AccountID + AppSetData.Account + AppSetData.Password + AppSetData.ServerName, "");
    EXPECT_EQ(AppSetData.LastTime, 0.0);
    EXPECT_EQ(StoredText("LastTime"), "0");
    for (const char* name : {"MaxTruncSize", "DwDelFlag", "Account", "AccountID"})
        EXPECT_FALSE(GetRegValue(HKCU, Key, name)) << name;
}

TEST_F(SettingsTest, ALastTimeThatIsNoDateBecomesZero) {
    SetRegString(HKCU, Key, "LastTime", "yesterday");
    LoadSettings();
    EXPECT_EQ(AppSetData.LastTime, 0.0);
    EXPECT_EQ(StoredText("LastTime"), "0");

    SetRegDword(HKCU, Key, "LastTime", 45000);  // not a string at all
    LoadSettings();
    EXPECT_EQ(AppSetData.LastTime, 0.0);
    EXPECT_EQ(StoredText("LastTime"), "0");

    SetRegString(HKCU, Key, "LastTime", "45000.5");
    LoadSettings();
    EXPECT_DOUBLE_EQ(AppSetData.LastTime, 45000.5);
}

TEST_F(SettingsTest, FlagsTakeTheLowByteAndIntegersOnlyDwords) {
    SetRegDword(HKCU, Key, "DwDelFlag", 2);
    SetRegDword(HKCU, Key, "DwCommentFlag", 256);
    SetRegDword(HKCU, Key, "AutoFlag", 0x1FF);
    SetRegString(HKCU, Key, "MaxTruncSize", "1000");
    SetRegDword(HKCU, Key, "AutoTime", 0xFFFFFFFF);
    LoadSettings();
    EXPECT_TRUE(AppSetData.DwDelFlag);
    EXPECT_FALSE(AppSetData.DwCommentFlag);
    EXPECT_TRUE(AppSetData.AutoFlag);
    EXPECT_EQ(AppSetData.MaxTruncSize, 0);
    EXPECT_EQ(AppSetData.AutoTime, -1);
}

TEST_F(SettingsTest, AnAccountIDThatCannotBeAFileNameIsRefused) {
    for (const char* bad : {"", "a/b", "a\\b", "..", "x..y", "tab\there", "nul\x01", "del\x7f"}) {
        SetRegString(HKCU, Key, "AccountID", bad);
        LoadSettings();
        EXPECT_EQ(AppSetData.AccountID, "") << bad;
    }
    SetRegString(HKCU, Key, "AccountID", "\xF0\x9F\x99\x82");  // no code page 932 form
    LoadSettings();
    EXPECT_EQ(AppSetData.AccountID, "");
    SetRegDword(HKCU, Key, "AccountID", 7);
    LoadSettings();
    EXPECT_EQ(AppSetData.AccountID, "");

    SetRegString(HKCU, Key, "AccountID", "営業.TEAM");
    LoadSettings();
    EXPECT_EQ(AppSetData.AccountID, "営業.team");
}

TEST_F(SettingsTest, CredentialsAreUnscrambledAndNeverReadPastTheStoredBytes) {
    SetRegShortString(HKCU, Key, "Account", ScrambleText("user"));
    SetRegBinary(HKCU, Key, "Password", std::string("\x09\xC2\xC4", 3));  // claims 9, holds 2
    SetRegBinary(HKCU, Key, "ServerName", std::string(102, '\x10'));      // longer than a BinaryShortString
    LoadSettings();
    EXPECT_EQ(AppSetData.Account, "user");
    EXPECT_EQ(AppSetData.Password, "ab");
    EXPECT_EQ(AppSetData.ServerName, "");
}

TEST_F(SettingsTest, ProvisioningRefusesWhatTheStoredFormCannotHold) {
    TarvoSettings s;
    s.AccountID = "tester";
    s.Password = "パスワード";
    EXPECT_THROW(ProvisionSettings(s), EProvisionError);
    s.Password = std::string(101, 'x');
    EXPECT_THROW(ProvisionSettings(s), EProvisionError);
    EXPECT_EQ(::ScrambleText("abc"), "\xC2\xC4\xC6");
}

TEST_F(SettingsTest, ProvisioningRefusesAnAccountIDTheClientWouldRefuseAndWritesNothing) {
    TarvoSettings s;
    s.ServerName = "127.0.0.1";
    for (const char* bad : {"", "../x", "a/b", "a\\b", "tab\there", "\xF0\x9F\x99\x82"}) {
        s.AccountID = bad;
        EXPECT_THROW(ProvisionSettings(s), EProvisionError) << bad;
    }
    EXPECT_FALSE(GetRegValue(HKCU, Key, "ServerName"));
    EXPECT_FALSE(GetRegValue(HKCU, Key, "AccountID"));
}

TEST_F(SettingsTest, ProvisioningIntoADamagedHiveNamesItsFileAndLine) {
    const std::string hive = sandbox().machine + "registry/HKEY_CURRENT_USER.reg";
    WriteFile(hive, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\"Name\" = \"x\"\n");
    TarvoSettings s;
    s.ServerName = "127.0.0.1";
    s.AccountID = "tester";
    try {
        ProvisionSettings(s);
        ADD_FAILURE() << "provisioned into a damaged hive";
    } catch (const EProvisionError& e) {
        EXPECT_NE(std::string(e.what()).find(hive), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("line 4"), std::string::npos) << e.what();
    }
}

TEST_F(SettingsTest, TheProvisioningToolWritesIntoTheMachineRootItIsGiven) {
    const std::string machine = sandbox().work + "machine/";
    const std::string tool = std::string(std::getenv("TARVO_LIBRARY_PATH")) + "/tarvo-provision";
    win::PROCESS_INFORMATION pi;
    ASSERT_TRUE(
        win::CreateProcessA({tool, "--machine", machine, "--server", "127.0.0.1", "--account", "demo", "--password",
                             "demo-pass", "--account-id", "Demo", "--max-trunc-size", "4096", "--fetch-comment"},
                            nullptr, &pi));
    ASSERT_EQ(win::WaitForSingleObject(pi.hProcess, 60000), win::WAIT_OBJECT_0);
    win::DWORD code = 99;
    ASSERT_TRUE(win::GetExitCodeProcess(pi.hProcess, &code));
    ASSERT_EQ(code, 0u);

    setenv("TARVO_MACHINE", machine.c_str(), 1);
    LoadSettings();
    EXPECT_EQ(AppSetData.ServerName, "127.0.0.1");
    EXPECT_EQ(AppSetData.Account, "demo");
    EXPECT_EQ(AppSetData.Password, "demo-pass");
    EXPECT_EQ(AppSetData.AccountID, "demo");
    EXPECT_EQ(AppSetData.MaxTruncSize, 4096);
    EXPECT_TRUE(AppSetData.DwCommentFlag);
    EXPECT_FALSE(AppSetData.DwDelFlag);
}

}  // namespace
