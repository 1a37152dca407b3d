#include "platform/win/DebugOutput.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace win {

void OutputDebugStringA(const char* text) {
    const char* target = std::getenv("TARVO_DEBUG_OUTPUT");
    if (!target || !*target || !text)
        return;
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    if (std::strcmp(target, "-") == 0) {
        std::fprintf(stderr, "%s\n", text);
        return;
    }
    if (FILE* f = std::fopen(target, "ae")) {
        std::fprintf(f, "%s\n", text);
        std::fclose(f);
    }
}

}  // namespace win
