#pragma once
// The binary interface between the archiver component (ARCHIVES/) and the stand-in archiver libraries
// (platform/unlha32 and any other library of the family). Plain C, byte-packed records, UTF-8 text on the
// interface (command lines, response files, names in records); only names inside archive headers are code
// page 932, converted by the library. A library exports each entry as its prefix followed by the suffix
// (the command entry is the prefix alone): "Unlha", "UnlhaOpenArchive", ...

#include <cstddef>
#include <cstdint>

#include "platform/win/WinTypes.h"

extern "C" {

// Archive handle of OpenArchive; 0 is failure.
typedef uintptr_t HARC;

#pragma pack(push, 1)

// One entry of a listing, as FindFirst / FindNext fill it (bytes 0..557 of the component's entry record).
struct ArcEntryRecord {
    uint32_t OriginalSize;    // low 32 bits of the entry's size
    uint32_t CompressedSize;  // low 32 bits of its packed size
    uint32_t CRC;
    uint32_t Flag;
    uint32_t OSType;
    uint16_t Ratio;    // per mille of packed over original
    uint16_t DosDate;  // local time
    uint16_t DosTime;
    char EntryPath[513];  // UTF-8, "/" between folders, NUL-terminated
    char Reserved[3];
    char AttributeText[8];  // NUL-terminated
    char MethodText[8];     // "-lh5-" style, NUL-terminated
};
static_assert(sizeof(ArcEntryRecord) == 558, "entry record layout");
static_assert(offsetof(ArcEntryRecord, EntryPath) == 26 && offsetof(ArcEntryRecord, AttributeText) == 542 &&
                  offsetof(ArcEntryRecord, MethodText) == 550,
              "entry record offsets");

// The progress record behind wParam/lParam of "wm_arcextract" and the owner-window callback, and the one the
// component's own file walk fills (state 0x805, the source name).
struct ArcExtractingInfo {
    uint32_t FileSize;         // low 32 bits of the entry's size
    uint32_t WriteSize;        // bytes done of it
    char SourceFileName[513];  // UTF-8, NUL-terminated
    char Spare1[3];
    char DestFileName[513];
    char Spare2[3];
    uint64_t FileSize64;
    uint64_t WriteSize64;
};
static_assert(sizeof(ArcExtractingInfo) == 1056, "progress record layout");

#pragma pack(pop)

// Progress states (wParam of "wm_arcextract", the callback's state). The owner window answers the message
// with non-zero to cancel.
enum : win::UINT {
    ARCEXTRACT_BEGIN = 0,      // an entry starts
    ARCEXTRACT_INPROCESS = 1,  // bytes of it were done
    ARCEXTRACT_END = 2,        // it is done
    ARCEXTRACT_OPEN = 3,       // the archive was opened
    ARCEXTRACT_COPY = 4,       // the archive is being rewritten
};

// Result codes beside 0 (success).
enum : int {
    ARCERROR_CANCELLED = 0x8020,  // the owner cancelled (a progress handler returned FALSE)
};

// Owner-window callback: return FALSE to cancel.
typedef win::BOOL (*ARCHIVERPROC)(win::HWND wnd, win::UINT msg, win::UINT state, ArcExtractingInfo* info);

// Entry signatures (the library exports Prefix + suffix with these types).
typedef int (*ArcCommandProc)(win::HWND parent, const char* cmdLine, char* output, win::DWORD outputSize);
typedef win::BOOL (*ArcCheckArchiveProc)(const char* fileName, int mode);
typedef int (*ArcGetArchiveTypeProc)(const char* fileName);
typedef HARC (*ArcOpenArchiveProc)(win::HWND parent, const char* fileName, win::DWORD mode);
typedef int (*ArcCloseArchiveProc)(HARC arc);
typedef int (*ArcFindFirstProc)(HARC arc, const char* wildName, ArcEntryRecord* info);  // 0 found, -1 end
typedef int (*ArcFindNextProc)(HARC arc, ArcEntryRecord* info);
typedef int (*ArcExtractMemProc)(win::HWND parent, const char* cmdLine, uint8_t* buffer, win::DWORD size,
                                 int64_t* unixTime, win::WORD* attributes, win::DWORD* writtenSize);
typedef win::BOOL (*ArcSetOwnerWindowExProc)(win::HWND wnd, ARCHIVERPROC callback);
typedef win::BOOL (*ArcKillOwnerWindowExProc)(win::HWND wnd);
typedef win::BOOL (*ArcGetFileTimeExProc)(HARC arc, win::FILETIME* time);  // UTC
typedef win::BOOL (*ArcGetSizeExProc)(HARC arc, uint64_t* size);

}  // extern "C"
