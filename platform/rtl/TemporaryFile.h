#pragma once
// New files under short, unique, hidden names, to be filled and then renamed over the name they stand in for.
// The name does not grow with the final one, so any name the file system allows can be replaced this way.

#include <sys/types.h>

#include <string>

struct TemporaryFile {
    int fd = -1;       // open for reading and writing, closed on exec; -1 when no file could be made
    std::string name;  // folderPath followed by the new name
    int error = 0;     // the errno of the failure
};

// Makes a file that did not exist before in the folder open as `folder` (or AT_FDCWD) at folderPath ("" or a
// path ending with "/"), with `mode` less the process umask. A name already taken is never opened or followed,
// and the umask is never changed.
TemporaryFile CreateTemporaryFile(int folder, const std::string& folderPath, mode_t mode);
