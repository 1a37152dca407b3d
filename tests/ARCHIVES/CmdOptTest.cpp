// The command-line builder: item rules, quoting, response files, and the names it refuses.
#include <gtest/gtest.h>

#include "ARCHIVES/ArcErrors.h"
#include "ARCHIVES/ArchiverOptions.h"
#include "ARCHIVES/CmdOpt.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/TestEnvironment.h"

namespace {

using tarvo::test::ReadFile;

TEST(CmdOptTest, NumericSwitchesAndFlags) {
    TCmdOpt cmd;
    cmd.AddInt("a", 0);
    cmd.AddInt("r", -1);
    cmd.AddInt("jso", 127);
    cmd.AddFlag("q", true);
    cmd.AddFlag("v", false);
    cmd.Add("");
    EXPECT_EQ(cmd.CmdLine, " -a0 -jso127 -q ");
}

TEST(CmdOptTest, StringSwitchesAreQuotedWholeOrAsSeparateValue) {
    TCmdOpt cmd;
    cmd.AddString("jo", "");
    cmd.AddString("jz", SwitchUnset);
    cmd.AddString("jo", "260101");
    cmd.AddString(" o", "x y");  // a leading blank: the name goes out without a hyphen
    cmd.AddQuoted("", "plain name");
    EXPECT_EQ(cmd.CmdLine, " \"-jo\" \"-jo260101\" \"ox y\" \"plain name\"");

    TCmdOpt separate;
    separate.SeparateValue = true;
    separate.AddString("w", "dir");
    separate.AddString(" o", "out");
    EXPECT_EQ(separate.CmdLine, " -w \"dir\" o \"out\"");
}

TEST(CmdOptTest, DirectoriesGetOneFinalSlash) {
    TCmdOpt cmd;
    cmd.AddDir("", "/tmp/base");
    cmd.AddDir("w", "/tmp/work/");
    cmd.AddDir("", "");
    cmd.AddDir("w", SwitchUnset);
    EXPECT_EQ(cmd.CmdLine, " \"/tmp/base/\" \"-w/tmp/work/\"");
}

TEST(CmdOptTest, ConstToStringsKeepsNonEmptyNamesInOrder) {
    TStringList lines;
    lines.SetText("from list\r\n\r\n");
    std::vector<std::string> names{"v1", "", "v2"};
    const char* array[] = {"p1", "", "p2", nullptr};
    auto list = ConstToStrings({"first", "", lines, names, array, std::string("last")});
    std::vector<std::string> got(list->begin(), list->end());
    EXPECT_EQ(got, (std::vector<std::string>{"first", "from list", "v1", "v2", "p1", "p2", "last"}));

    const char* const* none = nullptr;
    EXPECT_EQ(ConstToStrings({none})->Count(), 0);
}

TEST(CmdOptTest, NameConverterRewritesEveryFileName) {
    TCmdOpt cmd;
    cmd.NameConverter = [](const std::string& name, std::string& result) { result = "[" + name + "]"; };
    EXPECT_EQ(cmd.AddFiles("", {"a", "b"}), 2);
    cmd.AddFile("jx", "c");
    cmd.AddString("jo", "not a file");
    EXPECT_EQ(cmd.CmdLine, " \"[a]\" \"[b]\" \"-jx[c]\" \"-jonot a file\"");
}

class ResponseFileTest : public tarvo::test::TarvoTest {};

TEST_F(ResponseFileTest, OneQuotedLinePerNameAndAQuotedReference) {
    std::string res = sandbox().work + "Arc Res";
    tarvo::test::WriteFile(res, "old content that must go");
    TCmdOpt cmd;
    EXPECT_EQ(cmd.AddResponseFile({"a.txt", "dir/b c.txt", "日本語.txt"}, res), 3);
    EXPECT_EQ(ReadFile(res), "\"a.txt\"\r\n\"dir/b c.txt\"\r\n\"日本語.txt\"\r\n");
    EXPECT_EQ(cmd.CmdLine, " \"@" + res + "\"");

    TCmdOpt empty;
    EXPECT_EQ(empty.AddResponseFile({}, res), 0);
    EXPECT_EQ(ReadFile(res), "");
    EXPECT_EQ(empty.CmdLine, " \"@" + res + "\"");
}

TEST_F(ResponseFileTest, UncreatableFileRaisesAndAppendsNothing) {
    TCmdOpt cmd;
    EXPECT_THROW(cmd.AddResponseFile({"a"}, sandbox().work + "no/such/folder/res"), EFCreateError);
    EXPECT_EQ(cmd.CmdLine, "");
}

// A quote, CR or LF would end the quoted item early and hand the library other names or switches.
TEST_F(ResponseFileTest, NamesThatCannotBeQuotedAreRefusedBeforeAnythingIsWritten) {
    for (const std::string bad : {"a\"b", "a\rb", "a\nb", "x\" -d \"y"}) {
        TCmdOpt cmd;
        EXPECT_THROW(cmd.AddFile("", bad), EArchiver) << bad;
        EXPECT_THROW(cmd.AddString("jo", bad), EArchiver) << bad;
        EXPECT_EQ(cmd.CmdLine, "");

        std::string res = sandbox().work + "res";
        EXPECT_THROW(cmd.AddResponseFile({"fine", bad}, res), EArchiver) << bad;
        EXPECT_FALSE(FileExists(res));
        EXPECT_EQ(cmd.CmdLine, "");
    }
    TCmdOpt cmd;
    EXPECT_THROW(cmd.AddResponseFile({"fine"}, sandbox().work + "re\"s"), EArchiver);
}

TEST_F(ResponseFileTest, ANameStartingWithAtIsOnlyAllowedInsideAResponseFile) {
    TCmdOpt cmd;
    EXPECT_THROW(cmd.AddFiles("", {"ok", "@list.txt"}), EArchiver);
    cmd.CmdLine.clear();
    cmd.AddFile("jx", "@x");
    EXPECT_EQ(cmd.CmdLine, " \"-jx@x\"");
    std::string res = sandbox().work + "res";
    cmd.AddResponseFile({"@list.txt"}, res);
    EXPECT_EQ(ReadFile(res), "\"@list.txt\"\r\n");
}

}  // namespace
