// The two roads with a trunk of a mixed corpus (256 MiB by default), side by side in the same run with the
// shell pipeline a Linux user would use instead: tar | gzip -6 | openssl enc -cast5-cbc | curl -T to send, and
// curl | openssl enc -d | gzip -d | tar -x to receive, against the same loopback FTP server (vsftpd when we are
// root, pyftpdlib otherwise). Prints our time over theirs for each road (below 1.0: we are faster) and the peak
// memory of each: our road runs in a process of its own (the window, offscreen), the pipeline's figure is its
// largest process.
//   road_bench [--size MiB] [--runs N]   (exit status 1 when a road failed)
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench/support/Interruption.h"
#include "bench/support/Numbers.h"
#include "bench/support/OutputFile.h"
#include "bench/support/SameBytes.h"
#include "bench/support/ScratchFolder.h"
#include "client/MainForm.h"
#include "platform/qt/GuiApplication.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/FtpServers.h"
#include "tools/provision/AccountFile.h"
#include "tools/provision/Provision.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using tarvo::test::FtpServer;
using tarvo::test::FtpServerKind;

constexpr const char* kCipherPassword = "bench-password";

struct Measure {
    double seconds = -1;
    long peakKiB = 0;
};

// Text that compresses as office documents do.
std::string Prose(std::mt19937& random, size_t size) {
    static const char* words[] = {"the",    "trunk", "folder",  "server", "report", "quarterly", "figures", "会議",
                                  "議事録", "資料",  "予算",    "and",    "of",     "to",        "with",    "は",
                                  "を",     "確認",  "meeting", "plan",   "draft",  "final",     "2024",    "\n"};
    std::string text;
    while (text.size() < size) {
        text += words[random() % (sizeof words / sizeof *words)];
        text += ' ';
    }
    text.resize(size);
    return text;
}

