#include "ARCHIVES/FILTERS.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/FileSearch.h"
#include "platform/rtl/SysUtils.h"

namespace {

constexpr int ProgressStateFileFound = 0x805;

struct FileId {
    dev_t dev;
    ino_t ino;
};

// What every level of one expansion shares.
struct WalkContext {
    const TArchiverOptions& options;
    const std::string& baseDir;
    TStringList& result;
    bool& abort;
    const TFilterProgress* progress;  // none in the exclusion pass
    const TStringList* exclusions;    // none in the exclusion pass
    const std::vector<FileId>& neverPack;
    ArcExtractingInfo info{};
    TDateTime lower = 0;
    TDateTime upper = 0;
    int fileAttr = 0;
};

void ChangeDir(const std::string& dir) {
    if (chdir(dir.c_str()) != 0)
        throw EInOutError("Cannot change to folder \"" + dir + "\". " + SysErrorMessage(errno));
}

int Digits(const std::string& text, size_t pos, size_t count) {
    std::string part = text.substr(pos, count);
    for (char c : part)
        if (c < '0' || c > '9')
            throw EConvertError("'" + part + "' is not a valid integer value");
    return std::stoi(part);
}

int CurrentYear() {
    int year, month, day;
    DecodeDate(Date(), year, month, day);
    return year;
}

// Two-digit years lie within fifty years of the current one.
int WindowedYear(int twoDigits) {
    int current = CurrentYear();
    int year = twoDigits + ((current - 50) / 100) * 100;
    return year < current - 50 ? year + 100 : year;
}

// "[l]YYMMDD[hhmmss]" or "[l]YYYYMMDD[hhmmss]"; any other length is no bound (0).
TDateTime DateBound(std::string text, const std::string& defaultTime) {
    if (text.size() > 1 && text[0] == 'l')
        text.erase(0, 1);
    int year, month, day;
    std::string time;
    switch (text.size()) {
        case 6:
        case 12:
            year = WindowedYear(Digits(text, 0, 2));
            month = Digits(text, 2, 2);
            day = Digits(text, 4, 2);
            time = text.size() == 12 ? text.substr(6) : defaultTime;
            break;
        case 8:
        case 14:
            year = Digits(text, 0, 4);
            month = Digits(text, 4, 2);
            day = Digits(text, 6, 2);
            time = text.size() == 14 ? text.substr(8) : defaultTime;
            break;
        default:
            return 0;
    }
    return EncodeDate(year, month, day) + EncodeTime(Digits(time, 0, 2), Digits(time, 2, 2), Digits(time, 4, 2), 0);
}

TDateTime LocalDateTime(time_t t) {
    if (t == 0)
        return 0;
    std::tm tm;
    localtime_r(&t, &tm);
    return EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) + EncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec, 0);
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty())
        return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

// The folder part keeps its "/" only where it is the root or one of a run of them.
void SplitPattern(const std::string& pattern, std::string& dir, std::string& name) {
    size_t slash = pattern.rfind('/');
    if (slash == std::string::npos) {
        dir.clear();
        name = pattern;
        return;
    }
    name = pattern.substr(slash + 1);
    dir = pattern.substr(0, slash + 1);
    if (slash > 0 && pattern[slash - 1] != '/')
        dir.pop_back();
}

std::vector<std::string> SplitDirs(const std::string& path) {
    std::vector<std::string> dirs;
    size_t start = 0;
    for (size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1)
        if (slash > start)
            dirs.push_back(path.substr(start, slash - start));
    return dirs;
}

// name relative to base; only what stands up to base's last "/" counts as base's folders.
std::string RelativeName(const std::string& name, const std::string& base) {
    bool nameAbsolute = !name.empty() && name[0] == '/';
    bool baseAbsolute = base[0] == '/';
    if (nameAbsolute != baseAbsolute)
        return name;  // no common root to count from
    std::vector<std::string> baseDirs = SplitDirs(base.substr(0, base.rfind('/') + 1));
    std::vector<std::string> nameDirs = SplitDirs(ExtractFilePath(name));
    size_t common = 0;
    while (common < baseDirs.size() && common < nameDirs.size() && baseDirs[common] == nameDirs[common])
        ++common;
    std::string relative;
    for (size_t i = common; i < baseDirs.size(); ++i)
        relative += "../";
    for (size_t i = common; i < nameDirs.size(); ++i)
        relative += nameDirs[i] + "/";
    return relative + ExtractFileName(name);
}

std::string StoredName(const WalkContext& ctx, const std::string& dir, const std::string& name) {
    std::string stored = JoinPath(dir, name);  // no short names here: ji has nothing to choose
    if (ctx.options.jf == -2 && !ctx.baseDir.empty())
        stored = RelativeName(stored, ctx.baseDir);
    return stored;
}

void AddName(WalkContext& ctx, const std::string& name) {
    if (ctx.exclusions && ctx.exclusions->IndexOf(name) >= 0)
        return;
    if (ctx.result.Add(name) < 0 || !ctx.progress || !*ctx.progress)
        return;
    CopyUtf8Field(ctx.info.SourceFileName, sizeof ctx.info.SourceFileName, name);
    (*ctx.progress)(ProgressStateFileFound, &ctx.info, ctx.abort);
}

