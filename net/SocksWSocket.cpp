#include "net/SocksWSocket.h"

#include <algorithm>
#include <cstring>

namespace {

// The texts of SOCKS 5 reply codes 1 to 8.
const char* const kSocks5ReplyTexts[] = {"general SOCKS server failure", "connection not allowed by ruleset",
                                         "network unreachable",          "host unreachable",
                                         "connection refused",           "time to live expired",
                                         "command not supported",        "address type not supported"};

std::string PortBytes(win::WORD Port) {
    return std::string{static_cast<char>(Port >> 8), static_cast<char>(Port & 0xFF)};
}

}  // namespace

TCustomSocksWSocket::TCustomSocksWSocket() = default;

TCustomSocksWSocket::~TCustomSocksWSocket() {
    BeginDestroy();
}

void TCustomSocksWSocket::AssignDefaultValue() {
    TCustomWSocket::AssignDefaultValue();
    FSocksState = 0;
    FSocksServer.clear();
    FSocksPort.clear();
    FSocksLevel = "5";
    FSocksLeftoverCount = 0;
    FSocksLeftoverPos = 0;
    FSocksPortAssigned = false;
    FSocksServerAssigned = false;
}

void TCustomSocksWSocket::SetSocksLevel(const std::string& Value) {
    if (FState != wsClosed)
        return RaiseException("Can't change socks level if not closed");
    if (Value != "4" && Value != "5" && Value != "4A" && Value != "4a")
        return RaiseException("Invalid socks level. Must be 4, 4A or 5.");
    FSocksLevel = UpperCase(Value);
}

void TCustomSocksWSocket::SetSocksPort(const std::string& Value) {
    if (FState != wsClosed)
        return RaiseException("Can't change socks port if not closed");
    FSocksPort = Trim(Value);
    FSocksPortAssigned = !FSocksPort.empty();
}

void TCustomSocksWSocket::SetSocksServer(const std::string& Value) {
    if (FState != wsClosed)
        return RaiseException("Can't change socks server if not closed");
    FSocksServer = Trim(Value);
    FSocksServerAssigned = !FSocksServer.empty();
}

void TCustomSocksWSocket::Listen() {
    if (FSocksServerAssigned)
        return RaiseException("Listening is not supported thru socks server");
    TCustomWSocket::Listen();
}

bool TCustomSocksWSocket::CheckSocksValues() {
    auto refuse = [this](const std::string& what) {
        RaiseException("connect: " + what);
        return false;
    };
    if (FSocksLevel == "5") {
        if (FAddr.size() > 255)
            return refuse("SOCKS host name longer than 255 characters");
        if (SocksAuthentication == socksAuthenticateUsercode) {
            if (SocksUsercode.size() > 255)
                return refuse("SOCKS user code longer than 255 characters");
            if (SocksPassword.size() > 255)
                return refuse("SOCKS password longer than 255 characters");
        }
        return true;
    }
    // SOCKS 4 ends its user id and host name with a zero byte.
    if (SocksUsercode.find('\0') != std::string::npos)
        return refuse("SOCKS user code holds a zero byte");
    if (FAddr.find('\0') != std::string::npos)
        return refuse("SOCKS host name holds a zero byte");
    return true;
}

void TCustomSocksWSocket::Connect() {
    if (!FSocksServerAssigned)
        return TCustomWSocket::Connect();
    if (LowerCase(FProto) != "tcp" && Trim(FProto) != "6")
        return RaiseException("tcp is the only protocol supported thru socks server");
    if (!CheckSocksValues())
        return;
    try {
        if (!FPortResolved) {
            FRemoteAddress.sin_port = Winsock_htons(WSocketResolvePort(FSocksPort, FProto));
            FPortResolved = true;
        }
        if (!FAddrResolved) {
            FRemoteAddress.sin_addr.s_addr = WSocketResolveHost(FSocksServer);
            FAddrResolved = true;
        }
        FPortNumber = WSocketResolvePort(FPort, FProto);
    } catch (const Exception& e) {
        return RaiseException("connect: " + e.Message());
    }
    TCustomWSocket::Connect();
}

// Only here: the core may still refuse the call, and a refused call must not restart the negotiation of a
// session that is already through the proxy.
void TCustomSocksWSocket::ConnectAccepted() {
    if (!FSocksServerAssigned)
        return;
    FSocksState = 1;
    FSocksReplyCount = 0;
}

int TCustomSocksWSocket::GetRcvdCount() {
    if (FSocksLeftoverCount > 0)
        return FSocksLeftoverCount;
    return TCustomWSocket::GetRcvdCount();
}

