// End-to-end tests of the keyboard interrupt. A first SIGINT asks the search
// to stop after its current cycle, and the run then ends normally; a second
// one ends the program at once with status 1, leaving the output file as it
// was and no temporary file, as SIGTERM and SIGHUP do. The program gets its
// signals while it reads from a pipe that the test holds open, or during a
// long search.

#include <signal.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"
#include "e2e/report_recount.hpp"

using namespace dls;

namespace {

TEST(KeyboardInterrupt, WhileReading) {
  // Without an interrupt, -g 0 makes three moves on this input.
  const std::string input = "((((A,B),C),D),E);\n((((E,D),C),B),A);\n((((E,D),C),B),A);\n";
  struct Reader {
    std::vector<std::string> args;
    std::string before, after;  // standard error while reading, and after the first interrupt
  };
  const std::string start = "Output file: out.txt\nRandom seed: 1\n";
  const std::vector<Reader> readers = {
      {{"-g", "0"}, start + kUserTreeLines, "2 rooted and 0 unrooted input gene trees total\nComputing...\n"},
      {{}, start + kLeafAddLine, "3 input gene trees total\nLeaf set size: 5\n"},
  };
  TempDir dir;
  for (const Reader& c : readers) {
    for (const bool quiet : {false, true}) {
      // Round 0 interrupts once, the others twice: the second time as soon
      // as the first message shows, the input following at once. Repeated,
      // as a fault in the hand-over between the two may show only now and then.
      for (int round = 0; round < (quiet ? 2 : 12); ++round) {
        const int interrupts = round == 0 ? 1 : 2;
        SCOPED_TRACE(::testing::PrintToString(c.args) + (quiet ? " -q" : "") + " round " + std::to_string(round));
        dir.write("out.txt", "old\n");
        ChildProcess child(concat({kBinary, "--seed", "1", "-o", "out.txt"}, quiet ? concat(c.args, {"-q"}) : c.args),
                           dir.path());
        // Blanks beyond the pipe's capacity are taken only once it reads.
        child.writeStdin(std::string(512 * 1024, '\n') + input.substr(0, 25));
        ASSERT_TRUE(child.waitForStderr(quiet ? "" : c.before));
        ASSERT_TRUE(child.waitUntilReadyFor(SIGINT));
        for (int i = 0; i < interrupts; ++i) {
          child.sendSignal(SIGINT);
          // Each interrupt is handled before the next one.
          if (i == 0) {
            ASSERT_TRUE(quiet ? child.waitUntilReadyFor(SIGINT) : child.waitForStderr(kFirstInterrupt));
          }
        }
        // The program ends by itself, its input still open (the text never shows).
        if (round == 1) child.waitForStderr("\x01never written\x01", 5000);
        child.writeStdin(input.substr(25));
        const ProcessResult r = child.finish();
        EXPECT_EQ(r.out + std::to_string(r.status), std::to_string(interrupts - 1));
        if (interrupts == 1) {
          const std::string head = quiet ? "" : c.before + kFirstInterrupt + c.after;
          EXPECT_EQ(r.err.substr(0, head.size()), head);
          EXPECT_TRUE(quiet || r.err.find("\nNumber of rSPR tree edit operations: 1\n") != std::string::npos) << r.err;
          EXPECT_TRUE(agreesWithRecount(dir.read("out.txt"), c.args.empty() ? input : input.substr(19)));
        } else {
          EXPECT_EQ(r.err, quiet ? "" : c.before + kFirstInterrupt + kSecondInterrupt);
          EXPECT_EQ(dir.read("out.txt"), "old\n");
        }
        EXPECT_EQ(dir.listing(), "out.txt");
      }
    }
  }
}

// Generated data behind a caterpillar species tree: a search of many moves.
TEST(KeyboardInterrupt, DuringALongSearch) {
  TempDir dir;
  const std::string input = caterpillarSearchInput(), genes = input.substr(input.find('\n') + 1);
  dir.write("in.nwk", input);
  for (const int interrupts : {1, 2}) {
    dir.write("out.txt", "old\n");
    ChildProcess child({kBinary, "-g", "0", "--seed", "1", "-i", "in.nwk", "-o", "out.txt"}, dir.path());
    ASSERT_TRUE(child.waitForStderr("Computing...\n"));
    child.sendSignal(SIGINT);
    ASSERT_TRUE(child.waitForStderr(kFirstInterrupt));
    if (interrupts == 2) child.sendSignal(SIGINT);
    const ProcessResult r = child.finish();
    const std::size_t moves = r.err.find("\nNumber of rSPR tree edit operations: ");
    EXPECT_EQ(r.out + std::to_string(r.status) + dir.listing(), std::to_string(interrupts - 1) + "in.nwk out.txt");
    if (interrupts == 1) {  // the search ended after its cycle
      EXPECT_TRUE(r.err.find(kFirstInterrupt) < moves && moves != std::string::npos) << r.err;
      EXPECT_TRUE(agreesWithRecount(dir.read("out.txt"), genes));
    } else {  // at once, with no result
      EXPECT_TRUE(moves == std::string::npos && dir.read("out.txt") == "old\n" &&
                  r.err.substr(r.err.size() - kSecondInterrupt.size()) == kSecondInterrupt)
          << r.err;
    }
  }
}

// SIGTERM and SIGHUP end the search at once, like a second interrupt, each
// with its message; a SIGHUP ignored when the program starts (nohup) stays
// ignored.
TEST(KeyboardInterrupt, TerminateAndHangupEndTheRunAtOnce) {
  TempDir dir;
  dir.write("in.nwk", caterpillarSearchInput());
  struct Ending {
    int signal;
    bool hangupIgnored;
    std::string message;
  };
  const std::string terminated = "\nTerminated... stop immediately, bye!\n";
  for (const Ending& c :
       {Ending{SIGTERM, false, terminated}, Ending{SIGHUP, false, "\nHangup... stop immediately, bye!\n"},
        Ending{SIGHUP, true, terminated}}) {
    SCOPED_TRACE(std::to_string(c.signal) + (c.hangupIgnored ? " ignored" : ""));
    dir.write("out.txt", "old\n");
    // The program inherits how this process takes SIGHUP.
    struct sigaction hangup {
    }, before{};
    hangup.sa_handler = c.hangupIgnored ? SIG_IGN : SIG_DFL;
    sigaction(SIGHUP, &hangup, &before);
    ChildProcess child({kBinary, "-g", "0", "--seed", "1", "-i", "in.nwk", "-o", "out.txt"}, dir.path());
    sigaction(SIGHUP, &before, nullptr);
    ASSERT_TRUE(child.waitForStderr("Computing...\n"));
    // The report's temporary file is made only when the report is written.
    EXPECT_EQ(dir.listing(), "in.nwk out.txt");
    ASSERT_TRUE(child.waitUntilReadyFor(SIGTERM));
    child.sendSignal(c.signal);
    if (c.hangupIgnored) child.sendSignal(SIGTERM);
    const ProcessResult r = child.finish();
    EXPECT_EQ(r.out + std::to_string(r.status) + dir.listing(), "1in.nwk out.txt");
    EXPECT_EQ(dir.read("out.txt"), "old\n");
    EXPECT_EQ(r.err.substr(r.err.size() - std::min(r.err.size(), c.message.size())), c.message);
  }
}

// A first interrupt during the bootstrap ends it with the replicates done,
// which the report counts; the run ends normally.
TEST(KeyboardInterrupt, DuringTheBootstrap) {
  TempDir dir;
  dir.write("in.nwk", runProgram({kDlsim, "-n", "20", "-m", "200", "--swaps", "3"}).out);
  ChildProcess child({kBinary, "--seed", "1", "-t", "1", "-i", "in.nwk", "--bootstrap", "100000"}, dir.path());
  ASSERT_TRUE(child.waitForStderr("Replicate 2 of 100000: "));
  child.sendSignal(SIGINT);
  const ProcessResult r = child.finish();
  EXPECT_EQ(r.status, 0) << r.err;
  const std::size_t at = r.out.find("[Bootstrap support on inner nodes: ");
  EXPECT_TRUE(at != std::string::npos && r.out.find(" replicates of 100000 (interrupted)]\n", at) != std::string::npos)
      << r.out;
}

}  // namespace
