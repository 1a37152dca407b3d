#include "platform/winsock/SocketTable.h"

#include <map>
#include <vector>

#include "platform/win/Messages.h"
#include "platform/winsock/Internal.h"
#include "platform/winsock/PosixSocket.h"

namespace win::winsock {

namespace {

struct Table {
    std::recursive_mutex lock;
    std::map<SOCKET, SocketPtr> sockets;
    SOCKET next = 0x100;
};

Table& table() {
    static Table* t = new Table;  // outlives static destructors that may still close sockets
    return *t;
}

void Post(SOCKET s, const SocketRecord& r, long event, int error) {
    if (r.events & event)
        PostMessageA(r.hwnd, r.msg, s, WSAMAKESELECTREPLY(static_cast<WORD>(event), static_cast<WORD>(error)));
}

bool Transfers(const SocketRecord& r) {
    return r.connected || !r.Streams();
}

void OnReadable(SOCKET s, SocketRecord& r, short revents) {
    if (r.listening) {
        if ((revents & posix::PollIn()) && r.acceptEnabled) {
            Post(s, r, FD_ACCEPT, 0);
            r.acceptEnabled = false;
        }
        return;
    }
    if (!Transfers(r) || !r.readEnabled || r.closeReported)
        return;
    if (!r.Streams()) {
        if (revents & posix::PollIn()) {
            Post(s, r, FD_READ, 0);
            r.readEnabled = false;
        }
        return;
    }
    int waiting = 0;
    posix::BytesWaiting(r.fd, waiting);
    if (waiting > 0) {
        Post(s, r, FD_READ, 0);
        r.readEnabled = false;  // until the next recv
        return;
    }
    // Readable with nothing to read: the peer has closed or reset the connection.
    int error = (revents & posix::PollErrorOrHangUp()) ? posix::PendingError(r.fd) : 0;
    Post(s, r, FD_CLOSE, error);
    r.closeReported = true;
    r.writeEnabled = false;
}

void OnReady(SOCKET s, DWORD thread, short revents) {
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    auto it = table().sockets.find(s);
    // A watch left behind on a thread the socket's window has moved away from stays silent.
    if (it == table().sockets.end() || it->second->watchThread != thread)
        return;
    SocketRecord& r = *it->second;
    if (revents & posix::PollErrorOrHangUp())
        r.hungUp = true;
    if (r.connecting && (revents & (posix::PollOut() | posix::PollErrorOrHangUp())))
        ConnectFinished(s, r, posix::PendingError(r.fd));
    if (revents & (posix::PollIn() | posix::PollErrorOrHangUp()))
        OnReadable(s, r, revents);
    if ((revents & posix::PollOut()) && r.writeEnabled && Transfers(r) && !r.closeReported) {
        Post(s, r, FD_WRITE, 0);
        r.writeEnabled = false;
    }
    UpdateWatch(r);
}

// Drops the queued notifications of a closed socket; those of other sockets on the window keep their order.
void PurgeNotifications(SOCKET s, HWND hwnd, UINT msg) {
    if (!hwnd || GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId())
        return;
    std::vector<MSG> others;
    MSG m;
    for (int i = 0; i < 100000 && PeekMessageA(&m, hwnd, msg, msg, PM_REMOVE); ++i)
        if (m.wParam != s)
            others.push_back(m);
    for (const MSG& o : others)
        PostMessageA(o.hwnd, o.message, o.wParam, o.lParam);
}

}  // namespace

SocketRecord::~SocketRecord() {
    if (fd >= 0)
        posix::Close(fd);
}

std::recursive_mutex& TableLock() {
    return table().lock;
}

SOCKET AddSocket(SocketPtr record) {
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    SOCKET s = table().next;
    table().next += 4;
    table().sockets.emplace(s, std::move(record));
    return s;
}

SocketPtr FindSocket(SOCKET s) {
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    auto it = table().sockets.find(s);
    if (it != table().sockets.end())
        return it->second;
    SetLastError(WSAENOTSOCK);
    return nullptr;
}

SocketPtr UseSocket(SOCKET s) {
    if (!RequireStarted())
        return nullptr;
    return FindSocket(s);
}

bool RemoveSocket(SOCKET s) {
    SocketPtr r;
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        auto it = table().sockets.find(s);
        if (it == table().sockets.end()) {
            SetLastError(WSAENOTSOCK);
            return false;
        }
        r = it->second;
        table().sockets.erase(it);
    }
    // Without the lock: the watch may be running its handler, which takes the lock.
    if (r->watch)
        UnwatchFd(r->watch);
    PurgeNotifications(s, r->hwnd, r->msg);
    // A blocking call on another thread still holds the record: wake it.
    if (r.use_count() > 1)
        posix::Shutdown(r->fd, SD_BOTH);
    return true;
}

void CloseAllSockets() {
    std::vector<SOCKET> all;
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        for (const auto& entry : table().sockets)
            all.push_back(entry.first);
    }
    for (SOCKET s : all)
        RemoveSocket(s);
}

int SelectEvents(SOCKET s, HWND hwnd, UINT msg, long events) {
    FdWatchId stale = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        SocketPtr r = FindSocket(s);
        if (!r)
            return SOCKET_ERROR;
        if (events && !IsWindow(hwnd))
            return Fail(WSAEINVAL);
        r->blocking = false;
        r->hwnd = events ? hwnd : 0;
        r->msg = msg;
        r->events = events;
        r->readEnabled = r->acceptEnabled = true;
        r->writeEnabled = Transfers(*r);
        r->closeReported = false;
        DWORD thread = events ? GetWindowThreadProcessId(hwnd, nullptr) : r->watchThread;
        if (r->watch && thread != r->watchThread) {
            stale = r->watch;  // the window lives on another thread now
            r->watch = 0;
        }
        if (!r->watch && events) {
            r->watchThread = thread;
            r->watchEvents = 0;
            r->watch = WatchFd(thread, r->fd, 0, [s, thread](short revents) { OnReady(s, thread, revents); });
        }
        UpdateWatch(*r);
    }
    if (stale)
        UnwatchFd(stale);
    return 0;
}

void Reenable(SocketRecord& r, long event) {
    if (event == FD_READ)
        r.readEnabled = true;
    if (event == FD_ACCEPT)
        r.acceptEnabled = true;
    if (event == FD_WRITE)
        r.writeEnabled = true;
    UpdateWatch(r);
}

void ConnectFinished(SOCKET s, SocketRecord& r, int error) {
    r.connecting = false;
    r.connected = error == 0;
    if (!r.Selected())
        return;
    Post(s, r, FD_CONNECT, error);
    r.writeEnabled = r.connected;
    UpdateWatch(r);
}

void UpdateWatch(SocketRecord& r) {
    if (!r.watch)
        return;
    short events = 0;
    if (r.Selected()) {
        if (r.connecting)
            events |= posix::PollOut();
        if (r.listening && r.acceptEnabled && (r.events & FD_ACCEPT))
            events |= posix::PollIn();
        if (Transfers(r) && !r.closeReported) {
            if (r.readEnabled && (r.events & (FD_READ | FD_CLOSE)))
                events |= posix::PollIn();
            if (r.writeEnabled && (r.events & FD_WRITE))
                events |= posix::PollOut();
        }
        // An error or hang-up wakes every poll: wait only while it can be reported.
        if (r.hungUp && !(events & posix::PollIn()) && !r.connecting)
            events = 0;
    }
    if (events != r.watchEvents) {
        r.watchEvents = events;
        SetFdWatchEvents(r.watch, events);
    }
}

}  // namespace win::winsock
