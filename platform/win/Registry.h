#pragma once
// The class library's registry object over the registry calls: a root key, at most one open key, typed
// reads and writes. Key paths use "\"; a leading "\" makes a path absolute from the root, otherwise it is
// taken from the open key (from the root when none is open). Failed reads and writes of values raise
// ERegistryException with the class library's messages: "Invalid data type for 'Name'", "Failed to get data
// for 'Name'", "Failed to set data for 'Name'".

#include <cstdint>
#include <functional>
#include <string>

#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/WinReg.h"

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
    TRegDataType RegData = rdUnknown;
    int DataSize = 0;
};

class TRegistry {
public:
    TRegistry();  // root HKEY_CURRENT_USER
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    void SetRootKey(win::HKEY root);  // closes the open key
    const std::string& CurrentPath() const { return currentPath_; }

    // Opens the key with full access (creating the missing keys when canCreate); it becomes the open key.
    bool OpenKey(const std::string& key, bool canCreate);
    // Opens an existing key for reading only.
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey();
    bool KeyExists(const std::string& key);
    // Deletes the key with all its subkeys; False when it does not exist or cannot be deleted.
    bool DeleteKey(const std::string& key);
    void GetKeyNames(TStringList& names);

    bool ValueExists(const std::string& name);
    bool DeleteValue(const std::string& name);
    bool GetDataInfo(const std::string& name, TRegDataInfo& info);
    int GetDataSize(const std::string& name);  // -1 when the value is missing
    TRegDataType GetDataType(const std::string& name);

    // "" for a missing or empty value; text is cut at its first NUL, never expanded.
    std::string ReadString(const std::string& name);
    void WriteString(const std::string& name, const std::string& value);
    // A missing value raises too.
    int32_t ReadInteger(const std::string& name);
    void WriteInteger(const std::string& name, int32_t value);
    // Binary and unknown kinds read into the buffer when they fit; 0 for a missing value.
    int ReadBinaryData(const std::string& name, void* buffer, int bufferSize);
    void WriteBinaryData(const std::string& name, const void* buffer, int size);

private:
    win::HKEY BaseKey(bool relative) const;
    bool Open(const std::string& key, bool canCreate, win::REGSAM access);
    void ReadData(const std::string& name, void* buffer, int size, TRegDataType expected);
    void WriteData(const std::string& name, win::DWORD type, const void* data, int size);

    win::HKEY rootKey_ = win::HKEY_CURRENT_USER;
    win::HKEY currentKey_ = 0;
    std::string currentPath_;
};

// Opens the key under root in a registry object of its own (creating missing keys when canCreate, otherwise
// read-only), runs step on it and closes it again. False when the key does not open, step gives false or
// anything raises: for the helpers that turn every failure into False.
bool InRegistryKey(win::HKEY root, const std::string& key, bool canCreate, const std::function<bool(TRegistry&)>& step);
