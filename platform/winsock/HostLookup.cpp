#include "platform/winsock/HostLookup.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/win/Messages.h"
#include "platform/winsock/Internal.h"
#include "platform/winsock/WinSock.h"

namespace win::winsock {

namespace {

struct Resolvers {
    std::mutex lock;
    ForwardResolver forward;
    ReverseResolver reverse;
};

Resolvers& resolvers() {
    static Resolvers* r = new Resolvers;
    return *r;
}

ForwardResolver CurrentForward() {
    std::lock_guard<std::mutex> guard(resolvers().lock);
    return resolvers().forward ? resolvers().forward : ForwardResolver(SystemForwardLookup);
}

ReverseResolver CurrentReverse() {
    std::lock_guard<std::mutex> guard(resolvers().lock);
    return resolvers().reverse ? resolvers().reverse : ReverseResolver(SystemReverseLookup);
}

int Forward(const ForwardResolver& resolve, const std::string& name, HostAnswer& answer) {
    int error = resolve(name, answer);
    // An entry without a single address is no answer at all.
    if (error == 0 && answer.addresses.empty())
        error = WSANO_DATA;
    return error;
}

// The IPv4 address a reverse lookup is asked about: 0, or the WinSock error for an argument that is none.
int TakeAddress(const char* addr, int len, int type, uint32_t& ip) {
    if (!addr || len < 4)
        return WSAEFAULT;
    if (type != AF_INET)
        return WSAEAFNOSUPPORT;
    std::memcpy(&ip, addr, 4);
    return 0;
}

int Reverse(const ReverseResolver& resolve, uint32_t ip, HostAnswer& answer) {
    int error = resolve(ip, answer);
    // An answer without addresses still holds the one asked about.
    if (error == 0 && answer.addresses.empty())
        answer.addresses.push_back(ip);
    return error;
}

// The bytes a host entry needs when it is laid out in one buffer: the record, the two pointer lists, the
// addresses and the texts.
size_t PackedSize(const HostAnswer& a) {
    size_t size = sizeof(hostent) + (a.aliases.size() + 1 + a.addresses.size() + 1) * sizeof(char*) +
                  a.addresses.size() * 4 + a.name.size() + 1;
    for (const auto& alias : a.aliases)
        size += alias.size() + 1;
    return size;
}

// Lays the entry out in buf (PackedSize bytes at least); every pointer points into buf.
void Pack(const HostAnswer& a, char* buf) {
    auto* h = reinterpret_cast<hostent*>(buf);
    char* p = buf + sizeof(hostent);
    auto** aliases = reinterpret_cast<char**>(p);
    p += (a.aliases.size() + 1) * sizeof(char*);
    auto** addresses = reinterpret_cast<char**>(p);
    p += (a.addresses.size() + 1) * sizeof(char*);
    for (size_t i = 0; i < a.addresses.size(); ++i) {
        std::memcpy(p, &a.addresses[i], 4);
        addresses[i] = p;
        p += 4;
    }
    addresses[a.addresses.size()] = nullptr;
    auto text = [&p](const std::string& s) {
        char* at = p;
        std::memcpy(p, s.c_str(), s.size() + 1);
        p += s.size() + 1;
        return at;
    };
    for (size_t i = 0; i < a.aliases.size(); ++i)
        aliases[i] = text(a.aliases[i]);
    aliases[a.aliases.size()] = nullptr;
    h->h_name = text(a.name);
    h->h_aliases = aliases;
    h->h_addrtype = AF_INET;
    h->h_length = 4;
    h->h_addr_list = addresses;
}

// Per-thread storage of the blocking calls' last answer.
hostent* KeepPerThread(const HostAnswer& a) {
    thread_local std::vector<char> storage;
    storage.assign(PackedSize(a), 0);
    Pack(a, storage.data());
    return reinterpret_cast<hostent*>(storage.data());
}

struct AsyncLookup {
    HWND hwnd = 0;
    UINT msg = 0;
    char* buf = nullptr;
    int bufLen = 0;
};

struct Lookups {
    std::mutex lock;
    std::map<HANDLE, AsyncLookup> pending;
    HANDLE next = 1;
};

Lookups& lookups() {
    static Lookups* l = new Lookups;  // worker threads may still finish while the program ends
    return *l;
}

// On the worker: unless the request was cancelled, lay the answer out in the caller's buffer and post.
void Complete(HANDLE id, int error, const HostAnswer& answer) {
    std::lock_guard<std::mutex> guard(lookups().lock);
    auto it = lookups().pending.find(id);
    if (it == lookups().pending.end())
        return;
    AsyncLookup l = it->second;
    lookups().pending.erase(it);
    size_t needed = error ? 0 : PackedSize(answer);
    if (!error && needed > static_cast<size_t>(l.bufLen))
        error = WSAENOBUFS;
    else if (!error)
        Pack(answer, l.buf);
    WORD reported = static_cast<WORD>(needed > 0xFFFF ? 0xFFFF : needed);
    PostMessageA(l.hwnd, l.msg, id, WSAMAKEASYNCREPLY(reported, static_cast<WORD>(error)));
}

HANDLE Start(HWND hwnd, UINT msg, char* buf, int bufLen, std::function<int(HostAnswer&)> resolve) {
    if (!RequireStarted())
        return 0;
    if (!buf || bufLen <= 0 || !IsWindow(hwnd))
        return Fail(buf ? WSAEINVAL : WSAEFAULT), 0;
    HANDLE id;
    {
        std::lock_guard<std::mutex> guard(lookups().lock);
        id = lookups().next++;
        lookups().pending[id] = AsyncLookup{hwnd, msg, buf, bufLen};
    }
    std::thread([id, resolve = std::move(resolve)] {
        HostAnswer answer;
        int error = resolve(answer);
        Complete(id, error, answer);
    }).detach();
    return id;
}

}  // namespace

void SetHostResolvers(ForwardResolver forward, ReverseResolver reverse) {
    std::lock_guard<std::mutex> guard(resolvers().lock);
    resolvers().forward = std::move(forward);
    resolvers().reverse = std::move(reverse);
}

void CancelAllLookups() {
    std::lock_guard<std::mutex> guard(lookups().lock);
    lookups().pending.clear();
}

}  // namespace win::winsock

