// "user32" as a built-in module, for the entries programs look up by name at run time
// (SetLayeredWindowAttributes is only there on systems with layered windows).
#include "platform/win/LayeredWindows.h"
#include "platform/win/Modules.h"

namespace win {

namespace {

[[maybe_unused]] const bool registered = [] {
    RegisterBuiltinModule("user32.dll",
                          {{"SetLayeredWindowAttributes", reinterpret_cast<FARPROC>(&SetLayeredWindowAttributes)}});
    return true;
}();

}  // namespace

}  // namespace win
