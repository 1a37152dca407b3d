#include "platform/unlha32/Listing.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/rtl/FileSearch.h"
#include "platform/rtl/SysUtils.h"
#include "platform/unlha32/ArchiveIndex.h"
#include "platform/unlha32/NameFilter.h"

namespace lha {

namespace {

constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

struct OpenArchive {
    ArchiveIndex index;
    NameFilter filter;
    size_t next = 0;
    const ArchiveEntry* current = nullptr;
};

struct Table {
    std::mutex lock;
    std::map<HARC, std::shared_ptr<OpenArchive>> open;
    HARC nextHandle = 1;
};

Table& table() {
    static Table t;
    return t;
}

std::shared_ptr<OpenArchive> Find(HARC handle) {
    std::lock_guard<std::mutex> guard(table().lock);
    auto it = table().open.find(handle);
    return it == table().open.end() ? nullptr : it->second;
}

std::string AttributeText(uint8_t a) {
    std::string t;
    t += (a & kAttrDirectory) ? 'd' : '-';
    t += 'r';
    t += (a & kAttrReadOnly) ? '-' : 'w';
    t += (a & kAttrHidden) ? 'h' : '-';
    t += (a & kAttrSystem) ? 's' : '-';
    t += (a & kAttrArchive) ? 'a' : '-';
    return t;
}

}  // namespace

void FillEntryRecord(const ArchiveEntry& e, ArcEntryRecord* r) {
    const LhaHeader& h = e.header;
    std::memset(r, 0, sizeof *r);
    r->OriginalSize = static_cast<uint32_t>(h.originalSize);
    r->CompressedSize = static_cast<uint32_t>(h.packedSize);
    r->CRC = h.crc;
    r->OSType = h.osId;
    if (h.originalSize) {
        unsigned __int128 perMille = static_cast<unsigned __int128>(h.packedSize) * 1000 / h.originalSize;
        r->Ratio = static_cast<uint16_t>(perMille > 0xFFFF ? 0xFFFF : perMille);
    }
    int32_t dos = UnixToFileDate(static_cast<time_t>(h.writeTime));
    r->DosDate = static_cast<uint16_t>(static_cast<uint32_t>(dos) >> 16);
    r->DosTime = static_cast<uint16_t>(dos & 0xFFFF);
    CopyUtf8Field(r->EntryPath, sizeof r->EntryPath, e.name + (h.IsDirectory() ? "/" : ""));
    CopyUtf8Field(r->AttributeText, sizeof r->AttributeText, AttributeText(h.attribute));
    CopyUtf8Field(r->MethodText, sizeof r->MethodText, h.method);
}

namespace {

int Next(OpenArchive& a, ArcEntryRecord* record) {
    while (a.next < a.index.entries.size()) {
        const ArchiveEntry& e = a.index.entries[a.next++];
        if (!a.filter.Matches(e))
            continue;
        a.current = &e;
        if (record)
            FillEntryRecord(e, record);
        return 0;
    }
    a.current = nullptr;
    return a.index.damage ? a.index.damage->Code() : -1;
}

win::FILETIME ToFileTime(uint64_t t) {
    return {static_cast<win::DWORD>(t), static_cast<win::DWORD>(t >> 32)};
}

}  // namespace

HARC OpenListing(const std::string& archive) {
    auto open = std::make_shared<OpenArchive>();
    try {
        open->index = ReadArchiveIndex(archive);
    } catch (const ELhaError&) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(table().lock);
    HARC handle = table().nextHandle++;
    table().open[handle] = std::move(open);
    return handle;
}

bool CloseListing(HARC handle) {
    std::lock_guard<std::mutex> guard(table().lock);
    return table().open.erase(handle) == 1;
}

int FindFirstEntry(HARC handle, const std::string& mask, ArcEntryRecord* record) {
    auto a = Find(handle);
    if (!a)
        return kBadHandle;
    a->filter = NameFilter({mask}, {}, a->index.entries, NameFilter::Purpose::Reading);
    a->next = 0;
    return Next(*a, record);
}

int FindNextEntry(HARC handle, ArcEntryRecord* record) {
    auto a = Find(handle);
    return a ? Next(*a, record) : kBadHandle;
}

bool CurrentEntryTime(HARC handle, EntryTime which, win::FILETIME* time) {
    auto a = Find(handle);
    if (!a || !a->current || !time)
        return false;
    const LhaHeader& h = a->current->header;
    uint64_t write = static_cast<uint64_t>(std::max<int64_t>(h.writeTime, 0)) * 10000000ull + kUnixEpochAsFileTime;
    uint64_t t = which == EntryTime::Create   ? h.createTime.value_or(write)
                 : which == EntryTime::Access ? h.accessTime.value_or(write)
                                              : write;
    *time = ToFileTime(t);
    return true;
}

bool CurrentEntrySize(HARC handle, bool packed, uint64_t* size) {
    auto a = Find(handle);
    if (!a || !a->current || !size)
        return false;
    *size = packed ? a->current->header.packedSize : a->current->header.originalSize;
    return true;
}

}  // namespace lha
