// CAST-128 CBC and the encrypted-file container, ours beside OpenSSL's CAST5-CBC, measured in the same run.
// Each pair ends with our throughput as a ratio of OpenSSL's (above 1.0: we are faster).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/cipher/OpensslContainer.h"
#include "bench/support/Interruption.h"
#include "bench/support/OutputFile.h"
#include "bench/support/SameBytes.h"
#include "bench/support/ScratchFolder.h"
#include "cipher/Cast128.h"
#include "client/CipherFiles.h"

namespace {

constexpr size_t kCbcBytes = size_t{1} << 20;
constexpr int64_t kContainerBytes = int64_t{64} << 20;
const char kPassword[] = "plinkova";
const char kCbcEncrypt[] = "CAST-128 CBC encrypt";
const char kCbcDecrypt[] = "CAST-128 CBC decrypt";
const char kSeal[] = "Seal 64 MiB container";
const char kOpen[] = "Open 64 MiB container";
const unsigned char kKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const unsigned char kIV[8] = {8, 7, 6, 5, 4, 3, 2, 1};

// A benchmark's name: what it measures, then whose implementation.
std::string Named(const char* what, const char* whose) {
    return std::string(what) + "/" + whose;
}

std::vector<unsigned char> RandomBuffer(size_t size) {
    std::vector<unsigned char> data(size);
    std::mt19937_64 gen(42);
    for (size_t i = 0; i < size; i += 8) {
        uint64_t v = gen();
        std::memcpy(&data[i], &v, std::min<size_t>(8, size - i));
    }
    return data;
}

// A CBC run is short: it looks for an interruption before it starts, off the clock.
void CbcOurs(benchmark::State& state, bool encrypt) {
    StopIfInterrupted();
    TCiph_cast128 cipher;
    cipher.InitKey(kKey, 128, kIV);
    std::vector<unsigned char> in = RandomBuffer(kCbcBytes), out(kCbcBytes);
    for (auto _ : state) {
        encrypt ? cipher.EncryptCBC(in.data(), out.data(), in.size())
                : cipher.DecryptCBC(in.data(), out.data(), in.size());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kCbcBytes));
}

void CbcOpenssl(benchmark::State& state, bool encrypt, OpensslContainer& openssl) {
    StopIfInterrupted();
    EVP_CIPHER_CTX* ctx = openssl.NewContext(kKey, kIV, encrypt);
    std::vector<unsigned char> in = RandomBuffer(kCbcBytes), out(kCbcBytes);
    int outLength = 0;
    for (auto _ : state) {
        EVP_CipherUpdate(ctx, out.data(), &outLength, in.data(), static_cast<int>(in.size()));
        benchmark::DoNotOptimize(out.data());
    }
    EVP_CIPHER_CTX_free(ctx);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kCbcBytes));
}

// The files of the container runs, in a folder of their own under $TMPDIR: the plain file, and the container
// that OutputsAgree makes of it for the opening runs.
struct ContainerFiles {
    ScratchFolder scratch{"tarvo-bench"};
    std::string folder = scratch.Path();
    std::string plain = folder + "plain.lzh";
    std::string container = folder + "trunk.ace";

    ContainerFiles() {
        std::vector<unsigned char> data = RandomBuffer(kContainerBytes);
        OutputFile(plain).Write(data.data(), kContainerBytes);
    }
};

