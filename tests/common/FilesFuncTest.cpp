#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "common/Unit_FilesFunc.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Shell.h"
#include "tests/support/ScriptedUi.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace tarvo::test;
namespace fs = std::filesystem;

class FilesFuncTest : public TarvoTest {};

std::string Listed(const std::string& folder, const std::string& ext) {
    TStringList list;
    list.Add("stale");
    ListFilesInDir(folder, list, ext);
    list.SetCaseSensitive(true);
    list.SetSorted(true);
    return list.Text();
}

TEST(PathTest, TrailingDelimiterAndExtensions) {
    for (auto [in, out] : {std::pair{"/work/", "/work/"}, {"/work", "/work/"}, {"", "/"}}) {
        std::string path = in;
        AddTrailingBackslash(path);
        EXPECT_EQ(path, out);
    }
    EXPECT_TRUE(HasExtension("A.LZH", "lzh"));
    EXPECT_TRUE(HasExtension("A.LZH", ".lzh"));
    EXPECT_FALSE(HasExtension("archive.", "lzh"));
    EXPECT_FALSE(HasExtension("a.lzh.bak", "lzh"));
    EXPECT_TRUE(HasExtension("txt", "txt"));  // a name without "." is compared whole
    EXPECT_TRUE(HasExtension("x.tar.gz", "GZ"));
    EXPECT_FALSE(HasExtension("a.lzh", "zh"));
}

TEST_F(FilesFuncTest, TemporaryFolderIsThePrivateOne) {
    std::string dir;
    GetTempDir(dir);
    EXPECT_EQ(dir, sandbox().tmp + "tarvo-" + std::to_string(geteuid()) + "/");
    fs::remove(dir);
    fs::create_directory_symlink(sandbox().work, ExcludeTrailingPathDelimiter(dir));
    // Never a folder someone else controls, and never the root instead.
    std::string refused = "unchanged";
    EXPECT_THROW(GetTempDir(refused), EInOutError);
    EXPECT_EQ(refused, "unchanged");
}

TEST_F(FilesFuncTest, FileSizesAreSixtyFourBit) {
    std::string dir = sandbox().work;
    WriteFile(dir + "trunk.lzh", "");
    ASSERT_EQ(truncate((dir + "trunk.lzh").c_str(), (int64_t{3} << 30)), 0);  // 3 GiB, sparse
    EXPECT_EQ(GetFileSizeByName(dir + "trunk.lzh"), int64_t{3} << 30);
    EXPECT_EQ(GetFileSizeByName(dir + "*.lzh"), int64_t{3} << 30);
    EXPECT_EQ(GetFileSizeByName(dir + "missing"), 0);
    EXPECT_EQ(GetFileSizeByName(dir), 0);  // no name: not the first file of the folder
    EXPECT_EQ(GetFileSizeByName(""), 0);
}

TEST_F(FilesFuncTest, ListingGivesPlainFilesOnly) {
    std::string dir = sandbox().work + "list";
    WriteFile(dir + "/a.lzh", "");
    WriteFile(dir + "/B.LZH", "");
    WriteFile(dir + "/c.txt", "");
    WriteFile(dir + "/sub/inner.lzh", "");
    fs::create_directory_symlink(dir + "/sub", dir + "/link.lzh");  // a link is listed, not followed
    EXPECT_EQ(Listed(dir, ""), "B.LZH\r\na.lzh\r\nc.txt\r\nlink.lzh\r\n");
    EXPECT_EQ(Listed(dir + "/", ".lzh"), "B.LZH\r\na.lzh\r\nlink.lzh\r\n");
    EXPECT_EQ(Listed(dir + "/sub/..", "txt"), "c.txt\r\n");
    fs::create_directories(sandbox().work + "folders/only");
    EXPECT_EQ(Listed(sandbox().work + "folders", ""), "");
    EXPECT_EQ(Listed(sandbox().work + "missing", ""), "");
    EXPECT_EQ(Listed("", ""), "");  // never the file system's root
}

TEST_F(FilesFuncTest, DeletingAFolderEmptiesItOfFiles) {
    std::string dir = sandbox().work + "Tarvo/";
    WriteFile(dir + "arcived.lzh", "x");
    WriteFile(dir + "ArcResFile", "x");
    WriteFile(dir + "keep/inner", "x");
    WriteFile(sandbox().work + "target/precious", "x");
    fs::create_directory_symlink(sandbox().work + "target", dir + "link");
    EXPECT_TRUE(DeleteFilesInDir(0, dir, false, "lzh"));
    EXPECT_FALSE(fs::exists(dir + "arcived.lzh"));
    EXPECT_TRUE(fs::exists(dir + "ArcResFile"));
    EXPECT_TRUE(DeleteFilesInDir(0, ExcludeTrailingPathDelimiter(dir), true, ""));
    EXPECT_EQ(Listed(dir, ""), "");
    EXPECT_TRUE(fs::exists(dir + "keep/inner"));
    EXPECT_TRUE(fs::exists(sandbox().work + "target/precious"));
    EXPECT_TRUE(DeleteFilesInDir(0, sandbox().work + "missing", false, ""));
    EXPECT_TRUE(DeleteFilesInDir(0, "", false, ""));
}

