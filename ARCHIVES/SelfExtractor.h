#pragma once
// Self-extracting archives that the drivers assemble themselves: the self-extractor module of the format,
// found as the system finds a program's files, followed by the archive.

#include <string>

// The module's full path, or empty when it is found nowhere. Searched first in folder (when given), then in
// the folders of $TARVO_LIBRARY_PATH, the program's folder and the folders of $PATH; never in the current
// folder, which may be anyone's.
std::string SearchSfxModule(const std::string& name, const std::string& folder = "");

// The self-extractor's name: the archive's name with ext in place of its extension, in outDir when one is
// given.
std::string SfxFileName(const std::string& arcFileName, const std::string& ext, const std::string& outDir);

// Writes the module, then the archive, then (with sizeTrailer) the archive's size as 4 bytes big-endian, into
// output, whole or not at all. Refuses an output that is the archive or the module itself, and with
// sizeTrailer an archive whose size does not fit the 4 bytes. File errors raise the stream errors.
void WriteSfxFile(const std::string& module, const std::string& archive, const std::string& output, bool sizeTrailer);
