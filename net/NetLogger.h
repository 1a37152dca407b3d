#pragma once
// Where sockets and FTP clients pointed at it send their debug messages: any of a handler, a file and the
// debugger, each line optionally prefixed with the time of day. A lock around every entry point makes one
// logger safe to share between threads.

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"

enum TLogOption {
    loDestEvent,
    loDestFile,
    loDestOutDebug,
    loAddStamp,
    loWsockErr,
    loWsockInfo,
    loWsockDump,
    loSslErr,
    loSslInfo,
    loSslDump,
    loProtSpecErr,
    loProtSpecInfo,
    loProtSpecDump
};
using TLogOptions = std::set<TLogOption>;

enum TLogFileOption { lfoAppend, lfoOverwrite };

// Sender is the socket or FTP client that logged.
using TNetLogEvent = std::function<void(void* Sender, TLogOption LogOption, const std::string& Msg)>;

TARVO_DECLARE_EXCEPTION(ELoggerException, Exception);

class TNetLogger {
public:
    TNetLogger();
    TNetLogger(const TNetLogger&) = delete;
    TNetLogger& operator=(const TNetLogger&) = delete;
    virtual ~TNetLogger();

    void DoLog(void* Sender, TLogOption LogOption, const std::string& Msg);

    TLogOptions LogOptions();
    void SetLogOptions(TLogOptions Value);
    TLogFileOption LogFileOption();
    void SetLogFileOption(TLogFileOption Value);
    std::string LogFileName();
    void SetLogFileName(const std::string& Value);
    void SetOnNetLogEvent(TNetLogEvent Value);

    // The time of day as "hh:nn:ss:zzz".
    static std::string LogTimeStamp();

    // Components pointing at this logger hear when it goes, and forget it.
    void FreeNotification(const void* Client, std::function<void()> OnFree);
    void RemoveFreeNotification(const void* Client);

private:
    void OpenLogFile();
    void CloseLogFile();
    void WriteToFile(const std::string& Text);

    std::recursive_mutex FLogLock;
    TLogOptions FLogOptions;
    TNetLogEvent FOnNetLogEvent;
    std::string FLogFileName;
    std::unique_ptr<TFileStream> FLogFileStream;
    TLogFileOption FLogFileOption = lfoAppend;
    bool FWriteFailureShown = false;
    bool FDestroying = false;
    std::map<const void*, std::function<void()>> FFreeNotifications;
};
