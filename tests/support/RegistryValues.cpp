#include "tests/support/RegistryValues.h"

#include <gtest/gtest.h>

namespace tarvo::test {

void SetRegValue(win::HKEY root, const std::string& key, const std::string& name, win::DWORD type,
                 const std::string& data) {
    win::HKEY h = 0;
    ASSERT_EQ(win::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, win::KEY_WRITE, nullptr, &h, nullptr),
              win::ERROR_SUCCESS)
        << key;
    EXPECT_EQ(win::RegSetValueExA(h, name.c_str(), 0, type, reinterpret_cast<const win::BYTE*>(data.data()),
                                  static_cast<win::DWORD>(data.size())),
              win::ERROR_SUCCESS)
        << key << " " << name;
    win::RegCloseKey(h);
}

void SetRegString(win::HKEY root, const std::string& key, const std::string& name, const std::string& text) {
    SetRegValue(root, key, name, win::REG_SZ, text + '\0');
}

void SetRegDword(win::HKEY root, const std::string& key, const std::string& name, uint32_t value) {
    std::string data;
    for (int i = 0; i < 4; ++i)
        data += static_cast<char>((value >> (8 * i)) & 0xFF);
    SetRegValue(root, key, name, win::REG_DWORD, data);
}

void SetRegBinary(win::HKEY root, const std::string& key, const std::string& name, const std::string& bytes) {
    SetRegValue(root, key, name, win::REG_BINARY, bytes);
}

void SetRegShortString(win::HKEY root, const std::string& key, const std::string& name, const std::string& bytes) {
    ASSERT_LE(bytes.size(), 100u);
    SetRegBinary(root, key, name, static_cast<char>(bytes.size()) + bytes);
}

std::optional<StoredValue> GetRegValue(win::HKEY root, const std::string& key, const std::string& name) {
    win::HKEY h = 0;
    if (win::RegOpenKeyExA(root, key.c_str(), 0, win::KEY_READ, &h) != win::ERROR_SUCCESS)
        return std::nullopt;
    StoredValue v;
    win::DWORD size = 0;
    std::optional<StoredValue> result;
    if (win::RegQueryValueExA(h, name.c_str(), nullptr, &v.type, nullptr, &size) == win::ERROR_SUCCESS) {
        v.data.resize(size);
        EXPECT_EQ(win::RegQueryValueExA(h, name.c_str(), nullptr, nullptr, reinterpret_cast<win::BYTE*>(v.data.data()),
                                        &size),
                  win::ERROR_SUCCESS);
        result = v;
    }
    win::RegCloseKey(h);
    return result;
}

bool RegKeyExists(win::HKEY root, const std::string& key) {
    win::HKEY h = 0;
    if (win::RegOpenKeyExA(root, key.c_str(), 0, win::KEY_READ, &h) != win::ERROR_SUCCESS)
        return false;
    win::RegCloseKey(h);
    return true;
}

}  // namespace tarvo::test
