#include "ARCHIVES/LHA32.h"

#include <memory>

#include "ARCHIVES/ArcErrors.h"

namespace {

std::unique_ptr<TArchiverDll> LhaLibrary;

// The switches in the order the library line carries them.
void AddSwitches(TCmdOpt& cmd, const TArchiverOptions& o, bool hasOwnerWindow) {
    cmd.AddInt("a", o.a);
    cmd.AddInt("c", o.c);
    cmd.AddInt("e", o.e);
    cmd.AddInt("f", o.f);
    cmd.AddInt("h", o.h);
    cmd.AddInt("i", o.i);
    cmd.AddInt("l", o.l);
    cmd.AddInt("m", o.m);
    cmd.AddInt("n", hasOwnerWindow ? 1 : o.n);  // the progress goes to the owner window, not a dialog
    cmd.AddInt("o", o.o);
    cmd.AddInt("p", o.p);
    cmd.AddInt("r", o.r);
    cmd.AddInt("s", o.s);
    cmd.AddInt("t", o.t);
    cmd.AddInt("u", o.u);
    cmd.AddDir("w", o.w);
    cmd.AddInt("x", o.x);
    cmd.AddInt("y", o.y);
    cmd.AddInt("z", o.z);
    cmd.AddInt("jc", o.jc);
    cmd.AddInt("jd", o.jd);
    cmd.AddInt("je", o.je);
    cmd.AddInt("jf", o.jf);
    cmd.AddInt("jh", o.jh);
    cmd.AddInt("ji", o.ji);
    cmd.AddInt("jm", o.jm);
    cmd.AddInt("jn", o.jn);
    cmd.AddString("jo", o.jo);
    cmd.AddString("job", o.job);
    cmd.AddInt("jp", o.jp);
    cmd.AddInt("jr", o.jr);
    cmd.AddInt("jsb", o.jsb);
    cmd.AddInt("jsc", o.jsc);
    cmd.AddInt("jsd", o.jsd);
    cmd.AddInt("jse", o.jse);
    cmd.AddInt("jsf", o.jsf);
    cmd.AddInt("jsl", o.jsl);
    cmd.AddInt("jso", o.jso);
    cmd.AddInt("jss", o.jss);
    cmd.AddInt("jst", o.jst);
    cmd.AddInt("jsv", o.jsv);
    cmd.AddInt("jsz", o.jsz);
    cmd.AddInt("jw", o.jw);
    cmd.AddFiles("jx", {o.jx});
    cmd.AddInt("jyc", o.jyc);
    cmd.AddInt("jyd", o.jyd);
    cmd.AddInt("jyk", o.jyk);
    cmd.AddInt("jyn", o.jyn);
    cmd.AddInt("jyo", o.jyo);
    cmd.AddString("jz", o.jz);
    cmd.AddInt("ga", o.ga);
    cmd.AddInt("gd", o.gd);
    cmd.AddInt("ge", o.ge);
    cmd.AddInt("gf", o.gf);
    cmd.AddInt("gj", o.gj);
    cmd.AddInt("gm", o.gm);
    cmd.AddInt("gn", o.gn);
    cmd.AddInt("go", o.go);
    cmd.AddInt("gp", o.gp);
    cmd.AddString("gr", o.gr);
    cmd.AddInt("gs", o.gs);
    cmd.AddInt("gu", o.gu);
    cmd.AddInt("gw", o.gw);
}

}  // namespace

TArchiverDll& EnsureLhaLibrary() {
    return EnsureLibrary(LhaLibrary, "LHA 形式書庫", "UNLHA32.DLL", "Unlha");
}

void ReleaseLhaLibrary() {
    LhaLibrary.reset();
}

bool IsLhaArchive(const std::string& fileName) {
    try {
        TArchiverDll& library = EnsureLhaLibrary();
        std::string fullName = ExpandFileName(fileName);
        if (!library.CheckArchive(fullName.c_str(), 16))
            return false;
        HARC handle = library.OpenArchive(0, fullName.c_str(), 0x800002);
        library.CloseArchive(handle);
        return handle != 0;
    } catch (const std::exception&) {
        return false;
    }
}

int TLha32::Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    return Run(parentWnd, BuildCommandLine("x", arcFileName, options, baseDir, files, useResFile), output);
}

int TLha32::Pack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                 const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    return Run(parentWnd, BuildCommandLine("u", arcFileName, options, baseDir, files, useResFile), output);
}

int TLha32::RemoveItem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                       const std::string&, TFileArgs files, bool useResFile, std::string& output) {
    return Run(parentWnd, BuildCommandLine("d", arcFileName, options, "", files, useResFile), output);
}

int TLha32::Update(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    return Run(parentWnd, BuildCommandLine("f", arcFileName, options, baseDir, files, useResFile), output);
}

int TLha32::MakeSfx(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                    const std::string& outDir, std::string& output) {
    return Run(parentWnd, BuildCommandLine("s", arcFileName, options, outDir, {}, false), output);
}

int TLha32::ExtractMem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                       const std::string& entryName, void* buffer, win::DWORD size, win::DWORD* writtenSize) {
    return RunExtractMem(parentWnd, BuildCommandLine("", arcFileName, options, "", {entryName}, false), buffer, size,
                         writtenSize);
}

std::string TLha32::BuildCommandLine(const std::string& verb, const std::string& arcFileName,
                                     const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                     bool useResFile) const {
    TCmdOpt cmd;
    cmd.Add("-+");
    if (verb == "x" && options.jse == -1)
        throw EAssertionFailed("jse オプションが設定されていません。", "ARCHIVES\\LHA32", 258);
    if (options.jso == -1)
        throw EAssertionFailed("jso オプションが設定されていません。", "ARCHIVES\\LHA32", 264);
    AddSwitches(cmd, options, HasOwnerWindow());
    return CommandLine(verb, cmd, arcFileName, options, baseDir, files, useResFile);
}
