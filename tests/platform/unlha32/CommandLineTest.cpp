// The command grammar, with the lines the archiver component writes for the client.
#include <gtest/gtest.h>

#include "platform/unlha32/CommandLine.h"
#include "platform/unlha32/LhaError.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace lha;

class CommandLineTest : public tarvo::test::TarvoTest {};

TEST_F(CommandLineTest, ThePackLineOfADroppedFolder) {
    std::string res = sandbox().work + "ArcResFile";
    tarvo::test::WriteFile(res, "\"写真 フォルダ/a.txt\"\r\n\"写真 フォルダ/sub/b.bin\"\r\n");
    CommandLine c =
        ParseCommandLine("u -+ -a1 -n0 -p1 -x1 -jso0  \"/w/Tarvo/arcived.lzh\" \"/drop/\" \"@" + res + "\" ", true);
    EXPECT_EQ(c.verb, "u");
    EXPECT_EQ(c.archive, "/w/Tarvo/arcived.lzh");
    EXPECT_EQ(c.baseDir, "/drop/");
    EXPECT_EQ(c.names, (std::vector<std::string>{"写真 フォルダ/a.txt", "写真 フォルダ/sub/b.bin"}));
    EXPECT_TRUE(c.responseFile);
    EXPECT_EQ(c.switches.Int("a"), 1);
    EXPECT_EQ(c.switches.Int("x"), 1);
    EXPECT_EQ(c.switches.Int("jso"), 0);
    EXPECT_EQ(c.switches.Int("r"), -1);
}

TEST_F(CommandLineTest, TheExtractLineWithAnEmptyResponseFileAndEverySwitch) {
    std::string res = sandbox().work + "ArcResFile";
    tarvo::test::WriteFile(res, "");
    CommandLine c = ParseCommandLine(
        "x -+ -a1 -n0 -r2 -wC:/tmp/ -x1 -jo\"\" -jse1 -jso1 \"-jx*.bak\" \"-jx~*\" -jyc1 -jz\"z\" -gr\"\" "
        "\"/w/t.lzh\" \"/out/dir/\" \"@" +
            res + "\" ",
        true);
    EXPECT_EQ(c.verb, "x");
    EXPECT_EQ(c.baseDir, "/out/dir/");
    EXPECT_TRUE(c.names.empty());
    EXPECT_TRUE(c.responseFile);
    EXPECT_EQ(c.switches.All("jx"), (std::vector<std::string>{"*.bak", "~*"}));
    EXPECT_EQ(c.switches.Text("w"), "C:/tmp/");
    EXPECT_EQ(c.switches.Int("jyc"), 1);
    EXPECT_EQ(c.switches.Text("jo", "unset"), "");
}

TEST_F(CommandLineTest, NamesAfterTheArchiveMayLookLikeSwitches) {
    CommandLine c = ParseCommandLine("d -+ -jso0  \"a.lzh\" \"-x1\" \"dir/\" plain ", true);
    EXPECT_EQ(c.baseDir, "");  // d has no folder: a token ending in "/" is a name
    EXPECT_EQ(c.names, (std::vector<std::string>{"-x1", "dir/", "plain"}));
}

TEST_F(CommandLineTest, ResponseFilesTakeLfAndUnquotedLinesAndSkipBlankOnes) {
    std::string res = sandbox().work + "r.txt";
    tarvo::test::WriteFile(res, "\xEF\xBB\xBF\"one two\"\n\nthree\r\n\"\"\r\n");
    CommandLine c = ParseCommandLine("a x.lzh @" + res + " four", true);
    EXPECT_EQ(c.names, (std::vector<std::string>{"one two", "three", "four"}));
}

TEST_F(CommandLineTest, BadLinesAreRefusedWithTheirCodes) {
    auto code = [](const std::string& line) {
        try {
            ParseCommandLine(line, true);
        } catch (const ELhaError& e) {
            return e.Code();
        }
        return 0;
    };
    EXPECT_EQ(code(""), kBadCommand);
    EXPECT_EQ(code("-x1 a.lzh"), kBadCommand);
    EXPECT_EQ(code("x -+ -x1"), kBadCommand);     // no archive
    EXPECT_EQ(code("x -Q a.lzh"), kBadCommand);   // unknown switch
    EXPECT_EQ(code("x -rq a.lzh"), kBadCommand);  // a number switch with text
    EXPECT_EQ(code("x a.lzh @/nonexistent/r"), kResponseFile);
    EXPECT_EQ(code("X A.LZH"), 0);  // verbs in either case
}

TEST_F(CommandLineTest, WithoutVerbTheFirstTokenIsASwitchOrTheArchive) {
    CommandLine c = ParseCommandLine(" -+ -jso1  \"arc.lzh\" \"dir/entry.txt\" ", false);
    EXPECT_EQ(c.verb, "");
    EXPECT_EQ(c.archive, "arc.lzh");
    EXPECT_EQ(c.names, std::vector<std::string>{"dir/entry.txt"});
}

}  // namespace
