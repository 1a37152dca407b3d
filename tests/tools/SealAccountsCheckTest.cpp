// What tarvo-seal-accounts lets through is what the client reads: the README's example comes back as written,
// whatever the client would misread is refused or warned about, named by file and line.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "client/Unit_TarvoAccount.h"
#include "tests/tools/SealAccountsFixture.h"

namespace tarvo::test {
namespace {

namespace fs = std::filesystem;

// A folder that seals cleanly: line 1 is its header, line 3 its Account, and so on.
const char kFolder[] =
    "[営業部]\nAccountType=1\nAccount=sales\nPassword=secret\nServerName=127.0.0.1\nOrderNum=1\nLimitTruncCount=20\n";

// kFolder with some lines replaced, by their numbers ("" keeps a line, empty).
std::string FolderWith(const std::map<int, std::string>& lines) {
    std::istringstream in(kFolder);
    std::string line, result;
    for (int i = 1; std::getline(in, line); ++i)
        result += (lines.count(i) ? lines.at(i) : line) + "\n";
    return result;
}

// The README marks its account-file example with this comment on the line before the block.
const char kReadmeMarker[] = "<!-- account-file example";

// The README's example as an administrator copies it: the fenced block after the marker, without its indent.
std::string ReadmeAccountFile() {
    std::istringstream readme(ReadFile(TARVO_SOURCE_DIR "/README.md"));
    std::string line;
    while (std::getline(readme, line) && line.find(kReadmeMarker) == std::string::npos) {
    }
    std::getline(readme, line);
    const size_t indent = line.find("```");
    if (indent == std::string::npos)
        return "";
    std::string ini;
    while (std::getline(readme, line) && line.find("```") == std::string::npos)
        ini += line.substr(std::min(indent, line.find_first_not_of(' '))) + "\n";
    return ini;
}

class SealAccountsCheckTest : public SealAccountsFixture {
protected:
    // The folders the client makes of a sealed file: decrypted, then loaded into the account table.
    TTarvoAccounts ReadBack(const std::string& sealed) {
        const std::string opened = Open(sealed);
        EXPECT_FALSE(opened.empty()) << "does not open: " << sealed;
        if (opened.empty())
            return {};
        TAccountLoadReport report = LoadAccounts(opened);
        EXPECT_TRUE(report.InvalidFolders.empty());
        EXPECT_TRUE(report.UnreadableFolders.empty());
        return TarvoAccounts;
    }
    // Whether the tool named line of accounts.ini with kind ("error" or "warning") and a text holding fragment.
    bool Named(int line, const std::string& kind, const std::string& fragment) const {
        const std::string head = "accounts.ini:" + std::to_string(line) + ": " + kind + ": ";
        std::istringstream errors(errors_);
        for (std::string message; std::getline(errors, message);)
            if (message.rfind(head, 0) == 0 && message.find(fragment) != std::string::npos)
                return true;
        return false;
    }
};

TEST_F(SealAccountsCheckTest, ReadmeExampleComesBackAsWritten) {
    const std::string example = ReadmeAccountFile();
    ASSERT_FALSE(example.empty()) << "README.md has no fenced block after \"" << kReadmeMarker << "\"";
    WriteFile(Path("accounts.ini"), example);
    ASSERT_EQ(Seal("accounts.ini", "taro.ace"), 0) << errors_;
    EXPECT_EQ(errors_, "");

    TTarvoAccounts folders = ReadBack(Path("taro.ace"));
    ASSERT_EQ(folders.size(), 1u);
    const TTarvoAccount& folder = folders[0];
    EXPECT_EQ(folder.Name, "営業部");
    EXPECT_EQ(folder.AccountType, 1);
    EXPECT_EQ(folder.Account, "sales");
    EXPECT_EQ(folder.Password, "secret");
    EXPECT_EQ(folder.ServerName, "ftp.example.org");
    EXPECT_EQ(folder.OrderNum, 1);
    EXPECT_EQ(folder.LimitTruncCount, 20);
    EXPECT_EQ(folder.DefaultDir, "");
    EXPECT_EQ(folder.DataTypeID, 0);
}

struct Refusal {
    const char* what;
    std::string ini;
    int line;              // of accounts.ini, named in the message
    std::string fragment;  // of the message
};

// Each of these would leave a folder unable to log in, misplaced, or holding other values than written.
TEST_F(SealAccountsCheckTest, RefusalsNameTheirLineAndWriteNothing) {
    const std::string folder = kFolder;
    const std::string body = folder.substr(folder.find('\n') + 1);
    const std::vector<Refusal> refusals = {
        {"no Account", FolderWith({{3, ""}}), 1, "[営業部] has no Account"},
        {"an empty Password", FolderWith({{4, "Password="}}), 1, "[営業部] has no Password"},
        {"no ServerName", FolderWith({{5, "; ServerName=127.0.0.1"}}), 1, "[営業部] has no ServerName"},
        {"an AccountType past the sort key", FolderWith({{2, "AccountType=214748"}}), 2, "0 to 214747"},
        {"a negative AccountType", FolderWith({{2, "AccountType=-1"}}), 2, "AccountType \"-1\""},
        {"a fractional AccountType", FolderWith({{2, "AccountType=1.5"}}), 2, "AccountType \"1.5\""},
        {"a five-digit OrderNum", FolderWith({{6, "OrderNum=10000"}}), 6,
         "OrderNum \"10000\" is no whole number from 0 to 9999"},
        {"a negative OrderNum", FolderWith({{6, "OrderNum=-1"}}), 6, "OrderNum \"-1\""},
        {"an OrderNum left empty", FolderWith({{6, "OrderNum="}}), 6, "OrderNum \"\""},
        {"a note after a number", FolderWith({{7, "LimitTruncCount=20     ; the most trunks"}}), 7,
         "LimitTruncCount \"20"},
        {"a negative LimitTruncCount", FolderWith({{7, "LimitTruncCount=-1"}}), 7, "LimitTruncCount \"-1\""},
        {"a LimitTruncCount past 32 bits", FolderWith({{7, "LimitTruncCount=0x80000000"}}), 7, "0 to 2147483647"},
        {"a DataTypeID that is no number", folder + "DataTypeID=none\n", 8, "DataTypeID \"none\""},
        {"an 8-bit password", FolderWith({{4, "Password=sécret"}}), 4, "printable 7-bit"},
        {"a password with a tab", FolderWith({{4, "Password=sec\tret"}}), 4, "printable 7-bit"},
        {"a value past 2047 bytes", folder + "DefaultDir=" + std::string(2048, 'd') + "\n", 8, "2048 bytes"},
        {"a folder twice", folder + "[営業部]\n", 8, "[営業部] again, as [営業部] on line 1"},
        {"a folder twice in other case", "[Sales]\n" + body + "[SALES]\n", 8, "[SALES] again, as [Sales] on line 1"},
        // 83 41 and 83 61 in code page 932: the client folds the second bytes' case.
        {"folders the client takes for one", "[ア]\n" + body + "[ヂ]\n", 8, "[ヂ] again, as [ア] on line 1"},
        {"a key twice", folder + "Account=other\n", 8, "Account again, as on line 3"},
        {"a key before any folder", "Account=sales\n" + folder, 1, "before the first [section]"},
        {"a line without =", FolderWith({{3, "Account sales"}}), 3, "no [section], key=value or ; note"},
        {"a line not in code page 932", FolderWith({{1, "[営業部😀]"}}), 1, "code page 932"},
    };
    WriteFile(Path("server/taro.ace"), "sealed before");
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        WriteFile(Path("accounts.ini"), r.ini);
        EXPECT_EQ(Seal("accounts.ini", "server/taro.ace"), 1);
        EXPECT_TRUE(Named(r.line, "error", r.fragment)) << errors_;
        EXPECT_NE(errors_.find("server/taro.ace is not sealed"), std::string::npos) << errors_;
        EXPECT_EQ(output_, "");
        EXPECT_EQ(ReadFile(Path("server/taro.ace")), "sealed before");
        EXPECT_EQ(NamesIn(Path("server")), Names{"taro.ace"});
    }
    for (const auto& entry : fs::recursive_directory_iterator(sandbox().tmp))
        EXPECT_FALSE(entry.is_regular_file()) << entry.path();
}

TEST_F(SealAccountsCheckTest, EveryRefusalOfAFileIsNamedAtOnce) {
    WriteFile(Path("accounts.ini"), FolderWith({{6, "OrderNum=12345"}}) + "[経理]\nAccount=books\n");
    EXPECT_EQ(Seal("accounts.ini", "taro.ace"), 1);
    EXPECT_TRUE(Named(6, "error", "OrderNum")) << errors_;
    EXPECT_TRUE(Named(8, "error", "[経理] has no Password")) << errors_;
    EXPECT_TRUE(Named(8, "error", "[経理] has no ServerName")) << errors_;
    EXPECT_FALSE(fs::exists(Path("taro.ace")));
}

// Blanks before ";" mark a note in other formats, but here the note belongs to the value: a password may hold
// one. A key the client does not know may be a misspelt one whose default then silently applies.
TEST_F(SealAccountsCheckTest, WarningsNameTheirLineAndTheFileIsSealed) {
    WriteFile(Path("accounts.ini"), FolderWith({{3, "Account=sales ; the FTP user"}, {4, "Password=se ;cret"}}) +
                                        "Password2=ignored\nLimitTrunkCount=20\n");

    ASSERT_EQ(Seal("accounts.ini", "taro.ace"), 0) << errors_;
    EXPECT_TRUE(Named(3, "warning", "Account")) << errors_;
    EXPECT_TRUE(Named(4, "warning", "Password")) << errors_;
    EXPECT_TRUE(Named(8, "warning", "Password2")) << errors_;
    EXPECT_TRUE(Named(9, "warning", "LimitTrunkCount")) << errors_;
    EXPECT_EQ(output_, "sealed taro.ace\n");

    TTarvoAccounts folders = ReadBack(Path("taro.ace"));
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].Account, "sales ; the FTP user");
    EXPECT_EQ(folders[0].Password, "se ;cret");
    EXPECT_EQ(folders[0].LimitTruncCount, 20);
}

