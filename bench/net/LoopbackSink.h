#pragma once
// The receiving end of the benchmark, the same for both senders: a thread that accepts one connection on
// 127.0.0.1 and reads until the sender closes, counting bytes. Also the plain blocking sender it is
// measured against.

#include <cstdint>
#include <thread>

class LoopbackSink {
public:
    LoopbackSink();
    ~LoopbackSink();
    int Port() const { return port_; }
    uint64_t WaitForEnd();  // the number of bytes read

private:
    int listener_ = -1;
    int port_ = 0;
    uint64_t received_ = 0;
    std::thread thread_;
};

// Sends total bytes to 127.0.0.1:port with blocking send() calls of chunk bytes, then closes.
void PlainBlockingSend(int port, uint64_t total, size_t chunk);
