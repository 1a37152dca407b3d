// TCustomWSocket: asynchronous forward and reverse host lookups.
#include <cstring>

#include "net/CustomWSocket.h"

namespace {

const win::hostent& EntryIn(const char* buffer) {
    return *reinterpret_cast<const win::hostent*>(buffer);
}

void AddHostAddresses(const win::hostent& Entry, TStringList& List) {
    for (char** a = Entry.h_addr_list; a && *a; ++a) {
        win::in_addr address;
        std::memcpy(&address, *a, sizeof address);
        List.Add(WinsockSafe_inet_ntoa(address));
    }
}

void AddHostAliases(const win::hostent& Entry, TStringList& List) {
    for (char** a = Entry.h_aliases; a && *a; ++a)
        if (**a)
            List.Add(*a);
}

// A reverse lookup's answer: the host's name first, then its aliases.
void TakeReverseAnswer(const win::hostent& Entry, std::string& Result, TStringList& List) {
    Result = Entry.h_name ? Entry.h_name : "";
    List.Clear();
    List.Add(Result);
    AddHostAliases(Entry, List);
}

bool HasAddress(const win::hostent& Entry) {
    return Entry.h_addr_list && Entry.h_addr_list[0];
}

// The address of a reverse lookup; false for a text that is not an address (inet_addr's failure value is
// also the broadcast address, which is looked up only when asked for by name).
bool ReverseAddress(const std::string& HostAddr, win::u_long& Address) {
    if (HostAddr.empty() || HostAddr.size() > 256)
        return false;
    Address = Winsock_inet_addr(HostAddr.c_str());
    return Address != win::INADDR_NONE || Trim(HostAddr) == "255.255.255.255";
}

}  // namespace

void TCustomWSocket::StartDnsLookupAfresh() {
    // The pending lookup is cancelled and forgotten, so a later cancel finds nothing to do.
    if (FDnsLookupHandle != 0)
        Winsock_WSACancelAsyncRequest(FDnsLookupHandle);
    FDnsLookupHandle = 0;
    FDnsResult.clear();
    FDnsResultList.Clear();
}

bool TCustomWSocket::BeginReverseDnsLookup(const std::string& HostAddr, win::u_long& Address) {
    if (!ReverseAddress(HostAddr, Address)) {
        RaiseException("ReverseDnsLookup: Invalid host name.");
        TriggerDnsLookupDone(win::WSAEINVAL);
        return false;
    }
    StartDnsLookupAfresh();
    return true;
}

void TCustomWSocket::DnsLookup(const std::string& HostName) {
    if (HostName.empty()) {
        RaiseException("DNS lookup: invalid host name.");
        TriggerDnsLookupDone(win::WSAEINVAL);
        return;
    }
    StartDnsLookupAfresh();
    if (IsDottedQuad(HostName)) {
        win::u_long address = Winsock_inet_addr(HostName.c_str());
        if (address != win::INADDR_NONE) {
            FDnsResult = Winsock_inet_ntoa(win::in_addr{address});
            FDnsResultList.Add(FDnsResult);
            TriggerDnsLookupDone(0);
            return;
        }
    }
    if (FWindowHandle == 0)
        return RaiseException("DnsLookup: Window not assigned");
    FEarlyDnsReplyPending = false;
    FDnsLookupHandle = Winsock_WSAAsyncGetHostByName(FWindowHandle, WM_SOCKET_DNS_DONE, HostName.c_str(), FDnsBuffer,
                                                     sizeof FDnsBuffer);
    if (FDnsLookupHandle == 0)
        return RaiseExceptionFmt("%s: can't start DNS lookup, error #%d", {HostName, Winsock_WSAGetLastError()});
    ProcessEarlyDnsReply();
}

bool TCustomWSocket::ProcessEarlyDnsReply() {
    if (!FEarlyDnsReplyPending)
        return false;
    FEarlyDnsReplyPending = false;
    win::TMessage reply = FEarlyDnsReply;
    HandleDnsLookupDone(reply);
    return true;
}

