#pragma once
// Text into a fixed char field of a C record or a caller's buffer: cut to fit, never inside a UTF-8
// character, and always NUL-terminated.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

// size is the whole field, the NUL included; it must be at least 1.
inline void CopyUtf8Field(char* field, size_t size, std::string_view text) {
    size_t n = std::min(text.size(), size - 1);
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}
