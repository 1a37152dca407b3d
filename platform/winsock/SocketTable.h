#pragma once
// The sockets of the WinSock stand-in: SOCKET values are ids from this table (never reused in a process),
// each naming a non-blocking descriptor and its asynchronous-select state. Readiness reaches the window's
// thread through the message core's descriptor watches and is posted with WinSock's rules: FD_READ once
// until the next recv, FD_ACCEPT until the next accept, FD_CONNECT once with its error, FD_WRITE after
// a connect and after a send that would block or was short, FD_CLOSE once when no data is left.

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/win/MessageLoop.h"
#include "platform/winsock/WinSock.h"

namespace win::winsock {

struct SocketRecord {
    ~SocketRecord();  // closes the descriptor, once nobody uses the record any more

    int fd = -1;
    int type = SOCK_STREAM;
    bool blocking = true;  // WinSock's default; the descriptor itself is always non-blocking
    bool listening = false;
    bool connecting = false;
    bool connected = false;
    uint32_t sendTimeoutMs = 0;
    uint32_t receiveTimeoutMs = 0;

    // Asynchronous select.
    HWND hwnd = 0;
    UINT msg = 0;
    long events = 0;
    FdWatchId watch = 0;
    DWORD watchThread = 0;
    short watchEvents = 0;
    bool readEnabled = true;
    bool acceptEnabled = true;
    bool writeEnabled = false;
    bool closeReported = false;
    bool hungUp = false;

    bool Selected() const { return events != 0 && hwnd != 0; }
    bool Streams() const { return type == SOCK_STREAM; }
};
using SocketPtr = std::shared_ptr<SocketRecord>;

// One re-entrant lock guards the table and every record.
std::recursive_mutex& TableLock();

SOCKET AddSocket(SocketPtr record);
// The record, or nullptr with the last error WSAENOTSOCK.
SocketPtr FindSocket(SOCKET s);
// The record of a live socket, after the start-up check; nullptr with the last error set otherwise.
SocketPtr UseSocket(SOCKET s);
// Takes the socket out of the table, stops its notifications and drops the notifications already queued
// for it on the calling thread. The descriptor closes when the last user lets go of the record.
bool RemoveSocket(SOCKET s);

// Asynchronous select: WSAAsyncSelect's work (events 0 stops the notifications).
int SelectEvents(SOCKET s, HWND hwnd, UINT msg, long events);
// Under TableLock: an event may be posted again (after recv, accept, or a send that did not take all).
void Reenable(SocketRecord& record, long event);
// Under TableLock: a connection completed at once, or failed at once while notifications are on.
void ConnectFinished(SOCKET s, SocketRecord& record, int error);
// Under TableLock: recompute what the descriptor's watch waits for.
void UpdateWatch(SocketRecord& record);

}  // namespace win::winsock
