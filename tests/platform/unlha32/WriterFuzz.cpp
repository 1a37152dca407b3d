// Fuzz target for the writer: the input describes up to eight files, which are packed into one archive,
// extracted again and compared byte for byte; a pack or extraction that fails, or a file that comes back
// different, aborts with a description. Built as a libFuzzer program with TARVO_FUZZ (clang), and run as a
// smoke test always.
//
// The input is a list of records: a shape byte, a 16-bit little-endian size, then what the shape needs.
//   shape % 6 == 0   the next (size % 4096) input bytes are the file
//   otherwise        a file of kind (shape % 6 - 1) (SampleContent.h) made from the next 4 bytes as seed, of
//                    `size` bytes below 0xF000; above, of 60 KiB plus k * k / 8 bytes for the k-th step, so
//                    that sizes reach about 2 MiB (past where the coder gives up on data that does not
//                    shrink) while fine steps remain near the smaller limits
//   shape & 0x40     the file lies in a folder; shape & 0x80 its name begins in Japanese
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/unlha32/ArchiveUpdate.h"
#include "platform/unlha32/Extraction.h"
#include "platform/unlha32/LhaError.h"
#include "tests/platform/unlha32/SampleContent.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxFiles = 8;
constexpr size_t kMaxInputBytes = 3 << 19;  // all files of one input together: past the 1 MiB limit, yet quick

struct File {
    std::string name;
    std::string bytes;
};

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool AtEnd() const { return at_ >= size_; }
    uint32_t Take(size_t n) {
        uint32_t v = 0;
        for (size_t i = 0; i < n && at_ < size_; ++i)
            v |= static_cast<uint32_t>(data_[at_++]) << (8 * i);
        return v;
    }
    std::string TakeBytes(size_t n) {
        n = std::min(n, size_ - at_);
        std::string s(reinterpret_cast<const char*>(data_ + at_), n);
        at_ += n;
        return s;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

std::vector<File> Files(const uint8_t* data, size_t size) {
    Input in(data, size);
    std::vector<File> files;
    size_t total = 0;
    while (!in.AtEnd() && files.size() < kMaxFiles) {
        const auto shape = static_cast<uint8_t>(in.Take(1));
        const uint32_t size16 = in.Take(2);
        File f;
        f.name = std::to_string(files.size()) + ".dat";
        if (shape & 0x80)
            f.name = "表ソ" + f.name;
        if (shape & 0x40)
            f.name = "フォルダ/" + f.name;
        if (shape % 6 == 0) {
            f.bytes = in.TakeBytes(size16 % 4096);
        } else {
            const size_t step = size16 < 0xF000 ? 0 : size16 - 0xF000;
            size_t bytes = size16 < 0xF000 ? size16 : 0xF000 + step * step / 8;
            bytes = std::min(bytes, kMaxInputBytes - total);
            f.bytes = tarvo::test::MakeContent(static_cast<tarvo::test::ContentKind>(shape % 6 - 1), bytes, in.Take(4));
        }
        total += f.bytes.size();
        files.push_back(std::move(f));
    }
    return files;
}

// A private folder for one input, removed again afterwards (a fuzzing run may end without running exit handlers).
class Scratch {
public:
    Scratch() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/unlha32-writer-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        path_ = pattern;
    }
    ~Scratch() { fs::remove_all(path_); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

void WriteWhole(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

[[noreturn]] void Fail(const std::string& what, const std::vector<File>& files) {
    std::fprintf(stderr, "writer round trip failed: %s\nfiles:\n", what.c_str());
    for (const auto& f : files)
        std::fprintf(stderr, "  %s (%zu bytes)\n", f.name.c_str(), f.bytes.size());
    std::abort();
}

void Command(const std::string& line, const std::vector<File>& files) {
    try {
        lha::CommandLine cmd = lha::ParseCommandLine(line, true);
        lha::OutputLog log;
        lha::Progress progress;
        if (cmd.verb == "x") {
            lha::RunExtract(cmd, log, progress);
        } else {
            lha::RunPack(cmd, log, progress);
        }
    } catch (const lha::ELhaError& e) {
        Fail(line.substr(0, 1) + ": " + e.Message(), files);
    }
}

}  // namespace

int FuzzWriter(const uint8_t* data, size_t size) {
    const std::vector<File> files = Files(data, size);
    if (files.empty())
        return 0;
    const Scratch scratch;
    const fs::path src = scratch.Path() / "src", dest = scratch.Path() / "dest", archive = scratch.Path() / "a.lzh";
    std::string names;
    for (const auto& f : files) {
        WriteWhole(src / f.name, f.bytes);
        names += " \"" + f.name + "\"";
    }
    Command("a -x1 \"" + archive.string() + "\" \"" + src.string() + "/\"" + names, files);
    Command("x \"" + archive.string() + "\" \"" + dest.string() + "/\"", files);
    for (const auto& f : files)
        if (!fs::is_regular_file(dest / f.name) || ReadWhole(dest / f.name) != f.bytes)
            Fail(f.name + " came back different", files);
    return 0;
}
