#include "platform/win/Modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <set>
#include <sstream>
#include <vector>

#include "platform/rtl/SysUtils.h"

namespace win {

namespace {

struct Module {
    std::string name;  // canonical: lower case, without ".dll"
    std::string path;
    void* dl = nullptr;  // null for a built-in
    ModuleEntries entries;
    int loads = 0;
};

struct Registry {
    std::mutex lock;
    std::map<std::string, ModuleEntries> builtins;
    std::map<HMODULE, Module> loaded;
    HMODULE nextHandle = 0x10000;
    std::set<std::string> hiddenModules;
    std::set<std::pair<std::string, std::string>> hiddenEntries;
};

Registry& registry() {
    static Registry* r = new Registry;  // outlives every static destructor that may still free a library
    return *r;
}

std::string Canonical(const std::string& name) {
    std::string n = LowerCase(name);
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".dll") == 0)
        n.resize(n.size() - 4);
    return n;
}

// The running program's file; empty when it cannot be told.
std::string ProgramPath() {
    std::vector<char> buf(4096);
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    return n > 0 ? std::string(buf.data(), static_cast<size_t>(n)) : std::string();
}

std::string ProgramFolder() {
    return ExtractFilePath(ProgramPath());
}

std::vector<std::string> SearchFolders() {
    std::vector<std::string> folders;
    if (const char* env = std::getenv("TARVO_LIBRARY_PATH")) {
        std::stringstream list(env);
        std::string item;
        while (std::getline(list, item, ':'))
            if (!item.empty())
                folders.push_back(IncludeTrailingPathDelimiter(item));
    }
    folders.push_back(ProgramFolder());
    return folders;
}

bool OpenSharedObject(const std::string& moduleName, Module& m) {
    std::string file = SharedObjectName(moduleName);
    for (const auto& folder : SearchFolders()) {
        std::string path = folder + file;
        if (access(path.c_str(), R_OK) != 0)
            continue;
        if (void* dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            m.dl = dl;
            m.path = path;
            return true;
        }
    }
    if (void* dl = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        m.dl = dl;
        m.path = file;
        return true;
    }
    return false;
}

Module* Find(Registry& r, HMODULE h) {
    auto it = r.loaded.find(h);
    return it == r.loaded.end() ? nullptr : &it->second;
}

HMODULE FindByName(Registry& r, const std::string& canonical) {
    for (auto& [h, m] : r.loaded)
        if (m.name == canonical)
            return h;
    return 0;
}

}  // namespace

std::string SharedObjectName(const std::string& moduleName) {
    return "lib" + Canonical(ExtractFileName(moduleName)) + ".so";
}

HMODULE LoadLibraryA(const char* name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    std::string canonical = Canonical(name);
    if (r.hiddenModules.count(canonical)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (HMODULE h = FindByName(r, canonical)) {
        ++r.loaded[h].loads;
        return h;
    }
    Module m;
    m.name = canonical;
    if (auto it = r.builtins.find(canonical); it != r.builtins.end()) {
        m.entries = it->second;
        m.path = "<builtin>/" + canonical + ".dll";
    } else if (!OpenSharedObject(name, m)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    m.loads = 1;
    HMODULE h = r.nextHandle;
    r.nextHandle += 0x10000;
    r.loaded.emplace(h, std::move(m));
    return h;
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    Module* m = module ? Find(r, module) : nullptr;
    if (!m || !name) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (r.hiddenEntries.count({m->name, name})) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    FARPROC proc = nullptr;
    if (m->dl) {
        proc = reinterpret_cast<FARPROC>(dlsym(m->dl, name));
    } else if (auto it = m->entries.find(name); it != m->entries.end()) {
        proc = it->second;
    }
    if (!proc)
        SetLastError(ERROR_PROC_NOT_FOUND);
    return proc;
}

BOOL FreeLibrary(HMODULE module) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    Module* m = Find(r, module);
    if (!m) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--m->loads == 0) {
        if (m->dl)
            dlclose(m->dl);
        r.loaded.erase(module);
    }
    return TRUE;
}

DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    std::string path;
    if (module == 0) {
        path = ProgramPath();
    } else if (Module* m = Find(r, module)) {
        path = m->path;
    }
    if (path.empty()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!buffer || size == 0)
        return 0;
    // As Windows: cut to the buffer, always terminated.
    DWORD n = static_cast<DWORD>(std::min<size_t>(path.size(), size - 1));
    std::memcpy(buffer, path.data(), n);
    buffer[n] = '\0';
    return n;
}

HMODULE GetModuleHandleA(const char* name) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    if (!name)
        return 0;
    HMODULE h = FindByName(r, Canonical(name));
    if (!h)
        SetLastError(ERROR_MOD_NOT_FOUND);
    return h;
}

void RegisterBuiltinModule(const std::string& name, ModuleEntries entries) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.builtins[Canonical(name)] = std::move(entries);
}

void UnregisterBuiltinModule(const std::string& name) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.builtins.erase(Canonical(name));
}

void HideModule(const std::string& name) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.hiddenModules.insert(Canonical(name));
}

void HideModuleEntry(const std::string& module, const std::string& entry) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.hiddenEntries.insert({Canonical(module), entry});
}

void ClearModuleHooks() {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.hiddenModules.clear();
    r.hiddenEntries.clear();
}

}  // namespace win
