// Fuzz entry: the FTP client's reply reader and the reply handlers of its requests, without a network. The
// commands go nowhere; the fuzzer's bytes are the server's answer.
#include <random>
#include <string_view>

#include "net/FtpCli.h"
#include "tests/net/NetFuzz.h"

namespace {

class ReplyFedClient : public TFtpClient {
public:
    ReplyFedClient() {
        HostFileName = "remote";
        UserName = "u";
        PassWord = "p";
        DisplayFileFlag = true;  // listings and downloads go to the display, not to a file
        AssignLocalStream(&upload_);
        ControlSessionConnected(0);
    }
    void Feed(std::string_view bytes) { FeedReply(bytes, 0); }

protected:
    void SendCommand(const std::string&) override {}

private:
    TMemoryStream upload_;
};

using Request = void (TCustomFtpCli::*)();
const Request kRequests[] = {
    &TCustomFtpCli::CmdUser,   &TCustomFtpCli::CmdPass,   &TCustomFtpCli::CmdCwd,     &TCustomFtpCli::CmdPwd,
    &TCustomFtpCli::CmdType,   &TCustomFtpCli::CmdSyst,   &TCustomFtpCli::CmdSize,    &TCustomFtpCli::CmdMdtm,
    &TCustomFtpCli::CmdFeat,   &TCustomFtpCli::CmdMlst,   &TCustomFtpCli::CmdMd5,     &TCustomFtpCli::CmdMode,
    &TCustomFtpCli::CmdQuit,   &TCustomFtpCli::CmdDele,   &TCustomFtpCli::StartRename, &TCustomFtpCli::BeginList,
    &TCustomFtpCli::BeginRetr, &TCustomFtpCli::BeginStor, &TCustomFtpCli::BeginMlsd,
};

}  // namespace

int FuzzFtpReplies(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::mt19937 cuts(static_cast<uint32_t>(std::hash<std::string_view>{}(rest)));
    ReplyFedClient client;
    try {
        (client.*kRequests[data[0] % std::size(kRequests)])();
    } catch (const Exception&) {
        return 0;
    }
    while (!rest.empty()) {
        size_t piece = 1 + cuts() % std::min<size_t>(rest.size(), data[0] & 0x80 ? 8 : 600);
        try {
            client.Feed(rest.substr(0, piece));
        } catch (const Exception&) {
            // a request refused on the way reports by raising, as it would to a caller
        }
        rest.remove_prefix(piece);
    }
    win::Application::ProcessMessages();
    return 0;
}
