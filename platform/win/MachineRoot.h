#pragma once
// The folder that holds the state of "the Windows machine": the registry hives, the special folders, the
// services file and the journal of what the machine was asked to do but never does (a restart, the run-once
// commands). It is $TARVO_MACHINE, read at every use because tests move it per test case; without it,
// ${XDG_DATA_HOME:-~/.local/share}/tarvo/machine.

#include <string>
#include <string_view>
#include <vector>

namespace win {

std::string MachineRoot();                           // ends with "/"
std::string MachinePath(std::string_view relative);  // MachineRoot() + relative

// Appends one line (line breaks in it become blanks) to journal/journal.log, creating both when missing.
bool AppendToJournal(std::string_view line);
// The journal's lines in the order written; empty when there is none.
std::vector<std::string> ReadJournal();

}  // namespace win
