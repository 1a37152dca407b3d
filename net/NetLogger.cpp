#include "net/NetLogger.h"

#include <sys/file.h>

#include <cstdio>
#include <utility>

#include "platform/rtl/DateTime.h"
#include "platform/win/DebugOutput.h"

TNetLogger::TNetLogger() = default;

TNetLogger::~TNetLogger() {
    std::map<const void*, std::function<void()>> clients;
    {
        std::lock_guard<std::recursive_mutex> guard(FLogLock);
        FDestroying = true;
        CloseLogFile();
        clients.swap(FFreeNotifications);
    }
    for (auto& [client, onFree] : clients)
        onFree();
}

void TNetLogger::DoLog(void* Sender, TLogOption LogOption, const std::string& Msg) {
    std::lock_guard<std::recursive_mutex> guard(FLogLock);
    if (FDestroying)
        return;
    auto text = [&] { return FLogOptions.count(loAddStamp) ? LogTimeStamp() + " " + Msg : Msg; };
    if (FLogOptions.count(loDestEvent) && FOnNetLogEvent)
        FOnNetLogEvent(Sender, LogOption, text());
    if (FLogOptions.count(loDestOutDebug))
        win::OutputDebugStringA(text().c_str());
    if (FLogOptions.count(loDestFile))
        WriteToFile(text() + "\r\n");
}

TLogOptions TNetLogger::LogOptions() {
    std::lock_guard<std::recursive_mutex> guard(FLogLock);
    return FLogOptions;
}

void TNetLogger::SetLogOptions(TLogOptions Value) {
    std::lock_guard<std::recursive_mutex> guard(FLogLock);
    FLogOptions = std::move(Value);
}

TLogFileOption TNetLogger::LogFileOption() {
    std::lock_guard<std::recursive_mutex> guard(FLogLock);
    return FLogFileOption;
}

void TNetLogger::SetLogFileOption(TLogFileOption Value) {
    std::lock_guard<std::recursive_mutex> guard(FLogLock);
    FLogFileOption = Value;
}

std::string TNetLogger::LogFileName() {
    std::lock_guard<std::recursive_mutex> guard(FLogLock);
    return FLogFileName;
}

void TNetLogger::SetLogFileName(const std::string& Value) {
    std::lock_guard<std::recursive_mutex> guard(FLogLock);
    if (Value == FLogFileName)
        return;
    FLogFileName = Value;
    CloseLogFile();  // reopened under the new name by the next message for the file
}

void TNetLogger::SetOnNetLogEvent(TNetLogEvent Value) {
    std::lock_guard<std::recursive_mutex> guard(FLogLock);
    FOnNetLogEvent = std::move(Value);
}

std::string TNetLogger::LogTimeStamp() {
    return FormatDateTime("hh:nn:ss:zzz", Now());
}

void TNetLogger::FreeNotification(const void* Client, std::function<void()> OnFree) {
    std::lock_guard<std::recursive_mutex> guard(FLogLock);
    FFreeNotifications[Client] = std::move(OnFree);
}

void TNetLogger::RemoveFreeNotification(const void* Client) {
    std::lock_guard<std::recursive_mutex> guard(FLogLock);
    FFreeNotifications.erase(Client);
}

void TNetLogger::CloseLogFile() {
    FLogFileStream.reset();
}

void TNetLogger::OpenLogFile() {
    CloseLogFile();
    if (FLogFileName.empty())
        throw ELoggerException("File name empty");
    try {
        if (!FileExists(FLogFileName))
            TFileStream(FLogFileName, fmCreate);
        auto stream = std::make_unique<TFileStream>(FLogFileName, fmOpenReadWrite | fmShareDenyWrite);
        // Other writers are denied while the file is open here.
        if (flock(stream->Handle(), LOCK_EX | LOCK_NB) != 0)
            throw EFOpenError("Cannot open file \"" + FLogFileName + "\". " + SysErrorMessage(errno));
        if (FLogFileOption == lfoAppend)
            stream->Seek(0, soEnd);
        else
            stream->SetSize(0);
        FLogFileStream = std::move(stream);
    } catch (const Exception& e) {
        throw ELoggerException(e.Message());
    }
}

void TNetLogger::WriteToFile(const std::string& Text) {
    if (!FLogFileStream)
        OpenLogFile();
    // A log that cannot be written (a full disk) must not cut the connection it logs: the failure is told
    // once on the standard error and logging goes on.
    try {
        FLogFileStream->Write(Text.data(), static_cast<int64_t>(Text.size()));
    } catch (const Exception& e) {
        if (!std::exchange(FWriteFailureShown, true))
            std::fprintf(stderr, "TNetLogger: %s: %s\n", FLogFileName.c_str(), e.Message().c_str());
    }
}
