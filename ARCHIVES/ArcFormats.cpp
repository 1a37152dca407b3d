#include "ARCHIVES/ArcFormats.h"

#include <utility>

#include "ARCHIVES/ARJ32.h"
#include "ARCHIVES/ArcErrors.h"
#include "ARCHIVES/BGA32.h"
#include "ARCHIVES/CAB32.h"
#include "ARCHIVES/LHA32.h"
#include "ARCHIVES/RAR32.h"
#include "ARCHIVES/SZIP32.h"
#include "ARCHIVES/TAR32.h"
#include "ARCHIVES/YZ132.h"
#include "ARCHIVES/ZIP32.h"
#include "platform/rtl/SysUtils.h"

namespace {

const std::pair<const char*, TArchiverType> ExtensionTypes[] = {
    {".7z", at7z},   {".z", atTgz},   {".gz", atTgz},  {".tgz", atTgz}, {".taz", atTgz},  {".a", atTar},
    {".lib", atTar}, {".tar", atTar}, {".deb", atTar}, {".rpm", atTar}, {".cpio", atTar}, {".bz2", atBZ2},
    {".gza", atBga}, {".bza", atBga}, {".gca", atGCA}, {".yz1", atYz1}, {".rar", atRar},  {".arj", atArj},
    {".jar", atZip}, {".ear", atZip}, {".war", atZip}, {".zip", atZip}, {".cab", atCab},  {".lzh", atLha},
};

using ContentCheck = bool (*)(const std::string& fileName);

// The content checks in the order they decide (the last one that recognises the file wins).
struct ContentRow {
    TArchiverType type;
    ContentCheck check;
};
const ContentRow ContentChecks[] = {
    {atRar, IsRarArchive}, {atArj, IsArjArchive}, {atZip, IsZipArchive}, {atBga, IsBgaArchive},
    {atYz1, IsYz1Archive}, {atCab, IsCabArchive}, {atLha, IsLhaArchive},
};

// The driver of each type; making one loads its format's library.
template <class Driver>
std::unique_ptr<TArchiver> New() {
    return std::make_unique<Driver>();
}
struct DriverRow {
    TArchiverType type;
    std::unique_ptr<TArchiver> (*create)();
};
const DriverRow Drivers[] = {
    {atLha, New<TLha32>}, {atZip, New<TZip32>}, {atCab, New<TCab32>},     {atArj, New<TArj32>},
    {atTar, New<TTar32>}, {atTgz, New<TTgz32>}, {atBZ2, New<TBZ232>},     {atRar, New<TRar32>},
    {atBga, New<TBGA32>}, {atYz1, New<TYZ1>},   {at7z, New<TSevenZip32>},
};

TArchiverType DetectByContent(const std::string& fileName) {
    TArchiverType result = TarArchiveType(fileName);  // the TAR family answers a type of its own, first
    for (const auto& row : ContentChecks)
        if (row.check(fileName))
            result = row.type;
    return result;
}

}  // namespace

TArchiverType DetectArchiverType(const std::string& fileName, bool byName) {
    if (!byName)
        return DetectByContent(fileName);
    std::string ext = ExtractFileExt(fileName);
    if (SameText(ext, ".exe"))
        return DetectByContent(fileName);  // a self-extractor can be of any format
    for (const auto& [extension, type] : ExtensionTypes)
        if (SameText(ext, extension))
            return type;
    return atNone;
}

std::unique_ptr<TArchiver> NewArchiverDriver(TArchiverType type) {
    for (const auto& row : Drivers)
        if (row.type == type)
            return row.create();
    throw EArchiver("書庫の形式を特定できませんでした。");
}
