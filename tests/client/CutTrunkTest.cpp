// A trunk that reaches the receiver cut short (fetched while its upload was still running, or broken off), or
// whose archive a damaged block has given a zero where a header starts, is never taken as whole: the road never
// reports success and never deletes the server's copy, wherever the cut or the zero.
// One kind of cut cannot be told: the container's last, partial cipher block is deciphered into bytes nobody
// wrote, and when a cut leaves such bytes right after an entry that ends on a block boundary and they come out
// as an end mark, the archive reads as a whole one of the entries before it, as sealed by any sender. The
// tests know these cuts when they meet them, and take every other cut as one that must be refused.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QLineEdit>
#include <QPlainTextEdit>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <vector>

#include "client/CipherFiles.h"
#include "client/MainForm.h"
#include "tests/client/ClientFixture.h"

namespace {

using namespace tarvo::test;
namespace fs = std::filesystem;

// Where each entry of one of our archives ends (level 2 headers: the header's size in its first two bytes,
// the packed size at offset 7), the end-of-archive mark excluded.
std::vector<size_t> EntryEnds(const std::string& archive) {
    auto at = [&](size_t i) { return static_cast<uint8_t>(archive[i]); };
    std::vector<size_t> ends;
    size_t pos = 0;
    while (pos + 11 <= archive.size() && at(pos) != 0) {
        size_t headerSize = at(pos) | at(pos + 1) << 8;
        size_t packed = at(pos + 7) | at(pos + 8) << 8 | at(pos + 9) << 16 | static_cast<size_t>(at(pos + 10)) << 24;
        pos += headerSize + packed;
        ends.push_back(pos);
    }
    return ends;
}

// The files' times and modes go into the archive: fixed, they make every byte of it, and of every cut, the same in
// each run, whatever the umask.
constexpr time_t kSourceTime = 1712040000;
constexpr mode_t kSourceMode = 0644;
constexpr mode_t kFolderMode = 0755;

class CutTrunkTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        ServeFolders({{"share"}});
    }

    // Sends the files as trunk "t"; the sealed container as the server holds it, and the archive inside it.
    void SendFiles(const std::vector<std::pair<std::string, std::string>>& files) {
        std::vector<std::string> dropped;
        for (const auto& [name, bytes] : files) {
            const std::string path = sandbox().work + "src/" + name;
            WriteFile(path, bytes);
            const timespec times[2] = {{kSourceTime, 0}, {kSourceTime, 0}};
            ASSERT_EQ(::chmod(path.c_str(), kSourceMode), 0) << path;
            ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
            if (name.find('/') == std::string::npos)
                dropped.push_back(path);
        }
        ASSERT_EQ(::chmod((sandbox().work + "src/folder").c_str(), kFolderMode), 0);
        dropped.push_back(sandbox().work + "src/folder");
        fs::remove(ServerDir() + "t.ace");
        fs::remove(ServerDir() + "t.txt");
        auto sender = StartClient();
        SendTrunk(*sender, "t", "its comment", dropped);
        ASSERT_NE(Log(sender->mmUpMess).find("ファイルの転送が完了しました。"), std::string::npos);
        container_ = ServerFile("t.ace");
        archive_ = ReadFile(sender->WorkArchive());
        ASSERT_EQ(container_.size(), archive_.size() + 32);
    }

    // A receiver that deletes received trunks from the server, on the trunk list.
    void StartReceiving() {
        receiver_ = StartReceiver(true, true);
        Click(receiver_->btnSelDownLoad);
        Click(FolderButton(receiver_->DwForderList, 0));
        Click(receiver_->btnDwNext1);
    }

    // The container cut to `length` bytes on the server, received: it must fail and leave the server as it was,
    // unless no reader could tell the cut (counted, not received).
    void ExpectCutRefused(size_t length) {
        SCOPED_TRACE("cut at " + std::to_string(length) + " of " + std::to_string(container_.size()));
        const std::string cut = container_.substr(0, length);
        if (length < 32) {
            (*ui_)->ExpectMessageBox(win::IDOK, "暗号化ファイルが壊れています。");
        } else if (ReadsAsWhole(cut)) {
            ++cutsReadingAsWhole_;
            return;
        }
        ExpectRefused(cut);
    }

    // Whether the cut container opens to an archive that reads as whole all the same: whole entries up to a
    // cipher block boundary, then the deciphered bytes of the partial block, which happen to be an end mark and
    // nothing but the padding some writers leave after it (zeros, 0x1A). A trunk of those entries looks just so.
    bool ReadsAsWhole(const std::string& cut) {
        const size_t payload = cut.size() - 32, whole = payload - payload % 8;
        const std::vector<size_t> ends = EntryEnds(archive_);
        if (whole == payload || std::find(ends.begin(), ends.end(), whole) == ends.end())
            return false;
        const std::string tail = Opened(cut).substr(whole);
        return tail[0] == '\0' && tail.find_first_not_of(std::string("\0\x1A", 2), 1) == std::string::npos;
    }

    // The archive inside a container, opened as the receiver opens it.
    std::string Opened(const std::string& container) {
        WriteFile(sandbox().work + "cut.ace", container);
        EXPECT_TRUE(receiver_->DecryptTrunk(sandbox().work + "cut.ace", sandbox().work + "cut.lzh", BuiltInPassword));
        return ReadFile(sandbox().work + "cut.lzh");
    }

    // The archive as sent, up to `length`, followed by `tail`, sealed as the sender seals: what a cut container
    // opens to when its partial block is deciphered into `tail`.
    void ExpectTailRefused(size_t length, const std::string& tail) {
        std::string bytes;
        for (unsigned char c : tail)
            bytes += " " + std::to_string(c);
        SCOPED_TRACE("the archive cut at " + std::to_string(length) + ", then the bytes" + bytes);
        ExpectRefused(Sealed(archive_.substr(0, length) + tail));
    }

    std::string Sealed(const std::string& archive) {
        WriteFile(sandbox().work + "damaged.lzh", archive);
        EXPECT_TRUE(
            receiver_->EncryptTrunk(sandbox().work + "damaged.lzh", sandbox().work + "damaged.ace", BuiltInPassword));
        return ReadFile(sandbox().work + "damaged.ace");
    }

    // The sent archive with a zero where the header of entry k starts, sealed as the sender seals: a damaged
    // cipher block can decrypt to just that.
    void ExpectHeaderZeroRefused(size_t k) {
        const std::vector<size_t> ends = EntryEnds(archive_);
        const size_t start = k == 0 ? 0 : ends[k - 1];
        SCOPED_TRACE("zero at " + std::to_string(start) + ", the header of entry " + std::to_string(k));
        std::string damaged = archive_;
        damaged[start] = '\0';
        ExpectRefused(Sealed(damaged));
        EXPECT_NE(Log(receiver_->mmDwMess).find("Error!! 展開に失敗しました。"), std::string::npos)
            << Log(receiver_->mmDwMess);
    }

    // The container on the server, received: it must fail and leave the server as it was.
    void ExpectRefused(const std::string& container) {
        WriteFile(ServerDir() + "t.ace", container);
        WriteFile(ServerDir() + "t.txt", "its comment");
        const std::string place = sandbox().work + "in/";
        fs::remove_all(place);
        fs::create_directories(place);
        receiver_->SetActivePage(TMainFormWin::pgDw2);
        Check(receiver_->DwTruncList, "t");
        receiver_->edDirPath->setText(QString::fromStdString(place));
        receiver_->btnDwStartClick();
        const std::string log = Log(receiver_->mmDwMess);
        EXPECT_EQ(log.find("完了しました。"), std::string::npos) << log;
        EXPECT_NE(log.find("Error!!"), std::string::npos) << log;
        EXPECT_TRUE(ServerFile("t.ace") == container) << "the server's copy stays";
        EXPECT_TRUE(ServerHas("t.txt"));
    }

    std::string container_;
    std::string archive_;
    std::unique_ptr<TMainFormWin> receiver_;
    size_t cutsReadingAsWhole_ = 0;  // cuts that read as whole
};