namespace win {

hostent* gethostbyname(const char* name) {
    if (!winsock::RequireStarted())
        return nullptr;
    if (!name)
        return winsock::Fail(WSAEFAULT), nullptr;
    winsock::HostAnswer answer;
    if (int error = winsock::Forward(winsock::CurrentForward(), name, answer))
        return winsock::Fail(error), nullptr;
    return winsock::KeepPerThread(answer);
}

hostent* gethostbyaddr(const char* addr, int len, int type) {
    if (!winsock::RequireStarted())
        return nullptr;
    uint32_t ip;
    if (int error = winsock::TakeAddress(addr, len, type, ip))
        return winsock::Fail(error), nullptr;
    winsock::HostAnswer answer;
    if (int error = winsock::Reverse(winsock::CurrentReverse(), ip, answer))
        return winsock::Fail(error), nullptr;
    return winsock::KeepPerThread(answer);
}

HANDLE WSAAsyncGetHostByName(HWND hwnd, u_int msg, const char* name, char* buf, int bufLen) {
    if (!name)
        return winsock::Fail(WSAEFAULT), 0;
    return winsock::Start(hwnd, msg, buf, bufLen,
                          [name = std::string(name), resolve = winsock::CurrentForward()](winsock::HostAnswer& a) {
                              return winsock::Forward(resolve, name, a);
                          });
}

HANDLE WSAAsyncGetHostByAddr(HWND hwnd, u_int msg, const char* addr, int len, int type, char* buf, int bufLen) {
    uint32_t ip;
    if (int error = winsock::TakeAddress(addr, len, type, ip))
        return winsock::Fail(error), 0;
    return winsock::Start(hwnd, msg, buf, bufLen, [ip, resolve = winsock::CurrentReverse()](winsock::HostAnswer& a) {
        return winsock::Reverse(resolve, ip, a);
    });
}

int WSACancelAsyncRequest(HANDLE asyncTask) {
    if (!winsock::RequireStarted())
        return SOCKET_ERROR;
    std::lock_guard<std::mutex> guard(winsock::lookups().lock);
    auto& l = winsock::lookups();
    if (l.pending.erase(asyncTask))
        return 0;
    // A handle given out earlier has completed or been cancelled already.
    return winsock::Fail(asyncTask != 0 && asyncTask < l.next ? WSAEALREADY : WSAEINVAL);
}

}  // namespace win
