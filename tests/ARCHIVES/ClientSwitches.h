#pragma once
// The switches the client sets on its archive component, for the tests that drive the component as it does.

#include <string>

#include "ARCHIVES/ARCHIVES.h"

namespace tarvo::test {

// Before packing one dropped path: a folder is walked into the response file resFile.
inline void SetClientPackSwitches(TArchiveFile& arc, bool folder, const std::string& resFile) {
    TArchiverOptions& o = arc.Options();
    o.x = 1;
    o.a = 1;
    o.n = 0;
    o.r = folder ? 2 : 0;
    o.jso = 0;
    o.ResFileName = resFile;
    arc.SetOutputSize(8192);
}

// Before extracting a trunk.
inline void SetClientExtractSwitches(TArchiverOptions& o) {
    o.x = 1;
    o.jso = 1;
    o.jse = 1;
    o.jyc = 1;
    o.n = 0;
}

}  // namespace tarvo::test
