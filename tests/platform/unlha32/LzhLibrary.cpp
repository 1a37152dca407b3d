#include "tests/platform/unlha32/LzhLibrary.h"

#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/unlha32/Crc16.h"
#include "platform/unlha32/LhaHeader.h"
#include "platform/win/Modules.h"
#include "tools/harness/RunProgram.h"

namespace tarvo::test {

namespace {

template <typename T>
T Bind(win::HMODULE module, const char* name) {
    auto p = reinterpret_cast<T>(win::GetProcAddress(module, name));
    if (!p)
        throw std::runtime_error(std::string("libunlha32.so lacks ") + name);
    return p;
}

UnlhaEntries Load() {
    win::HMODULE m = win::LoadLibraryA("UNLHA32.DLL");
    if (!m)
        throw std::runtime_error("UNLHA32.DLL (libunlha32.so) cannot be loaded");
    return UnlhaEntries{Bind<ArcCommandProc>(m, "Unlha"),
                        Bind<ArcCheckArchiveProc>(m, "UnlhaCheckArchive"),
                        Bind<ArcGetArchiveTypeProc>(m, "UnlhaGetArchiveType"),
                        Bind<ArcOpenArchiveProc>(m, "UnlhaOpenArchive"),
                        Bind<ArcCloseArchiveProc>(m, "UnlhaCloseArchive"),
                        Bind<ArcFindFirstProc>(m, "UnlhaFindFirst"),
                        Bind<ArcFindNextProc>(m, "UnlhaFindNext"),
                        Bind<ArcExtractMemProc>(m, "UnlhaExtractMem"),
                        Bind<ArcSetOwnerWindowExProc>(m, "UnlhaSetOwnerWindowEx"),
                        Bind<ArcKillOwnerWindowExProc>(m, "UnlhaKillOwnerWindowEx"),
                        Bind<ArcGetFileTimeExProc>(m, "UnlhaGetWriteTimeEx"),
                        Bind<ArcGetFileTimeExProc>(m, "UnlhaGetCreateTimeEx"),
                        Bind<ArcGetFileTimeExProc>(m, "UnlhaGetAccessTimeEx"),
                        Bind<ArcGetSizeExProc>(m, "UnlhaGetOriginalSizeEx"),
                        Bind<ArcGetSizeExProc>(m, "UnlhaGetCompressedSizeEx")};
}

void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

std::string Level01Header(const RawEntry& e, uint64_t original, uint16_t crc) {
    std::string h;
    h += e.method;
    Put32(h, static_cast<uint32_t>(e.data.size()));
    Put32(h, static_cast<uint32_t>(original));
    Put32(h, e.time);
    h += '\x20';
    h += static_cast<char>(e.level);
    h += static_cast<char>(e.name.size());
    h += e.name;
    Put16(h, crc);
    if (e.level == 1) {
        h += 'M';
        Put16(h, 0);  // no extended headers
    }
    uint8_t sum = 0;
    for (char c : h)
        sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
    return std::string(1, static_cast<char>(h.size())) + static_cast<char>(sum) + h;
}

std::string Level2Header(const RawEntry& e, uint64_t original, uint16_t crc) {
    lha::LhaHeader h;
    h.method = e.method;
    h.packedSize = e.data.size();
    h.originalSize = original;
    h.writeTime = e.time;
    h.crc = crc;
    h.path = lha::SplitRawPath(e.name);
    auto bytes = lha::WriteLevel2Header(h);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

const UnlhaEntries& Unlha() {
    static const UnlhaEntries entries = Load();
    return entries;
}

int LzhTest::Run(const std::string& line, std::string* output) {
    std::vector<char> buffer(1 << 16, '\x7F');
    int result = Unlha().command(0, line.c_str(), buffer.data(), static_cast<win::DWORD>(buffer.size()));
    if (output)
        *output = buffer.data();
    return result;
}

std::vector<Listed> LzhTest::List(const std::string& archive, const std::string& mask) {
    std::vector<Listed> out;
    HARC h = Unlha().openArchive(0, archive.c_str(), 0);
    EXPECT_NE(h, 0u) << archive;
    if (!h)
        return out;
    ArcEntryRecord r{};
    for (int rc = Unlha().findFirst(h, mask.c_str(), &r); rc == 0; rc = Unlha().findNext(h, &r))
        out.push_back({r.EntryPath, r});
    EXPECT_EQ(Unlha().closeArchive(h), 0);
    return out;
}

std::vector<std::string> LzhTest::ListedPaths(const std::string& archive) {
    std::vector<std::string> paths;
    for (const auto& l : List(archive))
        paths.push_back(l.path);
    return paths;
}

int RunTool(const std::vector<std::string>& argv, const std::string& folder, std::string* output) {
    std::string log = CurrentSandbox().tmp + "tool-output.txt";
    const std::optional<int> status = RunProgram(argv, folder, log);
    if (!status)
        return -1;
    if (output)
        *output = ReadFile(log);
    return WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
}

std::vector<std::pair<std::string, std::string>> FolderContents(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file())
            out.emplace_back(fs::relative(e.path(), folder).string(), ReadFile(e.path()));
    std::sort(out.begin(), out.end());
    return out;
}

std::string RawArchive(const std::vector<RawEntry>& entries) {
    std::string out;
    for (const auto& e : entries) {
        uint64_t original = e.originalSize == UINT64_MAX ? e.data.size() : e.originalSize;
        auto crc = lha::Crc16(reinterpret_cast<const uint8_t*>(e.data.data()), e.data.size());
        out += e.level == 2 ? Level2Header(e, original, crc) : Level01Header(e, original, crc);
        out += e.data;
    }
    return out + '\0';
}

}  // namespace tarvo::test
