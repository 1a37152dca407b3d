#pragma once
// A benchmark's own folder for its files, made fresh under $TMPDIR (or /tmp) so that runs never meet.

#include <string>

// Makes <TMPDIR>/<name>-XXXXXX and returns it ending with "/"; empty when it cannot be made. A preferred parent
// (a memory-backed one, say) is used instead when it exists.
std::string MakeScratchFolder(const std::string& name, const std::string& preferredParent = "");
