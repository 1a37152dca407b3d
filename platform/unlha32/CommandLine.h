#pragma once
// The command grammar: verb, switches, the archive, then the base or destination folder (a token ending in
// "/") where the verb has one, then names and "@" response files (UTF-8, one name a line, quoted or not,
// CRLF or LF). Blanks separate tokens; double quotes group (and may start inside a token: "-jx*.bak").
// Every token after the archive is a name, even one that starts with "-".

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace lha {

class Switches {
public:
    // An integer switch: -1 when absent; "-r" alone counts as 1.
    int Int(const std::string& name) const;
    // A text switch: its last value, or fallback when absent.
    std::string Text(const std::string& name, const std::string& fallback = "") const;
    // Every value of a switch that may repeat (-jx).
    const std::vector<std::string>& All(const std::string& name) const;
    void Add(const std::string& name, std::string value) { values_[name].push_back(std::move(value)); }

private:
    std::map<std::string, std::vector<std::string>> values_;
};

struct CommandLine {
    std::string verb;  // lower case; empty for a line without verb (ExtractMem)
    Switches switches;
    std::string archive;
    std::string baseDir;  // "" when none was given
    std::vector<std::string> names;
    bool responseFile = false;  // names came (also) from a response file
};

// Raises ELhaError(kBadCommand) for an unknown verb or switch or a missing archive name, and
// ELhaError(kResponseFile) for a response file that cannot be read.
CommandLine ParseCommandLine(std::string_view line, bool withVerb);

}  // namespace lha
