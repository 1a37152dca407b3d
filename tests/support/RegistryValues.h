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
// A BinaryShortString: a length byte, then the bytes (at most 100).
void SetRegShortString(win::HKEY root, const std::string& key, const std::string& name, const std::string& bytes);

// nullopt when the key or the value is missing.
std::optional<StoredValue> GetRegValue(win::HKEY root, const std::string& key, const std::string& name);
bool RegKeyExists(win::HKEY root, const std::string& key);

}  // namespace tarvo::test