void TCustomWSocket::HandleDnsLookupDone(win::TMessage& Msg) {
    if (FDnsLookupHandle == 0) {
        // The answer arrived before the handle was stored: hold it until the handle is known.
        FEarlyDnsReply = Msg;
        FEarlyDnsReplyPending = true;
        return;
    }
    if (Msg.WParam != FDnsLookupHandle)
        return;
    FDnsLookupHandle = 0;
    win::WORD error = win::WSAGETASYNCERROR(Msg.LParam);
    if (error == 0) {
        const win::hostent& entry = EntryIn(FDnsBuffer);
        if (!HasAddress(entry)) {
            error = win::WSANO_DATA;  // an entry without addresses is no answer
        } else {
            AddHostAddresses(entry, FDnsResultList);
            FDnsResult = FDnsResultList[0];
        }
    }
    TriggerDnsLookupDone(error);
}

void TCustomWSocket::ReverseDnsLookup(const std::string& HostAddr) {
    win::u_long address = 0;
    if (!BeginReverseDnsLookup(HostAddr, address))
        return;
    if (FWindowHandle == 0)
        return RaiseException("ReverseDnsLookup: Window not assigned");
    FDnsLookupHandle = Winsock_WSAAsyncGetHostByAddr(FWindowHandle, WM_SOCKET_REVERSE_DNS_DONE,
                                                     reinterpret_cast<const char*>(&address), 4, win::AF_INET,
                                                     FDnsBuffer, sizeof FDnsBuffer);
    if (FDnsLookupHandle == 0)
        RaiseExceptionFmt("%s: can't start DNS lookup, error #%d", {HostAddr, Winsock_WSAGetLastError()});
}

void TCustomWSocket::HandleReverseDnsLookupDone(win::TMessage& Msg) {
    if (FDnsLookupHandle == 0 || Msg.WParam != FDnsLookupHandle)
        return;
    FDnsLookupHandle = 0;
    win::WORD error = win::WSAGETASYNCERROR(Msg.LParam);
    if (error == 0)
        TakeReverseAnswer(EntryIn(FDnsBuffer), FDnsResult, FDnsResultList);
    TriggerDnsLookupDone(error);
}

void TCustomWSocket::ReverseDnsLookupAlt(const std::string& HostAddr) {
    win::u_long address = 0;
    if (!BeginReverseDnsLookup(HostAddr, address))
        return;
    win::hostent* entry = Winsock_gethostbyaddr(reinterpret_cast<const char*>(&address), 4, win::AF_INET);
    if (!entry)
        return TriggerDnsLookupDone(static_cast<win::WORD>(Winsock_WSAGetLastError()));
    TakeReverseAnswer(*entry, FDnsResult, FDnsResultList);
    TriggerDnsLookupDone(0);
}

bool TCustomWSocket::DropEndedDnsLookup() {
    if (Winsock_WSAGetLastError() != win::WSAEALREADY)
        return false;
    // Queued answers of older lookups would be ignored anyway; they go too.
    win::MSG answer;
    while (FWindowHandle != 0 &&
           win::PeekMessageA(&answer, FWindowHandle, WM_SOCKET_DNS_DONE, WM_SOCKET_REVERSE_DNS_DONE, win::PM_REMOVE)) {
    }
    return true;
}

void TCustomWSocket::CancelDnsLookup() {
    if (FDnsLookupHandle == 0)
        return;
    // A lookup that has ended cannot be cancelled, but its answer has not been handled yet: dropping the
    // answer cancels it just as well.
    if (Winsock_WSACancelAsyncRequest(FDnsLookupHandle) != 0 && !DropEndedDnsLookup()) {
        FDnsLookupHandle = 0;
        ReportSocketError("WSACancelAsyncRequest");
        return;
    }
    FDnsLookupHandle = 0;
    if (!FDestroying)
        TriggerDnsLookupDone(win::WSAEINTR);
}
