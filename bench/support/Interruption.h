#pragma once
// Ctrl-C or a kill (SIGINT, SIGTERM, SIGHUP) stops a benchmark between two of its steps instead of in the middle
// of one, so that it still stops the servers it started and removes its scratch files, which may hold gigabytes
// of memory.

#include <exception>
#include <functional>

// Thrown where a benchmark looks for an interruption and finds one.
class Interrupted : public std::exception {
public:
    const char* what() const noexcept override { return "interrupted"; }
};

// Throws Interrupted once one of the signals has come.
void StopIfInterrupted();

// Runs a benchmark's body with the signals caught, but for one ignored from the start (a hang-up under nohup,
// Ctrl-C in a background job), which stays ignored. An interruption unwinds the body, so its objects clean up,
// then ends the process as the signal would have; any other exception ends it with its message and status 1.
int RunInterruptibly(const std::function<int()>& body);
