#pragma once
// The signals that end a run. The keyboard interrupt: the first asks the
// search to stop after its current cycle, the second ends the program at
// once with status 1, removing the unfinished output files. SIGTERM and
// SIGHUP end it at once like a second interrupt (SIGHUP stays ignored when
// the program starts with it ignored, as under nohup). SIGXFSZ is ignored:
// a write beyond the file size limit (ulimit -f) fails like any other
// write, and the run ends with its error.

#include <signal.h>

#include <atomic>
#include <string>

namespace dls {

// In a cluster run, mpirun passes SIGUSR1 on to every rank (it does not
// pass the keyboard interrupt on: it ends the processes with SIGTERM):
// SIGUSR1 then counts as a keyboard interrupt.
void installInterruptHandler(bool clusterSignals = false);
// The handler's messages go to standard error unless quiet (quiet until
// the command line says otherwise).
void setInterruptQuiet(bool quiet);
// Set by the first interrupt.
const std::atomic<bool>& stopRequested();
// A file a second interrupt removes ("" for none): one per slot, 0 for the
// report, 1 for the bootstrap trees, 2 for the picture, 3 for the branch
// table.
void setFileToRemoveOnInterrupt(int slot, const std::string& path);

// Holds the signals that end the program back while it lives: a file made
// and entered in a slot, or put in place and taken out of it, is never
// seen half done by the handler. A signal that came meanwhile is taken
// when the object goes.
class EndingSignalsHeld {
 public:
  EndingSignalsHeld();
  ~EndingSignalsHeld();
  EndingSignalsHeld(const EndingSignalsHeld&) = delete;
  EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;

 private:
  sigset_t before_;
};

}  // namespace dls
