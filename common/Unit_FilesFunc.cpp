#include "common/Unit_FilesFunc.h"

#include <unistd.h>

#include "platform/rtl/FileSearch.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Files.h"
#include "platform/win/Shell.h"
#include "platform/win/TempFolder.h"
#include "platform/win/UiServices.h"

void AddTrailingBackslash(std::string& path) {
    if (path.empty() || path.back() != PathDelim)
        path += PathDelim;
}

void GetTempDir(std::string& dir) {
    dir = win::PrivateTempDir();
}

int64_t GetFileSizeByName(const std::string& fileName) {
    // An empty name part would match every entry of the folder.
    if (ExtractFileName(fileName).empty())
        return 0;
    TSearchRec rec;
    int64_t size = FindFirst(fileName, faAnyFile, rec) == 0 ? rec.Size : 0;
    FindClose(rec);
    return size;
}

bool HasExtension(const std::string& fileName, const std::string& extension) {
    std::string ext = LowerCase(!extension.empty() && extension[0] == '.' ? extension.substr(1) : extension);
    std::string name = LowerCase(fileName);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return name == ext;
    if (dot + 1 == name.size())
        return false;
    return name.compare(dot + 1, std::string::npos, ext) == 0;
}

void ListFilesInDir(const std::string& folder, TStringList& list, const std::string& extension) {
    list.Clear();
    // An empty folder name would search the file system's root.
    if (folder.empty())
        return;
    std::string pattern = folder;
    AddTrailingBackslash(pattern);
    pattern += "*";
    win::WIN32_FIND_DATAA data;
    win::HANDLE search = win::FindFirstFileA(pattern.c_str(), &data);
    if (search == win::INVALID_HANDLE_VALUE)
        return;
    do {
        if (data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (data.cFileName == "." || data.cFileName == "..")
            continue;
        if (extension.empty() || HasExtension(data.cFileName, extension))
            list.Add(data.cFileName);
    } while (win::FindNextFileA(search, &data));
    win::FindClose(search);
}

bool ShellDeleteFile(win::HWND owner, const std::string& path, bool toRecycleBin) {
    // The shell takes a list of NUL-ended names: a NUL inside the path would delete a shorter one.
    if (path.empty() || path.find('\0') != std::string::npos)
        return false;
    std::string names = path + '\0' + '\0';
    win::SHFILEOPSTRUCTA op;
    op.hwnd = owner;
    op.wFunc = win::FO_DELETE;
    op.pFrom = names.c_str();
    op.fFlags = toRecycleBin ? win::FOF_NOCONFIRMATION | win::FOF_ALLOWUNDO : win::FOF_NOCONFIRMATION;
    return win::SHFileOperationA(&op) == 0;
}

bool DeleteFilesInDir(win::HWND, const std::string& folder, bool, const std::string& extension) {
    TStringList list;
    ListFilesInDir(folder, list, extension);
    // A folder that is there but cannot be listed has not been emptied.
    if (list.Count() == 0 && DirectoryExists(folder) && ::access(folder.c_str(), R_OK | X_OK) != 0)
        return false;
    std::string dir = folder;
    AddTrailingBackslash(dir);
    bool result = true;
    for (const auto& name : list)
        if (!win::DeleteFileA((dir + name).c_str()))
            result = false;
    return result;
}

bool SelectFolder(const std::string& title, const std::string& initialFolder, std::string& folder) {
    std::string chosen;
    if (!win::Ui().BrowseForFolder(title, initialFolder, chosen))
        return false;
    // Only a folder of the file system is a usable answer.
    if (chosen.empty() || chosen[0] != PathDelim || !DirectoryExists(chosen))
        return false;
    folder = chosen;
    return true;
}

void OpenFolderInExplorer(const std::string& path) {
    win::Ui().OpenFolder(path);
}

void GetSpecialFolderDir(int csidl, std::string& path) {
    std::string folder;
    if (!win::SHGetSpecialFolderPathA(0, folder, csidl, win::FALSE)) {
        path.clear();
        return;
    }
    AddTrailingBackslash(folder);
    path = folder;
}
