#pragma once
// The verbs that change an archive. Each writes a new archive through ArchiveWriter, copying the entries it
// keeps byte for byte, and renames it over the old one only when everything succeeded.
//   a   store the named files, replacing entries of the same path
//   u   like a, but an entry is replaced only by a newer file (-c1: always)
//   f   only replace entries by newer files (-c1: always); add nothing
//   d   remove the named entries; no names (or an empty response file) remove nothing; removing the last
//       entry deletes the archive file

#include "platform/unlha32/CommandLine.h"
#include "platform/unlha32/OutputLog.h"
#include "platform/unlha32/Progress.h"

namespace lha {

void RunPack(const CommandLine& cmd, OutputLog& log, Progress& progress);
void RunDelete(const CommandLine& cmd, OutputLog& log, Progress& progress);

}  // namespace lha
