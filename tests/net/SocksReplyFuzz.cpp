// Fuzz entry: the SOCKS negotiation of a socket, without a network. What the socket sends is taken whole;
// the fuzzer's bytes are the proxy's replies and what follows them.
#include <random>
#include <string_view>

#include "net/WSocket.h"
#include "tests/net/NetFuzz.h"

namespace {

class ReplyFedSocket : public TWSocket {
public:
    ReplyFedSocket(const std::string& level, bool usercode) {
        SetSocksLevel(level);
        SocksAuthentication = usercode ? socksAuthenticateUsercode : socksNoAuthentication;
        SocksUsercode = "user";
        SocksPassword = "password";
        SetAddr("127.0.0.1");
        OnDataAvailable = [this](TCustomWSocket*, win::WORD) { DrainDestinationBytes(); };
        FSocksState = 1;
        FState = wsConnected;
        DoSessionConnected(0);
    }

    // Offers the bytes until the socket takes no more of them or the negotiation is over.
    void Arrive(std::string_view bytes) {
        pending_ = bytes;
        for (int pass = 0; pass < 64 && !pending_.empty() && FSocksState != 0 && FState == wsConnected; ++pass)
            TriggerDataAvailable(0);
    }

protected:
    int DoRecv(void* Buffer, int BufferSize, int Flags) override {
        if (FSocksState == 0)
            return TWSocket::DoRecv(Buffer, BufferSize, Flags);  // bytes held back from the last reply
        int n = static_cast<int>(std::min(pending_.size(), static_cast<size_t>(std::max(BufferSize, 0))));
        pending_.copy(static_cast<char*>(Buffer), static_cast<size_t>(n));
        pending_.remove_prefix(static_cast<size_t>(n));
        return n;
    }
    int RealSend(const void*, int Len) override { return Len; }
    int RealSendBlocks(win::WSABUF* Buffers, int Count) override {
        int sent = 0;
        for (int i = 0; i < Count; ++i)
            sent += static_cast<int>(Buffers[i].len);
        return sent;
    }

private:
    void DrainDestinationBytes() {
        char buffer[512];
        for (int i = 0; i < 8 && Receive(buffer, sizeof buffer) > 0; ++i) {
        }
    }

    std::string_view pending_;
};

const char* const kLevels[] = {"4", "4A", "5", "5"};

}  // namespace

int FuzzSocksReplies(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::mt19937 cuts(static_cast<uint32_t>(std::hash<std::string_view>{}(rest)));
    try {
        ReplyFedSocket socket(kLevels[data[0] & 3], data[0] & 4);
        while (!rest.empty()) {
            size_t piece = 1 + cuts() % std::min<size_t>(rest.size(), data[0] & 8 ? 3 : 300);
            socket.Arrive(rest.substr(0, piece));
            rest.remove_prefix(piece);
        }
        win::Application::ProcessMessages();
    } catch (const ESocketException&) {
        // a failed negotiation may report by raising, as it would to a caller
    }
    return 0;
}
