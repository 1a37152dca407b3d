#include "tests/support/TestBackend.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tarvo::test {

namespace {

constexpr const char* QtBackendLibrary = "libtarvo_test_qt.so";

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "test backend: %s\n", message.c_str());
    std::exit(2);
}

class QtBackendEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        const char* dir = std::getenv("TARVO_LIBRARY_PATH");
        const std::string path = std::string(dir && *dir ? dir : ".") + "/" + QtBackendLibrary;
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
        if (!library)
            Fail(dlerror());
        auto start = reinterpret_cast<void (*)()>(dlsym(library, "TarvoTestQtBackendStart"));
        stop_ = reinterpret_cast<void (*)()>(dlsym(library, "TarvoTestQtBackendStop"));
        if (!start || !stop_)
            Fail(path + " lacks its entry points");
        start();
    }
    // The library stays loaded: Qt's own clean-up at exit still runs code from it.
    void TearDown() override { stop_(); }

private:
    void (*stop_)() = nullptr;
};

}  // namespace

void RegisterTestBackend() {
    const char* backend = std::getenv("TARVO_TEST_BACKEND");
    const std::string name = backend ? backend : "";
    if (name.empty() || name == "poll")
        return;
    if (name != "qt")
        Fail("unknown TARVO_TEST_BACKEND \"" + name + "\" (poll or qt)");
    ::testing::AddGlobalTestEnvironment(new QtBackendEnvironment);
}

}  // namespace tarvo::test
