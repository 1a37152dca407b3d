#pragma once
// Running peer programs (lhasa, jlha, ...) to completion, for the tests and the benchmarks.

#include <optional>
#include <string>
#include <vector>

// Runs argv (argv[0] searched on PATH) in folder with no input, its output into outputPath (created or emptied)
// and its errors there too, or into errorPath when one is given; and waits for it. Its wait status, or nullopt
// when it could not be started.
std::optional<int> RunProgram(const std::vector<std::string>& argv, const std::string& folder,
                              const std::string& outputPath, const std::string& errorPath = "");
