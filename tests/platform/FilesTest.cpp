#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "platform/win/FileTimes.h"
#include "platform/win/Files.h"
#include "platform/win/Shell.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace win;
using namespace tarvo::test;
namespace fs = std::filesystem;

class FilesTest : public TarvoTest {};

std::map<std::string, WIN32_FIND_DATAA> FindAll(const std::string& pattern) {
    std::map<std::string, WIN32_FIND_DATAA> found;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return found;
    do
        found[data.cFileName] = data;
    while (FindNextFileA(h, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(h));
    EXPECT_FALSE(FindClose(h));
    return found;
}

TEST_F(FilesTest, SearchReportsEveryEntryWithAttributes) {
    std::string dir = sandbox().work;
    WriteFile(dir + "a.txt", "12345");
    WriteFile(dir + ".hidden", "");
    fs::create_directory(dir + "sub");
    fs::create_symlink(dir + "sub", dir + "link");
    WriteFile(dir + "ro", "");
    chmod((dir + "ro").c_str(), 0444);
    auto found = FindAll(dir + "*");
    ASSERT_EQ(found.size(), 7u);  // with "." and ".."
    EXPECT_EQ(found["a.txt"].dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(found["a.txt"].nFileSizeLow, 5u);
    EXPECT_EQ(found[".hidden"].dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(found["sub"].dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(found["link"].dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_FALSE(found["link"].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);  // not followed
    EXPECT_TRUE(found["ro"].dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(found["."].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(FindAll(dir + "*.txt").size(), 1u);
    EXPECT_EQ(FindAll(dir + "*.TXT").size(), 0u);  // names are case-sensitive here
    struct stat st;
    stat((dir + "a.txt").c_str(), &st);
    EXPECT_EQ(FileTimeToUnixTime(found["a.txt"].ftLastWriteTime), st.st_mtime);
    EXPECT_EQ(GetFileAttributesA((dir + "sub/").c_str()), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesA((dir + "none").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FilesTest, SearchFailuresTellNoMatchFromNoFolder) {
    WIN32_FIND_DATAA data;
    EXPECT_EQ(FindFirstFileA((sandbox().work + "*.none").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FindFirstFileA((sandbox().work + "missing/*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    // An empty mask matches nothing, rather than everything in the folder.
    WriteFile(sandbox().work + "f", "");
    EXPECT_EQ(FindFirstFileA(sandbox().work.c_str(), &data), INVALID_HANDLE_VALUE);
}

TEST_F(FilesTest, SizesBeyondFourGigabytes) {
    std::string big = sandbox().work + "big";
    WriteFile(big, "");
    ASSERT_EQ(truncate(big.c_str(), (int64_t{5} << 30) + 7), 0);  // sparse: takes no room
    auto found = FindAll(big);
    EXPECT_EQ(found["big"].nFileSizeHigh, 1u);
    EXPECT_EQ(found["big"].nFileSizeLow, (1u << 30) + 7);
}

TEST_F(FilesTest, DeleteFileRemovesFilesAndLinksButNotFolders) {
    std::string dir = sandbox().work;
    WriteFile(dir + "target", "keep");
    fs::create_symlink(dir + "target", dir + "link");
    fs::create_directory(dir + "sub");
    EXPECT_TRUE(DeleteFileA((dir + "link").c_str()));
    EXPECT_EQ(ReadFile(dir + "target"), "keep");
    EXPECT_FALSE(DeleteFileA((dir + "sub").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(DeleteFileA((dir + "link").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FilesTest, ShortPathIsThePathItselfWhenItExists) {
    std::string file = sandbox().work + "UnInstall.exe";
    WriteFile(file, "");
    char buf[MAX_PATH];
    EXPECT_EQ(GetShortPathNameA(file.c_str(), buf, MAX_PATH), file.size());
    EXPECT_EQ(std::string(buf), file);
    EXPECT_EQ(GetShortPathNameA(file.c_str(), buf, 3), file.size() + 1);
    EXPECT_EQ(GetShortPathNameA((file + "x").c_str(), buf, MAX_PATH), 0u);
}

int ShellDelete(const std::string& names) {
    std::string list = names + '\0' + '\0';
    SHFILEOPSTRUCTA op;
    op.wFunc = FO_DELETE;
    op.pFrom = list.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_ALLOWUNDO;
    return SHFileOperationA(&op);
}

TEST_F(FilesTest, ShellDeleteTakesExactlyTheNamedPath) {
    std::string dir = sandbox().work;
    WriteFile(dir + "tree/a/b/file", "x");
    WriteFile(dir + "outside/precious", "x");
    fs::create_symlink(dir + "outside", dir + "tree/link");
    fs::create_symlink(dir + "outside", dir + "toplink");
    EXPECT_EQ(ShellDelete(dir + "tree"), 0);
    EXPECT_FALSE(fs::exists(dir + "tree"));
    EXPECT_TRUE(fs::exists(dir + "outside/precious"));  // the link inside went, not its target
    EXPECT_EQ(ShellDelete(dir + "toplink/"), 0);        // a trailing "/" does not lead through the link
    EXPECT_FALSE(fs::is_symlink(dir + "toplink"));
    EXPECT_TRUE(fs::exists(dir + "outside/precious"));
    // A "*" is a name, never a wildcard.
    EXPECT_NE(ShellDelete(dir + "outside/*"), 0);
    EXPECT_TRUE(fs::exists(dir + "outside/precious"));
    EXPECT_NE(ShellDelete(dir + "missing"), 0);
}

TEST_F(FilesTest, ShellDeleteRefusesEmptyAndRootNames) {
    WriteFile(sandbox().work + "f", "x");
    EXPECT_NE(ShellDelete(""), 0);
    EXPECT_NE(ShellDelete("/"), 0);
    EXPECT_NE(ShellDelete(sandbox().work + "."), 0);
    EXPECT_NE(ShellDelete(sandbox().work + "sub/.."), 0);
    SHFILEOPSTRUCTA copy;
    copy.wFunc = FO_COPY;
    copy.pFrom = "x\0";
    EXPECT_NE(SHFileOperationA(&copy), 0);
    EXPECT_TRUE(fs::exists(sandbox().work + "f"));
}

TEST_F(FilesTest, SpecialFoldersLieUnderTheMachineRoot) {
    std::string path = "stale";
    EXPECT_TRUE(SHGetSpecialFolderPathA(0, path, CSIDL_COMMON_PROGRAMS, FALSE));
    EXPECT_EQ(path, sandbox().machine + "ProgramData/Microsoft/Windows/Start Menu/Programs");
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(SHGetSpecialFolderPathA(0, path, CSIDL_PROGRAM_FILES, TRUE));
    EXPECT_EQ(path, sandbox().machine + "Program Files");
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_FALSE(SHGetSpecialFolderPathA(0, path, 0x1A, TRUE));
    EXPECT_EQ(path, "");
}

}  // namespace
