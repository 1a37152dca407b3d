#include <algorithm>
#include <cstring>

#include "net/WSocket.h"

TCustomLineWSocket::TCustomLineWSocket() = default;

TCustomLineWSocket::~TCustomLineWSocket() {
    BeginDestroy();
}

TCustomSyncWSocket::~TCustomSyncWSocket() {
    BeginDestroy();
}

TWSocket::~TWSocket() {
    BeginDestroy();
}

void TCustomLineWSocket::WndProc(win::TMessage& Msg) {
    if (Msg.Msg != WM_SOCKET_LINE_MODE)
        return TCustomSocksWSocket::WndProc(Msg);
    try {
        ProcessBufferedLines();
    } catch (const Exception& e) {
        HandleBackGroundException(e);
    }
}

void TCustomLineWSocket::SetLineMode(bool Value) {
    if (Value == FLineMode)
        return;
    FLineMode = Value;
    // Bytes buffered while raw were never searched: the search starts over at the front.
    if (Value && FLineBufferCount > 0)
        FLinePending = true;
    // Bytes already buffered are processed under the new mode from the message loop.
    if ((FLineBufferCount > 0 || FLineLength > 0) && FWindowHandle)
        win::PostMessageA(FWindowHandle, WM_SOCKET_LINE_MODE, 0, 0);
}

int TCustomLineWSocket::GetRcvdCount() {
    if (FLineMode)
        return FLineLength;
    return TCustomSocksWSocket::GetRcvdCount();
}

void TCustomLineWSocket::TriggerLineLimitExceeded(int RcvdLength, bool& ClearData) {
    if (OnLineLimitExceeded)
        OnLineLimitExceeded(this, RcvdLength, ClearData);
}

int TCustomLineWSocket::SendLine(const std::string& Str) {
    if (Str.empty())
        return 0;
    PutDataInSendBuffer(Str.data(), static_cast<int>(Str.size()));
    SendStr(LineEnd);
    return static_cast<int>(Str.size()) + 2;
}

bool TCustomLineWSocket::RaiseDataEvent() {
    return TCustomSocksWSocket::TriggerDataAvailable(0);
}

int TCustomLineWSocket::FindLineEnd(int From) const {
    int endLen = static_cast<int>(LineEnd.size());
    for (int i = std::max(From, 0); i <= FLineBufferCount - endLen; ++i)
        if (FLineBuffer[i] == LineEnd[0] && std::memcmp(&FLineBuffer[i], LineEnd.data(), LineEnd.size()) == 0)
            return i;
    return -1;
}

// Removes Count bytes from the front of the buffer, keeping the 0 byte after the rest.
void TCustomLineWSocket::Consume(int Count) {
    Count = std::min(Count, FLineBufferCount);
    std::memmove(FLineBuffer.data(), FLineBuffer.data() + Count, static_cast<size_t>(FLineBufferCount - Count));
    FLineBufferCount -= Count;
    FLineBuffer[FLineBufferCount] = 0;
}

bool TCustomLineWSocket::TriggerDataAvailable(win::WORD ErrCode) {
    if (!FLineMode || LineEnd.empty() || SocksState() != 0)
        return TCustomSocksWSocket::TriggerDataAvailable(ErrCode);
    int n = TCustomSocksWSocket::GetRcvdCount();
    if (n < 0)
        return true;
    if (n == 0)
        n = 255;
    if (static_cast<int>(FLineBuffer.size()) < FLineBufferCount + n + 1)
        FLineBuffer.resize(static_cast<size_t>(FLineBufferCount + n + 1));
    int c = Receive(FLineBuffer.data() + FLineBufferCount, n);
    if (c < 1) {
        if (FLineBufferCount < 1)
            return true;
        c = 0;
    }
    if (c > 0) {
        if (LineEdit)
            EditLine(c);
        else if (LineEcho)
            Send(FLineBuffer.data() + FLineBufferCount, c);
    }
    // Taken after editing, which may have cut into what was searched before.
    int unchanged = FLineBufferCount;
    FLineBufferCount += c;
    FLineBuffer[FLineBufferCount] = 0;
    DeliverLines(FLinePending ? 0 : std::max(0, unchanged - static_cast<int>(LineEnd.size())));
    if (LineLimit > 0 && FLineBufferCount > LineLimit) {
        FLineClearData = true;
        TriggerLineLimitExceeded(FLineBufferCount, FLineClearData);
        if (FLineClearData) {
            FLineLength = 0;
            FLineBufferCount = 0;
            FLineBuffer[0] = 0;
            FLineClearData = false;
            FLinePending = false;
        }
    }
    return true;
}

