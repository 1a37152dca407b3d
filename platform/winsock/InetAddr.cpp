// Dotted addresses: inet_addr and inet_ntoa.
#include <cstdio>

#include "platform/winsock/WinSock.h"

namespace win {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// One part: decimal, octal with a leading 0, or hexadecimal with 0x; saturates rather than overflowing.
const char* ParsePart(const char* p, uint64_t& value) {
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    } else if (p[0] == '0') {
        base = 8;
    }
    const char* start = p;
    value = 0;
    for (;; ++p) {
        int digit;
        char c = *p;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        if (digit >= base)
            return nullptr;
        value = value * base + digit;
        if (value > 0xFFFFFFFFu)
            value = 0x100000000u;
    }
    return (p == start && base == 16) ? nullptr : p;
}

}  // namespace

// As the classic form: "a.b.c.d", "a.b.c" (c 16 bits), "a.b" (b 24 bits) or "a" (32 bits).
u_long inet_addr(const char* text) {
    if (!text)
        return INADDR_NONE;
    uint64_t parts[4];
    int count = 0;
    const char* p = text;
    for (;;) {
        if (count == 4 || !(*p >= '0' && *p <= '9'))
            return INADDR_NONE;
        p = ParsePart(p, parts[count++]);
        if (!p)
            return INADDR_NONE;
        if (*p != '.')
            break;
        ++p;
    }
    while (IsBlank(*p))
        ++p;
    if (*p)
        return INADDR_NONE;
    uint64_t limits[4] = {0xFFFFFFFF, 0xFFFFFF, 0xFFFF, 0xFF};
    uint64_t host = 0;
    for (int i = 0; i < count - 1; ++i) {
        if (parts[i] > 0xFF)
            return INADDR_NONE;
        host |= parts[i] << (24 - 8 * i);
    }
    if (parts[count - 1] > limits[count - 1])
        return INADDR_NONE;
    host |= parts[count - 1];
    return htonl(static_cast<u_long>(host));
}

char* inet_ntoa(in_addr in) {
    thread_local char text[16];
    u_long host = ntohl(in.s_addr);
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", (host >> 24) & 0xFF, (host >> 16) & 0xFF, (host >> 8) & 0xFF,
                  host & 0xFF);
    return text;
}

}  // namespace win
