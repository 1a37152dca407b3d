// 1 GiB over loopback through TWSocket (message-driven, queued in 1460-byte blocks) against a plain
// blocking send/recv pair measured in the same run; the result is the ratio of the two best throughputs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "bench/net/LoopbackSink.h"
#include "net/WSocket.h"

namespace {

constexpr uint64_t kTotal = 1ull << 30;
constexpr size_t kChunk = 64 * 1024;
constexpr int kRuns = 5;

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double PlainRun() {
    LoopbackSink sink;
    auto start = std::chrono::steady_clock::now();
    PlainBlockingSend(sink.Port(), kTotal, kChunk);
    uint64_t got = sink.WaitForEnd();
    double s = Seconds(std::chrono::steady_clock::now() - start);
    return got == kTotal ? static_cast<double>(kTotal) / s : 0;
}

double WSocketRun() {
    LoopbackSink sink;
    std::string chunk(kChunk, 'x');
    uint64_t queued = 0;
    bool closed = false;
    TWSocket socket;
    auto feed = [&](TCustomWSocket* s, win::WORD) {
        if (queued >= kTotal) {
            if (!closed)
                s->Close();
            closed = true;
            return;
        }
        queued += static_cast<uint64_t>(s->Send(chunk.data(), static_cast<int>(chunk.size())));
    };
    socket.OnSessionConnected = feed;
    socket.OnDataSent = feed;
    auto start = std::chrono::steady_clock::now();
    socket.SetAddr("127.0.0.1");
    socket.SetPort(std::to_string(sink.Port()));
    socket.LingerOnOff = wsLingerNoSet;  // an orderly close, so the sink sees every byte
    socket.Connect();
    for (int i = 0; i < 100000000 && !closed; ++i) {
        win::Application::ProcessMessages();
        if (!closed)
            win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 100, win::QS_ALLINPUT);
    }
    uint64_t got = sink.WaitForEnd();
    double s = Seconds(std::chrono::steady_clock::now() - start);
    return got == kTotal ? static_cast<double>(kTotal) / s : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        std::fprintf(stderr, "net_throughput: unknown word \"%s\"; it takes none\n", argv[1]);
        return 2;
    }
    // The best of a few runs of each, taking turns, so that the machine's moods fall on both alike.
    double plain = 0;
    double wsocket = 0;
    bool whole = true;
    for (int i = 0; i < kRuns; ++i) {
        double p = PlainRun();
        double w = WSocketRun();
        whole = whole && p > 0 && w > 0;
        plain = std::max(plain, p);
        wsocket = std::max(wsocket, w);
    }
    std::printf("plain blocking send/recv: %.0f MiB/s\n", plain / (1 << 20));
    std::printf("TWSocket:                 %.0f MiB/s\n", wsocket / (1 << 20));
    if (!whole) {
        std::printf("a transfer came up short\n");
        return 1;
    }
    std::printf("TWSocket / plain = %.2f\n", wsocket / plain);
    return 0;
}
