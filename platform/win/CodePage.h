#pragma once
// Code page 932 (Shift-JIS as Windows extends it) at the boundaries where its bytes matter: archive entry
// names, FTP arguments and listings, INI and comment files, the password bytes of a key.
// Text that cannot be converted is reported (nullopt), never replaced by "?".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace win {

std::optional<std::string> Utf8ToCp932(std::string_view utf8);
std::optional<std::string> Cp932ToUtf8(std::string_view cp932);
bool IsCp932Encodable(std::string_view utf8);
// Whether the byte begins a double-byte character (its second byte may look like "\", "]" or a letter).
inline bool IsCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace win
