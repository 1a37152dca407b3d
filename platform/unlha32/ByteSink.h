#pragma once
// Where decoded entry data goes: a file being extracted, a caller's buffer, or only a CRC for a test.

#include <cstddef>
#include <cstdint>

namespace lha {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(const uint8_t* data, size_t size) = 0;
};

// Keeps nothing: for decoding only to check the data.
class NullSink : public ByteSink {
public:
    void Write(const uint8_t*, size_t) override {}
};

}  // namespace lha
