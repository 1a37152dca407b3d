#pragma once
// TCustomLineWSocket: with LineMode on, received bytes are held back and handed out one LineEnd-terminated line
// per data-available event, with optional terminal-style editing (backspace, tab) and echo.
// TCustomSyncWSocket adds a wait that pumps messages until a flag is set.

#include <vector>

#include "net/SocksWSocket.h"

using TLineLimitEvent = std::function<void(TCustomWSocket* Sender, int RcvdLength, bool& ClearData)>;

constexpr win::UINT WM_SOCKET_LINE_MODE = win::WM_USER + 20;

class TCustomLineWSocket : public TCustomSocksWSocket {
public:
    TCustomLineWSocket();
    ~TCustomLineWSocket() override;

    std::string LineEnd = "\r\n";
    bool LineMode() const { return FLineMode; }
    void SetLineMode(bool Value);
    int LineLimit = 65536;
    bool LineEcho = false;
    bool LineEdit = false;
    int LineLength() const { return FLineLength; }
    TLineLimitEvent OnLineLimitExceeded;

    // Queues Str and LineEnd; 0 for an empty Str, otherwise the length of Str plus 2.
    int SendLine(const std::string& Str);

    void WndProc(win::TMessage& Msg) override;

protected:
    int GetRcvdCount() override;
    bool TriggerDataAvailable(win::WORD ErrCode) override;
    void TriggerSessionClosed(win::WORD ErrCode) override;
    int DoRecv(void* Buffer, int BufferSize, int Flags) override;
    virtual void TriggerLineLimitExceeded(int RcvdLength, bool& ClearData);
    void EditLine(int& Len);

private:
    void ProcessBufferedLines();
    void DeliverLines(int SearchFrom);
    void DeliverRaw();
    int FindLineEnd(int From) const;
    void Consume(int Count);
    bool RaiseDataEvent();

    std::vector<char> FLineBuffer;  // the buffered bytes, a 0 byte after them
    int FLineBufferCount = 0;
    bool FLineMode = false;
    int FLineLength = 0;
    bool FLineFoundFlag = false;
    bool FLineClearData = false;
    bool FLinePending = false;  // a complete line waits at the front of the buffer
};

class TCustomSyncWSocket : public TCustomLineWSocket {
public:
    ~TCustomSyncWSocket() override;

    // DoneFlag := false, runs Proc, then WaitUntilReady.
    int Synchronize(const std::function<void()>& Proc, bool& DoneFlag);
    // 0 once DoneFlag is set; 12001 when the application or this socket's pump was told to quit.
    int WaitUntilReady(bool& DoneFlag);
};
