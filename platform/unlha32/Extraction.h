#pragma once
// The verbs that read entries out of an archive.
//   x   extract the named entries (no names, or an empty response file: all) with their folders
//   e   the same, every file straight into the destination folder
//   t   decode the named entries and check them, writing nothing
// Extraction overwrites existing files. Each file is decoded into a temporary file in its folder and renamed
// into place only when its size and CRC check out. Folders are entered without following symbolic links,
// and entries whose names would leave the destination (absolute, a drive, "..") are refused, so nothing is
// ever written outside the destination. A refused or broken entry fails the command after the others are
// done; the result is the first failure's code.

#include <cstdint>

#include "platform/unlha32/CommandLine.h"
#include "platform/unlha32/OutputLog.h"
#include "platform/unlha32/Progress.h"

namespace lha {

void RunExtract(const CommandLine& cmd, OutputLog& log, Progress& progress);

// ExtractMem: the first entry that the line's one name selects, into buffer. ELhaError(kBufferTooSmall)
// when it does not fit (the buffer then holds its start).
void RunExtractToMemory(const CommandLine& cmd, uint8_t* buffer, uint32_t size, int64_t* unixTime, uint16_t* attributes,
                        uint32_t* written, Progress& progress);

}  // namespace lha
