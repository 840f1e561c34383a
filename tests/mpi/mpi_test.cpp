// The cluster build against the plain one: for 1, 2 and 3 ranks the report
// is the same, byte for byte, on inputs of several blocks of gene trees
// (rooted and unrooted, weights whose sums round, constraints, a given
// tree, starts and bootstrap, cost weights); input errors give the plain build's message
// and status; a rank that dies fails the run; SIGUSR1, which mpirun passes
// on, ends the search after its cycle.

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"
#include "e2e/report_recount.hpp"

using namespace dls;

namespace {

const std::string kMpiBinary = DLSPECIES_MPI_BIN;

std::vector<std::string> mpirun(int ranks, const std::vector<std::string>& args) {
  // As root, Open MPI's mpirun asks to be told that it may run.
  std::vector<std::string> line = {MPIEXEC, "--oversubscribe", "-np", std::to_string(ranks)};
  if (geteuid() == 0) line.insert(line.begin() + 1, "--allow-run-as-root");
  line.push_back(kMpiBinary);
  return concat(line, args);
}

// Weights whose sums round (0.1, 0.7): only sums in one order agree.
std::string roundingWeights(const std::string& text) {
  return replaceAll(replaceAll(text, "WEIGHT=0.5]", "WEIGHT=0.1]"), "WEIGHT=1.5]", "WEIGHT=0.7]");
}

TEST(Mpi, ReportsEqualThePlainBuildsForEveryRankCount) {
  TempDir dir;
  const std::vector<std::string> data = {"-n", "30",         "-m",  "300",        "--seed",
                                         "4",  "--unrooted", "0.3", "--weighted", "0.5"};
  const std::string genes = roundingWeights(runProgram(concat({kDlsim}, data)).out);
  dir.write("genes.nwk", genes);
  dir.write("start.nwk", roundingWeights(runProgram(concat({kDlsim, "--species-tree"}, data)).out));
  dir.write("cons.txt", "S001,S002,S003;\nS007,S009;\n");
  dir.write("poly.nwk", genes + "(S001,S002,S003,S004);\n[&U](S005,(S006,S007,S008),S009,(S010,S011));\n");
  const std::vector<std::vector<std::string>> runs = {
      {"-i", "genes.nwk", "--genetrees"},
      {"-i", "genes.nwk", "--limit", "--constraints", "cons.txt", "-t", "2"},
      {"-i", "start.nwk", "-g", "0", "--oformat", "nexus", "--genetrees"},
      {"-i", "start.nwk", "-g", "0", "--evaluate", "--genetrees", "--dup-weight", "0"},
      // With one rank, the starts run side by side on threads.
      {"-i", "genes.nwk", "--starts", "3", "--bootstrap", "3", "--loss-weight", "0.5", "-t", "2"},
      {"-i", "start.nwk", "-g", "0", "--bootstrap", "2"},
      {"-i", "poly.nwk", "--polytomies", "refine", "--rounds", "1", "--genetrees"},
  };
  for (const std::vector<std::string>& run : runs) {
    const std::vector<std::string> args = concat(run, {"-q", "--seed", "5"});
    const ProcessResult plain = runDlspecies(args, dir.path());
    ASSERT_EQ(plain.err + std::to_string(plain.status), "0");
    if (run.size() == 3) {
      EXPECT_TRUE(agreesWithRecount(plain.out, genes, false));
    }
    for (const int ranks : {1, 2, 3}) {
      const ProcessResult r = runProgram(mpirun(ranks, args), "", dir.path());
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.out, plain.out) << ::testing::PrintToString(run) << " with " << ranks << " ranks";
    }
  }
}

