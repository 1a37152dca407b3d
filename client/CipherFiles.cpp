#include "CipherFiles.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "cipher/SHA1.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/CodePage.h"

namespace {

const char* const kWrongPassword = "パスワードが違います。";
const char* const kCutShort = "暗号化ファイルが壊れています。";
const char* const kCannotOpen = "ファイルを開けません。";

// Chunks are a multiple of the cipher block, so the payload is one CBC pass whatever the file size.
constexpr size_t kChunkSize = size_t{1} << 20;

std::string ModeWord(int mode) {
    switch (mode) {
        case 0:
            return "暗号化";
        case 1:
            return "複合化";
        default:
            return "";
    }
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

bool IsRegularFile(const TFileStream& file) {
    struct stat st;
    return ::fstat(file.Handle(), &st) == 0 && S_ISREG(st.st_mode);
}

// Wipes the cipher however a call ends.
class TWipeOnExit {
public:
    explicit TWipeOnExit(TCiph_blockcipher& cipher) : fCipher(cipher) {}
    ~TWipeOnExit() { fCipher.Wipe(); }
    TWipeOnExit(const TWipeOnExit&) = delete;
    TWipeOnExit& operator=(const TWipeOnExit&) = delete;

private:
    TCiph_blockcipher& fCipher;
};

}  // namespace

TCipherFiles::TCipherFiles(TCiph_blockcipher& cipher, TMessageSink sink) : fCipher(cipher), fSink(std::move(sink)) {}

bool TCipherFiles::OpenCipherFiles(const std::string& InName, const std::string& OutName,
                                   std::unique_ptr<TFileStream>& InFile, std::unique_ptr<AtomicFile>& OutFile,
                                   int Mode) {
    if (InName.empty()) {
        fSink(ModeWord(Mode) + "するファイルが指定されていません。");
        return false;
    }
    if (OutName.empty()) {
        fSink("出力先ファイル名が指定されていません。");
        return false;
    }
    // A link to the input is the same file under another name.
    if (SameFile(InName, OutName)) {
        fSink(ModeWord(Mode) + "するファイル名と出力先ファイル名が同じため実行できません。");
        return false;
    }
    if (!FileExists(InName))
        return false;
    try {
        InFile = std::make_unique<TFileStream>(InName, fmOpenReadWrite);
    } catch (const EStreamError&) {
    }
    if (!InFile || !IsRegularFile(*InFile)) {
        InFile.reset();
        fSink(kCannotOpen);
        return false;
    }
    try {
        if (!DirectoryExists(OutName))
            OutFile = std::make_unique<AtomicFile>(OutName, 0600);
    } catch (const EStreamError&) {
    }
    if (!OutFile) {
        InFile.reset();
        fSink(kCannotOpen);
        return false;
    }
    return true;
}

// The key is the first MaxKeySize bits (at most 256) of the password's digest followed by 0xFF bytes; the
// check block is that 32-byte key buffer encrypted in CBC mode from the default IV.
bool TCipherFiles::KeyCipher(const std::string& password, uint8_t (&check)[kCheckSize]) {
    std::optional<std::string> bytes = win::Utf8ToCp932(password);
    if (!bytes) {
        fSink("パスワードに使用できない文字が含まれています。");
        return false;
    }
    std::memset(check, 0xFF, kCheckSize);
    TCiph_sha1 hash;
    hash.HashInit();
    hash.HashUpdateStr(*bytes);
    hash.HashFinal(check);
    WipeBytes(bytes->data(), 0, bytes->size());
    fCipher.InitKey(check, std::min(fCipher.MaxKeySize(), static_cast<int>(kCheckSize * 8)), nullptr);
    fCipher.EncryptCBC(check, check, kCheckSize);
    fCipher.ResetChain();
    return true;
}

void TCipherFiles::Transform(TFileStream& in, AtomicFile& out, TCipherOp op) {
    std::vector<uint8_t> buffer(kChunkSize);
    int64_t got;
    do {
        got = in.Read(buffer.data(), static_cast<int64_t>(buffer.size()));
        (fCipher.*op)(buffer.data(), buffer.data(), static_cast<size_t>(got));
        out.WriteBuffer(buffer.data(), got);
        // Start putting what was written on disk now, so the flush at the end has little left to wait for.
        ::sync_file_range(out.Handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
    } while (got == static_cast<int64_t>(buffer.size()));
    WipeBytes(buffer.data(), 0, buffer.size());
}

bool TCipherFiles::ReportingIoErrors(const std::function<bool()>& work) {
    try {
        return work();
    } catch (const EStreamError& e) {
        fSink("ファイルの読み書きに失敗しました。\n" + e.Message());
        return false;
    }
}

bool TCipherFiles::EncryptTrunk(const std::string& InName, const std::string& OutName, const std::string& Password) {
    std::unique_ptr<TFileStream> in;
    std::unique_ptr<AtomicFile> out;
    if (!OpenCipherFiles(InName, OutName, in, out, 0))
        return false;
    TWipeOnExit wipe(fCipher);
    uint8_t check[kCheckSize];
    if (!KeyCipher(Password, check))
        return false;
    return ReportingIoErrors([&] {
        out->WriteBuffer(check, kCheckSize);
        Transform(*in, *out, &TCiph_blockcipher::EncryptCBC);
        in.reset();
        out->Commit();
        return true;
    });
}

bool TCipherFiles::DecryptTrunk(const std::string& InName, const std::string& OutName, const std::string& Password) {
    std::unique_ptr<TFileStream> in;
    std::unique_ptr<AtomicFile> out;
    if (!OpenCipherFiles(InName, OutName, in, out, 1))
        return false;
    TWipeOnExit wipe(fCipher);
    uint8_t expected[kCheckSize];
    if (!KeyCipher(Password, expected))
        return false;
    return ReportingIoErrors([&] {
        // A container too short to hold the check block was cut short: no password would open it.
        uint8_t check[kCheckSize];
        if (in->Read(check, kCheckSize) != kCheckSize) {
            fSink(kCutShort);
            return false;
        }
        if (std::memcmp(check, expected, kCheckSize) != 0) {
            fSink(kWrongPassword);
            return false;
        }
        Transform(*in, *out, &TCiph_blockcipher::DecryptCBC);
        in.reset();
        out->Commit();
        return true;
    });
}
