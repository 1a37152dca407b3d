#include <gtest/gtest.h>

#include <cstring>

#include "platform/win/Modules.h"
#include "platform/win/Version.h"
#include "setup/WindowsVersionInfo.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace win;

class VersionTest : public tarvo::test::TarvoTest {
protected:
    void TearDown() override {
        SetVersionQuery(nullptr);
        ClearModuleHooks();
        TarvoTest::TearDown();
    }
    static void Report(const VersionReport& report) {
        SetVersionQuery([report] { return std::optional<VersionReport>(report); });
    }
};

struct VersionCase {
    DWORD platform, major, minor;
    WORD suite;
    BYTE productType;
    DWORD productValue;
    uint8_t systemCode, editionCode;
};

void PrintTo(const VersionCase& c, std::ostream* os) {
    *os << "platform " << c.platform << " " << c.major << "." << c.minor << " suite 0x" << std::hex << c.suite
        << std::dec << " type " << int(c.productType) << " product " << c.productValue;
}

class VersionTable : public VersionTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionTable, SystemAndEditionCodes) {
    const VersionCase& c = GetParam();
    VersionReport report;
    report.platformId = c.platform;
    report.majorVersion = c.major;
    report.minorVersion = c.minor;
    report.suiteMask = c.suite;
    report.productType = c.productType;
    report.productValue = c.productValue;
    Report(report);
    TWindowsVersionInfo info;
    EXPECT_EQ(info.SystemCode(), c.systemCode);
    EXPECT_EQ(info.EditionCode(), c.editionCode);
}

constexpr WORD Ent = VER_SUITE_ENTERPRISE, Personal = VER_SUITE_PERSONAL, Blade = VER_SUITE_BLADE;

INSTANTIATE_TEST_SUITE_P(Win32sAnd9x, VersionTable,
                         ::testing::Values(VersionCase{0, 3, 10, 0, 0, 0, 0, 0}, VersionCase{0, 9, 0, 0, 0, 0, 0, 0},
                                           VersionCase{1, 3, 95, 0, 0, 0, 0, 0}, VersionCase{1, 4, 0, 0, 0, 0, 1, 0},
                                           VersionCase{1, 4, 9, 0, 0, 0, 1, 0}, VersionCase{1, 4, 10, 0, 0, 0, 3, 0},
                                           VersionCase{1, 4, 18, 0, 0, 0, 3, 0}, VersionCase{1, 4, 19, 0, 0, 0, 2, 0},
                                           VersionCase{1, 4, 89, 0, 0, 0, 2, 0}, VersionCase{1, 4, 90, 0, 0, 0, 3, 0},
                                           VersionCase{1, 4, 255, 0, 0, 0, 3, 0}, VersionCase{1, 5, 0, 0, 0, 0, 11, 0},
                                           // suite and product information belong to the NT family only
                                           VersionCase{1, 4, 10, Ent, 1, 1, 3, 0}));

INSTANTIATE_TEST_SUITE_P(
    NtBySuite, VersionTable,
    ::testing::Values(VersionCase{2, 3, 51, 0, 1, 0, 0, 0}, VersionCase{2, 4, 0, 0, 1, 0, 4, 1},
                      VersionCase{2, 4, 0, Ent, 3, 0, 4, 4}, VersionCase{2, 5, 0, Ent, 1, 0, 5, 3},
                      VersionCase{2, 5, 0, Ent, 3, 0, 5, 5}, VersionCase{2, 5, 0, Blade, 2, 0, 5, 4},
                      VersionCase{2, 5, 1, Personal, 1, 0, 6, 2}, VersionCase{2, 5, 1, Ent, 1, 0, 6, 3},
                      VersionCase{2, 5, 2, Ent | Blade, 3, 0, 7, 6}, VersionCase{2, 5, 2, Blade, 3, 0, 7, 7},
                      VersionCase{2, 5, 2, Personal, 3, 0, 7, 4}, VersionCase{2, 5, 3, Ent, 1, 0, 11, 0}));

INSTANTIATE_TEST_SUITE_P(
    NtByProduct, VersionTable,
    ::testing::Values(
        VersionCase{2, 6, 0, 0, 1, PRODUCT_ULTIMATE, 8, 8}, VersionCase{2, 6, 0, 0, 1, PRODUCT_HOME_BASIC, 8, 9},
        VersionCase{2, 6, 0, 0, 1, PRODUCT_HOME_PREMIUM, 8, 10}, VersionCase{2, 6, 0, 0, 1, PRODUCT_ENTERPRISE, 8, 12},
        VersionCase{2, 6, 0, 0, 1, PRODUCT_HOME_BASIC_N, 8, 15}, VersionCase{2, 6, 0, 0, 1, PRODUCT_BUSINESS, 8, 11},
        VersionCase{2, 6, 0, 0, 1, PRODUCT_STARTER, 8, 13}, VersionCase{2, 6, 0, 0, 1, PRODUCT_BUSINESS_N, 8, 14},
        VersionCase{2, 6, 0, Ent, 3, 7, 8, 0},  // a product the table does not list
        VersionCase{2, 6, 1, Ent, 1, PRODUCT_ULTIMATE, 9, 0}, VersionCase{2, 6, 2, 0, 1, PRODUCT_ULTIMATE, 10, 4},
        VersionCase{2, 6, 3, 0, 3, 0, 10, 4}, VersionCase{2, 10, 0, 0, 1, 0, 11, 0},
        VersionCase{3, 6, 1, 0, 1, 0, 11, 0}, VersionCase{0x7FFF, 4, 10, Ent, 1, 1, 11, 0}));