bool IsNeverPacked(const WalkContext& ctx, const struct stat& st) {
    for (const auto& id : ctx.neverPack)
        if (id.dev == st.st_dev && id.ino == st.st_ino)
            return true;
    return false;
}

bool InDateWindow(const WalkContext& ctx, TDateTime date) {
    return (ctx.lower == 0 || date >= ctx.lower) && (ctx.upper == 0 || date <= ctx.upper);
}

void ConsiderFile(WalkContext& ctx, const std::string& dir, const TSearchRec& rec) {
    struct stat st;
    // Regular files only: a FIFO or device is never opened, a symlink counts as what it points to.
    if (stat(JoinPath(dir, rec.Name).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    if (IsNeverPacked(ctx, st) || !InDateWindow(ctx, LocalDateTime(st.st_mtime)))
        return;
    AddName(ctx, StoredName(ctx, dir, rec.Name));
}

bool HasWildcard(const std::string& mask) {
    return mask.find_first_of("?*") != std::string::npos;
}

bool IsDots(const std::string& name) {
    return name == "." || name == "..";
}

void WalkDir(WalkContext& ctx, const std::string& dir, const std::string& mask) {
    TSearchRec rec;
    for (int rc = FindFirst(JoinPath(dir, mask), ctx.fileAttr, rec); rc == 0; rc = FindNext(rec)) {
        if (ctx.abort)
            return;
        if (!IsDots(rec.Name))
            ConsiderFile(ctx, dir, rec);
    }
    FindClose(rec);
    const TArchiverOptions& o = ctx.options;
    if (o.r <= 0 || (o.p > 0 && !HasWildcard(mask)))
        return;
    // Hidden folders are entered whatever a says; a symlinked folder is no folder here, so loops end.
    for (int rc = FindFirst(JoinPath(dir, "*.*"), faHidden | faSysFile | faDirectory, rec); rc == 0;
         rc = FindNext(rec)) {
        if (ctx.abort)
            return;
        if ((rec.Attr & faDirectory) && !IsDots(rec.Name))
            WalkDir(ctx, StoredName(ctx, dir, rec.Name), mask);
    }
}

void ExpandPattern(WalkContext& ctx, const std::string& pattern) {
    if (ctx.options.r > 1 && DirectoryExists(pattern)) {
        WalkDir(ctx, pattern, "*.*");
        return;
    }
    std::string dir, name;
    SplitPattern(pattern, dir, name);
    if (!name.empty())
        WalkDir(ctx, dir, name);  // "folder/" names no file, as a search for it finds none
}

// One pass: the exclusion pass (no progress, no exclusions) or the file pass, where no patterns mean the
// whole current folder.
std::unique_ptr<TStringList> Expand(const TArchiverOptions& options, const std::string& baseDir,
                                    const TStringList& patterns, bool& abort, bool filePass,
                                    const TFilterProgress* progress, const TStringList* exclusions,
                                    const std::vector<FileId>& neverPack) {
    auto result = std::make_unique<TStringList>();
    result->SetCaseSensitive(true);  // names that differ only in case are different files
    result->SetDuplicates(dupIgnore);
    result->SetSorted(true);
    WalkContext ctx{options, baseDir, *result, abort, progress, exclusions, neverPack};
    ctx.lower = DateBound(options.jo, "000000");
    ctx.upper = DateBound(options.job, "235959");
    ctx.fileAttr = options.a > 0 ? faReadOnly | faHidden | faSysFile | faArchive : faReadOnly | faArchive;
    if (patterns.Count() > 0) {
        for (const auto& pattern : patterns) {
            if (abort)
                break;
            ExpandPattern(ctx, pattern);
        }
    } else if (filePass) {
        WalkDir(ctx, "", "*.*");
    }
    return result;
}

std::vector<FileId> Identify(std::initializer_list<std::string> names) {
    std::vector<FileId> ids;
    for (const auto& name : names) {
        struct stat st;
        if (!name.empty() && name != SwitchUnset && stat(name.c_str(), &st) == 0)
            ids.push_back({st.st_dev, st.st_ino});
    }
    return ids;
}

}  // namespace

std::unique_ptr<TStringList> BuildFileList(TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                           bool& abort, const TFilterProgress& progress,
                                           std::initializer_list<std::string> neverPack) {
    std::vector<FileId> excludedFiles = Identify(neverPack);
    std::string savedDir;
    if (!baseDir.empty()) {
        savedDir = GetCurrentDir();
        if (savedDir.empty())
            throw EInOutError("Cannot read the current folder. " + SysErrorMessage(errno));
        ChangeDir(baseDir);
    }
    std::unique_ptr<TStringList> list;
    try {
        auto patterns = ConstToStrings(files);
        auto exclusions = Expand(options, baseDir, options.jx, abort, false, nullptr, nullptr, excludedFiles);
        list = Expand(options, baseDir, *patterns, abort, true, &progress, exclusions.get(), excludedFiles);
        options.r = -1;
        options.jo = SwitchUnset;
        options.job = SwitchUnset;
        options.p = 1;
    } catch (...) {
        if (!savedDir.empty())
            ChangeDir(savedDir);
        throw;
    }
    if (!savedDir.empty())
        ChangeDir(savedDir);
    return list;
}
