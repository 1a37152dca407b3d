#pragma once
// The debugger output channel. Nothing listens by default, as on a machine without a debugger attached;
// $TARVO_DEBUG_OUTPUT names a file to append each text to as one line ("-" for standard error).

namespace win {

void OutputDebugStringA(const char* text);

}  // namespace win
