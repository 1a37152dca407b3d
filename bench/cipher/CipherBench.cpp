// CAST-128 CBC and the encrypted-file container, ours beside OpenSSL's CAST5-CBC, measured in the same run.
// Each pair ends with our throughput as a ratio of OpenSSL's (above 1.0: we are faster).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/cipher/OpensslContainer.h"
#include "bench/support/ScratchFolder.h"
#include "cipher/Cast128.h"
#include "client/CipherFiles.h"
#include "platform/rtl/Streams.h"

namespace {

constexpr size_t kCbcBytes = size_t{1} << 20;
constexpr int64_t kContainerBytes = int64_t{64} << 20;
const char kPassword[] = "plinkova";
const unsigned char kKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const unsigned char kIV[8] = {8, 7, 6, 5, 4, 3, 2, 1};

std::vector<unsigned char> RandomBuffer(size_t size) {
    std::vector<unsigned char> data(size);
    std::mt19937_64 gen(42);
    for (size_t i = 0; i < size; i += 8) {
        uint64_t v = gen();
        std::memcpy(&data[i], &v, std::min<size_t>(8, size - i));
    }
    return data;
}

void CbcOurs(benchmark::State& state, bool encrypt) {
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

// The files of the container runs, in a folder of their own under $TMPDIR.
struct ContainerFiles {
    std::string folder, plain, container, opened;

    ContainerFiles() {
        folder = MakeScratchFolder("tarvo-bench");
        if (folder.empty())
            throw std::runtime_error("cannot make a scratch folder for the container runs");
        plain = folder + "plain.lzh";
        container = folder + "trunk.ace";
        opened = folder + "opened.lzh";
        std::vector<unsigned char> data = RandomBuffer(kContainerBytes);
        TFileStream(plain, fmCreate, 0600).WriteBuffer(data.data(), kContainerBytes);
    }
    ~ContainerFiles() { std::filesystem::remove_all(folder); }
};

void SealOurs(benchmark::State& state, ContainerFiles& files) {
    TCiph_cast128 cipher;
    TCipherFiles container(cipher, [&](const std::string& text) { state.SkipWithError(text.c_str()); },
                           TOutputDurability::Transient);
    for (auto _ : state)
        container.EncryptTrunk(files.plain, files.container, kPassword);
    state.SetBytesProcessed(state.iterations() * kContainerBytes);
}

void OpenOurs(benchmark::State& state, ContainerFiles& files) {
    TCiph_cast128 cipher;
    TCipherFiles container(cipher, [&](const std::string& text) { state.SkipWithError(text.c_str()); },
                           TOutputDurability::Transient);
    for (auto _ : state)
        container.DecryptTrunk(files.container, files.opened, kPassword);
    state.SetBytesProcessed(state.iterations() * kContainerBytes);
}

void SealOpenssl(benchmark::State& state, ContainerFiles& files, OpensslContainer& openssl) {
    std::string theirs = files.folder + "theirs.ace";
    for (auto _ : state)
        openssl.Seal(files.plain, theirs, kPassword);
    state.SetBytesProcessed(state.iterations() * kContainerBytes);
}

void OpenOpenssl(benchmark::State& state, ContainerFiles& files, OpensslContainer& openssl) {
    std::string opened = files.folder + "theirs.lzh";
    for (auto _ : state)
        if (!openssl.Open(files.container, opened, kPassword))
            state.SkipWithError("wrong password");
    state.SetBytesProcessed(state.iterations() * kContainerBytes);
}

// Prints the console report, then per pair "name: ours/OpenSSL = ratio" from the mean byte rates.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto rate = run.counters.find("bytes_per_second");
            if (run.run_type != Run::RT_Iteration || run.error_occurred || rate == run.counters.end())
                continue;
            std::string name = run.run_name.function_name;
            auto slash = name.rfind('/');
            auto& pair = rates_[name.substr(0, slash)];
            (name.substr(slash + 1) == "ours" ? pair.ours : pair.openssl).push_back(rate->second.value);
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nThroughput as a ratio of OpenSSL's (goal >= 1.0):\n");
        for (const auto& [name, pair] : rates_) {
            if (pair.ours.empty() || pair.openssl.empty())
                continue;
            std::printf("  %-28s %.2f\n", name.c_str(), Mean(pair.ours) / Mean(pair.openssl));
        }
    }

private:
    struct Pair {
        std::vector<double> ours, openssl;
    };
    static double Mean(const std::vector<double>& v) {
        double sum = 0;
        for (double x : v)
            sum += x;
        return sum / static_cast<double>(v.size());
    }
    std::map<std::string, Pair> rates_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    OpensslContainer openssl;
    ContainerFiles files;

    // Both must make the same container, or the comparison means nothing.
    TCiph_cast128 cipher;
    TCipherFiles ours(cipher, [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); },
                      TOutputDurability::Transient);
    std::string theirs = files.folder + "check.ace";
    if (!ours.EncryptTrunk(files.plain, files.container, kPassword))
        return 1;
    openssl.Seal(files.plain, theirs, kPassword);
    TMemoryStream a, b;
    a.LoadFromFile(files.container);
    b.LoadFromFile(theirs);
    if (a.Size() != b.Size() || std::memcmp(a.Memory(), b.Memory(), static_cast<size_t>(a.Size())) != 0) {
        std::fprintf(stderr, "the two containers differ\n");
        return 1;
    }
    std::filesystem::remove(theirs);

    benchmark::RegisterBenchmark("CAST-128 CBC encrypt/ours", CbcOurs, true);
    benchmark::RegisterBenchmark("CAST-128 CBC encrypt/openssl", CbcOpenssl, true, std::ref(openssl));
    benchmark::RegisterBenchmark("CAST-128 CBC decrypt/ours", CbcOurs, false);
    benchmark::RegisterBenchmark("CAST-128 CBC decrypt/openssl", CbcOpenssl, false, std::ref(openssl));
    for (auto* b : {benchmark::RegisterBenchmark("Seal 64 MiB container/ours", SealOurs, std::ref(files)),
                    benchmark::RegisterBenchmark("Seal 64 MiB container/openssl", SealOpenssl, std::ref(files),
                                                 std::ref(openssl)),
                    benchmark::RegisterBenchmark("Open 64 MiB container/ours", OpenOurs, std::ref(files)),
                    benchmark::RegisterBenchmark("Open 64 MiB container/openssl", OpenOpenssl, std::ref(files),
                                                 std::ref(openssl))})
        b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
