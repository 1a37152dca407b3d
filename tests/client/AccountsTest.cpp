#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "client/IniFiles.h"
#include "client/Unit_TarvoAccount.h"
#include "platform/win/CodePage.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace tarvo::test;

std::string Cp932(const std::string& utf8) {
    return *win::Utf8ToCp932(utf8);
}

// Every password byte doubled, as the account file stores it.
std::string Scrambled(const std::string& plain) {
    std::string s;
    for (unsigned char c : plain)
        s += static_cast<char>(c * 2);
    return s;
}

class AccountsTest : public TarvoTest {
protected:
    std::string Ini(const std::string& bytes) {
        std::string path = sandbox().work + "account.ini";
        WriteFile(path, bytes);
        return path;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const TTarvoAccount& a : TarvoAccounts)
            names.push_back(a.Name);
        return names;
    }
};

TEST_F(AccountsTest, ProfileRulesOverCodePage932Bytes) {
    std::string name = Cp932("経理ポー");
    std::string bytes = "; comment\r\n  [ " + name + " ]  \r\n" + "accounttype = 0x10 \r\n" +
                        "Account=\"  quoted  \"\n" + "ServerName='x'\r" + "DefaultDir=\"unbalanced'\r\n" +
                        "no equals sign here\r\n" + "Account=second is ignored\r\n" + "[Other]\r\nOrderNum=$1F\r\n" +
                        "[" + Cp932("経理ポー") + "]\r\nLimitTruncCount=7\r\n";
    TIniFile ini(Ini(bytes));
    TStringList sections;
    ini.ReadSections(sections);
    ASSERT_EQ(sections.Count(), 2);
    EXPECT_EQ(sections[0], name);
    EXPECT_EQ(sections[1], "Other");
    EXPECT_EQ(ini.ReadInteger(name, "AccountType", 1), 16);
    EXPECT_EQ(ini.ReadString(name, "ACCOUNT", "?"), "  quoted  ");
    EXPECT_EQ(ini.ReadString(name, "ServerName", "?"), "x");
    EXPECT_EQ(ini.ReadString(name, "DefaultDir", "?"), "\"unbalanced'");
    EXPECT_EQ(ini.ReadInteger(name, "LimitTruncCount", 0), 7);  // a repeated header adds to the first
    EXPECT_EQ(ini.ReadInteger("other", "OrderNum", 0), 31);
    EXPECT_EQ(ini.ReadString("missing", "Account", "fallback"), "fallback");
    EXPECT_EQ(ini.ReadInteger("Other", "Missing", -3), -3);

    TIniFile none(sandbox().work + "no-such.ini");
    none.ReadSections(sections);
    EXPECT_EQ(sections.Count(), 0);
}

TEST_F(AccountsTest, HeaderEndsOnlyAtASingleByteBracket) {
    // "ゾ" is 0x83 0x5D: its second byte is "]".
    std::string tricky = Cp932("ゾーン余");
    ASSERT_NE(tricky.find(']'), std::string::npos);
    TIniFile ini(Ini("[" + tricky + "]\r\nOrderNum=4\r\n"));
    TStringList sections;
    ini.ReadSections(sections);
    ASSERT_EQ(sections.Count(), 1);
    EXPECT_EQ(sections[0], tricky);
    EXPECT_EQ(ini.ReadInteger(tricky, "OrderNum", 0), 4);
}

TEST_F(AccountsTest, RowsTakeDefaultsTextsAndUnscrambledPasswords) {
    std::string password = Scrambled("s3cret!");  // bytes above 0x80 that are no code page 932 text
    std::string ini = "[";
    ini += Cp932("営業部");
    ini += "]\r\nAccount=";
    ini += Cp932("ユーザー");
    ini += "\r\nPassword=";
    ini += password;
    ini += "\r\nServerName=ftp.example\r\nLimitTruncCount=3\r\nDataTypeID=9\r\nDefaultDir=/in\r\n[Bare]\r\n";
    LoadAccounts(Ini(ini));
    ASSERT_EQ(TarvoAccounts.size(), 2u);
    const TTarvoAccount& bare = TarvoAccounts[0];  // equal keys: the two rows change places
    const TTarvoAccount& full = TarvoAccounts[1];
    EXPECT_EQ(full.Name, "営業部");
    EXPECT_EQ(full.Account, "ユーザー");
    EXPECT_EQ(full.Password, "s3cret!");
    EXPECT_EQ(full.ServerName, "ftp.example");
    EXPECT_EQ(full.LimitTruncCount, 3);
    EXPECT_EQ(full.DataTypeID, 9);
    EXPECT_EQ(full.DefaultDir, "/in");
    EXPECT_EQ(bare.Name, "Bare");
    EXPECT_EQ(bare.AccountType, 1);  // without the key: the built-in password
    EXPECT_EQ(bare.OrderNum, 0);
    EXPECT_EQ(bare.LimitTruncCount, 0);
    EXPECT_EQ(bare.Account, "");
}

