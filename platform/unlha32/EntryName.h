#pragma once
// Entry names between the archive (code page 932 bytes, split into components) and the interface (UTF-8,
// "/" between folders), and the rule for which names may be extracted under a target folder.

#include <optional>
#include <string>
#include <vector>

namespace lha {

// UTF-8 components of raw ones. A byte that is not code page 932, or a control character, comes out as
// "%XX" so that a foreign name is still listed and extracted rather than failing the whole archive.
std::vector<std::string> DecodeEntryPath(const std::vector<std::string>& raw);
// "a/b/c" (a leading "/" for an absolute name).
std::string JoinEntryPath(const std::vector<std::string>& components);

// The components to create under a target folder, "." and empty ones dropped; nullopt for a name that
// would leave the target: absolute, starting with a drive ("C:"), or holding "..".
std::optional<std::vector<std::string>> SafeComponents(const std::vector<std::string>& decoded);

// Code page 932 components of UTF-8 ones; raises ELhaError(kNameNotEncodable) naming the path when a
// component has no code page 932 form that decodes back to the same text, or holds a "\" (a folder
// separator inside archives).
std::vector<std::string> EncodeEntryPath(const std::vector<std::string>& utf8);

// Raises ELhaError(kNameTooLong) naming the path when the listing record could not hold it whole (a
// folder's with its final "/"): such an entry could not be selected again by the name it is listed under.
void RequireListablePath(const std::string& entryName, bool directory);

// Splits "a/b//c" into its non-empty components.
std::vector<std::string> SplitPath(const std::string& path);

}  // namespace lha
