#pragma once
// Test helpers for the LZH library: the library loaded by its Windows name as the component loads it, peer
// tools run as separate processes, and archives crafted byte by byte (for headers no packer writes).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ArchiverApi.h"
#include "tests/support/TestEnvironment.h"

namespace tarvo::test {

// The exported entries of "UNLHA32.DLL", bound once per process.
struct UnlhaEntries {
    ArcCommandProc command;
    ArcCheckArchiveProc checkArchive;
    ArcGetArchiveTypeProc getArchiveType;
    ArcOpenArchiveProc openArchive;
    ArcCloseArchiveProc closeArchive;
    ArcFindFirstProc findFirst;
    ArcFindNextProc findNext;
    ArcExtractMemProc extractMem;
    ArcSetOwnerWindowExProc setOwnerWindow;
    ArcKillOwnerWindowExProc killOwnerWindow;
    ArcGetFileTimeExProc getWriteTime;
    ArcGetFileTimeExProc getCreateTime;
    ArcGetFileTimeExProc getAccessTime;
    ArcGetSizeExProc getOriginalSize;
    ArcGetSizeExProc getCompressedSize;
};
const UnlhaEntries& Unlha();

struct Listed {
    std::string path;  // as the record gives it ("/" after a folder)
    ArcEntryRecord record;
};

class LzhTest : public TarvoTest {
protected:
    // The command entry with a buffer for its output text.
    int Run(const std::string& line, std::string* output = nullptr);
    std::vector<Listed> List(const std::string& archive, const std::string& mask = "*.*");
    std::vector<std::string> ListedPaths(const std::string& archive);
    std::string Work(const std::string& relative) const { return sandbox().work + relative; }
};

// Runs a program (argv[0] searched on PATH) in folder, output to `output` when given; its exit status.
int RunTool(const std::vector<std::string>& argv, const std::string& folder, std::string* output = nullptr);

// Every regular file under folder with its bytes, keyed by the path relative to folder.
std::vector<std::pair<std::string, std::string>> FolderContents(const std::string& folder);

// Archives written byte by byte.
struct RawEntry {
    std::string name;  // raw header bytes of the name (level 0/1: "\" or "/" separated)
    std::string data;  // the stored bytes
    std::string method = "-lh0-";
    int level = 0;
    uint32_t time = 0x52642800;          // a DOS date and time (level 0/1) or Unix time (level 2)
    uint64_t originalSize = UINT64_MAX;  // the data's size unless set
};
std::string RawArchive(const std::vector<RawEntry>& entries);

}  // namespace tarvo::test
