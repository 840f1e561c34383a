#include "driver/interrupt.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "driver/globals.hpp"

namespace {

struct InterruptCase {
  bool quietRun;
  int interrupts;
  std::string expectedOut;
  int expectedStatus;
};

// Forks, installs the handler and raises SIGINT the given number of times;
// returns what the child wrote to standard output and its exit status (the
// child exits 0 itself, with status 2 when the flag was not set).
std::pair<std::string, int> interruptChild(bool quietRun, int interrupts) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    quiet = quietRun;
    installInterruptHandler();
    for (int i = 0; i < interrupts; ++i) std::raise(SIGINT);
    _exit(interruptFlag ? 0 : 2);
  }
  close(fds[1]);
  std::string out;
  char buffer[256];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(InterruptHandler, FirstAsksToStopSecondEndsTheProgram) {
  const std::string first = "\nUser interrupt... stop after next cycle\n";
  const std::string second = "\nUser interrupt... stop immediately, bye!\n";
  const std::vector<InterruptCase> cases = {
      {false, 1, first, 0},
      {false, 2, first + second, 1},
      {false, 3, first + second, 1},
      {true, 1, "", 0},
      {true, 2, "", 1},
  };
  for (const InterruptCase& c : cases) {
    const auto [out, status] = interruptChild(c.quietRun, c.interrupts);
    EXPECT_EQ(out, c.expectedOut) << "quiet " << c.quietRun << ", interrupts " << c.interrupts;
    EXPECT_EQ(status, c.expectedStatus) << "quiet " << c.quietRun << ", interrupts " << c.interrupts;
  }
}

}  // namespace
