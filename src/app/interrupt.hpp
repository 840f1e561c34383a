#pragma once
// The keyboard interrupt: the first asks the search to stop after its
// current cycle, the second ends the program at once with status 1,
// removing the unfinished output file.

#include <atomic>
#include <string>

void installInterruptHandler();
// The handler's messages go to standard output unless quiet (quiet until
// the command line says otherwise).
void setInterruptQuiet(bool quiet);
// Set by the first interrupt.
const std::atomic<bool>& stopRequested();
// The file a second interrupt removes ("" for none).
void setFileToRemoveOnInterrupt(const std::string& path);
