#pragma once
// The registry as advapi32 offers it, kept in the machine root: one REGEDIT4 text file per hive
// (registry/HKEY_CURRENT_USER.reg, registry/HKEY_LOCAL_MACHINE.reg). Every call reads the hive afresh, so
// several programs share it; a change is made under a lock on the hive and written whole through a temporary
// file, so writers in different processes never lose each other's values and readers never see half a file.
// Reading never creates a key, a file or a folder. Key paths use "\" between names; names compare without
// regard to ASCII case and keep the spelling they were created with. Results are Windows error codes.

#include <string>

#include "platform/win/WinTypes.h"

namespace win {

using HKEY = uintptr_t;
using REGSAM = DWORD;

constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Value kinds.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr LONG ERROR_BAD_PATHNAME = 161;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;
constexpr LONG ERROR_BADDB = 1009;  // the hive file is not in the REGEDIT4 form
constexpr LONG ERROR_CANTREAD = 1012;
constexpr LONG ERROR_CANTWRITE = 1013;
constexpr LONG ERROR_KEY_DELETED = 1018;

// hKey is an open key or a root; subKey "" or null opens the same key again. A leading "\" is refused.
LONG RegOpenKeyExA(HKEY hKey, const char* subKey, DWORD options, REGSAM desired, HKEY* result);
// Creates the missing keys along subKey; disposition (may be null) says whether the last one was new.
LONG RegCreateKeyExA(HKEY hKey, const char* subKey, DWORD reserved, char* keyClass, DWORD options, REGSAM desired,
                     void* security, HKEY* result, DWORD* disposition);
LONG RegCloseKey(HKEY hKey);

// valueName null or "" is the key's default value. data null: only type and size; a buffer smaller than the
// value gives ERROR_MORE_DATA with the size needed in *dataSize.
LONG RegQueryValueExA(HKEY hKey, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize);
// Stores the bytes as given, with the kind as given (REG_SZ data normally ends with its NUL).
LONG RegSetValueExA(HKEY hKey, const char* valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
LONG RegDeleteValueA(HKEY hKey, const char* valueName);

// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED otherwise).
LONG RegDeleteKeyA(HKEY hKey, const char* subKey);
// Deletes the subkey with everything below it in one change (subKey "" or null: everything below hKey).
LONG RegDeleteTreeA(HKEY hKey, const char* subKey);

// Subkeys in name order (ASCII case ignored), values in creation order. name/nameSize: the buffer and, on
// entry, its size in characters with the NUL; on return the length without it. keyClass and lastWriteTime
// may be null; classes and write times are not kept (empty, zero).
LONG RegEnumKeyExA(HKEY hKey, DWORD index, char* name, DWORD* nameSize, DWORD* reserved, char* keyClass,
                   DWORD* classSize, FILETIME* lastWriteTime);
LONG RegEnumValueA(HKEY hKey, DWORD index, char* name, DWORD* nameSize, DWORD* reserved, DWORD* type, BYTE* data,
                   DWORD* dataSize);

// The name of a root as the hive file spells it ("HKEY_CURRENT_USER"); empty for any other handle.
std::string RootKeyName(HKEY root);

// Why the root's hive file cannot be used, in words for the user: the file, and for a file not in the hive form
// the line and what is wrong with it. Empty when it can be used (a missing file is an empty hive). The calls
// above only answer ERROR_BADDB or ERROR_CANTREAD; a program asks this to tell the user what to mend.
std::string RegHiveProblem(HKEY root);

}  // namespace win
