#pragma once
// TCustomSocksWSocket: when a SOCKS server is set, Connect goes through it (SOCKS 4, 4A, or 5 with optional
// user/password log-in) and keeps the handshake out of sight in the receive path. The owner gets
// OnSocksConnected, then OnSessionConnected when the far end is reached, and after that only the far end's bytes.

#include <array>

#include "net/CustomWSocket.h"

enum TSocksAuthentication { socksNoAuthentication, socksAuthenticateUsercode };
enum TSocksAuthState { socksAuthStart, socksAuthSuccess, socksAuthFailure, socksAuthNotRequired };

using TSocksErrorEvent = std::function<void(TCustomWSocket* Sender, int Error, const std::string& Msg)>;
using TSocksAuthStateEvent = std::function<void(TCustomWSocket* Sender, TSocksAuthState AuthState)>;

class TCustomSocksWSocket : public TCustomWSocket {
public:
    TCustomSocksWSocket();
    ~TCustomSocksWSocket() override;

    std::string SocksServer() const { return FSocksServer; }
    virtual void SetSocksServer(const std::string& Value);
    std::string SocksPort() const { return FSocksPort; }
    virtual void SetSocksPort(const std::string& Value);
    std::string SocksLevel() const { return FSocksLevel; }
    void SetSocksLevel(const std::string& Value);
    std::string SocksUsercode;
    std::string SocksPassword;
    TSocksAuthentication SocksAuthentication = socksNoAuthentication;
    int SocksState() const { return FSocksState; }

    TSocksErrorEvent OnSocksError;
    TSessionConnected OnSocksConnected;
    TSocksAuthStateEvent OnSocksAuthState;

    void Connect() override;
    void Listen() override;

protected:
    void AssignDefaultValue() override;
    void ConnectAccepted() override;
    int GetRcvdCount() override;
    bool TriggerDataAvailable(win::WORD ErrCode) override;
    void DoSessionConnected(win::WORD ErrCode) override;
    void TriggerSessionClosed(win::WORD ErrCode) override;
    int DoRecv(void* Buffer, int BufferSize, int Flags) override;

    virtual void TriggerSocksConnected(win::WORD ErrCode);
    virtual void TriggerSocksError(int Error, const std::string& Msg);
    void TriggerSocksAuthState(TSocksAuthState AuthState);
    void SendSocksAuthRequest();
    void SendSocksConnectRequest();
    void FailSocksNegotiation(int Code, const std::string& Msg);

    int FSocksState = 0;

private:
    // Refuses values that cannot be put in the request, before anything is sent.
    bool CheckSocksValues();
    bool ReceiveReply(int Limit);
    bool MethodReply();
    bool AuthReply();
    bool Socks4Reply();
    bool Socks5Reply();
    void SendRequest(const std::string& Request);

    std::string FSocksServer;
    std::string FSocksLevel = "5";
    std::string FSocksPort;
    bool FSocksPortAssigned = false;
    bool FSocksServerAssigned = false;
    int FSocksAuthMethod = 0;
    // Room for the longest valid reply: SOCKS 5 with a 255-character bound name is 262 bytes.
    std::array<char, 512> FSocksReplyBuffer{};
    int FSocksReplyCount = 0;
    int FSocksLeftoverCount = 0;
    int FSocksLeftoverPos = 0;
};
