#include "ARCHIVES/LibraryDriver.h"

#include "ARCHIVES/ArchiverOptions.h"

TArchiverDll& EnsureLibrary(std::unique_ptr<TArchiverDll>& library, const char* displayName, const char* dllName,
                            const char* entryPrefix) {
    if (!library)
        library = std::make_unique<TArchiverDll>(displayName, dllName, entryPrefix);
    library->LoadDLL();
    return *library;
}

std::string FullArchiveName(const std::string& arcFileName) {
    return arcFileName.empty() || arcFileName == SwitchUnset ? arcFileName : ExpandFileName(arcFileName);
}

bool OpensAsArchive(TArchiverDll& (*library)(), const std::string& fileName, bool existingOnly) {
    try {
        TArchiverDll& dll = library();
        std::string fullName = ExpandFileName(fileName);
        if (existingOnly && !FileExists(fullName))
            return false;
        HARC handle = dll.OpenArchive(0, fullName.c_str(), 0x800002);
        dll.CloseArchive(handle);
        return handle != 0;
    } catch (const std::exception&) {
        return false;
    }
}
