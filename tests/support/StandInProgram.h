#pragma once
// A stand-in for a program the code under test starts by name (xdg-open): a script first in PATH for the
// object's life that writes down the arguments it was given.

#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "tests/support/TestEnvironment.h"

namespace tarvo::test {

class StandInProgram {
public:
    // The script goes into folder + "bin/"; its record into folder.
    StandInProgram(const std::string& folder, const std::string& name)
        : record_(folder + name + ".args"), oldPath_(std::getenv("PATH") ? std::getenv("PATH") : "") {
        const std::string script = folder + "bin/" + name;
        // The record appears whole: written aside, then renamed.
        WriteFile(script, "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > '" + record_ + ".tmp'\nmv '" + record_ + ".tmp' '" +
                              record_ + "'\n");
        chmod(script.c_str(), 0755);
        setenv("PATH", (folder + "bin:" + oldPath_).c_str(), 1);
    }
    ~StandInProgram() { setenv("PATH", oldPath_.c_str(), 1); }
    StandInProgram(const StandInProgram&) = delete;
    StandInProgram& operator=(const StandInProgram&) = delete;

    // "count|argument|argument|..." of the run, once it has run (waiting at most a minute); "" when it never
    // ran.
    std::string Recorded() const { return WaitForFile(record_) ? ReadFile(record_) : std::string(); }

private:
    std::string record_;
    std::string oldPath_;
};

}  // namespace tarvo::test
