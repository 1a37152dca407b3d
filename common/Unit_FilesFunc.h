#pragma once
// Path and file routines of the client and the uninstaller: the temporary folder, file sizes, listing and
// emptying a folder, deleting through the shell, the folder browser, showing a folder in the file manager
// and the special folders. Folder paths are written with "/" and produced ending with it. No routine shows a
// message; failures end in a neutral result (0, an empty list, False, an empty path).

#include <cstdint>
#include <string>

#include "platform/rtl/StringList.h"
#include "platform/win/WinTypes.h"

// Appends "/" unless the path already ends with it; an empty path becomes "/".
void AddTrailingBackslash(std::string& path);
// dir := the user's private temporary folder with a trailing "/". Raises EInOutError, with a message for the
// user, when that folder is refused (a symbolic link, another user's): nothing may work in it then.
void GetTempDir(std::string& dir);
// The size of the first match of the name (wildcards allowed), 0 when nothing matches. 64-bit.
int64_t GetFileSizeByName(const std::string& fileName);
// Whether the text after the name's last "." (the whole name when it has none) equals the extension, with
// or without its leading ".", ASCII case ignored; a name ending in "." has none.
bool HasExtension(const std::string& fileName, const std::string& extension);
// list := the names of the folder's entries that are not folders, in the order the file system gives them,
// only those with the extension when it is not empty. An empty or unsearchable folder gives an empty list.
void ListFilesInDir(const std::string& folder, TStringList& list, const std::string& extension);
// Deletes exactly the path: a folder with everything in it, a symbolic link itself. False for an empty path
// and when the delete fails. There is no recycle bin: toRecycleBin deletes as well.
bool ShellDeleteFile(win::HWND owner, const std::string& path, bool toRecycleBin);
// Deletes every listed file of the folder, going on past failures; True when all went (also for a missing
// folder), False when one stayed or the folder cannot be listed. owner and toRecycleBin are not used.
bool DeleteFilesInDir(win::HWND owner, const std::string& folder, bool toRecycleBin, const std::string& extension);
// The folder browser (through the UI services) starting at initialFolder. False and folder unchanged when
// cancelled or when the choice is not an existing folder.
bool SelectFolder(const std::string& title, const std::string& initialFolder, std::string& folder);
// Shows the folder in the desktop's file manager (through the UI services); a failure is not reported.
void OpenFolderInExplorer(const std::string& path);
// path := the special folder (win::CSIDL_*) with a trailing "/"; empty when there is no such folder.
void GetSpecialFolderDir(int csidl, std::string& path);
