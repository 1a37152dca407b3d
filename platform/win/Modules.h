#pragma once
// Loading libraries by their Windows names: built-in modules of the layer first ("wsock32.dll",
// "ws2_32.dll", ...), then a shared object by dlopen ("UNLHA32.DLL" is libunlha32.so, searched in
// $TARVO_LIBRARY_PATH, the program's folder, then the default path). Names compare without regard to ASCII
// case, with or without ".dll". Loads are counted; the last FreeLibrary unloads.

#include <map>
#include <string>

#include "platform/win/WinTypes.h"

namespace win {

HMODULE LoadLibraryA(const char* name);                    // 0 and last error 126 when not found
FARPROC GetProcAddress(HMODULE module, const char* name);  // nullptr and 127 when missing; refuses module 0
BOOL FreeLibrary(HMODULE module);
// The module's path: a shared object's file, "<builtin>/name" for a built-in; 0 on a bad handle.
DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size);
HMODULE GetModuleHandleA(const char* name);  // an already loaded module, without counting

// The file name a module name maps to ("UNLHA32.DLL" -> "libunlha32.so").
std::string SharedObjectName(const std::string& moduleName);

// Built-in modules: a table of entry points under a Windows name. The layer registers its own (WinSock);
// tests register fakes. Registering a name again replaces the table for later loads.
using ModuleEntries = std::map<std::string, FARPROC>;
void RegisterBuiltinModule(const std::string& name, ModuleEntries entries);
void UnregisterBuiltinModule(const std::string& name);

// Test hooks: make a module fail to load, or one of its entries look missing, until cleared.
void HideModule(const std::string& name);
void HideModuleEntry(const std::string& module, const std::string& entry);
void ClearModuleHooks();

}  // namespace win
