#include "tests/support/TestEnvironment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

namespace tarvo::test {

namespace fs = std::filesystem;

namespace {

Sandbox current;
int sandboxCount = 0;
std::string processRoot;

std::string MakeProcessRoot() {
    const char* base = std::getenv("TARVO_TEST_TMP");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tarvo-test-XXXXXX";
    std::string buf = pattern;
    if (!mkdtemp(buf.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    return buf + "/";
}

void EnterSandbox(const std::string& root) {
    current.top = processRoot;
    current.root = root;
    current.machine = root + "machine/";
    current.tmp = root + "tmp/";
    current.home = root + "home/";
    current.work = root + "work/";
    for (const auto& dir : {current.machine, current.tmp, current.home, current.work})
        fs::create_directories(dir);
    setenv("TARVO_MACHINE", current.machine.c_str(), 1);
    setenv("TMPDIR", current.tmp.c_str(), 1);
    setenv("HOME", current.home.c_str(), 1);
    setenv("XDG_DATA_HOME", (current.home + ".local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (current.home + ".config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (current.home + ".cache").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", current.tmp.c_str(), 1);
    chmod(current.tmp.c_str(), 0700);
}

bool KeepSandbox() {
    return std::getenv("TARVO_KEEP_SANDBOX") != nullptr;
}

class ProcessEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("TZ", "JST-9", 1);
        tzset();
        processRoot = MakeProcessRoot();
        EnterSandbox(processRoot + "process/");
    }
    void TearDown() override {
        if (!KeepSandbox()) {
            std::error_code ec;
            fs::remove_all(processRoot, ec);
        }
    }
};

}  // namespace

void RegisterProcessEnvironment() {
    ::testing::AddGlobalTestEnvironment(new ProcessEnvironment);
}

const Sandbox& CurrentSandbox() {
    return current;
}

void TarvoTest::SetUp() {
    EnterSandbox(processRoot + "case" + std::to_string(++sandboxCount) + "/");
}

void TarvoTest::TearDown() {
    std::string root = current.root;
    EnterSandbox(processRoot + "process/");
    if (!KeepSandbox()) {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
}

void WriteFile(const std::string& path, const std::string& bytes) {
    fs::path p(path);
    if (p.has_parent_path())
        fs::create_directories(p.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool WaitForFile(const std::string& path) {
    for (int look = 0; look < 6000; ++look) {
        if (::access(path.c_str(), F_OK) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::string RandomBytes(size_t count, uint32_t seed) {
    std::mt19937 gen(seed);
    std::string s(count, '\0');
    for (auto& c : s)
        c = static_cast<char>(gen() & 0xFF);
    return s;
}

std::string TestDataPath(const std::string& relative) {
    const char* dir = std::getenv("TARVO_TEST_DATA");
    return std::string(dir ? dir : "tests/data") + "/" + relative;
}

}  // namespace tarvo::test