// The events per branch and the support from the gene trees, counted by
// the ranks over their shares and folded in rank order: the same annotated
// report, branch table and picture as the plain build's, but for the
// command line in the header. With starts spread over the ranks, rank 0
// counts alone.
TEST(Mpi, AnnotationsEqualThePlainBuilds) {
  TempDir dir;
  const std::vector<std::string> data = {"-n", "30",         "-m",  "300",        "--seed",
                                         "6",  "--unrooted", "0.3", "--weighted", "0.5"};
  dir.write("genes.nwk", roundingWeights(runProgram(concat({kDlsim}, data)).out));
  dir.write("start.nwk", roundingWeights(runProgram(concat({kDlsim, "--species-tree"}, data)).out));
  const std::vector<std::vector<std::string>> runs = {
      {"-i", "genes.nwk", "--oformat", "annotated", "--genetrees", "--support", "families"},
      {"-i", "start.nwk", "-g", "0", "--evaluate", "--oformat", "nhx", "--support", "families", "--limit"},
      {"-i", "genes.nwk", "--starts", "2", "--support", "families"},
  };
  const auto results = [&dir](const ProcessResult& r) {
    const std::size_t line = r.out.find("[Command line: ");
    std::string out = r.out;
    if (line != std::string::npos) out.erase(line, out.find('\n', line) + 1 - line);
    return out + dir.read("t.tsv") + dir.read("p.svg") + std::to_string(r.status);
  };
  for (const std::vector<std::string>& run : runs) {
    const std::vector<std::string> args =
        concat(run, {"-q", "--seed", "5", "-t", "2", "--branch-table", "t.tsv", "--svg", "p.svg"});
    const std::string plain = results(runDlspecies(args, dir.path()));
    for (const int ranks : {1, 2, 3})
      EXPECT_EQ(results(runProgram(mpirun(ranks, args), "", dir.path())), plain)
          << ::testing::PrintToString(run) << " with " << ranks << " ranks";
  }
}

TEST(Mpi, InputErrorsAsThePlainBuild) {
  TempDir dir;
  dir.write("bad.nwk", "((A,B),C);\n((A,B),(C");
  dir.write("uncovered.nwk", "((A,B),C);\n((A,B),D);\n");
  std::string huge;
  for (int i = 0; i < 40; ++i) huge += "[&WEIGHT=1e307]((A,B),(C,D));\n[&WEIGHT=1e307]((A,C),(B,D));\n";
  dir.write("huge.nwk", huge);
  const std::vector<std::vector<std::string>> runs = {{"-i", "missing.nwk"},
                                                      {"-i", "bad.nwk", "--seed", "1"},
                                                      {"--seed", "x"},
                                                      {"-g", "0", "-i", "uncovered.nwk", "--seed", "1"},
                                                      {"--version"},
                                                      // Met by every rank while they search together.
                                                      {"-i", "huge.nwk", "--seed", "1", "-q"}};
  for (const std::vector<std::string>& run : runs) {
    const ProcessResult plain = runDlspecies(run, dir.path());
    const ProcessResult r = runProgram(mpirun(2, run), "", dir.path());
    EXPECT_EQ(r.status, plain.status) << r.err;
    EXPECT_EQ(r.out, plain.out);
    // mpirun adds lines of its own about the failed rank.
    EXPECT_EQ(r.err.substr(0, plain.err.size()), plain.err);
  }
}

// The processes of the cluster binary with this argument, by process id.
std::vector<pid_t> ranksRunning(const std::string& marker) {
  std::vector<pid_t> found;
  DIR* proc = opendir("/proc");
  for (dirent* entry = readdir(proc); proc != nullptr && entry != nullptr; entry = readdir(proc)) {
    std::ifstream cmdline(std::string("/proc/") + entry->d_name + "/cmdline");
    std::string args((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
    if (args.rfind(kMpiBinary + '\0', 0) == 0 && args.find(marker) != std::string::npos)
      found.push_back(static_cast<pid_t>(std::stol(entry->d_name)));
  }
  if (proc != nullptr) closedir(proc);
  return found;
}

TEST(Mpi, ARankThatDiesFailsTheRunAndSigusr1EndsTheSearchAfterItsCycle) {
  TempDir dir;
  const std::string input = caterpillarSearchInput(), genes = input.substr(input.find('\n') + 1);
  dir.write("in.nwk", input);
  for (const bool kill : {true, false}) {
    const std::string output = kill ? "killed.txt" : "stopped.txt";
    ChildProcess child(mpirun(2, {"-g", "0", "--seed", "1", "-t", "1", "-i", "in.nwk", "-o", output}), dir.path());
    ASSERT_TRUE(child.waitForStderr("Computing...\n"));
    if (kill) {
      const std::vector<pid_t> ranks = ranksRunning(output);
      ASSERT_EQ(ranks.size(), 2u);
      ::kill(ranks.back(), SIGKILL);
    } else {
      child.sendSignal(SIGUSR1);
    }
    const ProcessResult r = child.finish();
    if (kill) {
      EXPECT_NE(r.status, 0) << r.err;
      EXPECT_EQ(dir.listing(), "in.nwk");
    } else {
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_NE(r.err.find(kFirstInterrupt), std::string::npos) << r.err;
      EXPECT_TRUE(agreesWithRecount(dir.read(output), genes));
    }
  }
}

}  // namespace
