#pragma once
// Directory search with DOS masks, as the class library's FindFirst / FindNext / FindClose.
// Names are compared exactly (case-sensitive); "*" and "*.*" match every name, "?" one character.

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;   // names beginning with "."
constexpr int faSysFile = 0x04;  // anything that is neither a plain file nor a folder (FIFO, device, socket)
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;  // plain files
constexpr int faAnyFile = 0x3F;

bool MatchesMask(std::string_view name, std::string_view mask);
// The class library's attribute word of a stat result and a name.
int FileAttributesOf(const struct stat& st, std::string_view name);

struct TSearchRec {
    std::string Name;  // without the folder
    int64_t Size = 0;
    int Attr = 0;
    int32_t Time = 0;  // last write as a DOS date and time, local
    time_t WriteTime = 0;
    time_t AccessTime = 0;
    time_t ChangeTime = 0;
    mode_t Mode = 0;  // lstat's mode: a symlink is reported as itself, never followed
    std::shared_ptr<struct SearchState> FindHandle;
};

// path: folder + mask ("dir/*.txt"; a path without "/" searches the current folder). An entry is returned
// when its name matches and it carries no attribute among hidden, system and directory that attr lacks.
// Results: 0 found, an errno value otherwise (ENOENT when nothing more matches).
int FindFirst(const std::string& path, int attr, TSearchRec& rec);
int FindNext(TSearchRec& rec);
void FindClose(TSearchRec& rec);

// DOS date and time (local) of a Unix time, and back; 0 for times outside 1980..2107.
int32_t UnixToFileDate(time_t t);
time_t FileDateToUnix(int32_t fileDate);
