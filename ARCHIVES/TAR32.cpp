#include "ARCHIVES/TAR32.h"

#include "ARCHIVES/ArcErrors.h"
#include "ARCHIVES/SelfExtractor.h"

namespace {

std::unique_ptr<TArchiverDll> TarLibrary;

// The compression switch of a gzip or bzip2 driver: bare, or with the level jm when one is given.
void AddCompression(TCmdOpt& cmd, const std::string& name, int8_t level) {
    cmd.Add("-" + name + (level >= 1 ? std::to_string(level) : std::string()));
}

}  // namespace

TArchiverDll& EnsureTarLibrary() {
    return EnsureLibrary(TarLibrary, "tar/tgz/taz/bz2 形式書庫", "TAR32.DLL", "Tar");
}

void ReleaseTarLibrary() {
    TarLibrary.reset();
}

TArchiverType TarArchiveType(const std::string& fileName) {
    try {
        switch (EnsureTarLibrary().GetArchiveType(fileName.c_str())) {
            case 1:
                return atTar;
            case 2:
            case 3:
            case 4:
            case 5:
                return atTgz;
            case 6:
            case 7:
                return atBZ2;
            default:
                return atNone;
        }
    } catch (const std::exception&) {
        return atNone;
    }
}

int TTar32::Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    return Run(parentWnd, BuildCommandLine("x", arcFileName, options, baseDir, files, useResFile), output);
}

int TTar32::Pack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                 const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    return Run(parentWnd, BuildCommandLine("c", arcFileName, options, baseDir, files, useResFile), output);
}

int TTar32::MakeSfx(win::HWND, const std::string& arcFileName, const TArchiverOptions&, const std::string& outDir,
                    std::string&) {
    if (compression_ == TCompression::Bzip2)
        throw EArchiver("BZ2 形式書庫は自己解凍形式にできません。");
    std::string module = SearchSfxModule("kmtarsef.exe");
    if (module.empty())
        throw ESfxNoRequiredFile("tar/tgz", "", "kmtarsef.exe");
    WriteSfxFile(module, arcFileName, SfxFileName(arcFileName, ".EXE", outDir), false);
    return 0;
}

int TTar32::ExtractMem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                       const std::string& entryName, void* buffer, win::DWORD size, win::DWORD* writtenSize) {
    return RunExtractMem(parentWnd, BuildCommandLine("", arcFileName, options, "", {entryName}, false), buffer, size,
                         writtenSize);
}

std::string TTar32::BuildCommandLine(const std::string& verb, const std::string& arcFileName,
                                     const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                     bool useResFile) const {
    // Without "-f" the library would pick an archive of its own choosing.
    if (arcFileName.empty() || arcFileName == SwitchUnset)
        throw EArchiver("書庫ファイル名が指定されていません。");
    TCmdOpt cmd;
    cmd.SeparateValue = true;
    cmd.AddFlag("AH", options.a > 0);
    cmd.AddFlag("I", options.a == 0);
    cmd.AddFlag("-display-dialog=0", !HasOwnerWindow() && options.n > 0);
    cmd.AddFlag("g", options.o > 0);
    cmd.AddInt("-check-all-path=", options.p);
    cmd.AddInt("-use-directory=", options.x);
    if (compression_ == TCompression::Gzip)
        AddCompression(cmd, "z", options.jm);
    if (compression_ == TCompression::Bzip2)
        AddCompression(cmd, "B", options.jm);
    cmd.Add(options.UserOptions);
    cmd.AddQuoted("f", arcFileName);
    cmd.AddDir("o", baseDir);
    AddFileList(cmd, options, useResFile, files);
    return verb + cmd.CmdLine;
}
