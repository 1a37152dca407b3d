#pragma once
// The archiver component's types and its switch set. Each switch stands for the library switch of the same
// name; which of them a format writes, and how, is its driver's. A one-byte switch below 0 is not given; a
// string switch equal to SwitchUnset is not given (any other value, the empty one included, is).

#include <cstdint>
#include <set>
#include <string>

#include "platform/rtl/StringList.h"

enum TArchiverType {
    atLha,
    atZip,
    atCab,
    atArj,
    atTar,
    atTgz,
    atBZ2,
    atRar,
    atBga,
    atYz1,
    atGCA,
    atBel,
    at7z,
    atNone,
    atAutoDetect,
};

// Who expands the names to pack: the library (pfArchiver) or the component's own walk (pfComponent, FILTERS.h).
enum TPackFilter { pfArchiver, pfComponent };

// The operations that hand their file list over in the response file ResFileName.
enum TResFileUse { ruOnPack, ruOnUnpack, ruOnRemoveItem, ruOnUpdate };
using TResFileUsage = std::set<TResFileUse>;

// Marks a string switch as absent: a single NUL character.
extern const std::string SwitchUnset;

class TArchiverOptions {
public:
    TArchiverOptions() { Reset(); }

    // Every switch unset, the file list handed over by the component's own walk through the response file.
    void Reset();
    void Assign(const TArchiverOptions& source) { *this = source; }

    int8_t a, c, e, f, h, i, l, m, n, o, p, r, s, t, u;
    std::string w;  // a folder: the empty text counts as not given too
    int8_t x, y, z, jc, jd, je, jf, jh, ji, jm, jn;
    std::string jo, job;
    int8_t jp, jr, jsb, jsc, jsd, jse, jsf, jsl, jso, jss, jst, jsv, jsz, jw;
    TStringList jx;  // exclusion patterns, one per line
    int8_t jyc, jyd, jyk, jyn, jyo;
    std::string jz;
    int8_t ga, gd, ge, gf, gj, gm, gn, go, gp;
    std::string gr;
    int8_t gs, gu, gw;
    std::string UserOptions;   // appended to the switches as typed
    std::string UserFileList;  // appended after the file names as typed
    TPackFilter PackFilter;
    std::string ResFileName;
    TResFileUsage ResFileUsage;
};
