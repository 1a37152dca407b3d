#pragma once
// Fuzz entries of the socket and FTP layer, run by libFuzzer programs (TARVO_FUZZ) and by the smoke test of
// every build. Each takes any bytes and must neither crash nor hang.

#include <cstddef>
#include <cstdint>

// The first byte picks an FTP request that awaits its reply; the rest arrives as that reply, cut into pieces
// at random.
int FuzzFtpReplies(const uint8_t* data, size_t size);

// The first byte picks the SOCKS level and method offered; the rest arrives as the proxy's replies, cut into
// pieces at random.
int FuzzSocksReplies(const uint8_t* data, size_t size);

