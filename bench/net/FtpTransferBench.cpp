// Download and upload of a 512 MiB file over loopback through TFtpClient, side by side with curl against the
// same server in the same mode, in the same run. Prints the best throughput of each and the median of our speed
// over curl's in runs taken in pairs (above 1.0: we are faster).
// vsftpd runs when we are root, pyftpdlib always. Words on the command
// line narrow the run to the servers, modes and directions named (e.g. "vsftpd passive upload").
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/Interruption.h"
#include "bench/support/OutputFile.h"
#include "bench/support/SameBytes.h"
#include "bench/support/ScratchFolder.h"
#include "net/FtpCli.h"
#include "tests/support/FtpServers.h"

namespace {

namespace fs = std::filesystem;
using tarvo::test::FtpServer;
using tarvo::test::FtpServerKind;

constexpr uint64_t kFileSize = uint64_t{512} << 20;
// The source, our download and our upload are there at once.
constexpr uint64_t kScratchBytes = 3 * kFileSize;
constexpr int kRuns = 9;

// Wall and processor seconds of one run (negative when it failed). The processor time is ours (this thread)
// or curl's (the children reaped meanwhile); the servers count for neither.
struct Run {
    double wall = -1;
    double cpu = -1;
};

double CpuSeconds(int who) {
    rusage u{};
    ::getrusage(who, &u);
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

Run Measure(const std::function<bool()>& run, int who) {
    double cpu = CpuSeconds(who);
    auto start = std::chrono::steady_clock::now();
    bool ok = run();
    StopIfInterrupted();  // a run the signal cut short gives no figure
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return ok ? Run{wall, CpuSeconds(who) - cpu} : Run{};
}

struct Times {
    Run ours;
    Run curl;
    // curl's time over ours, run by run: the two of a pair meet the machine in much the same mood.
    std::vector<double> ratios;

    // The middle of the pairs' ratios, which one odd run cannot pull as it pulls a best time; 0 when a run failed.
    double Ratio() const {
        if (ratios.size() != static_cast<size_t>(kRuns))
            return 0;
        std::vector<double> sorted = ratios;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

// The best time of each and the ratio of every pair, their runs taking turns so that the machine's moods fall on
// both alike; every run starts from a clean target.
Times Race(const std::function<bool()>& ours, const std::function<bool()>& curl, const std::function<void()>& clean) {
    Times best;
    auto keep = [](const Run& r, Run& into) {
        if (r.wall > 0 && (into.wall < 0 || r.wall < into.wall))
            into.wall = r.wall;
        if (r.cpu >= 0 && (into.cpu < 0 || r.cpu < into.cpu))
            into.cpu = r.cpu;
    };
    for (int i = 0; i < kRuns; ++i) {
        Run mine, theirs;
        // Each goes first every other time: the one that follows meets what the other left behind.
        for (bool oursNow : {i % 2 == 1, i % 2 == 0}) {
            clean();
            if (oursNow)
                mine = Measure(ours, RUSAGE_THREAD);
            else
                theirs = Measure(curl, RUSAGE_CHILDREN);
        }
        keep(mine, best.ours);
        keep(theirs, best.curl);
        if (mine.wall > 0 && theirs.wall > 0)
            best.ratios.push_back(theirs.wall / mine.wall);
    }
    return best;
}

bool RunCurl(const std::vector<std::string>& args) {
    pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv("/usr/bin/curl", argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void WriteBigFile(const std::string& path) {
    OutputFile out(path);
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 2654435761u >> 24);
    for (uint64_t written = 0; written < kFileSize; written += block.size()) {
        StopIfInterrupted();
        block[0] = static_cast<char>(written >> 20);
        out.Write(block.data(), block.size());
    }
}

// One transfer of ours whose result is compared with its source before any time is taken.
bool TransfersWhole(const std::function<bool()>& ours, const std::string& result, const std::string& source) {
    bool done = ours();
    StopIfInterrupted();  // a transfer the signal cut short is no damage to report
    bool whole = done && SameBytes(result, source);
    if (!whole)
        std::printf("  the transferred file differs from its source: no figures\n");
    return whole;
}

class Session {
public:
    Session(const FtpServer& server, bool passive) {
        ftp_.HostName = "127.0.0.1";
        ftp_.Port = std::to_string(server.Port());
        ftp_.UserName = server.User();
        ftp_.PassWord = server.Password();
        ftp_.Timeout = 60;
        ftp_.SetPassive(passive);
    }
    bool Transfer(bool download, const std::string& local, const std::string& remote) {
        ftp_.SetLocalFileName(local);
        ftp_.HostFileName = remote;
        bool ok = ftp_.ConnectSync() && ftp_.TypeSync() && (download ? ftp_.GetSync() : ftp_.PutSync());
        if (!ok)
            std::fprintf(stderr, "  failed: %s\n", ftp_.ErrorMessage().c_str());
        ftp_.QuitSync();
        return ok;
    }

private:
    TFtpClient ftp_;
};

// The words the command line may narrow a run with, in groups.
using WordGroup = std::vector<std::string>;
const WordGroup kServers = {"vsftpd", "pyftpdlib"};
const WordGroup kModes = {"active", "passive"};
const WordGroup kDirections = {"download", "upload"};

bool Contains(const WordGroup& words, const std::string& word) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

// The words of the command line; a group none of whose words was given is not narrowed.
struct Selection {
    WordGroup words;
    bool Wants(const std::string& word, const WordGroup& group) const {
        auto given = [&](const std::string& w) { return Contains(words, w); };
        return std::none_of(group.begin(), group.end(), given) || given(word);
    }
    // The first word of no group (a misspelt one would otherwise narrow nothing); empty when there is none.
    std::string Unknown() const {
        for (const std::string& w : words)
            if (!Contains(kServers, w) && !Contains(kModes, w) && !Contains(kDirections, w))
                return w;
        return "";
    }
};

// False when one of our transfers came out damaged.
bool Compare(const FtpServer& server, bool passive, const std::string& folder, const Selection& only) {
    std::string url = "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/";
    const std::string netrc = folder + "netrc";
    if (!server.WriteNetrc(netrc))
        throw std::runtime_error("cannot write " + netrc);
    std::vector<std::string> curl = {"curl", "-s", "--netrc-file", netrc};
    if (!passive)
        curl.insert(curl.end(), {"-P", "-"});
    Session session(server, passive);
    std::string mode = passive ? "passive" : "active";
    std::string source = server.Folder() + "big.bin";

    auto rate = [](double s) { return s > 0 ? static_cast<double>(kFileSize) / s / (1 << 20) : 0.0; };
    auto report = [&](const char* what, const Times& t) {
        std::printf("%-9s %-7s %s ours %7.1f MiB/s, curl %7.1f MiB/s, ratio %.2f; processor time ours/curl %.2f\n",
                    tarvo::test::FtpServerName(server.Kind()).c_str(), mode.c_str(), what, rate(t.ours.wall),
                    rate(t.curl.wall), t.Ratio(), t.curl.cpu > 0 ? t.ours.cpu / t.curl.cpu : 0.0);
        std::fflush(stdout);
    };
    bool whole = true;
    if (only.Wants("download", kDirections)) {
        auto curlGet = curl;
        curlGet.insert(curlGet.end(), {"-o", folder + "down.bin", url + "big.bin"});
        auto ours = [&] { return session.Transfer(true, folder + "down.bin", "big.bin"); };
        if (TransfersWhole(ours, folder + "down.bin", source))
            report("download", Race(
                                   ours, [&] { return RunCurl(curlGet); }, [&] { fs::remove(folder + "down.bin"); }));
        else
            whole = false;
    }
    if (only.Wants("upload", kDirections)) {
        auto curlPut = curl;
        curlPut.insert(curlPut.end(), {"-T", source, url + "up.bin"});
        auto ours = [&] { return session.Transfer(false, source, "up.bin"); };
        if (TransfersWhole(ours, server.Folder() + "up.bin", source))
            report("upload:  ",
                   Race(
                       ours, [&] { return RunCurl(curlPut); }, [&] { fs::remove(server.Folder() + "up.bin"); }));
        else
            whole = false;
    }
    fs::remove(folder + "down.bin");
    fs::remove(server.Folder() + "up.bin");
    return whole;
}

// Every server and mode selected; the exit status.
int Bench(const Selection& only) {
    // In memory when there is room: the figures compare the clients, and a disk's writeback would sway the
    // uploads by more than they differ.
    const ScratchFolder scratch("tarvo-ftp-bench", "/dev/shm", kScratchBytes);
    const std::string& folder = scratch.Path();
    std::printf("scratch folder %s\n", folder.c_str());
    bool whole = true;
    for (FtpServerKind kind : {FtpServerKind::Vsftpd, FtpServerKind::Pyftpdlib}) {
        if (!only.Wants(tarvo::test::FtpServerName(kind), kServers))
            continue;
        FtpServer server(kind);
        std::string why = server.Start(folder + "served", folder + "server-" + std::to_string(int(kind)), folder);
        if (!why.empty()) {
            std::printf("%s skipped: %s\n", tarvo::test::FtpServerName(kind).c_str(), why.c_str());
            continue;
        }
        if (!fs::exists(server.Folder() + "big.bin"))
            WriteBigFile(server.Folder() + "big.bin");
        for (bool passive : {false, true}) {
            if (only.Wants(passive ? "passive" : "active", kModes))
                whole = Compare(server, passive, folder, only) && whole;
        }
    }
    return whole ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Selection only{std::vector<std::string>(argv + 1, argv + argc)};
    if (std::string word = only.Unknown(); !word.empty()) {
        std::fprintf(
            stderr,
            "ftp_transfer: unknown word \"%s\"; give servers, modes or directions (e.g. vsftpd passive upload)\n",
            word.c_str());
        return 2;
    }
    return RunInterruptibly([&] { return Bench(only); });
}
