#pragma once
// Single registry values under HKEY_CURRENT_USER, each routine opening and closing the key itself. An empty
// key path means "Software\Vostrand\Tarvo". BinaryShortString values (Account, Password, ServerName) are
// REG_BINARY: a count byte n (0 to 100) and n bytes of text, 1 + n bytes in all.

#include <cstdint>
#include <string>

constexpr const char* DefaultRegKey = "Software\\Vostrand\\Tarvo";

// text := the REG_SZ or REG_EXPAND_SZ value (not expanded, cut at its first NUL; empty when missing or
// empty). When the key does not open, text is left as it was. A value of another kind raises
// ERegistryException.
void RegReadString(const std::string& valueName, const std::string& keyPath, std::string& text);
// Creates the key when missing; False when it cannot be opened or the value cannot be written.
bool RegWriteString(const std::string& valueName, const std::string& text, const std::string& keyPath);
// The REG_DWORD value; 0 when the key or value is missing or the value is not an integer.
int32_t RegReadInteger(const std::string& valueName, const std::string& keyPath);
// text := the BinaryShortString's text; empty on any failure (missing key or value, another kind, more than
// 101 bytes). A count byte claiming more than is stored gives the bytes stored, never more than 100.
void RegReadBinaryString(const std::string& valueName, const std::string& keyPath, std::string& text);

// The installer's writers, which fix the formats the client reads.
bool RegWriteInteger(const std::string& valueName, int32_t value, const std::string& keyPath);
// Stores the first 100 bytes of text behind their count.
bool RegWriteBinaryString(const std::string& valueName, const std::string& text, const std::string& keyPath);