TEST_F(VersionTest, FieldsOfTheReport) {
    VersionReport report;
    report.platformId = VER_PLATFORM_WIN32_NT;
    report.majorVersion = 5;
    report.minorVersion = 1;
    report.buildNumber = 2600;
    report.servicePackMajor = 3;
    report.servicePackMinor = 1;
    report.suiteMask = 0x0300;
    report.productType = 1;
    Report(report);
    TWindowsVersionInfo xp;
    EXPECT_EQ(xp.MajorVersion(), 5u);
    EXPECT_EQ(xp.MinorVersion(), 1u);
    EXPECT_EQ(xp.BuildNumber(), 2600u);
    EXPECT_EQ(xp.PlatformId(), 2u);
    EXPECT_EQ(xp.ServicePackMajor(), 3);
    EXPECT_EQ(xp.ServicePackMinor(), 1);
    EXPECT_EQ(xp.SuiteMask(), 0x0300);
    EXPECT_EQ(xp.ProductType(), 1);
    EXPECT_EQ(xp.EditionCode(), 2);

    report.platformId = VER_PLATFORM_WIN32_WINDOWS;
    report.majorVersion = 4;
    report.minorVersion = 90;
    Report(report);
    TWindowsVersionInfo me;
    EXPECT_EQ(me.SystemCode(), 3);
    EXPECT_EQ(me.BuildNumber(), 2600u);
    EXPECT_EQ(me.ServicePackMajor(), 0);
    EXPECT_EQ(me.SuiteMask(), 0);
    EXPECT_EQ(me.ProductType(), 0);
}

TEST_F(VersionTest, AFailingQueryLeavesEverythingZero) {
    SetVersionQuery([] { return std::optional<VersionReport>(); });
    TWindowsVersionInfo info;
    EXPECT_EQ(info.SystemCode(), 0);
    EXPECT_EQ(info.PlatformId(), 0u);
    EXPECT_EQ(info.MajorVersion(), 0u);
    EXPECT_EQ(info.EditionCode(), 0);
}

TEST_F(VersionTest, WithoutGetProductInfoVistaHasNoEdition) {
    VersionReport report;
    report.platformId = VER_PLATFORM_WIN32_NT;
    report.majorVersion = 6;
    report.productValue = PRODUCT_ULTIMATE;
    Report(report);
    EXPECT_EQ(TWindowsVersionInfo().EditionCode(), 8);
    HideModuleEntry("kernel32", "GetProductInfo");
    EXPECT_EQ(TWindowsVersionInfo().EditionCode(), 0);
    HideModule("kernel32.dll");
    EXPECT_EQ(TWindowsVersionInfo().EditionCode(), 0);
    ClearModuleHooks();
    // The lookup releases the library every time.
    EXPECT_EQ(TWindowsVersionInfo().EditionCode(), 8);
    EXPECT_EQ(GetModuleHandleA("kernel32"), 0u);
}

TEST_F(VersionTest, ThisMachineIsReportedAsTheInterfaceItProvides) {
    TWindowsVersionInfo info;
    EXPECT_EQ(info.PlatformId(), VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(info.SystemCode(), 9);  // supported: the uninstaller does not warn
    EXPECT_EQ(info.EditionCode(), 0);
    EXPECT_EQ(info.BuildNumber(), 0u);
    EXPECT_EQ(info.ProductType(), VER_NT_WORKSTATION);

    OSVERSIONINFOA basic;
    ASSERT_TRUE(GetVersionExA(&basic));
    EXPECT_EQ(std::string(basic.szCSDVersion).rfind("Linux ", 0), 0u) << basic.szCSDVersion;
    DWORD product = 99;
    EXPECT_TRUE(GetProductInfo(6, 1, 0, 0, &product));
    EXPECT_EQ(product, PRODUCT_UNDEFINED);
}

TEST_F(VersionTest, TheRecordSizeDecidesWhatIsFilled) {
    VersionReport report;
    report.platformId = VER_PLATFORM_WIN32_NT;
    report.majorVersion = 5;
    report.csdVersion = std::string(200, 'S');
    report.suiteMask = 0x10;
    Report(report);

    OSVERSIONINFOA basic;
    basic.dwOSVersionInfoSize = 150;
    SetLastError(0);
    EXPECT_FALSE(GetVersionExA(&basic));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_FALSE(GetVersionExA(nullptr));

    OSVERSIONINFOEXA extended;
    ASSERT_TRUE(GetVersionExA(&extended));
    EXPECT_EQ(extended.dwMajorVersion, 5u);
    EXPECT_EQ(std::strlen(extended.szCSDVersion), 127u);  // cut, still ended
    EXPECT_EQ(extended.wSuiteMask, 0x10);

    // Through the module, as a program binds it.
    HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
    ASSERT_NE(kernel, 0u);
    auto getVersionEx = reinterpret_cast<BOOL (*)(OSVERSIONINFOA*)>(GetProcAddress(kernel, "GetVersionExA"));
    ASSERT_NE(getVersionEx, nullptr);
    OSVERSIONINFOA viaModule;
    EXPECT_TRUE(getVersionEx(&viaModule));
    EXPECT_EQ(viaModule.dwMajorVersion, 5u);
    EXPECT_TRUE(FreeLibrary(kernel));

    SetVersionQuery([] { return std::optional<VersionReport>(); });
    DWORD product = 99;
    EXPECT_FALSE(GetProductInfo(6, 0, 0, 0, &product));
    EXPECT_EQ(product, PRODUCT_UNDEFINED);
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
}

}  // namespace