// Bytes that do not compress, as photos and archives.
std::string Noise(std::mt19937& random, size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

// Records with repeating structure, as spreadsheets and logs.
std::string Records(std::mt19937& random, size_t size) {
    std::string text;
    while (text.size() < size)
        text += "2024-04-" + std::to_string(random() % 30 + 1) + ";item" + std::to_string(random() % 5000) + ";" +
                std::to_string(random() % 100000) + ";ok\r\n";
    text.resize(size);
    return text;
}

// Swaps the contents of two files.
void SwapContents(const fs::path& a, const fs::path& b) {
    fs::path aside = a.string() + ".swap";
    fs::rename(a, aside);
    fs::rename(b, a);
    fs::rename(aside, b);
}

// Makes the first file of folder, in the order a directory walk meets them, the noise one: the trunk then holds
// a stored entry with compressed ones after it in the same pack, as a photo dropped among documents does.
void PutNoiseFirst(const std::string& folder, const fs::path& noise) {
    fs::directory_iterator first(folder);
    if (first->path() != noise)
        SwapContents(first->path(), noise);
}

// About size bytes in 4 MiB files over a few folders: a third noise, a third text, a third records, the first
// two sharing a folder with the noise met first.
void MakeCorpus(const std::string& dir, uint64_t size) {
    std::mt19937 random(2024);
    constexpr size_t fileSize = 4 << 20;
    fs::path firstNoise;
    for (uint64_t made = 0, i = 0; made < size; made += fileSize, ++i) {
        StopIfInterrupted();
        const uint64_t f = i / 2;
        std::string folder = dir + "folder" + std::to_string(f % 5) + "/sub" + std::to_string(f % 3) + "/";
        fs::create_directories(folder);
        std::string bytes = i % 3 == 0   ? Noise(random, fileSize)
                            : i % 3 == 1 ? Prose(random, fileSize)
                                         : Records(random, fileSize);
        fs::path file = folder + "file" + std::to_string(i) + (i % 3 == 0 ? ".jpg" : ".txt");
        WriteFile(file, bytes);
        if (i == 0)
            firstNoise = file;
        if (i == 1)
            PutNoiseFirst(folder, firstNoise);
    }
}

// Runs argv, waits, and measures the wall time and the largest process's peak memory.
Measure Spawn(const std::vector<std::string>& args, std::string* output = nullptr) {
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int pipes[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output && ::pipe(pipes) == 0) {
        posix_spawn_file_actions_adddup2(&actions, pipes[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipes[0]);
    }
    auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (pipes[1] >= 0)
        ::close(pipes[1]);
    if (spawned != 0)
        return {};
    if (output) {
        char buffer[256];
        for (ssize_t n; (n = ::read(pipes[0], buffer, sizeof buffer)) > 0;)
            output->append(buffer, n);
        ::close(pipes[0]);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return {seconds, usage.ru_maxrss};
}

Measure Shell(const std::string& command) {
    return Spawn({"/bin/bash", "-o", "pipefail", "-c", command});
}

// One road of ours in a child process (this program with --send or --receive): it prints the road's own time.
Measure OurRoad(const std::string& self, const std::string& road, const std::string& root) {
    std::string output;
    Measure m = Spawn({self, road, root}, &output);
    if (m.seconds < 0 || output.rfind("seconds=", 0) != 0)
        return {};
    m.seconds = std::stod(output.substr(8));
    return m;
}

// The child: the window on the prepared machine root, one road, timed from its first step to its last.
int RunRoad(const std::string& road, const std::string& root) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("TARVO_MACHINE", (root + "machine/").c_str(), 1);
    setenv("TMPDIR", (root + "tmp/").c_str(), 1);
    int argc = 1;
    char name[] = "road_bench";
    char* argv[] = {name, nullptr};
    TGuiApplication application(argc, argv, "Tarvo");
    TMainFormWin form;
    form.FormShow();
    auto start = std::chrono::steady_clock::now();
    bool done = false;
    if (road == "--send") {
        form.btnSelUpLoadClick();
        form.edTrunkName->setText("bench");
        form.DropFiles({root + "corpus"});
        form.btnUpNext1Click();
        form.btnUpStartClick();
        done = form.mmUpMess->toPlainText().contains("ファイルの転送が完了しました。");
    } else {
        form.btnSelDownLoadClick();
        form.btnNextClick();
        for (int i = 0; i < form.DwTruncList->topLevelItemCount(); ++i)
            if (form.DwTruncList->topLevelItem(i)->text(0) == "bench")
                form.DwTruncList->topLevelItem(i)->setCheckState(0, Qt::Checked);
        form.edDirPath->setText(QString::fromStdString(root + "received"));
        start = std::chrono::steady_clock::now();
        form.btnDwStartClick();
        done = form.mmDwMess->toPlainText().contains("完了しました。");
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!done)
        return 1;
    std::printf("seconds=%f\n", seconds);
    return 0;
}

// The bytes and the number of the files under dir.
std::pair<uint64_t, size_t> TreeSize(const std::string& dir) {
    uint64_t bytes = 0;
    size_t files = 0;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(dir, ec))
        if (e.is_regular_file()) {
            bytes += e.file_size();
            ++files;
        }
    return {bytes, files};
}

// Whether dir holds the very files of the corpus, byte for byte, and nothing else; says what differs.
bool SameTree(const std::string& corpus, const std::string& dir, const char* who) {
    std::error_code ec;
    size_t compared = 0;
    for (const auto& e : fs::recursive_directory_iterator(corpus, ec)) {
        if (!e.is_regular_file())
            continue;
        fs::path twin = fs::path(dir) / fs::relative(e.path(), corpus);
        if (!SameBytes(e.path(), twin)) {
            std::printf("%s: %s did not arrive whole\n", who, twin.c_str());
            return false;
        }
        ++compared;
    }
    if (ec || TreeSize(dir).second != compared) {
        std::printf("%s: the received files are not the sent ones\n", who);
        return false;
    }
    return true;
}

// False when a road failed.
bool Report(const char* road, const Measure& ours, const Measure& theirs) {
    if (ours.seconds <= 0 || theirs.seconds <= 0) {
        std::printf("%-8s failed (ours %.2f s, theirs %.2f s)\n", road, ours.seconds, theirs.seconds);
        return false;
    }
    std::printf("%-8s ours %7.2f s, pipeline %7.2f s, ratio %.2f; peak memory ours %ld MiB, pipeline %ld MiB\n", road,
                ours.seconds, theirs.seconds, ours.seconds / theirs.seconds, ours.peakKiB / 1024,
                theirs.peakKiB / 1024);
    return true;
}

Measure Best(int runs, const std::function<Measure()>& run) {
    Measure best;
    for (int i = 0; i < runs; ++i) {
        Measure m = run();
        StopIfInterrupted();  // a road the signal cut short is no failure to report
        if (m.seconds > 0 && (best.seconds < 0 || m.seconds < best.seconds))
            best = m;
    }
    return best;
}

// Both roads against the pipeline with a corpus of mib MiB; the exit status.
int Bench(uint64_t mib, int runs) {
    const ScratchFolder scratch("tarvo-road-bench");
    const std::string& root = scratch.Path();
    fs::create_directories(root + "tmp");
    fs::permissions(root + "tmp", fs::perms::owner_all);
    // Everything the roads and Qt keep goes into the bench's own folder, never the user's home or temporary folder.
    setenv("TMPDIR", (root + "tmp/").c_str(), 1);
    setenv("TARVO_MACHINE", (root + "machine/").c_str(), 1);
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
        std::string dir = root + "home/" + name;
        fs::create_directories(dir);
        fs::permissions(dir, fs::perms::owner_all);
        setenv(name, dir.c_str(), 1);
    }

    FtpServer server(::geteuid() == 0 ? FtpServerKind::Vsftpd : FtpServerKind::Pyftpdlib);
    std::string why = server.Start(root + "served", root + "server", root);
    if (!why.empty()) {
        std::printf("road_bench skipped: %s\n", why.c_str());
        return 0;
    }
    fs::create_directories(root + "machine/etc");
    WriteFile(root + "machine/etc/services", "ftp " + std::to_string(server.Port()) + "/tcp\n");
    TarvoSettings settings;
    settings.ServerName = "127.0.0.1";
    settings.Account = server.User();
    settings.Password = server.Password();
    settings.AccountID = "account";
    settings.MaxTruncSize = 0x7FFFFFFF;
    ProvisionSettings(settings);
    SealAccountFile("[bench]\nAccountType=1\nAccount=" + server.User() + "\nPassword=" + server.Password() +
                        "\nServerName=127.0.0.1\nLimitTruncCount=100\n",
                    server.Folder() + "account.ace");
    if (!server.HandOver(server.Folder() + "account.ace")) {
        std::fprintf(stderr, "road_bench: cannot hand the account file to the FTP server's session account\n");
        return 1;
    }
    MakeCorpus(root + "corpus/", mib << 20);
    const auto corpus = TreeSize(root + "corpus");
    std::printf("road_bench: %.0f MiB in %zu files, %s on loopback, best of %d\n",
                static_cast<double>(corpus.first) / (1 << 20), corpus.second,
                tarvo::test::FtpServerName(server.Kind()).c_str(), runs);

    const std::string url = "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/bench.tgz.cast5";
    const std::string netrc = root + "netrc";
    if (!server.WriteNetrc(netrc)) {
        std::fprintf(stderr, "road_bench: cannot write %s\n", netrc.c_str());
        return 1;
    }
    const std::string user = "--netrc-file '" + netrc + "'";
    const std::string openssl =
        "openssl enc -provider legacy -provider default -cast5-cbc -pbkdf2 -pass pass:" + std::string(kCipherPassword);
    const std::string self = fs::read_symlink("/proc/self/exe");

    Measure oursSend = Best(runs, [&] {
        fs::remove(server.Folder() + "bench.ace");
        fs::remove(server.Folder() + "bench.txt");
        return OurRoad(self, "--send", root);
    });
    Measure theirsSend = Best(runs, [&] {
        return Shell("tar -C '" + root + "' -cf - corpus | gzip -6 | " + openssl + " | curl -s " + user + " -T - '" +
                     url + "'");
    });
    Measure oursReceive = Best(runs, [&] {
        fs::remove_all(root + "received");
        fs::create_directories(root + "received");
        return OurRoad(self, "--receive", root);
    });
    bool oursWhole = SameTree(root + "corpus", root + "received/bench/corpus", "ours");
    Measure theirsReceive = Best(runs, [&] {
        fs::remove_all(root + "theirs");
        fs::create_directories(root + "theirs");
        return Shell("curl -s " + user + " '" + url + "' | " + openssl + " -d | gzip -d | tar -C '" + root +
                     "theirs' -xf -");
    });
    bool theirsWhole = SameTree(root + "corpus", root + "theirs/corpus", "pipeline");
    // Figures only for roads that delivered the corpus whole.
    bool ok = oursWhole && theirsWhole;
    ok = ok && Report("send", oursSend, theirsSend);
    ok = ok && Report("receive", oursReceive, theirsReceive);
    std::error_code ec;
    std::printf("trunk: ours %.1f MiB, pipeline %.1f MiB\n",
                static_cast<double>(fs::file_size(server.Folder() + "bench.ace", ec)) / (1 << 20),
                static_cast<double>(fs::file_size(server.Folder() + "bench.tgz.cast5", ec)) / (1 << 20));
    server.Stop();
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && (std::string(argv[1]) == "--send" || std::string(argv[1]) == "--receive"))
        return RunRoad(argv[1], argv[2]);
    uint64_t mib = 256, runs = 2;
    for (int i = 1; i < argc; i += 2) {
        const std::string option = argv[i];
        uint64_t* value = option == "--size" ? &mib : option == "--runs" ? &runs : nullptr;
        if (!value || i + 1 == argc || !PositiveNumber(argv[i + 1], *value)) {
            std::fprintf(stderr, "usage: road_bench [--size MiB] [--runs count], each a whole number above 0\n");
            return 2;
        }
    }
    return RunInterruptibly([&] { return Bench(mib, static_cast<int>(runs)); });
}
