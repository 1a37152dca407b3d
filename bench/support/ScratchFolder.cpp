#include "bench/support/ScratchFolder.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>

namespace {

std::string ParentFolder(const std::string& preferred) {
    struct stat st;
    if (!preferred.empty() && ::stat(preferred.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return preferred;
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

}  // namespace

std::string MakeScratchFolder(const std::string& name, const std::string& preferredParent) {
    std::string pattern = ParentFolder(preferredParent) + "/" + name + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return "";
    return pattern + "/";
}
