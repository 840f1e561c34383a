#pragma once
// The keyboard interrupt: the first asks the search to stop after its
// current cycle, the second ends the program at once with status 1,
// removing the unfinished output file.

#include <atomic>
#include <string>

namespace dls {

// In a cluster run, mpirun passes SIGUSR1 on to every rank (it does not
// pass the keyboard interrupt on: it ends the processes with SIGTERM):
// SIGUSR1 then counts as a keyboard interrupt, and SIGTERM as a second one.
void installInterruptHandler(bool clusterSignals = false);
// The handler's messages go to standard output unless quiet (quiet until
// the command line says otherwise).
void setInterruptQuiet(bool quiet);
// Set by the first interrupt.
const std::atomic<bool>& stopRequested();
// A file a second interrupt removes ("" for none): one per slot, 0 for the
// report, 1 for the bootstrap trees.
void setFileToRemoveOnInterrupt(int slot, const std::string& path);

}  // namespace dls