// The edges of each range, hexadecimal and signs as the client reads them, and quotes, which the client takes
// off every value: a password keeps blanks at its ends only inside them. Editors may start the file with a
// byte order mark.
TEST_F(SealAccountsCheckTest, WhatTheClientReadsAsMeantIsSealedQuietly) {
    WriteFile(Path("accounts.ini"),
              "\xEF\xBB\xBF[Last]\nAccountType=214747\nOrderNum=9999\nAccount=\"sales\"\nPassword=\" se cret \"\n"
              "ServerName=127.0.0.1\nLimitTruncCount=2147483647\nDefaultDir=" +
                  std::string(2047, 'd') +
                  "\n\n; built-in password, kept on the server\n[Hex]\naccounttype = 0x2\nOrderNum=$10\n"
                  "Account=hex\nPassword=p;w\nServerName=127.0.0.1\nLimitTruncCount=+5\nDataTypeID=-7\n");
    ASSERT_EQ(Seal("accounts.ini", "taro.ace"), 0) << errors_;
    EXPECT_EQ(errors_, "");

    TTarvoAccounts folders = ReadBack(Path("taro.ace"));
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders[0].Name, "Hex");
    EXPECT_EQ(folders[0].AccountType, 2);
    EXPECT_EQ(folders[0].OrderNum, 16);
    EXPECT_EQ(folders[0].Password, "p;w");
    EXPECT_EQ(folders[0].LimitTruncCount, 5);
    EXPECT_EQ(folders[0].DataTypeID, -7);
    EXPECT_EQ(folders[1].Name, "Last");
    EXPECT_EQ(AccountSortKey(folders[1]), 2147479999);
    EXPECT_EQ(folders[1].Account, "sales");
    EXPECT_EQ(folders[1].Password, " se cret ");
    EXPECT_EQ(folders[1].LimitTruncCount, 2147483647);
    EXPECT_EQ(folders[1].DefaultDir, std::string(2047, 'd'));
}

}  // namespace
}  // namespace tarvo::test
