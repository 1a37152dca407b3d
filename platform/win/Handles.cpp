#include "platform/win/Handles.h"

#include <map>
#include <mutex>

namespace win {

namespace {

struct HandleTable {
    std::mutex lock;
    std::map<HANDLE, std::shared_ptr<KernelObject>> objects;
    HANDLE next = 0x100;
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable;  // handles may still be closed by static destructors
    return *table;
}

}  // namespace

HANDLE AddHandle(std::shared_ptr<KernelObject> object) {
    HandleTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    HANDLE h = t.next;
    t.next += 4;
    t.objects.emplace(h, std::move(object));
    return h;
}

std::shared_ptr<KernelObject> HandleObject(HANDLE handle) {
    HandleTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.objects.find(handle);
    return it == t.objects.end() ? nullptr : it->second;
}

BOOL CloseHandle(HANDLE handle) {
    std::shared_ptr<KernelObject> object;
    {
        HandleTable& t = Table();
        std::lock_guard<std::mutex> guard(t.lock);
        auto it = t.objects.find(handle);
        if (it == t.objects.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        object = std::move(it->second);
        t.objects.erase(it);
    }
    return TRUE;  // the object is released here, outside the table's lock
}

}  // namespace win
