#pragma once
// Kernel object handles (processes, mutexes, tokens, file searches): ids from one table, each naming an
// object that releases what it holds when its last handle is closed.

#include <memory>

#include "platform/win/WinTypes.h"

namespace win {

class KernelObject {
public:
    virtual ~KernelObject() = default;
};

HANDLE AddHandle(std::shared_ptr<KernelObject> object);
// The object behind a handle when it is of type T; nullptr (and last error 6) otherwise.
std::shared_ptr<KernelObject> HandleObject(HANDLE handle);
template <class T>
std::shared_ptr<T> HandleObjectAs(HANDLE handle) {
    auto object = std::dynamic_pointer_cast<T>(HandleObject(handle));
    if (!object)
        SetLastError(ERROR_INVALID_HANDLE);
    return object;
}
// Removes the handle; the object goes when nothing else holds it. FALSE (last error 6) for a bad handle.
BOOL CloseHandle(HANDLE handle);

}  // namespace win