// Offers every complete line, one event per line, until none is left or line mode is switched off. A
// handler that reads nothing leaves the line in the buffer for the next event instead of being called
// forever.
void TCustomLineWSocket::DeliverLines(int SearchFrom) {
    int endLen = static_cast<int>(LineEnd.size());
    while (FLineMode) {
        int i = FindLineEnd(SearchFrom);
        if (i < 0)
            return;
        FLineLength = i + endLen;
        FLineFoundFlag = true;
        FLinePending = false;
        while (FLineMode && FLineLength > 0) {
            int before = FLineLength;
            if (!RaiseDataEvent()) {
                Consume(FLineLength);  // nobody reads lines: the line is dropped
                FLineLength = 0;
            } else if (FLineMode && FLineLength == before) {
                FLineLength = 0;
                FLinePending = true;
                return;
            }
        }
        if (!FLineMode) {
            // Switched off inside the handler: the unread rest of the line and what followed it go raw, until
            // a raw reader switches line mode on again.
            FLineLength = 0;
            DeliverRaw();
        }
        SearchFrom = 0;
    }
}

void TCustomLineWSocket::DeliverRaw() {
    while (!FLineMode && FLineBufferCount > 0) {
        int before = FLineBufferCount;
        if (!RaiseDataEvent() || FLineBufferCount == before)
            return;
    }
}

int TCustomLineWSocket::DoRecv(void* Buffer, int BufferSize, int Flags) {
    if (FLineMode && FLineLength > 0) {
        int n = std::min(BufferSize, FLineLength);
        std::memcpy(Buffer, FLineBuffer.data(), static_cast<size_t>(n));
        Consume(n);
        FLineLength -= n;
        return n;
    }
    if (!FLineMode && FLineBufferCount > 0) {
        int n = std::min(BufferSize, FLineBufferCount);
        std::memcpy(Buffer, FLineBuffer.data(), static_cast<size_t>(n));
        Consume(n);
        return n;
    }
    return TCustomSocksWSocket::DoRecv(Buffer, BufferSize, Flags);
}

void TCustomLineWSocket::ProcessBufferedLines() {
    for (int round = 1; FLineBufferCount > 0; ++round) {
        int before = FLineBufferCount;
        FLineFoundFlag = false;
        if (FLineMode)
            TriggerDataAvailable(0);
        else
            DeliverRaw();
        if (FLineBufferCount <= 0)
            break;
        if (FLineMode && round >= 4 && !FLineFoundFlag)
            break;
        if (FLineBufferCount == before && !FLineFoundFlag)
            break;  // nothing taken: wait for more data
    }
}

void TCustomLineWSocket::EditLine(int& Len) {
    const char* fresh = FLineBuffer.data() + FLineBufferCount;
    bool edits = std::any_of(fresh, fresh + Len, [](char ch) { return ch == 8 || ch == 9; });
    if (!edits) {
        if (LineEcho)
            Send(fresh, Len);
        return;
    }
    // The working copy grows as the text does, so an expanded tab never outgrows it.
    std::vector<char> work(FLineBuffer.begin(), FLineBuffer.begin() + FLineBufferCount);
    int lowest = FLineBufferCount;
    for (int k = 0; k < Len; ++k) {
        char ch = fresh[k];
        if (ch == 8) {
            if (!work.empty()) {
                if (LineEcho)
                    Send("\b \b", 3);
                work.pop_back();
                lowest = std::min(lowest, static_cast<int>(work.size()));
            }
        } else if (ch == 9) {
            do {
                work.push_back(' ');
                if (LineEcho)
                    Send(" ", 1);
            } while (work.size() % 8 != 0);
        } else {
            work.push_back(ch);
            if (LineEcho)
                Send(&ch, 1);
        }
    }
    if (FLineBuffer.size() < work.size() + 1)
        FLineBuffer.resize(work.size() + 1);
    std::memcpy(FLineBuffer.data(), work.data(), work.size());
    FLineBuffer[work.size()] = 0;
    FLineBufferCount = lowest;
    Len = static_cast<int>(work.size()) - lowest;
}

void TCustomLineWSocket::TriggerSessionClosed(win::WORD ErrCode) {
    if (!FLineBuffer.empty()) {
        if (FLineMode && FLineBufferCount > 0 && !FLineClearData) {
            FLineLength = FLineBufferCount;  // a partial line is offered as the last line
            while (FLineMode && FLineLength > 0) {
                int before = FLineLength;
                // No reader, or one that took nothing: the rest is dropped with the buffer below.
                if (!RaiseDataEvent() || FLineLength == before)
                    FLineLength = 0;
            }
        }
        FLineBuffer.clear();
        FLineBuffer.shrink_to_fit();
        FLineBufferCount = 0;
        FLineLength = 0;
        FLinePending = false;
    }
    TCustomSocksWSocket::TriggerSessionClosed(ErrCode);
}

int TCustomSyncWSocket::Synchronize(const std::function<void()>& Proc, bool& DoneFlag) {
    DoneFlag = false;
    if (Proc)
        Proc();
    return WaitUntilReady(DoneFlag);
}

int TCustomSyncWSocket::WaitUntilReady(bool& DoneFlag) {
    for (;;) {
        if (DoneFlag)
            return 0;
        if (win::Application::Terminated() || FTerminated)
            return 12001;
        MessagePump();
        win::Sleep(0);
    }
}
