#include "bench/support/ScratchFolder.h"

#include <stdlib.h>

#include <cstdlib>

std::string MakeScratchFolder(const std::string& name) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return "";
    return pattern + "/";
}