int TCustomSocksWSocket::DoRecv(void* Buffer, int BufferSize, int Flags) {
    if (FSocksLeftoverCount <= 0)
        return TCustomWSocket::DoRecv(Buffer, BufferSize, Flags);
    int n = std::min(BufferSize, FSocksLeftoverCount);
    if (n > 0)
        std::memcpy(Buffer, FSocksReplyBuffer.data() + FSocksLeftoverPos, static_cast<size_t>(n));
    FSocksLeftoverPos += std::max(n, 0);
    FSocksLeftoverCount -= std::max(n, 0);
    return n;
}

void TCustomSocksWSocket::TriggerSocksConnected(win::WORD ErrCode) {
    if (OnSocksConnected)
        OnSocksConnected(this, ErrCode);
}

void TCustomSocksWSocket::TriggerSocksError(int Error, const std::string& Msg) {
    if (OnSocksError)
        OnSocksError(this, Error, Msg);
}

void TCustomSocksWSocket::TriggerSocksAuthState(TSocksAuthState AuthState) {
    if (OnSocksAuthState)
        OnSocksAuthState(this, AuthState);
}

void TCustomSocksWSocket::DoSessionConnected(win::WORD ErrCode) {
    if (FSocksState != 1)
        return TCustomWSocket::DoSessionConnected(ErrCode);
    TriggerSocksConnected(ErrCode);
    if (ErrCode != 0)
        return TCustomWSocket::DoSessionConnected(ErrCode);
    if (FSocksLevel[0] == '4')
        return SendSocksConnectRequest();
    FSocksAuthMethod = SocksAuthentication == socksAuthenticateUsercode ? 2 : 0;
    SendRequest(std::string{5, 1, static_cast<char>(FSocksAuthMethod)});
}

void TCustomSocksWSocket::SendRequest(const std::string& Request) {
    try {
        Send(Request.data(), static_cast<int>(Request.size()));
    } catch (const std::exception&) {
        // a failed send shows as the session's close
    }
}

void TCustomSocksWSocket::SendSocksAuthRequest() {
    FSocksState = 2;
    TriggerSocksAuthState(socksAuthStart);
    std::string request{1, static_cast<char>(SocksUsercode.size())};
    request += SocksUsercode;
    request += static_cast<char>(SocksPassword.size());
    request += SocksPassword;
    SendRequest(request);
}

void TCustomSocksWSocket::SendSocksConnectRequest() {
    FSocksState = 3;
    std::string request;
    if (FSocksLevel[0] == '4') {
        request = std::string{4, 1} + PortBytes(FPortNumber);
        win::u_long address;
        if (FSocksLevel == "4A") {
            address = Winsock_htonl(1);  // 0.0.0.1: the server resolves the name that follows
        } else {
            try {
                address = WSocketResolveHost(FAddr);
            } catch (const Exception& e) {
                TriggerSocksError(20017, std::string(e.ClassName()) + " " + e.Message());
                InternalClose(true, 20017);
                return;
            }
        }
        request.append(reinterpret_cast<const char*>(&address), 4);
        request += SocksUsercode;
        request += '\0';
        if (FSocksLevel == "4A") {
            request += FAddr;
            request += '\0';
        }
    } else {
        request = std::string{5, 1, 0, 3, static_cast<char>(FAddr.size())} + FAddr + PortBytes(FPortNumber);
    }
    SendRequest(request);
}

void TCustomSocksWSocket::FailSocksNegotiation(int Code, const std::string& Msg) {
    TriggerSocksError(Code, Msg);
    FSocksState = 0;
    DoSessionConnected(static_cast<win::WORD>(Code));
    InternalClose(true, static_cast<win::WORD>(Code));
}

void TCustomSocksWSocket::TriggerSessionClosed(win::WORD ErrCode) {
    if (FSocksState == 2)
        TriggerSocksAuthState(socksAuthFailure);
    TCustomWSocket::TriggerSessionClosed(ErrCode);
}

// Reads more of a reply, up to Limit bytes held; false when the read failed.
bool TCustomSocksWSocket::ReceiveReply(int Limit) {
    int room = Limit - FSocksReplyCount;
    if (room <= 0)
        return true;
    int n = Receive(FSocksReplyBuffer.data() + FSocksReplyCount, room);
    if (n < 0)
        return false;
    FSocksReplyCount += n;
    return true;
}

