// dlspecies: infers a rooted species tree from gene-family trees by
// gene-tree parsimony (duplications plus losses under LCA reconciliation).

#include <sys/ioctl.h>
#include <unistd.h>

#include <iostream>

#include "app/failure.hpp"
#include "app/interrupt.hpp"
#include "app/run.hpp"

int main(int argc, char** argv) {
  // Standard input through a stream buffer of its own: faster, and a read
  // error (standard input being a directory, say) is an error, not an end.
  std::ios::sync_with_stdio(false);
  installInterruptHandler();
  // Standard output carries the results alone; progress, information,
  // warnings and errors go to standard error.
  Console console(std::cerr, std::cerr);
  // A terminal gets one running progress line, a file or pipe a line per step.
  struct winsize window {};
  const bool terminal = isatty(STDERR_FILENO) == 1;
  console.setTerminal(terminal, terminal && ioctl(STDERR_FILENO, TIOCGWINSZ, &window) == 0 ? window.ws_col : 80);
  return runReportingFailures(
      [&] {
        // Counts of warnings not shown come before an error, which ends the output.
        try {
          const int status = runProgram(argc, argv, console);
          console.summariseWarnings();
          return status;
        } catch (...) {
          console.endProgress();
          console.summariseWarnings();
          throw;
        }
      },
      std::cerr);
}
