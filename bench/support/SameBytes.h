#pragma once
// Comparing a benchmark's output with what it should be, before any figure is reported.

#include <string>

// Whether the two files hold the same bytes; read a block at a time, for they may be large.
bool SameBytes(const std::string& a, const std::string& b);