bool TCustomSocksWSocket::TriggerDataAvailable(win::WORD ErrCode) {
    if (FSocksState == 0)
        return TCustomWSocket::TriggerDataAvailable(ErrCode);
    if (ErrCode != 0) {
        FailSocksNegotiation(ErrCode, "data receive error");
        return false;
    }
    switch (FSocksState) {
        case 1:
            return MethodReply();
        case 2:
            return AuthReply();
        case 3:
            return FSocksLevel[0] == '4' ? Socks4Reply() : Socks5Reply();
        default:
            FailSocksNegotiation(20013, "internal error");
            return false;
    }
}

bool TCustomSocksWSocket::MethodReply() {
    if (!ReceiveReply(static_cast<int>(FSocksReplyBuffer.size())))
        return true;
    if (FSocksLevel[0] == '4') {
        FailSocksNegotiation(20001, "TWSocket logic error");
        return true;
    }
    if (FSocksReplyCount < 2)
        return true;
    FSocksReplyCount = 0;
    if (FSocksReplyBuffer[0] != 5) {
        FailSocksNegotiation(20002, "socks version error");
    } else if (FSocksReplyBuffer[1] == 0) {
        if (FSocksAuthMethod == 2)
            TriggerSocksAuthState(socksAuthNotRequired);
        SendSocksConnectRequest();
    } else if (FSocksReplyBuffer[1] == 2) {
        SendSocksAuthRequest();
    } else {
        FailSocksNegotiation(20003, "authentification method not acceptable");
    }
    return true;
}

bool TCustomSocksWSocket::AuthReply() {
    if (!ReceiveReply(static_cast<int>(FSocksReplyBuffer.size())))
        return true;
    if (FSocksReplyCount >= 1 && FSocksReplyBuffer[0] != 1) {
        FailSocksNegotiation(20002, "socks version error");
    } else if (FSocksReplyCount == 2) {
        if (FSocksReplyBuffer[1] != 0) {
            FailSocksNegotiation(20015, "socks authentication failed");
        } else {
            FSocksReplyCount = 0;
            TriggerSocksAuthState(socksAuthSuccess);
            SendSocksConnectRequest();
        }
    } else if (FSocksReplyCount > 2) {
        FailSocksNegotiation(20001, "too much data availaible");
    }
    return true;
}

bool TCustomSocksWSocket::Socks4Reply() {
    if (!ReceiveReply(8))
        return true;
    if (FSocksReplyCount < 8)
        return true;
    FSocksReplyCount = 0;
    auto code = static_cast<unsigned char>(FSocksReplyBuffer[1]);
    if (FSocksReplyBuffer[0] != 0) {
        FailSocksNegotiation(20002, "socks version error");
    } else if (code == 90) {
        FSocksState = 0;
        DoSessionConnected(0);
        return TriggerDataAvailable(0);  // data that came with the reply is not left waiting
    } else if (code == 91) {
        FailSocksNegotiation(20016, "request rejected or failed");
    } else if (code == 92) {
        FailSocksNegotiation(20008, "connection refused");
    } else if (code == 93) {
        FailSocksNegotiation(20015, "authentification failed");
    } else {
        FailSocksNegotiation(20012, "unassigned error #" + IntToStr(code));
    }
    return true;
}

bool TCustomSocksWSocket::Socks5Reply() {
    if (!ReceiveReply(static_cast<int>(FSocksReplyBuffer.size())))
        return true;
    const auto* reply = reinterpret_cast<const unsigned char*>(FSocksReplyBuffer.data());
    if (FSocksReplyCount >= 1 && reply[0] != 5) {
        FailSocksNegotiation(20002, "socks version error");
        return true;
    }
    if (FSocksReplyCount >= 2 && reply[1] != 0) {
        if (reply[1] <= 8)
            FailSocksNegotiation(20003 + reply[1], kSocks5ReplyTexts[reply[1] - 1]);
        else
            FailSocksNegotiation(20012, "unassigned error #" + IntToStr(reply[1]));
        return true;
    }
    if (FSocksReplyCount <= 4)
        return true;
    int type = reply[3];
    int length = type == 1 ? 10 : type == 3 ? reply[4] + 7 : 5;
    if (FSocksReplyCount < length)
        return true;
    if (type != 1 && type != 3) {
        FailSocksNegotiation(20011, "address type not supported");
        return true;
    }
    int portOffset = type == 1 ? 8 : reply[4] + 5;
    // Destination bytes that came with the reply are set aside before anybody hears of the session, so
    // they are read first and in order.
    int leftover = FSocksReplyCount - portOffset - 2;
    FSocksLeftoverCount = std::max(leftover, 0);
    FSocksLeftoverPos = portOffset + 2;
    FSocksReplyCount = 0;
    FSocksState = 0;
    DoSessionConnected(0);
    return TriggerDataAvailable(0);
}
