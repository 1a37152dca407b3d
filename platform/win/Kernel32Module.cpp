// "kernel32" as a built-in module, for the entries programs look up by name at run time (GetProductInfo is only
// there on newer systems, so a program binds it with GetProcAddress).
#include "platform/win/Modules.h"
#include "platform/win/Version.h"

namespace win {

namespace {

[[maybe_unused]] const bool registered = [] {
    RegisterBuiltinModule("kernel32.dll", {{"GetVersionExA", reinterpret_cast<FARPROC>(&GetVersionExA)},
                                           {"GetProductInfo", reinterpret_cast<FARPROC>(&GetProductInfo)}});
    return true;
}();

}  // namespace

}  // namespace win