// One container call per iteration, each into a name that does not exist yet, as the client's work files are:
// the previous output is removed while the clock stands, so freeing 64 MiB does not count as sealing them.
template <typename Call>
void ContainerRuns(benchmark::State& state, const std::string& output, Call call) {
    for (auto _ : state) {
        state.PauseTiming();
        StopIfInterrupted();
        std::filesystem::remove(output);
        state.ResumeTiming();
        if (!call()) {
            state.SkipWithError("the container call failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * kContainerBytes);
}

void SealOurs(benchmark::State& state, ContainerFiles& files) {
    TCiph_cast128 cipher;
    TCipherFiles ours(
        cipher, [](const std::string&) {}, TOutputDurability::Transient);
    const std::string output = files.folder + "ours.ace";
    ContainerRuns(state, output, [&] { return ours.EncryptTrunk(files.plain, output, kPassword); });
}

void OpenOurs(benchmark::State& state, ContainerFiles& files) {
    TCiph_cast128 cipher;
    TCipherFiles ours(
        cipher, [](const std::string&) {}, TOutputDurability::Transient);
    const std::string output = files.folder + "ours.lzh";
    ContainerRuns(state, output, [&] { return ours.DecryptTrunk(files.container, output, kPassword); });
}

void SealOpenssl(benchmark::State& state, ContainerFiles& files, OpensslContainer& openssl) {
    const std::string output = files.folder + "theirs.ace";
    ContainerRuns(state, output, [&] {
        openssl.Seal(files.plain, output, kPassword);
        return true;
    });
}

void OpenOpenssl(benchmark::State& state, ContainerFiles& files, OpensslContainer& openssl) {
    const std::string output = files.folder + "theirs.lzh";
    ContainerRuns(state, output, [&] { return openssl.Open(files.container, output, kPassword); });
}

// Prints the console report, then ratios of byte rates: ours against OpenSSL's, and our container against our
// own CBC in the same direction (what the files around the cipher cost). The machine may be shared, so each
// ratio is given from the median and from the best of the repetitions, which were run interleaved.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto rate = run.counters.find("bytes_per_second");
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && rate != run.counters.end())
                rates_[run.run_name.function_name].push_back(rate->second.value);
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nThroughput as a ratio of OpenSSL's (goal >= 1.0)   median  best\n");
        for (const char* name : {kCbcEncrypt, kCbcDecrypt, kSeal, kOpen})
            PrintRatio(name, Named(name, "ours"), Named(name, "openssl"));
        std::printf("\nContainer throughput as a ratio of our CBC's (goal >= 0.95)\n");
        PrintRatio(kSeal, Named(kSeal, "ours"), Named(kCbcEncrypt, "ours"));
        PrintRatio(kOpen, Named(kOpen, "ours"), Named(kCbcDecrypt, "ours"));
    }

private:
    void PrintRatio(const std::string& label, const std::string& measured, const std::string& against) {
        auto a = rates_.find(measured), b = rates_.find(against);
        if (a == rates_.end() || b == rates_.end())
            return;
        std::printf("  %-46s %6.2f %5.2f\n", label.c_str(), Median(a->second) / Median(b->second),
                    Best(a->second) / Best(b->second));
    }
    static double Median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    static double Best(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

    std::map<std::string, std::vector<double>> rates_;
};

// Both sides must compute the same thing, or the comparison means nothing: checked before anything is timed.
bool OutputsAgree(OpensslContainer& openssl, ContainerFiles& files) {
    std::vector<unsigned char> plain = RandomBuffer(kCbcBytes), ours(kCbcBytes), theirs(kCbcBytes);
    TCiph_cast128 cipher;
    cipher.InitKey(kKey, 128, kIV);
    cipher.EncryptCBC(plain.data(), ours.data(), plain.size());
    EVP_CIPHER_CTX* ctx = openssl.NewContext(kKey, kIV, true);
    int outLength = 0;
    EVP_CipherUpdate(ctx, theirs.data(), &outLength, plain.data(), static_cast<int>(plain.size()));
    EVP_CIPHER_CTX_free(ctx);
    cipher.ResetChain();
    cipher.DecryptCBC(ours.data(), ours.data(), ours.size());
    if (ours != plain || outLength != static_cast<int>(kCbcBytes)) {
        std::fprintf(stderr, "the two CBC implementations differ\n");
        return false;
    }
    std::memcpy(ours.data(), theirs.data(), theirs.size());
    ctx = openssl.NewContext(kKey, kIV, false);
    EVP_CipherUpdate(ctx, theirs.data(), &outLength, ours.data(), static_cast<int>(ours.size()));
    EVP_CIPHER_CTX_free(ctx);
    if (theirs != plain) {
        std::fprintf(stderr, "OpenSSL's CBC decryption does not give the plain text back\n");
        return false;
    }

    TCipherFiles container(
        cipher, [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); },
        TOutputDurability::Transient);
    const std::string sealed = files.folder + "check.ace", opened = files.folder + "check.lzh";
    if (!container.EncryptTrunk(files.plain, files.container, kPassword))
        return false;
    openssl.Seal(files.plain, sealed, kPassword);
    bool agree = SameBytes(files.container, sealed);
    if (!agree)
        std::fprintf(stderr, "the two containers differ\n");
    for (bool oursOpens : {true, false}) {
        bool done = oursOpens ? container.DecryptTrunk(sealed, opened, kPassword)
                              : openssl.Open(files.container, opened, kPassword);
        if (agree && !(done && SameBytes(opened, files.plain))) {
            std::fprintf(stderr, "%s does not open the container\n", oursOpens ? "ours" : "OpenSSL");
            agree = false;
        }
    }
    std::filesystem::remove(sealed);
    std::filesystem::remove(opened);
    return agree;
}

// Every benchmark, once both sides agree; the exit status.
int Bench() {
    OpensslContainer openssl;
    ContainerFiles files;
    if (!OutputsAgree(openssl, files))
        return 1;

    // All on the wall clock, so the container's file work counts and the ratios compare like with like.
    for (auto* b :
         {benchmark::RegisterBenchmark(Named(kCbcEncrypt, "ours").c_str(), CbcOurs, true),
          benchmark::RegisterBenchmark(Named(kCbcEncrypt, "openssl").c_str(), CbcOpenssl, true, std::ref(openssl)),
          benchmark::RegisterBenchmark(Named(kCbcDecrypt, "ours").c_str(), CbcOurs, false),
          benchmark::RegisterBenchmark(Named(kCbcDecrypt, "openssl").c_str(), CbcOpenssl, false, std::ref(openssl))})
        b->UseRealTime();
    for (auto* b : {benchmark::RegisterBenchmark(Named(kSeal, "ours").c_str(), SealOurs, std::ref(files)),
                    benchmark::RegisterBenchmark(Named(kSeal, "openssl").c_str(), SealOpenssl, std::ref(files),
                                                 std::ref(openssl)),
                    benchmark::RegisterBenchmark(Named(kOpen, "ours").c_str(), OpenOurs, std::ref(files)),
                    benchmark::RegisterBenchmark(Named(kOpen, "openssl").c_str(), OpenOpenssl, std::ref(files),
                                                 std::ref(openssl))})
        b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Repetitions in random order by default, so a load that comes and goes meets every benchmark alike; flags
    // given on the command line come later and win.
    std::vector<char*> args = {argv[0], const_cast<char*>("--benchmark_repetitions=5"),
                               const_cast<char*>("--benchmark_enable_random_interleaving=true")};
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 2;
    int status = RunInterruptibly(Bench);
    benchmark::Shutdown();
    return status;
}
