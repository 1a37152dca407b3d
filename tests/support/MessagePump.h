#pragma once
// Runs the calling thread's message loop for a test until a condition holds, bounded in time.

#include <functional>

namespace tarvo::test {

// Dispatches messages until done() is true or about maxMs passed; the result is done().
bool PumpUntil(const std::function<bool()>& done, int maxMs = 20000);
// Dispatches what is queued now and what arrives within a short moment (for "nothing more came").
void PumpPending(int rounds = 5);

}  // namespace tarvo::test
