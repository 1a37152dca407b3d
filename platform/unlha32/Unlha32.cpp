// The exported entries of libunlha32.so ("UNLHA32.DLL"): plain C, every exception caught here and turned
// into the entry's result.
//
// Command verbs: a u f d (ArchiveUpdate.h), x e t (Extraction.h); l and v write the listing into the output
// buffer. Others ("m", "s", ...) return kNotSupported.
//
// Switches. Every switch the archiver component can write is accepted on every verb; these act:
//   -r   recursion (PackList.h): -r1 into sub-folders for masks, -r2 also a named folder's whole tree
//   -x   -x0 stores names without their folders (default: folders kept)
//   -a   -a1 includes names beginning with "." in folder walks
//   -c   -c1 makes u and f replace entries whatever their time
//   -jx  exclusion masks, for packing, extracting and removing
// and these are accepted and ignored: -+ -e -f -h -i -l -m -n -o -p -s -t -u -w -y -z, -jc -jd -je -jf -jh
// -ji -jm -jn -jo -job -jp -jr -jsb -jsc -jsd -jse -jsf -jsl -jso -jss -jst -jsv -jsz -jw -jyc -jyd -jyk
// -jyn -jyo -jz, and every -g switch. (No dialogs are ever shown; extraction always overwrites and always
// makes the folders it needs; packing always writes level 2 headers with -lh5- or stored data.)

#include <cstring>
#include <new>
#include <type_traits>

#include "platform/ArchiverApi.h"
#include "platform/unlha32/ArchiveIndex.h"
#include "platform/unlha32/ArchiveUpdate.h"
#include "platform/unlha32/CommandLine.h"
#include "platform/unlha32/EntryDecoder.h"
#include "platform/unlha32/Extraction.h"
#include "platform/unlha32/LhaError.h"
#include "platform/unlha32/Listing.h"
#include "platform/unlha32/OutputLog.h"
#include "platform/unlha32/Progress.h"

namespace lha {
namespace {

template <typename F>
int Guarded(OutputLog& log, F f) {
    try {
        f();
        return kOk;
    } catch (const Cancelled&) {
        log.Line("cancelled");
        return ARCERROR_CANCELLED;
    } catch (const ELhaError& e) {
        log.Line("error: " + e.Message());
        return e.Code();
    } catch (const EStreamError& e) {
        log.Line("error: " + e.Message());
        return kArchiveOpen;
    } catch (const std::bad_alloc&) {
        log.Line("error: out of memory");
        return kInternal;
    } catch (const std::exception& e) {
        log.Line(std::string("error: ") + e.what());
        return kInternal;
    } catch (...) {
        return kInternal;
    }
}

void List(const CommandLine& cmd, OutputLog& log) {
    ArchiveIndex index = ReadArchiveIndex(cmd.archive);
    for (const auto& e : index.entries) {
        const LhaHeader& h = e.header;
        log.Line(h.method + " " + std::to_string(h.originalSize) + " " + std::to_string(h.packedSize) + " " + e.name +
                 (h.IsDirectory() ? "/" : ""));
    }
    index.RequireSound();
}

void RunCommand(const char* line, OutputLog& log) {
    CommandLine cmd = ParseCommandLine(line ? line : "", true);
    Progress progress;
    const std::string& v = cmd.verb;
    if (v == "a" || v == "u" || v == "f") {
        RunPack(cmd, log, progress);
    } else if (v == "d") {
        RunDelete(cmd, log, progress);
    } else if (v == "x" || v == "e" || v == "t") {
        RunExtract(cmd, log, progress);
    } else if (v == "l" || v == "v") {
        List(cmd, log);
    } else {
        throw ELhaError(kNotSupported, "command \"" + v + "\" is not supported");
    }
}

}  // namespace
}  // namespace lha

#define UNLHA_EXPORT extern "C" __attribute__((visibility("default")))

UNLHA_EXPORT int Unlha(win::HWND, const char* cmdLine, char* output, win::DWORD outputSize) {
    lha::OutputLog log;
    int result = lha::Guarded(log, [&] { lha::RunCommand(cmdLine, log); });
    log.CopyTo(output, outputSize);
    return result;
}

UNLHA_EXPORT win::BOOL UnlhaCheckArchive(const char* fileName, int mode) {
    lha::OutputLog log;
    bool sound = false;
    lha::Guarded(log, [&] {
        lha::ArchiveIndex index = lha::ReadArchiveIndex(fileName ? fileName : "");
        index.RequireSound();
        if (mode & 2) {  // full check: every entry decoded and its CRC compared
            TFileStream archive(fileName, fmOpenRead);
            lha::NullSink sink;
            for (const auto& e : index.entries)
                lha::DecodeEntry(archive, e.header, sink, nullptr);
        }
        sound = true;
    });
    return sound ? win::TRUE : win::FALSE;
}

// 1 for an LZH archive, 0 for any other file, -1 when the file cannot be read.
UNLHA_EXPORT int UnlhaGetArchiveType(const char* fileName) {
    lha::OutputLog log;
    int code = lha::Guarded(log, [&] { lha::ReadArchiveIndex(fileName ? fileName : ""); });
    return code == lha::kOk ? 1 : (code == lha::kNotArchive ? 0 : -1);
}

