#pragma once
// What a pack command names, expanded into the files and folders to store and the entry path of each.
//   a name with "*" or "?"   the matching files of its folder, and of every folder below with -r1 or -r2
//   a folder                 with -r2 the folder and everything in it; otherwise the folder entry alone
//   a file                   the file (a symbolic link stands for what it points to)
//   no name at all           "*" in the base folder (an empty response file names nothing)
// Entry paths are relative to the base folder ("." and ".." resolved, never above it); -x0 keeps only the
// last component. Walks skip names beginning with "." unless -a1, skip what -jx masks name, never enter
// linked folders, and leave out the archive itself. FIFOs, devices and dangling links are left out with a
// note in the log. A name that does not exist raises ELhaError(kFileOpen).

#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/unlha32/CommandLine.h"
#include "platform/unlha32/OutputLog.h"

namespace lha {

struct PackItem {
    std::string localPath;
    std::vector<std::string> entryPath;  // UTF-8 components
    std::string entryName;               // joined with "/"
    bool directory = false;
    struct stat st {};
};

std::vector<PackItem> CollectPackItems(const CommandLine& cmd, OutputLog& log);

}  // namespace lha
