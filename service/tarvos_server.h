#pragma once

// Runs the whole program: start-up, one action or the listener, end.
// Returns the process exit code.
int RunApplication(int argc, char** argv);
