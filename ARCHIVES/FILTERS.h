#pragma once
// Packing with PackFilter pfComponent: the component expands the names and applies its filters itself, so the
// library is given exactly the files to pack, sorted, instead of patterns it would match its own way.

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "ARCHIVES/ArchiverOptions.h"
#include "ARCHIVES/CmdOpt.h"
#include "platform/ArchiverApi.h"
#include "platform/rtl/StringList.h"

// Called with state 0x805 and the name in the record's SourceFileName; setting abort ends the walk.
using TFilterProgress = std::function<void(int state, ArcExtractingInfo* info, bool& abort)>;

// Expands files (names and DOS masks; none means the whole base folder) relative to baseDir, which is the
// current folder during the call. Reads the switches a, r, p, ji, jf, jo, job and jx of options, and then
// takes r, jo, job out and sets p to 1, so the library packs exactly the names listed. Only regular files are
// listed (a symlink to a file by its target, and only with switch a set: the walk sees a link as a system
// file), symlinked folders are not entered, and the files named in neverPack
// (the archive, its response file) are left out wherever the walk meets them. An aborted walk returns the
// names gathered before it stopped. A folder that cannot be entered or left again raises EInOutError; a bad
// date text EConvertError.
std::unique_ptr<TStringList> BuildFileList(TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                           bool& abort, const TFilterProgress& progress,
                                           std::initializer_list<std::string> neverPack);
