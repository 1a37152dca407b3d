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

// Runs a short system tool (argv[0] searched on PATH) in "/" with no input, its output dropped; true when it
// exited with 0.
bool ProgramSucceeds(const std::vector<std::string>& argv);

// Runs the shell command with input on its standard input, the place for a secret (a command line is there for
// every user of the machine to read); true when all of input was written and the command exited with 0.
bool RunWithInput(const std::string& command, const std::string& input);
