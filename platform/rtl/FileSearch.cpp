#include "platform/rtl/FileSearch.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "platform/rtl/SysUtils.h"

struct SearchState {
    DIR* dir = nullptr;
    std::string folder;
    std::string mask;
    int attr = 0;
    ~SearchState() {
        if (dir)
            closedir(dir);
    }
};

namespace {

bool Match(std::string_view name, std::string_view mask) {
    // Iterative wildcard match with one backtrack point; "?" takes one UTF-8 character.
    size_t n = 0, m = 0, starM = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '?') {
            // A byte that cannot lead a sequence counts as a character of its own.
            n += std::min(std::max<size_t>(Utf8SequenceLength(name[n]), 1), name.size() - n);
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starM = m++;
            starN = n;
        } else if (m < mask.size() && mask[m] == name[n]) {
            ++n;
            ++m;
        } else if (starM != std::string_view::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

int NextMatch(SearchState& s, TSearchRec& rec) {
    while (dirent* e = readdir(s.dir)) {
        std::string name = e->d_name;
        if (!MatchesMask(name, s.mask))
            continue;
        struct stat st;
        if (lstat((s.folder + name).c_str(), &st) != 0)
            continue;
        int attr = FileAttributesOf(st, name);
        if (attr & ~s.attr & (faHidden | faSysFile | faDirectory))
            continue;
        rec.Name = name;
        rec.Size = S_ISDIR(st.st_mode) ? 0 : st.st_size;
        rec.Attr = attr;
        rec.WriteTime = st.st_mtime;
        rec.AccessTime = st.st_atime;
        rec.ChangeTime = st.st_ctime;
        rec.Time = UnixToFileDate(st.st_mtime);
        rec.Mode = st.st_mode;
        return 0;
    }
    return ENOENT;
}

}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (mask.empty() || mask == "*" || mask == "*.*")
        return true;
    return Match(name, mask);
}

int FileAttributesOf(const struct stat& st, std::string_view name) {
    int attr = 0;
    if (S_ISDIR(st.st_mode))
        attr |= faDirectory;
    else if (S_ISREG(st.st_mode))
        attr |= faArchive;
    else
        attr |= faSysFile;
    if (!(st.st_mode & S_IWUSR))
        attr |= faReadOnly;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..")
        attr |= faHidden;
    return attr;
}

int FindFirst(const std::string& path, int attr, TSearchRec& rec) {
    FindClose(rec);
    auto state = std::make_shared<SearchState>();
    state->folder = ExtractFilePath(path);
    state->mask = ExtractFileName(path);
    state->attr = attr;
    state->dir = opendir(state->folder.empty() ? "." : state->folder.c_str());
    if (!state->dir)
        return errno ? errno : ENOENT;
    rec.FindHandle = state;
    int r = NextMatch(*state, rec);
    if (r != 0)
        FindClose(rec);
    return r;
}

int FindNext(TSearchRec& rec) {
    if (!rec.FindHandle)
        return EBADF;
    return NextMatch(*rec.FindHandle, rec);
}

void FindClose(TSearchRec& rec) {
    rec.FindHandle.reset();
}

int32_t UnixToFileDate(time_t t) {
    std::tm tm;
    if (!localtime_r(&t, &tm) || tm.tm_year < 80 || tm.tm_year > 207)
        return 0;
    uint32_t date = ((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday;
    uint32_t time = (tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2);
    return static_cast<int32_t>((date << 16) | time);
}

time_t FileDateToUnix(int32_t fileDate) {
    uint32_t v = static_cast<uint32_t>(fileDate);
    std::tm tm{};
    tm.tm_year = static_cast<int>((v >> 25) & 0x7F) + 80;
    tm.tm_mon = static_cast<int>((v >> 21) & 0x0F) - 1;
    tm.tm_mday = static_cast<int>((v >> 16) & 0x1F);
    tm.tm_hour = static_cast<int>((v >> 11) & 0x1F);
    tm.tm_min = static_cast<int>((v >> 5) & 0x3F);
    tm.tm_sec = static_cast<int>(v & 0x1F) * 2;
    tm.tm_isdst = -1;
    if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1)
        return 0;
    return mktime(&tm);
}
