#include "platform/win/Registry.h"

#include <exception>
#include <vector>

using namespace win;

namespace {

bool IsRelative(const std::string& key) {
    return key.empty() || key[0] != '\\';
}

// The key's path below its base key: without the leading "\" of an absolute path.
std::string PathBelowBase(const std::string& key) {
    return IsRelative(key) ? key : key.substr(1);
}

TRegDataType DataTypeToRegData(DWORD type) {
    switch (type) {
        case REG_SZ:
            return rdString;
        case REG_EXPAND_SZ:
            return rdExpandString;
        case REG_DWORD:
            return rdInteger;
        case REG_BINARY:
            return rdBinary;
        default:
            return rdUnknown;
    }
}

[[noreturn]] void ReadError(const std::string& name) {
    throw ERegistryException("Invalid data type for '" + name + "'");
}

}  // namespace

TRegistry::TRegistry() = default;

TRegistry::~TRegistry() {
    CloseKey();
}

void TRegistry::SetRootKey(HKEY root) {
    if (root == rootKey_)
        return;
    CloseKey();
    rootKey_ = root;
}

HKEY TRegistry::BaseKey(bool relative) const {
    return currentKey_ && relative ? currentKey_ : rootKey_;
}

bool TRegistry::Open(const std::string& key, bool canCreate, REGSAM access) {
    bool relative = IsRelative(key);
    std::string path = PathBelowBase(key);
    HKEY opened = 0;
    LONG r = !canCreate || path.empty()
                 ? RegOpenKeyExA(BaseKey(relative), path.c_str(), 0, access, &opened)
                 : RegCreateKeyExA(BaseKey(relative), path.c_str(), 0, nullptr, 0, access, nullptr, &opened, nullptr);
    if (r != ERROR_SUCCESS)
        return false;
    if (currentKey_ && relative)
        path = currentPath_.empty() ? path : currentPath_ + "\\" + path;
    CloseKey();
    currentKey_ = opened;
    currentPath_ = path;
    return true;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    return Open(key, canCreate, KEY_ALL_ACCESS);
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    return Open(key, false, KEY_READ);
}

void TRegistry::CloseKey() {
    if (currentKey_)
        RegCloseKey(currentKey_);
    currentKey_ = 0;
    currentPath_.clear();
}

bool TRegistry::KeyExists(const std::string& key) {
    HKEY probe = 0;
    if (RegOpenKeyExA(BaseKey(IsRelative(key)), PathBelowBase(key).c_str(), 0, KEY_READ, &probe) != ERROR_SUCCESS)
        return false;
    RegCloseKey(probe);
    return true;
}

bool TRegistry::DeleteKey(const std::string& key) {
    std::string path = PathBelowBase(key);
    // An empty name would mean the base key itself, which the caller never asked to delete.
    if (path.empty())
        return false;
    return RegDeleteTreeA(BaseKey(IsRelative(key)), path.c_str()) == ERROR_SUCCESS;
}

void TRegistry::GetKeyNames(TStringList& names) {
    names.Clear();
    std::vector<char> buf(16384);
    for (DWORD i = 0;; ++i) {
        DWORD size = static_cast<DWORD>(buf.size());
        if (RegEnumKeyExA(currentKey_, i, buf.data(), &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.Add(std::string(buf.data(), size));
    }
}

bool TRegistry::ValueExists(const std::string& name) {
    TRegDataInfo info;
    return GetDataInfo(name, info);
}

bool TRegistry::DeleteValue(const std::string& name) {
    return RegDeleteValueA(currentKey_, name.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::GetDataInfo(const std::string& name, TRegDataInfo& info) {
    DWORD type = 0, size = 0;
    info = TRegDataInfo{};
    if (RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    info.RegData = DataTypeToRegData(type);
    info.DataSize = static_cast<int>(size);
    return true;
}

int TRegistry::GetDataSize(const std::string& name) {
    TRegDataInfo info;
    return GetDataInfo(name, info) ? info.DataSize : -1;
}

TRegDataType TRegistry::GetDataType(const std::string& name) {
    TRegDataInfo info;
    return GetDataInfo(name, info) ? info.RegData : rdUnknown;
}

// Reads the value into buffer; raises when it cannot be read into size bytes or is not of the expected kind.
void TRegistry::ReadData(const std::string& name, void* buffer, int size, TRegDataType expected) {
    DWORD type = 0;
    DWORD got = static_cast<DWORD>(size);
    if (RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, static_cast<BYTE*>(buffer), &got) != ERROR_SUCCESS)
        throw ERegistryException("Failed to get data for '" + name + "'");
    TRegDataType kind = DataTypeToRegData(type);
    if (kind != expected && !(expected == rdString && kind == rdExpandString))
        ReadError(name);
}

void TRegistry::WriteData(const std::string& name, DWORD type, const void* data, int size) {
    if (size < 0 || RegSetValueExA(currentKey_, name.c_str(), 0, type, static_cast<const BYTE*>(data),
                                   static_cast<DWORD>(size)) != ERROR_SUCCESS)
        throw ERegistryException("Failed to set data for '" + name + "'");
}

std::string TRegistry::ReadString(const std::string& name) {
    int size = GetDataSize(name);
    if (size <= 0)
        return std::string();
    std::string text(static_cast<size_t>(size), '\0');
    ReadData(name, text.data(), size, rdString);
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    return text;
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    WriteData(name, REG_SZ, value.c_str(), static_cast<int>(value.size() + 1));
}

int32_t TRegistry::ReadInteger(const std::string& name) {
    int32_t value = 0;
    ReadData(name, &value, sizeof value, rdInteger);
    return value;
}

void TRegistry::WriteInteger(const std::string& name, int32_t value) {
    WriteData(name, REG_DWORD, &value, sizeof value);
}

int TRegistry::ReadBinaryData(const std::string& name, void* buffer, int bufferSize) {
    TRegDataInfo info;
    if (!GetDataInfo(name, info))
        return 0;
    if ((info.RegData != rdBinary && info.RegData != rdUnknown) || info.DataSize > bufferSize)
        ReadError(name);
    ReadData(name, buffer, info.DataSize, info.RegData);
    return info.DataSize;
}

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, int size) {
    WriteData(name, REG_BINARY, buffer, size);
}

bool InRegistryKey(win::HKEY root, const std::string& key, bool canCreate,
                   const std::function<bool(TRegistry&)>& step) {
    try {
        TRegistry registry;
        registry.SetRootKey(root);
        if (!(canCreate ? registry.OpenKey(key, true) : registry.OpenKeyReadOnly(key)))
            return false;
        const bool done = step(registry);
        registry.CloseKey();
        return done;
    } catch (const std::exception&) {
        return false;
    }
}
