#pragma once
// One file or folder into a new archive: a level 2 header, then the data as -lh5-, or stored (-lh0-) when
// coding would not make it smaller. The header is written first and completed once the data is known.

#include "platform/unlha32/ArchiveWriter.h"
#include "platform/unlha32/LhEncoder.h"
#include "platform/unlha32/LhaHeader.h"
#include "platform/unlha32/PackList.h"
#include "platform/unlha32/Progress.h"

namespace lha {

// Returns the header as written. ELhaError(kFileOpen) when the file cannot be read, kNameNotEncodable when
// its name has no code page 932 form.
LhaHeader PackEntry(ArchiveWriter& out, const PackItem& item, LhEncoder& encoder, Progress& progress);

}  // namespace lha
