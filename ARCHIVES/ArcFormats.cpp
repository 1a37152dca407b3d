#include "ARCHIVES/ArcFormats.h"

#include <utility>

#include "ARCHIVES/ArcErrors.h"
#include "ARCHIVES/LHA32.h"
#include "platform/rtl/SysUtils.h"

namespace {

const std::pair<const char*, TArchiverType> ExtensionTypes[] = {
    {".7z", at7z},   {".z", atTgz},   {".gz", atTgz},  {".tgz", atTgz}, {".taz", atTgz},  {".a", atTar},
    {".lib", atTar}, {".tar", atTar}, {".deb", atTar}, {".rpm", atTar}, {".cpio", atTar}, {".bz2", atBZ2},
    {".gza", atBga}, {".bza", atBga}, {".gca", atGCA}, {".yz1", atYz1}, {".rar", atRar},  {".arj", atArj},
    {".jar", atZip}, {".ear", atZip}, {".war", atZip}, {".zip", atZip}, {".cab", atCab},  {".lzh", atLha},
};

using ContentCheck = bool (*)(const std::string& fileName);

// The content checks in the order they decide (the last one that recognises the file wins). A format whose
// unit is not built yet has no check and answers as with its library missing.
struct ContentRow {
    TArchiverType type;
    ContentCheck check;
};
const ContentRow ContentChecks[] = {
    {atRar, nullptr}, {atArj, nullptr}, {atZip, nullptr},      {atBga, nullptr},
    {atYz1, nullptr}, {atCab, nullptr}, {atLha, IsLhaArchive},
};

// The TAR family's check answers a type of its own (atTar, atTgz, atBZ2), and it decides first.
using TarContentCheck = TArchiverType (*)(const std::string& fileName);
const TarContentCheck TarCheck = nullptr;

// Formats whose driver is not built: they fail as their driver would without the library it loads first.
struct MissingDriver {
    TArchiverType type;
    const char* displayName;
    const char* dllName;
};
const MissingDriver MissingDrivers[] = {
    {atZip, "ZIP 形式書庫", "UNZIP32.DLL"},
    {atCab, "CAB 形式書庫", "CAB32.DLL"},
    {atArj, "ARJ 形式書庫", "UNARJ32J.DLL"},
    {atTar, "tar/tgz/taz/bz2 形式書庫", "TAR32.DLL"},
    {atTgz, "tar/tgz/taz/bz2 形式書庫", "TAR32.DLL"},
    {atBZ2, "tar/tgz/taz/bz2 形式書庫", "TAR32.DLL"},
    {atRar, "RAR 形式書庫", "UNRAR32.DLL"},
    {atBga, "BGA 形式書庫", "BGA32.DLL"},
    {atYz1, "YZ1 形式書庫", "YYZ32.DLL"},
    {at7z, "7z 形式書庫", "7-zip32.dll"},
};

TArchiverType DetectByContent(const std::string& fileName) {
    TArchiverType result = TarCheck ? TarCheck(fileName) : atNone;
    for (const auto& row : ContentChecks)
        if (row.check && row.check(fileName))
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
    if (type == atLha)
        return std::make_unique<TLha32>();
    for (const auto& missing : MissingDrivers)
        if (missing.type == type)
            RaiseNoArchiverDLL(missing.displayName, missing.dllName);
    throw EArchiver("書庫の形式を特定できませんでした。");
}
