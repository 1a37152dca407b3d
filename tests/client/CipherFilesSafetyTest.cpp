#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "tests/client/CipherFilesFixture.h"

namespace tarvo::test {
namespace {

namespace fs = std::filesystem;
using Messages = std::vector<std::string>;

TEST_F(CipherFilesTest, MissingNamesAreRefusedWithTheModeWord) {
    WriteFile(Path("plain"), "payload");
    EXPECT_FALSE(files.EncryptTrunk("", Path("t.ace"), "pw"));
    EXPECT_FALSE(files.DecryptTrunk("", Path("t.lzh"), "pw"));
    EXPECT_FALSE(files.EncryptTrunk(Path("plain"), "", "pw"));
    std::unique_ptr<TFileStream> in;
    std::unique_ptr<AtomicFile> out;
    EXPECT_FALSE(files.OpenCipherFiles("", Path("x"), in, out, 2));
    EXPECT_EQ(messages,
              (Messages{"暗号化するファイルが指定されていません。", "複合化するファイルが指定されていません。",
                        "出力先ファイル名が指定されていません。", "するファイルが指定されていません。"}));
}

// Writing the output over the input would destroy it, whatever name reaches it.
TEST_F(CipherFilesTest, SameFileUnderAnyNameIsRefused) {
    WriteFile(Path("plain"), "payload");
    fs::create_hard_link(Path("plain"), Path("hard"));
    fs::create_symlink(Path("plain"), Path("soft"));
    for (const char* other : {"plain", "hard", "soft"}) {
        EXPECT_FALSE(files.EncryptTrunk(Path("plain"), Path(other), "pw")) << other;
        EXPECT_FALSE(files.DecryptTrunk(Path(other), Path("plain"), "pw")) << other;
    }
    EXPECT_EQ(messages.size(), 6u);
    EXPECT_EQ(messages[0], "暗号化するファイル名と出力先ファイル名が同じため実行できません。");
    EXPECT_EQ(messages[1], "複合化するファイル名と出力先ファイル名が同じため実行できません。");
    EXPECT_EQ(ReadFile(Path("plain")), "payload");

    // Names that differ only in case are different files here.
    messages.clear();
    EXPECT_TRUE(files.EncryptTrunk(Path("plain"), Path("PLAIN"), "pw"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(CipherFilesTest, MissingInputFailsWithoutMessage) {
    EXPECT_FALSE(files.EncryptTrunk(Path("absent"), Path("t.ace"), "pw"));
    fs::create_directory(Path("folder"));
    EXPECT_FALSE(files.DecryptTrunk(Path("folder"), Path("t.lzh"), "pw"));
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(fs::exists(Path("t.ace")));
}

// The input is opened for writing too; a program image that is running cannot be.
TEST_F(CipherFilesTest, InputThatCannotBeOpenedForWritingIsRefused) {
    std::string busy = fs::canonical("/proc/self/exe").string();
    int fd = ::open(busy.c_str(), O_RDWR);
    if (fd >= 0) {
        ::close(fd);
        GTEST_SKIP() << "this kernel lets a running program be opened for writing";
    }
    EXPECT_FALSE(files.EncryptTrunk(busy, Path("t.ace"), "pw"));
    EXPECT_EQ(messages, Messages{"ファイルを開けません。"});
    EXPECT_TRUE(Listing().empty());
}

TEST_F(CipherFilesTest, OutputThatCannotBeCreatedIsRefused) {
    WriteFile(Path("plain"), "payload");
    fs::create_directory(Path("folder"));
    EXPECT_FALSE(files.EncryptTrunk(Path("plain"), Path("missing/t.ace"), "pw"));
    EXPECT_FALSE(files.EncryptTrunk(Path("plain"), Path("folder"), "pw"));
    EXPECT_EQ(messages, (Messages{"ファイルを開けません。", "ファイルを開けません。"}));
    EXPECT_EQ(Listing(), (Messages{"folder", "plain"}));
    EXPECT_TRUE(fs::is_empty(Path("folder")));
}

// Device nodes of the kernel's null and zero devices, made in the sandbox; only root may make them.
bool MakeDevice(const std::string& path, unsigned minor) {
    return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0;
}

// A pipe, a device or a link under the output name is nothing the container may replace.
TEST_F(CipherFilesTest, OutputThatIsNoRegularFileIsRefusedAndLeftAsItIs) {
    WriteFile(Path("plain"), "payload");
    ASSERT_TRUE(files.EncryptTrunk(Path("plain"), Path("t.ace"), "pw"));
    WriteFile(Path("target"), "kept");
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    fs::create_symlink(Path("target"), Path("link"));
    fs::create_symlink(Path("nowhere"), Path("dangling"));
    std::vector<std::string> outputs = {"fifo", "link", "dangling"};
    if (MakeDevice(Path("null"), 3))
        outputs.push_back("null");
    for (const auto& output : outputs) {
        messages.clear();
        EXPECT_FALSE(files.EncryptTrunk(Path("plain"), Path(output), "pw")) << output;
        EXPECT_FALSE(files.DecryptTrunk(Path("t.ace"), Path(output), "pw")) << output;
        EXPECT_EQ(messages, (Messages{"ファイルを開けません。", "ファイルを開けません。"})) << output;
    }
    EXPECT_TRUE(fs::is_fifo(Path("fifo")));
    EXPECT_TRUE(fs::is_symlink(Path("link")));
    EXPECT_TRUE(fs::is_symlink(Path("dangling")));
    EXPECT_FALSE(fs::exists(Path("nowhere")));
    EXPECT_EQ(ReadFile(Path("target")), "kept");
    EXPECT_EQ(fs::is_character_file(Path("null")), outputs.back() == "null");
    EXPECT_EQ(Listing().size(), 3 + outputs.size());  // plain, t.ace and target besides
}

// Neither a pipe nobody writes to nor an endless device may keep a call waiting.
TEST_F(CipherFilesTest, InputThatIsNoRegularFileIsRefused) {
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    std::vector<std::string> inputs = {"fifo"};
    if (MakeDevice(Path("zero"), 5))
        inputs.push_back("zero");
    for (const auto& input : inputs) {
        messages.clear();
        EXPECT_FALSE(files.EncryptTrunk(Path(input), Path("t.ace"), "pw")) << input;
        EXPECT_FALSE(files.DecryptTrunk(Path(input), Path("t.lzh"), "pw")) << input;
        EXPECT_EQ(messages, (Messages{"ファイルを開けません。", "ファイルを開けません。"})) << input;
    }
    EXPECT_EQ(Listing(), Messages(inputs.begin(), inputs.end()));
}

// A file size limit makes writes fail as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = {bytes, saved_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_;
    void (*oldHandler_)(int);
};

TEST_F(CipherFilesTest, WriteErrorFailsAndLeavesNothingBehind) {
    const std::string plain = RandomBytes(3 << 20, 6);
    WriteFile(Path("plain"), plain);
    ASSERT_TRUE(files.EncryptTrunk(Path("plain"), Path("t.ace"), "pw"));
    const std::string sealed = ReadFile(Path("t.ace"));
    WriteFile(Path("t.lzh"), "old");
    {
        FileSizeLimit limit(1 << 20);
        EXPECT_FALSE(files.DecryptTrunk(Path("t.ace"), Path("t.lzh"), "pw"));
        EXPECT_FALSE(files.EncryptTrunk(Path("plain"), Path("t.ace"), "pw"));
    }
    ASSERT_EQ(messages.size(), 2u);
    for (const auto& m : messages)
        EXPECT_EQ(m.rfind("ファイルの読み書きに失敗しました。\n", 0), 0u) << m;
    EXPECT_EQ(ReadFile(Path("t.lzh")), "old");
    EXPECT_TRUE(ReadFile(Path("t.ace")) == sealed);
    EXPECT_TRUE(ReadFile(Path("plain")) == plain);
    EXPECT_EQ(Listing(), (Messages{"plain", "t.ace", "t.lzh"}));
}

}  // namespace
}  // namespace tarvo::test
