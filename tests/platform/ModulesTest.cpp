#include <gtest/gtest.h>

#include <string>

#include "platform/rtl/SysUtils.h"
#include "platform/win/Modules.h"

namespace {

int FakeEntry() {
    return 7;
}

class ModulesTest : public ::testing::Test {
protected:
    void TearDown() override {
        win::ClearModuleHooks();
        win::UnregisterBuiltinModule("fake.dll");
    }
};

TEST_F(ModulesTest, SharedObjectFoundByWindowsName) {
    EXPECT_EQ(win::SharedObjectName("UNLHA32.DLL"), "libunlha32.so");
    EXPECT_EQ(win::SharedObjectName("7-zip32.dll"), "lib7-zip32.so");
    win::HMODULE m = win::LoadLibraryA("TESTMOD.DLL");
    ASSERT_NE(m, 0u);
    auto answer = reinterpret_cast<int (*)()>(win::GetProcAddress(m, "TestModAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(win::GetProcAddress(m, "NoSuchEntry"), nullptr);
    EXPECT_EQ(win::GetLastError(), win::ERROR_PROC_NOT_FOUND);
    char path[300];
    ASSERT_GT(win::GetModuleFileNameA(m, path, sizeof path), 0u);
    EXPECT_NE(std::string(path).find("libtestmod.so"), std::string::npos);
    EXPECT_TRUE(win::FreeLibrary(m));
    EXPECT_FALSE(win::FreeLibrary(m));
}

TEST_F(ModulesTest, MissingLibraryAndNullModule) {
    EXPECT_EQ(win::LoadLibraryA("NOSUCH32.DLL"), 0u);
    EXPECT_EQ(win::GetLastError(), win::ERROR_MOD_NOT_FOUND);
    // dlsym(NULL) would search the whole process; the loader refuses instead.
    EXPECT_EQ(win::GetProcAddress(0, "TestModAnswer"), nullptr);
    EXPECT_EQ(win::GetProcAddress(0, "malloc"), nullptr);
    // Module 0 is the program itself, cut to the buffer as Windows does.
    char self[4096];
    ASSERT_GT(win::GetModuleFileNameA(0, self, sizeof self), 0u);
    EXPECT_EQ(ExtractFileName(self), "platform_win_test");
    char cut[5];
    EXPECT_EQ(win::GetModuleFileNameA(0, cut, sizeof cut), 4u);
    EXPECT_EQ(std::string(cut), std::string(self).substr(0, 4));
}

TEST_F(ModulesTest, BuiltinModulesCountLoadsAndCanBeHidden) {
    win::RegisterBuiltinModule("fake.dll", {{"Entry", reinterpret_cast<win::FARPROC>(&FakeEntry)}});
    win::HMODULE a = win::LoadLibraryA("FAKE.DLL");
    win::HMODULE b = win::LoadLibraryA("fake");
    ASSERT_NE(a, 0u);
    EXPECT_EQ(a, b);
    EXPECT_NE(win::GetProcAddress(a, "Entry"), nullptr);
    win::HideModuleEntry("fake.dll", "Entry");
    EXPECT_EQ(win::GetProcAddress(a, "Entry"), nullptr);
    EXPECT_TRUE(win::FreeLibrary(a));
    EXPECT_EQ(win::GetModuleHandleA("fake.dll"), a);  // still loaded once
    EXPECT_TRUE(win::FreeLibrary(b));
    EXPECT_EQ(win::GetModuleHandleA("fake.dll"), 0u);
    win::HideModule("fake.dll");
    EXPECT_EQ(win::LoadLibraryA("fake.dll"), 0u);
}

}  // namespace