TEST_F(FilesFuncTest, DeletingReportsWhatItCouldNotDelete) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to set up files another user cannot delete";
    // As "nobody": a sticky folder open to all with two files of nobody's and one of root's, and a
    // folder of root's that nobody may not even list.
    std::string shared = sandbox().work + "shared/", closed = sandbox().work + "closed/";
    for (const char* name : {"a", "b", "c"})
        WriteFile(shared + name, "x");
    WriteFile(closed + "f", "x");
    std::string processRoot = ExtractFilePath(ExcludeTrailingPathDelimiter(sandbox().root));
    for (const std::string& p : {processRoot, sandbox().root, sandbox().work})
        chmod(p.c_str(), 0711);
    chmod(shared.c_str(), 01777);
    chmod(closed.c_str(), 0700);
    ASSERT_EQ(chown((shared + "a").c_str(), 65534, 65534), 0);
    ASSERT_EQ(chown((shared + "c").c_str(), 65534, 65534), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(9);
        _exit((DeleteFilesInDir(0, shared, false, "") ? 1 : 0) | (DeleteFilesInDir(0, closed, false, "") ? 2 : 0));
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);       // both False
    EXPECT_EQ(Listed(shared, ""), "b\r\n");  // the others went all the same
}

TEST_F(FilesFuncTest, ShellDeleteTakesExactlyThePath) {
    std::string dir = sandbox().work;
    WriteFile(dir + "Start Menu/Tarvo/Tarvo.lnk", "x");
    WriteFile(dir + "elsewhere/precious", "x");
    fs::create_directory_symlink(dir + "elsewhere", dir + "Start Menu/Tarvo/link");
    fs::create_directory_symlink(dir + "elsewhere", dir + "toplink");
    EXPECT_TRUE(ShellDeleteFile(0, dir + "Start Menu/Tarvo", false));
    EXPECT_FALSE(fs::exists(dir + "Start Menu/Tarvo"));
    EXPECT_TRUE(fs::exists(dir + "Start Menu"));
    EXPECT_TRUE(ShellDeleteFile(0, dir + "toplink", true));
    EXPECT_TRUE(fs::exists(dir + "elsewhere/precious"));

    EXPECT_FALSE(ShellDeleteFile(0, "", false));
    EXPECT_FALSE(ShellDeleteFile(0, dir + "elsewhere/*", false));  // not a wildcard
    // A NUL would end the name early: "elsewhere" must not go instead.
    EXPECT_FALSE(ShellDeleteFile(0, dir + "elsewhere" + '\0' + "x", false));
    EXPECT_TRUE(fs::exists(dir + "elsewhere/precious"));
}

TEST_F(FilesFuncTest, SelectFolderTakesOnlyARealFolder) {
    ScopedScriptedUi ui;
    std::string folder = "untouched";
    ui->ExpectBrowseForFolder(std::nullopt);
    EXPECT_FALSE(SelectFolder("保存先を選択", "/start", folder));
    ui->ExpectBrowseForFolder(sandbox().work + "missing");
    EXPECT_FALSE(SelectFolder("t", "", folder));
    ui->ExpectBrowseForFolder("");
    EXPECT_FALSE(SelectFolder("t", "", folder));
    EXPECT_EQ(folder, "untouched");
    ui->ExpectBrowseForFolder(sandbox().work);
    EXPECT_TRUE(SelectFolder("t", "", folder));
    EXPECT_EQ(folder, sandbox().work);
    ASSERT_EQ(ui->Shown().size(), 4u);
    EXPECT_EQ(ui->Shown()[0].text, "保存先を選択");
    EXPECT_EQ(ui->Shown()[0].caption, "/start");
}

TEST_F(FilesFuncTest, SpecialFoldersEndWithTheDelimiterOrAreEmpty) {
    std::string path;
    GetSpecialFolderDir(win::CSIDL_COMMON_PROGRAMS, path);
    EXPECT_EQ(path, sandbox().machine + "ProgramData/Microsoft/Windows/Start Menu/Programs/");
    GetSpecialFolderDir(win::CSIDL_PROGRAM_FILES, path);
    EXPECT_EQ(path, sandbox().machine + "Program Files/");
    // Unknown: empty, so a caller adding "Tarvo" never lands at the root.
    GetSpecialFolderDir(0x05, path);
    EXPECT_EQ(path, "");
}

}  // namespace
