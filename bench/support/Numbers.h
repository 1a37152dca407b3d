#pragma once
// Numbers from a benchmark's command line.

#include <cstdint>
#include <string>

// A whole number above 0 and below a million, all of text: true and the number in value, or false.
bool PositiveNumber(const std::string& text, uint64_t& value);
