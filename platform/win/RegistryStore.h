#pragma once
// The hive files under the machine root: registry/<ROOT NAME>.reg. Readers take the file as it is (it is
// only ever replaced whole); writers hold an flock on registry/<ROOT NAME>.lock while they read, change and
// rewrite it, so changes from several processes are applied one after the other.

#include <functional>
#include <string>

#include "platform/win/RegistryHive.h"

namespace win::reg {

// The hive as stored; a missing file or folder is an empty hive (nothing is created).
// Result: ERROR_SUCCESS, ERROR_BADDB for a file not in the hive form, ERROR_CANTREAD when unreadable.
LONG LoadHive(const std::string& rootName, Key& hive);

// Empty when LoadHive would succeed; otherwise why not, naming the file (and the line for ERROR_BADDB).
std::string HiveProblem(const std::string& rootName);

// What a change returns when it left the hive as it was: nothing is written, the result is ERROR_SUCCESS.
constexpr LONG Unchanged = -1;

// Applies change to the current hive under the lock and stores the result when change returns
// ERROR_SUCCESS; otherwise nothing is written and change's result is returned. A hive file that cannot be
// read as a hive is never overwritten (ERROR_BADDB).
LONG UpdateHive(const std::string& rootName, const std::function<LONG(Key& hive)>& change);

}  // namespace win::reg
