// Archive type detection by name, and by content when no library can answer.
#include <gtest/gtest.h>

#include "ARCHIVES/ArcFormats.h"
#include "ARCHIVES/LHA32.h"
#include "platform/win/Modules.h"
#include "tests/support/TestEnvironment.h"

namespace {

struct NameCase {
    const char* name;
    TArchiverType type;
};

class DetectByNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(DetectByNameTest, LastExtensionOfTheLastComponentIgnoringCase) {
    EXPECT_EQ(DetectArchiverType(GetParam().name, true), GetParam().type) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names, DetectByNameTest,
                         ::testing::Values(NameCase{"a.lzh", atLha}, NameCase{"/w/TRUNK.LZH", atLha},
                                           NameCase{"a.tar.gz", atTgz}, NameCase{"a.tgz", atTgz},
                                           NameCase{"a.Z", atTgz}, NameCase{"a.taz", atTgz}, NameCase{"a.bz2", atBZ2},
                                           NameCase{"a.tar", atTar}, NameCase{"a.a", atTar}, NameCase{"a.lib", atTar},
                                           NameCase{"a.deb", atTar}, NameCase{"a.rpm", atTar},
                                           NameCase{"a.cpio", atTar}, NameCase{"a.7z", at7z}, NameCase{"a.gza", atBga},
                                           NameCase{"a.BZA", atBga}, NameCase{"a.gca", atGCA}, NameCase{"a.yz1", atYz1},
                                           NameCase{"a.rar", atRar}, NameCase{"a.arj", atArj}, NameCase{"a.jar", atZip},
                                           NameCase{"a.ear", atZip}, NameCase{"a.war", atZip}, NameCase{"a.zip", atZip},
                                           NameCase{"a.cab", atCab}, NameCase{"a.lha", atNone},
                                           NameCase{"README", atNone}, NameCase{"dir.lzh/README", atNone},
                                           NameCase{"dir.zip/x.lzh", atLha}, NameCase{"a.lzh.", atNone},
                                           NameCase{".lzh", atLha}, NameCase{"", atNone}));

class DetectByContentTest : public tarvo::test::TarvoTest {
protected:
    void TearDown() override {
        win::ClearModuleHooks();
        ReleaseLhaLibrary();
        TarvoTest::TearDown();
    }
};

TEST_F(DetectByContentTest, WithoutAnyLibraryNothingIsRecognisedAndNothingRaises) {
    win::HideModule("UNLHA32.DLL");
    ReleaseLhaLibrary();
    std::string file = sandbox().work + "setup.exe";
    tarvo::test::WriteFile(file, "MZ not much of a program");
    EXPECT_EQ(DetectArchiverType(file, false), atNone);
    EXPECT_EQ(DetectArchiverType(file, true), atNone);
    EXPECT_EQ(DetectArchiverType(sandbox().work + "missing.EXE", true), atNone);
}

}  // namespace
