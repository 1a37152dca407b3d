#include "ARCHIVES/SelfExtractor.h"

#include <sys/stat.h>

#include <cstdlib>
#include <sstream>
#include <vector>

#include "ARCHIVES/ArcErrors.h"
#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Modules.h"

namespace {

void AppendFolders(std::vector<std::string>& folders, const char* list) {
    std::stringstream items(list ? list : "");
    std::string item;
    while (std::getline(items, item, ':'))
        if (!item.empty())
            folders.push_back(item);
}

std::string ProgramFolder() {
    char path[4096] = {};
    return win::GetModuleFileNameA(0, path, sizeof path) > 0 ? ExtractFilePath(path) : std::string();
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

std::string SearchSfxModule(const std::string& name, const std::string& folder) {
    std::vector<std::string> folders;
    if (!folder.empty())
        folders.push_back(folder);
    AppendFolders(folders, std::getenv("TARVO_LIBRARY_PATH"));
    folders.push_back(ProgramFolder());
    AppendFolders(folders, std::getenv("PATH"));
    for (const auto& one : folders) {
        if (one.empty())
            continue;
        std::string path = IncludeTrailingPathDelimiter(one) + name;
        if (FileExists(path))
            return ExpandFileName(path);
    }
    return "";
}

std::string SfxFileName(const std::string& arcFileName, const std::string& ext, const std::string& outDir) {
    std::string name = ChangeFileExt(arcFileName, ext);
    return outDir.empty() ? name : IncludeTrailingPathDelimiter(outDir) + ExtractFileName(name);
}

void WriteSfxFile(const std::string& module, const std::string& archive, const std::string& output, bool sizeTrailer) {
    // Writing over either input would destroy what is being copied.
    if (SameFile(output, archive) || SameFile(output, module))
        throw EArchiver(
            "自己解凍書庫 '%0:s' は書庫ファイルまたは自己解凍モジュールと同じファイルになるため作成できません。",
            {output});
    TFileStream archiveStream(archive, fmOpenRead | fmShareDenyWrite);
    TFileStream moduleStream(module, fmOpenRead | fmShareDenyWrite);
    int64_t archiveSize = archiveStream.Size();
    if (sizeTrailer && archiveSize > 0xFFFFFFFF)
        throw EArchiver("4 GB 以上の書庫からは自己解凍書庫を作成できません。");
    AtomicFile out(output);
    out.CopyFrom(moduleStream, 0);
    out.CopyFrom(archiveStream, 0);
    if (sizeTrailer) {
        uint8_t size[4] = {static_cast<uint8_t>(archiveSize >> 24), static_cast<uint8_t>(archiveSize >> 16),
                           static_cast<uint8_t>(archiveSize >> 8), static_cast<uint8_t>(archiveSize)};
        out.WriteBuffer(size, sizeof size);
    }
    out.Commit();
}
