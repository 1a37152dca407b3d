#pragma once
// Open archives for listing: OpenArchive reads every header once and hands out a handle; FindFirst and
// FindNext walk the entries a mask selects (NameFilter rules) and fill the entry record; the Ex queries
// answer for the entry found last. Handles are process-wide; 0 and unknown handles are refused.

#include <cstdint>
#include <string>

#include "platform/ArchiverApi.h"

namespace lha {

HARC OpenListing(const std::string& archive);  // 0 when the archive cannot be read
bool CloseListing(HARC handle);
// 0 found, -1 no more entries, another code when the archive is damaged at that point or the handle is bad.
int FindFirstEntry(HARC handle, const std::string& mask, ArcEntryRecord* record);
int FindNextEntry(HARC handle, ArcEntryRecord* record);

// The entry record of one entry: path in UTF-8 with "/" (a folder's ending in "/"), Flag 0, OSType the
// header's system byte ('U' in ours), DosDate/DosTime local, AttributeText as "-rw--a" (folder, read,
// write, hidden, system, archive), MethodText as "-lh5-".
struct ArchiveEntry;
void FillEntryRecord(const ArchiveEntry& entry, ArcEntryRecord* record);

enum class EntryTime { Write, Create, Access };
bool CurrentEntryTime(HARC handle, EntryTime which, win::FILETIME* time);  // UTC
bool CurrentEntrySize(HARC handle, bool packed, uint64_t* size);

}  // namespace lha
