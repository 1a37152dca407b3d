#pragma once
// One-value registry access under HKEY_CURRENT_USER. Each call opens and closes its own key, so no handle is
// kept between calls; an empty key path stands for DefaultRegKey. Account, Password and ServerName are kept as
// BinaryShortString: REG_BINARY holding a length byte (0 to 100) and then that many bytes of text.

#include <cstdint>
#include <string>

constexpr const char* DefaultRegKey = "Software\\Vostrand\\Tarvo";

// Reads a REG_SZ or REG_EXPAND_SZ value as stored (no expansion) up to its first NUL; "" for a missing or empty
// value. A missing key leaves text untouched; a value of any other type raises ERegistryException.
void RegReadString(const std::string& valueName, const std::string& keyPath, std::string& text);
// Creates the key when missing; False when it cannot be opened or the value cannot be written.
bool RegWriteString(const std::string& valueName, const std::string& text, const std::string& keyPath);
// The REG_DWORD value, or 0 on any failure (no key, no value, another type).
int32_t RegReadInteger(const std::string& valueName, const std::string& keyPath);
// Reads a BinaryShortString; "" on any failure (no key or value, another type, longer than 101 bytes). A
// length byte that claims more than is stored yields only the bytes stored, 100 at most.
void RegReadBinaryString(const std::string& valueName, const std::string& keyPath, std::string& text);

// The installer's writers, which fix the formats the client reads.
bool RegWriteInteger(const std::string& valueName, int32_t value, const std::string& keyPath);
// Stores the first 100 bytes of text behind their count.
bool RegWriteBinaryString(const std::string& valueName, const std::string& text, const std::string& keyPath);