TEST_F(CutTrunkTest, ASmallTrunkCutAtAnyByteIsRefused) {
    SendFiles({{"a.txt", "first entry\r\n"},
               {"b.bin", RandomBytes(64, 3)},  // stored
               {"folder/c.txt", std::string(200, 'c') + "compressed"}});
    if (HasFatalFailure())
        return;
    StartReceiving();
    for (size_t length = 0; length < container_.size() && !HasFailure(); ++length)
        ExpectCutRefused(length);
}

TEST_F(CutTrunkTest, ATrunkWithAZeroWhereAHeaderStartsIsRefused) {
    SendFiles({{"r1.bin", RandomBytes(699, 7)}, {"s.txt", "short text\r\n"}, {"folder/h.txt", std::string(500, 'h')}});
    if (HasFatalFailure())
        return;
    ASSERT_EQ(EntryEnds(archive_).size(), 3u);
    StartReceiving();
    for (size_t k = 0; k < 3 && !HasFailure(); ++k)
        ExpectHeaderZeroRefused(k);
}

TEST_F(CutTrunkTest, ALargerTrunkCutAtAnEntryBoundaryIsRefused) {
    std::string text;
    for (int i = 0; text.size() < 300000; ++i)
        text += "2024-04-" + std::to_string(i % 28 + 1) + ";item" + std::to_string(i % 997) + ";ok\r\n";
    const std::string photo = RandomBytes(400008, 4);
    auto send = [&](size_t photoSize) {
        SendFiles({{"1-photo.jpg", photo.substr(0, photoSize)},
                   {"2-sheet.csv", text},
                   {"folder/3-notes.txt", text.substr(0, 50000)},
                   {"folder/4-empty.txt", ""}});
    };
    send(400000);
    if (HasFatalFailure())
        return;
    // Only a cut at the end of a cipher block leaves the bytes before it as they were: the stored photo is
    // sized so that its entry ends there, as the sender's upload may well have been cut.
    if (size_t misaligned = EntryEnds(archive_)[0] % 8) {
        send(400000 + 8 - misaligned);
        if (HasFatalFailure())
            return;
    }
    std::vector<size_t> ends = EntryEnds(archive_);
    ASSERT_EQ(ends.size(), 4u) << "one entry a file";
    ASSERT_EQ(ends[0] % 8, 0u);
    ASSERT_EQ(ends.back() + 1, archive_.size()) << "the end-of-archive mark is the last byte";
    StartReceiving();
    // Inside each entry, just before its end, at it, and 1 to 7 bytes after it, the partial block of the
    // cut then deciphered into whatever the cipher makes of it.
    for (size_t k = 0; k < ends.size(); ++k) {
        const size_t start = k == 0 ? 0 : ends[k - 1];
        for (size_t at : {start + (ends[k] - start) / 2, ends[k] - 1, ends[k]})
            ExpectCutRefused(32 + at);
        for (size_t after = 1; after < 8 && ends[k] + after < archive_.size(); ++after)
            ExpectCutRefused(32 + ends[k] + after);
    }
    EXPECT_LE(cutsReadingAsWhole_, 1u) << "far more cuts read as whole than 1 in 256 of those after a block boundary";
    // The partial block after the photo deciphered into an end mark with more after it, or into the start of a
    // header: whichever bytes the cipher makes of a cut, only a lone end mark (or padding after it) reads as whole.
    for (const std::string& tail :
         {std::string("\0\x01", 2), std::string("\0\0\0\0\0\0!", 7), std::string("\x1A"), std::string("\x2A\0", 2)})
        ExpectTailRefused(ends[0], tail);
}

}  // namespace
