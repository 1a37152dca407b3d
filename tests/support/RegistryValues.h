#pragma once
// Registry values for tests, written into and read from the running test's machine root through the
// registry calls. A call that fails fails the test.

#include <optional>
#include <string>

#include "platform/win/WinReg.h"

namespace tarvo::test {

struct StoredValue {
    win::DWORD type = 0;
    std::string data;
};

void SetRegValue(win::HKEY root, const std::string& key, const std::string& name, win::DWORD type,
                 const std::string& data);
void SetRegString(win::HKEY root, const std::string& key, const std::string& name, const std::string& text);
void SetRegDword(win::HKEY root, const std::string& key, const std::string& name, uint32_t value);
void SetRegBinary(win::HKEY root, const std::string& key, const std::string& name, const std::string& bytes);
// A BinaryShortString holding the text scrambled as the client's stored credentials are (each byte doubled).
void SetRegScrambledString(win::HKEY root, const std::string& key, const std::string& name, const std::string& plain);

// nullopt when the key or the value is missing.
std::optional<StoredValue> GetRegValue(win::HKEY root, const std::string& key, const std::string& name);
bool RegKeyExists(win::HKEY root, const std::string& key);

// Scrambles 7-bit text as the stored credentials are: every character's code doubled.
std::string ScrambleText(const std::string& plain);

}  // namespace tarvo::test