UNLHA_EXPORT HARC UnlhaOpenArchive(win::HWND, const char* fileName, win::DWORD) {
    lha::OutputLog log;
    HARC handle = 0;
    lha::Guarded(log, [&] { handle = lha::OpenListing(fileName ? fileName : ""); });
    return handle;
}

UNLHA_EXPORT int UnlhaCloseArchive(HARC arc) {
    lha::OutputLog log;
    bool closed = false;
    int code = lha::Guarded(log, [&] { closed = lha::CloseListing(arc); });
    return code != lha::kOk ? code : (closed ? 0 : lha::kBadHandle);
}

UNLHA_EXPORT int UnlhaFindFirst(HARC arc, const char* wildName, ArcEntryRecord* info) {
    lha::OutputLog log;
    int result = 0;
    int code = lha::Guarded(log, [&] { result = lha::FindFirstEntry(arc, wildName ? wildName : "", info); });
    return code != lha::kOk ? code : result;
}

UNLHA_EXPORT int UnlhaFindNext(HARC arc, ArcEntryRecord* info) {
    lha::OutputLog log;
    int result = 0;
    int code = lha::Guarded(log, [&] { result = lha::FindNextEntry(arc, info); });
    return code != lha::kOk ? code : result;
}

UNLHA_EXPORT int UnlhaExtractMem(win::HWND, const char* cmdLine, uint8_t* buffer, win::DWORD size, int64_t* unixTime,
                                 win::WORD* attributes, win::DWORD* writtenSize) {
    lha::OutputLog log;
    if (writtenSize)
        *writtenSize = 0;
    return lha::Guarded(log, [&] {
        lha::CommandLine cmd = lha::ParseCommandLine(cmdLine ? cmdLine : "", false);
        lha::Progress progress;
        lha::RunExtractToMemory(cmd, buffer, size, unixTime, attributes, writtenSize, progress);
    });
}

UNLHA_EXPORT win::BOOL UnlhaSetOwnerWindowEx(win::HWND wnd, ARCHIVERPROC callback) {
    return lha::SetOwnerWindow(wnd, callback) ? win::TRUE : win::FALSE;
}

UNLHA_EXPORT win::BOOL UnlhaKillOwnerWindowEx(win::HWND wnd) {
    return lha::KillOwnerWindow(wnd) ? win::TRUE : win::FALSE;
}

UNLHA_EXPORT win::BOOL UnlhaGetWriteTimeEx(HARC arc, win::FILETIME* time) {
    return lha::CurrentEntryTime(arc, lha::EntryTime::Write, time) ? win::TRUE : win::FALSE;
}

UNLHA_EXPORT win::BOOL UnlhaGetCreateTimeEx(HARC arc, win::FILETIME* time) {
    return lha::CurrentEntryTime(arc, lha::EntryTime::Create, time) ? win::TRUE : win::FALSE;
}

UNLHA_EXPORT win::BOOL UnlhaGetAccessTimeEx(HARC arc, win::FILETIME* time) {
    return lha::CurrentEntryTime(arc, lha::EntryTime::Access, time) ? win::TRUE : win::FALSE;
}

UNLHA_EXPORT win::BOOL UnlhaGetOriginalSizeEx(HARC arc, uint64_t* size) {
    return lha::CurrentEntrySize(arc, false, size) ? win::TRUE : win::FALSE;
}

UNLHA_EXPORT win::BOOL UnlhaGetCompressedSizeEx(HARC arc, uint64_t* size) {
    return lha::CurrentEntrySize(arc, true, size) ? win::TRUE : win::FALSE;
}

// The entries keep the shapes the archiver component binds them with.
static_assert(std::is_same_v<decltype(&Unlha), ArcCommandProc>);
static_assert(std::is_same_v<decltype(&UnlhaCheckArchive), ArcCheckArchiveProc>);
static_assert(std::is_same_v<decltype(&UnlhaGetArchiveType), ArcGetArchiveTypeProc>);
static_assert(std::is_same_v<decltype(&UnlhaOpenArchive), ArcOpenArchiveProc>);
static_assert(std::is_same_v<decltype(&UnlhaCloseArchive), ArcCloseArchiveProc>);
static_assert(std::is_same_v<decltype(&UnlhaFindFirst), ArcFindFirstProc>);
static_assert(std::is_same_v<decltype(&UnlhaFindNext), ArcFindNextProc>);
static_assert(std::is_same_v<decltype(&UnlhaExtractMem), ArcExtractMemProc>);
static_assert(std::is_same_v<decltype(&UnlhaSetOwnerWindowEx), ArcSetOwnerWindowExProc>);
static_assert(std::is_same_v<decltype(&UnlhaKillOwnerWindowEx), ArcKillOwnerWindowExProc>);
static_assert(std::is_same_v<decltype(&UnlhaGetWriteTimeEx), ArcGetFileTimeExProc>);
static_assert(std::is_same_v<decltype(&UnlhaGetOriginalSizeEx), ArcGetSizeExProc>);
