#pragma once
// The formats the component knows: the type an archive name or content stands for, and the driver of each
// type. Each format is one unit with its driver and its content check.

#include <memory>
#include <string>

#include "ARCHIVES/Archiver.h"
#include "ARCHIVES/ArchiverOptions.h"

// By name: the last extension of the file name, ASCII case ignored (".exe" goes by content). By content: every
// format's check runs, a later one overriding an earlier. Never raises; atNone when nothing matched.
TArchiverType DetectArchiverType(const std::string& fileName, bool byName);

// A new driver for type (which loads its format's library). Raises ENoArchiverDLL when the library is
// missing (ZIP: only at the operation that needs a library it lacks), EArchiver "書庫の形式を特定できませんでした。"
// for a type no driver serves.
std::unique_ptr<TArchiver> NewArchiverDriver(TArchiverType type);
