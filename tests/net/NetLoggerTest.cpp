#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "net/NetLogger.h"
#include "tests/support/TestEnvironment.h"

namespace tarvo::test {
namespace {

class NetLoggerTest : public TarvoTest {};

TEST_F(NetLoggerTest, NoOptionsNoOutput) {
    TNetLogger logger;
    int calls = 0;
    logger.SetOnNetLogEvent([&](void*, TLogOption, const std::string&) { ++calls; });
    logger.SetLogFileName(sandbox().work + "never.log");
    logger.DoLog(nullptr, loWsockInfo, "quiet");
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(FileExists(sandbox().work + "never.log"));
}

TEST_F(NetLoggerTest, EventGetsStampedOrBareText) {
    TNetLogger logger;
    std::vector<std::string> seen;
    int sender = 0;
    void* who = nullptr;
    logger.SetOnNetLogEvent([&](void* s, TLogOption o, const std::string& m) {
        who = s;
        EXPECT_EQ(o, loProtSpecInfo);
        seen.push_back(m);
    });
    logger.SetLogOptions({loDestEvent});
    logger.DoLog(&sender, loProtSpecInfo, "bare");
    logger.SetLogOptions({loDestEvent, loAddStamp});
    logger.DoLog(&sender, loProtSpecInfo, "stamped");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(who, &sender);
    EXPECT_EQ(seen[0], "bare");
    EXPECT_THAT(seen[1], ::testing::MatchesRegex("[0-9]{2}:[0-9]{2}:[0-9]{2}:[0-9]{3} stamped"));
}

TEST_F(NetLoggerTest, AppendKeepsTheFileOverwriteTruncatesOnOpen) {
    std::string path = sandbox().work + "net.log";
    WriteFile(path, "old\r\n");
    {
        TNetLogger logger;
        logger.SetLogOptions({loDestFile});
        logger.SetLogFileName(path);
        logger.DoLog(nullptr, loWsockErr, "one");
        logger.DoLog(nullptr, loWsockErr, "two");
        logger.DoLog(nullptr, loWsockErr, "three");
    }
    EXPECT_EQ(ReadFile(path), "old\r\none\r\ntwo\r\nthree\r\n");

    std::string second = sandbox().work + "second.log";
    WriteFile(second, "stale\r\n");
    TNetLogger logger;
    logger.SetLogOptions({loDestFile});
    logger.SetLogFileOption(lfoOverwrite);
    logger.SetLogFileName(path);
    logger.DoLog(nullptr, loWsockErr, "fresh");
    logger.DoLog(nullptr, loWsockErr, "more");
    EXPECT_EQ(ReadFile(path), "fresh\r\nmore\r\n");
    // The same name again keeps the file open: opened anew, it would be emptied first.
    logger.SetLogFileName(path);
    logger.DoLog(nullptr, loWsockErr, "still");
    EXPECT_EQ(ReadFile(path), "fresh\r\nmore\r\nstill\r\n");
    logger.SetLogFileName(second);
    logger.DoLog(nullptr, loWsockErr, "new file");
    EXPECT_EQ(ReadFile(second), "new file\r\n");
}

TEST_F(NetLoggerTest, FileFailuresRaiseLoggerExceptions) {
    TNetLogger logger;
    logger.SetLogOptions({loDestFile});
    try {
        logger.DoLog(nullptr, loWsockErr, "x");
        FAIL();
    } catch (const ELoggerException& e) {
        EXPECT_EQ(e.Message(), "File name empty");
    }
    logger.SetLogFileName(sandbox().work + "missing/folder/x.log");
    EXPECT_THROW(logger.DoLog(nullptr, loWsockErr, "x"), ELoggerException);
    // A second logger on a file another one writes is refused.
    std::string shared = sandbox().work + "shared.log";
    logger.SetLogFileName(shared);
    logger.DoLog(nullptr, loWsockErr, "first");
    TNetLogger other;
    other.SetLogOptions({loDestFile});
    other.SetLogFileName(shared);
    EXPECT_THROW(other.DoLog(nullptr, loWsockErr, "second"), ELoggerException);

    // A full disk does not reach the socket that logs: logging goes on without the file.
    TNetLogger full;
    full.SetLogOptions({loDestFile});
    full.SetLogFileName("/dev/full");
    EXPECT_NO_THROW(full.DoLog(nullptr, loWsockErr, "lost"));
    EXPECT_NO_THROW(full.DoLog(nullptr, loWsockErr, "lost again"));
}

TEST_F(NetLoggerTest, DebuggerOutputAndFreeNotification) {
    std::string out = sandbox().work + "debug.txt";
    setenv("TARVO_DEBUG_OUTPUT", out.c_str(), 1);
    bool told = false;
    {
        TNetLogger logger;
        logger.SetLogOptions({loDestOutDebug});
        logger.DoLog(nullptr, loWsockInfo, "to the debugger");
        logger.FreeNotification(&told, [&] { told = true; });
    }
    unsetenv("TARVO_DEBUG_OUTPUT");
    EXPECT_EQ(ReadFile(out), "to the debugger\n");
    EXPECT_TRUE(told);
}

}  // namespace
}  // namespace tarvo::test
