// dlspecies: infers a rooted species tree from gene-family trees by
// gene-tree parsimony (duplications plus losses under LCA reconciliation).

#include <sys/ioctl.h>
#include <unistd.h>

#include <iostream>
#include <memory>

#include "app/failure.hpp"
#include "app/interrupt.hpp"
#include "app/run.hpp"
#include "common/process_group.hpp"
#ifdef DLS_MPI
#include "common/mpi_process_group.hpp"
#endif

int main(int argc, char** argv) {
#ifdef DLS_MPI
  const std::unique_ptr<dls::ProcessGroup> ranks = dls::startMpiProcessGroup(argc, argv);
  dls::ProcessGroup& processes = *ranks;
  dls::installInterruptHandler(/*clusterSignals=*/true);
#else
  dls::ProcessGroup& processes = dls::soleProcess();
  dls::installInterruptHandler();
#endif
  // Standard input through a stream buffer of its own: faster, and a read
  // error (standard input being a directory, say) is an error, not an end.
  std::ios::sync_with_stdio(false);
  // Standard output carries the results alone; progress, information,
  // warnings and errors go to standard error. Only rank 0 talks.
  std::ostream nowhere(nullptr);
  std::ostream& talk = processes.leads() ? std::cerr : nowhere;
  dls::Console console(talk, talk);
  // A terminal gets one running progress line, a file or pipe a line per step.
  struct winsize window {};
  const bool terminal = isatty(STDERR_FILENO) == 1;
  console.setTerminal(terminal, terminal && ioctl(STDERR_FILENO, TIOCGWINSZ, &window) == 0 ? window.ws_col : 80);
  const int status = dls::runReportingFailures(
      [&] {
        // Counts of warnings not shown come before an error, which ends the output.
        try {
          const int status = dls::runProgram(argc, argv, console, processes);
          console.summariseWarnings();
          return status;
        } catch (...) {
          console.endProgress();
          console.summariseWarnings();
          throw;
        }
      },
      std::cerr);
  if (status != 0) processes.endAfterFailure(status);
  return status;
}