TEST_F(AccountsTest, SortedByTypeThenOrder) {
    LoadAccounts(
        Ini("[B]\nAccountType=1\nOrderNum=2\n[A]\nAccountType=0\nOrderNum=5\n[C]\nAccountType=1\nOrderNum=1\n"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "C", "B"}));

    // Five digits are not cut: "1" + "12345" sorts after every four-digit order of kind 2.
    LoadAccounts(
        Ini("[Long]\nAccountType=1\nOrderNum=12345\n[Two]\nAccountType=2\nOrderNum=9999\n"
            "[One]\nAccountType=1\nOrderNum=9999\n"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"One", "Two", "Long"}));

    // Equal keys end up as the quicksort leaves them: three equal rows come out reversed.
    LoadAccounts(Ini("[X]\n[Y]\n[Z]\n"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"Z", "Y", "X"}));

    LoadAccounts(Ini(""));
    EXPECT_TRUE(TarvoAccounts.empty());
}

TEST_F(AccountsTest, InvalidKeysAndUnreadableFoldersAreLeftOutAndNamed) {
    std::string notText = "\x82\xff";  // a lead byte without a valid second byte
    TAccountLoadReport report =
        LoadAccounts(Ini("[Negative]\nOrderNum=-7\n[Huge]\nAccountType=2147483647\nOrderNum=2147483647\n"
                         "[Wide]\nAccountType=2147483647\nOrderNum=5\n[Minus]\nAccountType=-1\nOrderNum=3\n"
                         "[" +
                         notText + "]\n[BadAccount]\nAccount=" + notText + "\n[Fine]\n" +
                         "[BadDir]\nOrderNum=1\nDefaultDir=" + notText + "\n"));
    EXPECT_EQ(report.InvalidFolders, (std::vector<std::string>{"Negative", "Huge"}));
    EXPECT_EQ(report.UnreadableFolders, (std::vector<std::string>{"\\x82\\xFF", "BadAccount"}));
    // A key beyond 32 bits is fine in 64; a negative type sorts first. A DefaultDir serves nothing: when it is
    // no text its folder stays, the field holding its bytes escaped.
    EXPECT_EQ(Names(), (std::vector<std::string>{"Minus", "Fine", "BadDir", "Wide"}));
    EXPECT_EQ(TarvoAccounts[2].DefaultDir, "\\x82\\xFF");
    EXPECT_EQ(*AccountSortKey(TarvoAccounts[3]), 21474836470005);
    EXPECT_EQ(*AccountSortKey(TarvoAccounts[0]), -10003);
}

TEST(AccountSortTest, AnyTableComesOutOrderedAndWhole) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        TTarvoAccounts table(random() % 40);
        for (size_t i = 0; i < table.size(); ++i) {
            table[i].Name = std::to_string(i);
            table[i].AccountType = static_cast<int32_t>(random() % 4) - 1;
            table[i].OrderNum = static_cast<int32_t>(random() % (round % 2 ? 3 : 100000));
        }
        TTarvoAccounts sorted = table;
        SortAccounts(sorted, 0, static_cast<int>(sorted.size()) - 1);
        ASSERT_TRUE(std::is_sorted(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
            return *AccountSortKey(a) < *AccountSortKey(b);
        }));
        auto byName = [](const auto& a, const auto& b) { return a.Name < b.Name; };
        std::sort(sorted.begin(), sorted.end(), byName);
        std::sort(table.begin(), table.end(), byName);
        for (size_t i = 0; i < table.size(); ++i)
            ASSERT_EQ(sorted[i].Name, table[i].Name);
    }
}

}  // namespace
