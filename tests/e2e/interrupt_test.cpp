// End-to-end tests of the keyboard interrupt: the real binary, blocked while
// reading its trees from a pipe that the test holds open, gets SIGINT.
//
// A first interrupt only asks the search to stop after its current cycle:
// the reading goes on, the search makes a single cycle and the run ends
// normally with its report. A second interrupt ends the program at once with
// status 1.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_support.hpp"

namespace {

// Without an interrupt the search makes three moves, in three cycles at least.
const std::string kValidInput = "((((A,B),C),D),E);\n((((E,D),C),B),A);\n((((E,D),C),B),A);\n";
const std::string kFirstMessage = "\nUser interrupt... stop after next cycle\n";
const std::string kSecondMessage = "\nUser interrupt... stop immediately, bye!\n";
const std::string kUserTreeLines =
    "Random seed: 1\n"
    "Using user-provided initial species tree\n"
    "Using SPR local search heuristic to infer final species tree\n";
const std::string kSearchSummary = "2 rooted and 0 unrooted input gene trees total\n";
const std::string kOneMove = "\nNumber of rSPR tree edit operations: 1\n";

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// In a quiet run nothing shows that the program has started reading. White
// space fills the pipe beyond its capacity, so the write returns only once
// the program has consumed most of it, that is, once it is reading.
void waitUntilReading(ChildProcess& child) { child.writeStdin(std::string(512 * 1024, '\n')); }

// Waits until the program has ended by itself, its standard input still open
// (no marker of this kind is ever written).
void waitForEnd(ChildProcess& child) { child.waitForOutput("\x01never written\x01", 5000); }

// The search and its report that follow the summary line, and whether
// the search stopped after its first cycle.
::testing::AssertionResult isOneCycleSearch(const std::string& text) {
  const ::testing::AssertionResult shape = isSearchAndReport(text);
  if (!shape || text.find(kOneMove) != std::string::npos) return shape;
  return ::testing::AssertionFailure() << "more than one move: " << ::testing::PrintToString(text);
}

// The two ways the input is read first: what is on standard output while
// the program waits for its input, and what follows once it has read
// kValidInput, before the search and its report.
struct Reader {
  std::string what;
  std::vector<std::string> args;
  std::string before;
  std::string after;
};

const std::vector<Reader>& readers() {
  static const std::vector<Reader> all = {
      {"search stage reads the input", {"-g", "0", "--seed", "1"}, kUserTreeLines, kSearchSummary},
      {"input is copied for the leaf-adding stage",
       {"--seed", "1"},
       "Random seed: 1\n",
       "Using fast randomized leaf adding heuristic to build initial species tree\n3 input gene trees total\n" +
           leafAddProgress(5) + "3 rooted and 0 unrooted input gene trees total\n"},
  };
  return all;
}

class KeyboardInterrupt : public ::testing::Test {
 protected:
  std::vector<std::string> command(const std::vector<std::string>& args) const {
    std::vector<std::string> all{kBinary};
    all.insert(all.end(), args.begin(), args.end());
    return all;
  }
  TempDir dir;
};

TEST_F(KeyboardInterrupt, OneInterruptWhileReadingLetsTheRunFinish) {
  const ProcessResult whole = runProgram(command({"-g", "0", "--seed", "1"}), kValidInput, dir.path());
  ASSERT_NE(whole.out.find("\nNumber of rSPR tree edit operations: 3\n"), std::string::npos) << whole.out;
  for (const Reader& c : readers()) {
    ChildProcess child(command(c.args), dir.path());
    ASSERT_TRUE(child.waitForOutput(c.before)) << c.what;
    child.sendSignal(SIGINT);
    ASSERT_TRUE(child.waitForOutput(c.before + kFirstMessage)) << c.what;
    // The reading was not cut short by the interrupt: the whole input
    // counts. With the default generator the species tree is still built in
    // full, and only the search stops early.
    child.writeStdin(kValidInput);
    const ProcessResult r = child.finish();
    const std::string start = c.before + kFirstMessage + c.after;
    EXPECT_EQ(r.out.substr(0, start.size()), start) << c.what;
    EXPECT_TRUE(isOneCycleSearch(r.out.substr(std::min(start.size(), r.out.size())))) << c.what;
    EXPECT_EQ(r.err, "") << c.what;
    EXPECT_EQ(r.status, 0) << c.what;
    EXPECT_EQ(r.signal, 0) << c.what;
  }
}

TEST_F(KeyboardInterrupt, InputWrittenInPiecesAroundTheInterrupt) {
  ChildProcess child(command({"-g", "0", "--seed", "1"}), dir.path());
  ASSERT_TRUE(child.waitForOutput(kUserTreeLines));
  child.writeStdin("((A,B),");
  pause(100);
  child.sendSignal(SIGINT);
  ASSERT_TRUE(child.waitForOutput(kFirstMessage));
  child.writeStdin("C);\n[&U](A,\n(B,C));\n");
  const ProcessResult r = child.finish();
  const std::string start = kUserTreeLines + kFirstMessage + "0 rooted and 1 unrooted input gene trees total\n";
  EXPECT_EQ(r.out.substr(0, start.size()), start);
  EXPECT_TRUE(isSearchAndReport(r.out.substr(std::min(start.size(), r.out.size()))));
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
}

TEST_F(KeyboardInterrupt, SecondInterruptEndsTheProgramAtOnce) {
  for (const Reader& c : readers()) {
    ChildProcess child(command(c.args), dir.path());
    ASSERT_TRUE(child.waitForOutput(c.before)) << c.what;
    child.writeStdin("((A,B),C);\n");
    child.sendSignal(SIGINT);
    ASSERT_TRUE(child.waitForOutput(c.before + kFirstMessage)) << c.what;
    pause(100);  // the first interrupt is handled completely
    child.sendSignal(SIGINT);
    // The program ends by itself without waiting for the rest of its input.
    waitForEnd(child);
    const ProcessResult r = child.finish();
    EXPECT_EQ(r.out, c.before + kFirstMessage + kSecondMessage) << c.what;
    EXPECT_EQ(r.err, "") << c.what;
    EXPECT_EQ(r.status, 1) << c.what << ": the program exits, it is not killed by the signal";
    EXPECT_EQ(r.signal, 0) << c.what;
  }
}

TEST_F(KeyboardInterrupt, SecondInterruptRightAfterTheFirstMessage) {
  // The second interrupt follows as soon as the first message shows, and the
  // rest of the input arrives at once: the program still ends with the
  // second message and reads nothing more. Repeated, because a fault in the
  // hand-over between the two interrupts shows only now and then.
  const int rounds = 25;
  for (const Reader& c : readers()) {
    for (int round = 0; round < rounds && !HasFailure(); ++round) {
      ChildProcess child(command(c.args), dir.path());
      ASSERT_TRUE(child.waitForOutput(c.before)) << c.what;
      child.sendSignal(SIGINT);
      ASSERT_TRUE(child.waitForOutput(c.before + kFirstMessage)) << c.what;
      child.sendSignal(SIGINT);
      child.writeStdin(kValidInput);
      const ProcessResult r = child.finish();
      EXPECT_EQ(r.out, c.before + kFirstMessage + kSecondMessage) << c.what << ", round " << round;
      EXPECT_EQ(r.err, "") << c.what << ", round " << round;
      EXPECT_EQ(r.status, 1) << c.what << ", round " << round;
    }
  }
}

TEST_F(KeyboardInterrupt, QuietRunsInterruptSilently) {
  struct Case {
    std::string what;
    std::vector<std::string> args;
    int interrupts;
    int status;
    bool reported;  // the report alone is on standard output
  };
  const std::vector<Case> cases = {
      {"one interrupt", {"-g", "0", "--seed", "1", "-q"}, 1, 0, true},
      {"one interrupt, long option", {"--quiet", "-g", "0", "--seed", "1"}, 1, 0, true},
      {"one interrupt, leaf-adding copy", {"-q", "--seed", "1"}, 1, 0, true},
      {"two interrupts", {"-g", "0", "--seed", "1", "-q"}, 2, 1, false},
      {"two interrupts, leaf-adding copy", {"--seed", "1", "--quiet"}, 2, 1, false},
  };
  for (const Case& c : cases) {
    ChildProcess child(command(c.args), dir.path());
    waitUntilReading(child);
    for (int i = 0; i < c.interrupts; ++i) {
      child.sendSignal(SIGINT);
      pause(200);  // each interrupt is handled before the next is sent
    }
    if (c.interrupts == 2) waitForEnd(child);
    child.writeStdin(kValidInput);
    const ProcessResult r = child.finish();
    EXPECT_TRUE(c.reported ? isReport(r.out) : ::testing::AssertionResult(r.out.empty())) << c.what;
    EXPECT_EQ(r.err, "") << c.what;
    EXPECT_EQ(r.status, c.status) << c.what;
    EXPECT_EQ(r.signal, 0) << c.what;
  }
}

}  // namespace
