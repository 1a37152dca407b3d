// Packing and extracting a mixed corpus (random data, source code, text; 64 MiB unless --corpus-mib=N)
// through libunlha32.so, measured against Debian's jlha (packing, -lh5-) and lhasa (extracting) in the same
// run. The random files are packed first, so stored entries come before coded ones. Each side runs twice and
// keeps its better time; the figures are our time over theirs and our archive size over jlha's. No figure is
// reported unless both extractions of our archive, ours and lhasa's, give back the corpus byte for byte.
#include <benchmark/benchmark.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/Interruption.h"
#include "bench/support/Numbers.h"
#include "bench/support/OutputFile.h"
#include "bench/support/ScratchFolder.h"
#include "platform/ArchiverApi.h"
#include "platform/win/Modules.h"
#include "tools/harness/RunProgram.h"

namespace {

namespace fs = std::filesystem;

uint64_t corpusBytes = 64ull << 20;
// Incompressible files first: each coded file after them must come out whole.
const std::string kPackOrder = "rnd src txt";
fs::path workDir;

ArcCommandProc Library() {
    static ArcCommandProc command = [] {
        win::HMODULE m = win::LoadLibraryA("UNLHA32.DLL");
        auto p = m ? reinterpret_cast<ArcCommandProc>(win::GetProcAddress(m, "Unlha")) : nullptr;
        if (!p)
            throw std::runtime_error("UNLHA32.DLL (libunlha32.so) cannot be loaded; set TARVO_LIBRARY_PATH");
        return p;
    }();
    return command;
}

void RunOrThrow(const std::vector<std::string>& argv, const fs::path& folder) {
    const std::optional<int> status = RunProgram(argv, folder.string(), "/dev/null");
    if (!status || !WIFEXITED(*status) || WEXITSTATUS(*status) != 0)
        throw std::runtime_error(argv[0] + " failed");
}

void RunLibrary(const std::string& line) {
    if (int rc = Library()(0, line.c_str(), nullptr, 0))
        throw std::runtime_error("Unlha failed: " + std::to_string(rc));
}

template <typename F>
double BestOfTwo(F f) {
    double best = 1e30;
    for (int i = 0; i < 2; ++i) {
        StopIfInterrupted();
        auto t0 = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

// Copies files found under roots (sorted, each below 1 MiB) into folder until `budget` bytes are there.
uint64_t CopyFrom(const std::vector<std::string>& roots, const std::vector<std::string>& suffixes,
                  const fs::path& folder, uint64_t budget) {
    std::vector<fs::path> found;
    for (const auto& root : roots) {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
             it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (ec || !it->is_regular_file(ec) || it->is_symlink(ec))
                continue;
            std::string name = it->path().filename().string();
            for (const auto& s : suffixes)
                if (name.size() >= s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0)
                    found.push_back(it->path());
        }
    }
    std::sort(found.begin(), found.end());
    uint64_t copied = 0;
    size_t n = 0;
    for (const auto& f : found) {
        StopIfInterrupted();
        std::error_code ec;
        uint64_t size = fs::file_size(f, ec);
        if (ec || size == 0 || size > (1u << 20) || copied + size > budget)
            continue;
        fs::path target = folder / std::to_string(n / 200);  // a couple of hundred files a folder
        fs::create_directories(target);
        fs::copy_file(f, target / (std::to_string(n) + "-" + f.filename().string()), ec);
        if (!ec)
            copied += size, ++n;
    }
    return copied;
}

// Text of words drawn from a fixed list, for whatever the system's documents leave short.
void WriteGeneratedText(const fs::path& file, uint64_t size, uint32_t seed) {
    static const char* words[] = {"the ",   "archive ", "server ", "trunk ",    "of ",     "and ",
                                  "files ", "is ",      "to ",     "packed ",   "folder ", "encrypted ",
                                  "a ",     "user ",    "with ",   "password ", ".\n"};
    std::mt19937 gen(seed);
    std::string text;
    while (text.size() < size)
        text += words[gen() % (sizeof words / sizeof *words)];
    WriteFile(file, text);
}

void MakeCorpus(const fs::path& root) {
    const uint64_t source = corpusBytes * 3 / 8, text = corpusBytes * 5 / 16;
    const uint64_t random = corpusBytes - source - text;
    fs::create_directories(root / "src");
    fs::create_directories(root / "txt");
    fs::create_directories(root / "rnd");
    uint64_t gotSource = CopyFrom({"/usr/include"}, {".h", ".hpp", ".c", ".cc"}, root / "src", source);
    uint64_t gotText = CopyFrom({"/usr/share/doc", "/usr/share/common-licenses", "/usr/share/vim"},
                                {".txt", "copyright", ".md", "README"}, root / "txt", text);
    if (gotSource < source)
        WriteGeneratedText(root / "src" / "filler.txt", source - gotSource, 1);
    if (gotText < text)
        WriteGeneratedText(root / "txt" / "filler.txt", text - gotText, 2);
    // Each random file is larger than what the coder reads before it gives up on data that does not shrink.
    const uint64_t randomFile = 5 << 18;
    std::mt19937_64 gen(3);
    for (uint64_t i = 0; i < std::max<uint64_t>(1, random / randomFile); ++i) {
        StopIfInterrupted();
        std::vector<uint64_t> block(randomFile / 8);
        for (auto& v : block)
            v = gen();
        OutputFile(root / "rnd" / (std::to_string(i) + ".bin")).Write(block.data(), randomFile);
    }
}

const fs::path& Corpus() {
    static const fs::path root = [] {
        fs::path r = workDir / "corpus";
        MakeCorpus(r);
        return r;
    }();
    return root;
}

// Every file of the corpus, and nothing else, is under `copy` with the same bytes.
void RequireSameTree(const fs::path& corpus, const fs::path& copy, const std::string& who) {
    size_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(corpus)) {
        if (!e.is_regular_file())
            continue;
        ++files;
        const fs::path other = copy / fs::relative(e.path(), corpus);
        std::ifstream a(e.path(), std::ios::binary), b(other, std::ios::binary);
        if (!b || !std::equal(std::istreambuf_iterator<char>(a), std::istreambuf_iterator<char>(),
                              std::istreambuf_iterator<char>(b), std::istreambuf_iterator<char>()))
            throw std::runtime_error(who + ": " + other.string() + " is missing or differs from the corpus");
    }
    size_t copied = 0;
    for (const auto& e : fs::recursive_directory_iterator(copy))
        copied += e.is_regular_file() ? 1 : 0;
    if (copied != files)
        throw std::runtime_error(who + ": " + std::to_string(copied) + " files instead of " + std::to_string(files));
}

uint64_t TreeSize(const fs::path& root) {
    uint64_t total = 0;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            total += e.file_size();
    return total;
}

void PackAgainstJlha(benchmark::State& state) {
    const fs::path& corpus = Corpus();
    fs::path ours = workDir / "ours.lzh", theirs = workDir / "jlha.lzh";
    for (auto _ : state) {
        double ourTime = BestOfTwo([&] {
            fs::remove(ours);
            RunLibrary("a -r2 -x1 \"" + ours.string() + "\" \"" + corpus.string() + "/\" " + kPackOrder);
        });
        double theirTime = BestOfTwo([&] {
            fs::remove(theirs);
            RunOrThrow({"jlha", "a", theirs.string(), "rnd", "src", "txt"}, corpus);
        });
        state.SetIterationTime(ourTime);
        state.counters["corpus_MiB"] = static_cast<double>(TreeSize(corpus)) / (1 << 20);
        state.counters["ours_s"] = ourTime;
        state.counters["jlha_s"] = theirTime;
        state.counters["time_ours_over_jlha"] = ourTime / theirTime;
        state.counters["size_ours_over_jlha"] =
            static_cast<double>(fs::file_size(ours)) / static_cast<double>(fs::file_size(theirs));
    }
}

void ExtractAgainstLhasa(benchmark::State& state) {
    fs::path archive = workDir / "ours.lzh";
    if (!fs::exists(archive))
        RunLibrary("a -r2 -x1 \"" + archive.string() + "\" \"" + Corpus().string() + "/\" " + kPackOrder);
    fs::path ours = workDir / "x-ours", theirs = workDir / "x-lhasa";
    for (auto _ : state) {
        double ourTime = BestOfTwo([&] {
            fs::remove_all(ours);
            RunLibrary("x \"" + archive.string() + "\" \"" + ours.string() + "/\"");
        });
        double theirTime = BestOfTwo([&] {
            fs::remove_all(theirs);
            fs::create_directories(theirs);
            RunOrThrow({"lhasa", "xw=" + theirs.string(), archive.string()}, workDir);
        });
        RequireSameTree(Corpus(), ours, "our extraction");
        RequireSameTree(Corpus(), theirs, "lhasa's extraction");
        state.SetIterationTime(ourTime);
        state.counters["ours_s"] = ourTime;
        state.counters["lhasa_s"] = theirTime;
        state.counters["time_ours_over_lhasa"] = ourTime / theirTime;
    }
}

BENCHMARK(PackAgainstJlha)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(ExtractAgainstLhasa)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// Every benchmark, in a folder of its own; the exit status.
int Bench() {
    const ScratchFolder scratch("unlha32-bench");
    workDir = scratch.Path();
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string option = "--corpus-mib=";
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind(option, 0) != 0) {
            rest.push_back(argv[i]);
            continue;
        }
        uint64_t mib = 0;
        if (!PositiveNumber(a.substr(option.size()), mib)) {
            std::fprintf(stderr, "unlha32_bench: --corpus-mib=N wants a whole number of MiB above 0\n");
            return 2;
        }
        corpusBytes = mib << 20;
    }
    int n = static_cast<int>(rest.size());
    benchmark::Initialize(&n, rest.data());
    if (benchmark::ReportUnrecognizedArguments(n, rest.data()))
        return 2;
    int status = RunInterruptibly(Bench);
    benchmark::Shutdown();
    return status;
}
