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
// Whether the text's code page 932 form reads back as the very same text. Some characters share bytes with
// others ("〜" and "～") or with the path separator ("¥" is 0x5C): a name holding one would come back as
// another name, so names must pass this, not only IsCp932Encodable.
bool RoundTripsCp932(std::string_view utf8);
// Whether the byte begins a double-byte character (its second byte may look like "\", "]" or a letter).
inline bool IsCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace win
