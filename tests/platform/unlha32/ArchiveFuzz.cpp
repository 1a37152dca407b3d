// Fuzz target: any bytes as an archive, through the header parser, the listing record, the name rules and the
// decoder. Built into a libFuzzer program with TARVO_FUZZ (clang), and run as a smoke test always.
#include <cstddef>
#include <cstdint>

#include "platform/unlha32/ArchiveIndex.h"
#include "platform/unlha32/EntryDecoder.h"
#include "platform/unlha32/EntryName.h"
#include "platform/unlha32/Listing.h"
#include "platform/unlha32/NameFilter.h"

namespace {

constexpr uint64_t kDecodeLimit = 1 << 18;  // larger claimed sizes are only parsed

}  // namespace

int FuzzArchive(const uint8_t* data, size_t size) {
    TMemoryStream in;
    in.Write(data, static_cast<int64_t>(size));
    try {
        lha::ArchiveIndex index = lha::ReadArchiveIndex(in, false);
        lha::NameFilter filter({"*.txt", "dir"}, {"*.bak"}, index.entries, lha::NameFilter::Purpose::Removing);
        for (const auto& e : index.entries) {
            ArcEntryRecord record;
            lha::FillEntryRecord(e, &record);
            lha::SafeComponents(e.path);
            filter.Matches(e);
            if (e.header.originalSize > kDecodeLimit)
                continue;
            try {
                lha::NullSink sink;
                lha::DecodeEntry(in, e.header, sink, nullptr);
            } catch (const lha::ELhaError&) {
            }
        }
    } catch (const lha::ELhaError&) {
    }
    return 0;
}
