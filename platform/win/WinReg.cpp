#include "platform/win/WinReg.h"

#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/win/RegistryStore.h"

namespace win {

namespace {

using reg::Key;

struct OpenedKey {
    std::string root;
    std::vector<std::string> path;
    REGSAM access = 0;
};

struct KeyTable {
    std::mutex lock;
    std::map<HKEY, OpenedKey> keys;
    HKEY next = 0x1000;
};

KeyTable& Table() {
    static KeyTable table;
    return table;
}

bool Resolve(HKEY h, OpenedKey& key) {
    std::string root = RootKeyName(h);
    if (!root.empty()) {
        key = {root, {}, KEY_ALL_ACCESS};
        return true;
    }
    KeyTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.keys.find(h);
    if (it == t.keys.end())
        return false;
    key = it->second;
    return true;
}

HKEY AddHandle(OpenedKey key) {
    KeyTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    HKEY h = t.next++;
    t.keys.emplace(h, std::move(key));
    return h;
}

// "a\b\c" into its names; a trailing "\" is allowed, a leading one or an empty name inside is not.
LONG SplitPath(const char* subKey, std::vector<std::string>& names) {
    names.clear();
    std::string_view rest = subKey ? subKey : "";
    if (!rest.empty() && rest.back() == '\\')
        rest.remove_suffix(1);
    while (!rest.empty()) {
        size_t slash = rest.find('\\');
        std::string_view name = rest.substr(0, slash);
        if (name.empty())
            return ERROR_BAD_PATHNAME;
        if (!reg::IsStorableName(name))
            return ERROR_INVALID_PARAMETER;
        names.emplace_back(name);
        if (slash == std::string_view::npos)
            break;
        rest.remove_prefix(slash + 1);
    }
    return ERROR_SUCCESS;
}

Key* Walk(Key& from, const std::vector<std::string>& path) {
    Key* key = &from;
    for (const auto& name : path)
        if (!(key = key->FindSubkey(name)))
            return nullptr;
    return key;
}

// The opened key and the hive it lives in, read for a query.
struct Lookup {
    OpenedKey opened;
    Key hive;
    Key* key = nullptr;
};

// The opened key behind the handle, when it was opened with the access needed.
LONG Open(HKEY h, REGSAM needed, OpenedKey& key) {
    if (!Resolve(h, key))
        return ERROR_INVALID_HANDLE;
    return (key.access & needed) == needed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG Read(HKEY h, REGSAM needed, Lookup& l) {
    if (LONG r = Open(h, needed, l.opened); r != ERROR_SUCCESS)
        return r;
    if (LONG r = reg::LoadHive(l.opened.root, l.hive); r != ERROR_SUCCESS)
        return r;
    l.key = Walk(l.hive, l.opened.path);
    return l.key ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

// Runs change on the opened key inside a hive update.
LONG Change(HKEY h, REGSAM needed, const std::function<LONG(Key& key)>& change) {
    OpenedKey opened;
    if (LONG r = Open(h, needed, opened); r != ERROR_SUCCESS)
        return r;
    return reg::UpdateHive(opened.root, [&](Key& hive) -> LONG {
        Key* key = Walk(hive, opened.path);
        return key ? change(*key) : ERROR_KEY_DELETED;
    });
}

LONG CopyData(const std::string& data, BYTE* out, DWORD* size) {
    if (!size)
        return out ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    DWORD needed = static_cast<DWORD>(data.size());
    if (out && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (out)
        std::memcpy(out, data.data(), data.size());
    *size = needed;
    return ERROR_SUCCESS;
}

LONG CopyName(const std::string& name, char* out, DWORD* size) {
    if (!out || !size)
        return ERROR_INVALID_PARAMETER;
    if (*size < name.size() + 1)
        return ERROR_MORE_DATA;
    std::memcpy(out, name.c_str(), name.size() + 1);
    *size = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

const char* ValueName(const char* name) {
    return name ? name : "";
}

}  // namespace

std::string RootKeyName(HKEY root) {
    if (root == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    if (root == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    return std::string();
}

std::string RegHiveProblem(HKEY root) {
    std::string name = RootKeyName(root);
    return name.empty() ? std::string() : reg::HiveProblem(name);
}

LONG RegOpenKeyExA(HKEY hKey, const char* subKey, DWORD, REGSAM desired, HKEY* result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    std::vector<std::string> names;
    if (LONG r = SplitPath(subKey, names); r != ERROR_SUCCESS)
        return r;
    Lookup l;
    if (LONG r = Read(hKey, 0, l); r != ERROR_SUCCESS)
        return r;
    if (!Walk(*l.key, names))
        return ERROR_FILE_NOT_FOUND;
    l.opened.path.insert(l.opened.path.end(), names.begin(), names.end());
    l.opened.access = desired;
    *result = AddHandle(std::move(l.opened));
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY hKey, const char* subKey, DWORD, char*, DWORD, REGSAM desired, void*, HKEY* result,
                     DWORD* disposition) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    std::vector<std::string> names;
    if (LONG r = SplitPath(subKey, names); r != ERROR_SUCCESS)
        return r;
    bool created = false;
    LONG r = Change(hKey, names.empty() ? 0 : KEY_CREATE_SUB_KEY, [&](Key& key) -> LONG {
        Key* k = &key;
        for (const auto& name : names) {
            Key* next = k->FindSubkey(name);
            created = !next;
            k = next ? next : &k->AddSubkey(name);
        }
        return created ? ERROR_SUCCESS : reg::Unchanged;
    });
    if (r != ERROR_SUCCESS)
        return r;
    OpenedKey opened;
    Resolve(hKey, opened);
    opened.path.insert(opened.path.end(), names.begin(), names.end());
    opened.access = desired;
    *result = AddHandle(std::move(opened));
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) {
    if (!RootKeyName(hKey).empty())
        return ERROR_SUCCESS;
    KeyTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    return t.keys.erase(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExA(HKEY hKey, const char* valueName, DWORD*, DWORD* type, BYTE* data, DWORD* dataSize) {
    Lookup l;
    if (LONG r = Read(hKey, KEY_QUERY_VALUE, l); r != ERROR_SUCCESS)
        return r;
    const reg::Value* v = l.key->FindValue(ValueName(valueName));
    if (!v)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = v->type;
    return CopyData(v->data, data, dataSize);
}

LONG RegSetValueExA(HKEY hKey, const char* valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
    std::string name = ValueName(valueName);
    if (!reg::IsStorableName(name) || (!data && dataSize))
        return ERROR_INVALID_PARAMETER;
    std::string bytes(reinterpret_cast<const char*>(data), data ? dataSize : 0);
    return Change(hKey, KEY_SET_VALUE, [&](Key& key) -> LONG {
        key.SetValue(name, type, std::move(bytes));
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValueA(HKEY hKey, const char* valueName) {
    return Change(hKey, KEY_SET_VALUE, [&](Key& key) -> LONG {
        return key.RemoveValue(ValueName(valueName)) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

// Deleting is checked against the key deleted, not against hKey: a key opened for reading may name its
// subkey for deletion, as on Windows.
LONG RegDeleteKeyA(HKEY hKey, const char* subKey) {
    std::vector<std::string> names;
    if (LONG r = SplitPath(subKey, names); r != ERROR_SUCCESS)
        return r;
    if (names.empty())
        return ERROR_INVALID_PARAMETER;
    std::string last = names.back();
    names.pop_back();
    return Change(hKey, 0, [&](Key& key) -> LONG {
        Key* parent = Walk(key, names);
        Key* target = parent ? parent->FindSubkey(last) : nullptr;
        if (!target)
            return ERROR_FILE_NOT_FOUND;
        if (!target->subkeys.empty())
            return ERROR_ACCESS_DENIED;
        parent->RemoveSubkey(last);
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteTreeA(HKEY hKey, const char* subKey) {
    std::vector<std::string> names;
    if (LONG r = SplitPath(subKey, names); r != ERROR_SUCCESS)
        return r;
    return Change(hKey, 0, [&](Key& key) -> LONG {
        if (names.empty()) {
            key.subkeys.clear();
            key.values.clear();
            return ERROR_SUCCESS;
        }
        std::string last = names.back();
        names.pop_back();
        Key* parent = Walk(key, names);
        return parent && parent->RemoveSubkey(last) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegEnumKeyExA(HKEY hKey, DWORD index, char* name, DWORD* nameSize, DWORD*, char* keyClass, DWORD* classSize,
                   FILETIME* lastWriteTime) {
    Lookup l;
    if (LONG r = Read(hKey, KEY_ENUMERATE_SUB_KEYS, l); r != ERROR_SUCCESS)
        return r;
    if (index >= l.key->subkeys.size())
        return ERROR_NO_MORE_ITEMS;
    if (LONG r = CopyName(l.key->subkeys[index].name, name, nameSize); r != ERROR_SUCCESS)
        return r;
    if (keyClass && classSize && *classSize > 0)
        keyClass[0] = '\0';
    if (classSize)
        *classSize = 0;
    if (lastWriteTime)
        *lastWriteTime = FILETIME{};
    return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY hKey, DWORD index, char* name, DWORD* nameSize, DWORD*, DWORD* type, BYTE* data,
                   DWORD* dataSize) {
    Lookup l;
    if (LONG r = Read(hKey, KEY_QUERY_VALUE, l); r != ERROR_SUCCESS)
        return r;
    if (index >= l.key->values.size())
        return ERROR_NO_MORE_ITEMS;
    const reg::Value& v = l.key->values[index];
    if (LONG r = CopyName(v.name, name, nameSize); r != ERROR_SUCCESS)
        return r;
    if (type)
        *type = v.type;
    return CopyData(v.data, data, dataSize);
}

}  // namespace win
