#include "platform/win/MachineRoot.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/rtl/SysUtils.h"

namespace win {

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string HomeFolder() {
    std::string home = Env("HOME");
    if (!home.empty())
        return home;
    std::vector<char> buf(16384);
    passwd pw;
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return "/";
}

std::string DataHome() {
    // XDG: a relative value is to be ignored.
    std::string data = Env("XDG_DATA_HOME");
    if (!data.empty() && data.front() == '/')
        return data;
    return IncludeTrailingPathDelimiter(HomeFolder()) + ".local/share";
}

constexpr const char* JournalFile = "journal/journal.log";

}  // namespace

std::string MachineRoot() {
    std::string root = Env("TARVO_MACHINE");
    if (root.empty())
        root = IncludeTrailingPathDelimiter(DataHome()) + "tarvo/machine";
    return IncludeTrailingPathDelimiter(root);
}

std::string MachinePath(std::string_view relative) {
    return MachineRoot() + std::string(relative);
}

bool AppendToJournal(std::string_view line) {
    std::string path = MachinePath(JournalFile);
    if (!ForceDirectories(ExtractFilePath(path)))
        return false;
    std::string text(line);
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    text += '\n';
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    // One write per line: appends from several processes never interleave inside a line.
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && ok;
}

std::vector<std::string> ReadJournal() {
    std::vector<std::string> lines;
    std::ifstream in(MachinePath(JournalFile));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

}  // namespace win
