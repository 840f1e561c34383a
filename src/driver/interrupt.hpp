#pragma once
// Keyboard interrupt: the first asks the search to stop after its current
// cycle, the second ends the program at once with status 1.

// The SIGINT handler. Async-signal-safe: it only writes fixed bytes with
// write(2), sets the lock-free interruptFlag and calls _exit.
extern "C" void interruptFunction(int);

// Installs interruptFunction for SIGINT for the whole run.
void installInterruptHandler();
