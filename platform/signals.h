#pragma once

#include <chrono>

namespace platform {

// Blocks SIGINT, SIGTERM and SIGHUP in the calling thread. Call it in main
// before any other thread starts: threads inherit the mask, so the signals
// stay pending until a WaitForSignal picks them up.
void BlockControlSignals();

// Waits at most `timeout` for one of the blocked signals. Returns the signal
// number, or 0 when the time ran out.
int WaitForSignal(std::chrono::milliseconds timeout);

}  // namespace platform
