// Threads change the speed, never the result: the reports of -t 1, 2, 3
// and 7 are byte-identical, on inputs of several blocks of gene trees, with
// unrooted gene trees, weights whose sums round (0.1, 0.7), constraints,
// losses counted in restricted trees, a given start tree (searched from, or
// scored as it is), and weights of duplications and losses, either of them
// 0; each agrees with the direct recount.

#include <algorithm>
#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"
#include "e2e/report_recount.hpp"

using namespace dls;

namespace {

std::string lineOf(const std::string& text, const std::string& start) {
  const std::size_t at = text.find(start);
  return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
}

TEST(Threads, GiveTheSameReportForEveryThreadCount) {
  TempDir dir;
  const std::vector<std::string> data = {"-n", "12",         "-m",  "400",        "--seed",
                                         "3",  "--unrooted", "0.3", "--weighted", "0.5"};
  const auto roundingWeights = [](const std::string& text) {
    return replaceAll(replaceAll(text, "WEIGHT=0.5]", "WEIGHT=0.1]"), "WEIGHT=1.5]", "WEIGHT=0.7]");
  };
  const std::string genes = roundingWeights(runProgram(concat({kDlsim}, data)).out);
  const std::string start = roundingWeights(runProgram(concat({kDlsim, "--species-tree"}, data)).out);
  ASSERT_EQ(start.substr(start.find('\n') + 1), genes);
  dir.write("genes.nwk", genes);
  dir.write("start.nwk", start);
  dir.write("cons.txt", "S001,S002,S003;\nS007,S009;\n");
  const std::vector<std::vector<std::string>> runs = {
      {"-i", "genes.nwk", "--genetrees"},
      {"-i", "genes.nwk", "--limit", "--constraints", "cons.txt"},
      {"-i", "start.nwk", "-g", "0", "--oformat", "nexus"},
      {"-i", "start.nwk", "-g", "0", "--evaluate", "--limit"},
      {"-i", "genes.nwk", "--dup-weight", "0.3", "--loss-weight", "2.7"},
      {"-i", "genes.nwk", "--loss-weight", "0", "--limit"},
      {"-i", "start.nwk", "-g", "0", "--dup-weight", "0", "--oformat", "nexus"},
      {"-i", "start.nwk", "-g", "0", "--evaluate", "--loss-weight", "0.5"},
  };
  const auto weight = [](const std::vector<std::string>& run, const std::string& name) {
    const auto at = std::find(run.begin(), run.end(), name);
    return at == run.end() ? 1 : std::stod(at[1]);
  };
  for (const std::vector<std::string>& run : runs) {
    std::string first;
    for (const char* threads : {"1", "2", "3", "7"}) {
      const ProcessResult r = runDlspecies(concat(run, {"-q", "--seed", "5", "-t", threads}), dir.path());
      ASSERT_EQ(r.err + std::to_string(r.status), "0") << threads;
      if (first.empty()) {
        first = r.out;
        const bool limit = std::find(run.begin(), run.end(), "--limit") != run.end();
        const CostWeights weights{weight(run, "--dup-weight"), weight(run, "--loss-weight")};
        EXPECT_TRUE(agreesWithRecount(r.out, genes, limit, weights)) << ::testing::PrintToString(run);
      }
      EXPECT_EQ(r.out, first) << ::testing::PrintToString(run) << " -t " << threads;
    }
  }
}

// The annotations, the branch table and the picture are the same for every
// thread count too (the gene trees in several blocks), but for the header
// lines that name the threads.
TEST(Threads, GiveTheSameAnnotationsForEveryThreadCount) {
  TempDir dir;
  // Weights whose sums round: only sums in one order agree.
  const std::string genes =
      runProgram({kDlsim, "-n", "12", "-m", "400", "--seed", "6", "--unrooted", "0.3", "--weighted", "0.5"}).out;
  dir.write("genes.nwk", replaceAll(replaceAll(genes, "WEIGHT=0.5]", "WEIGHT=0.1]"), "WEIGHT=1.5]", "WEIGHT=0.7]"));
  const std::vector<std::vector<std::string>> runs = {
      {"--oformat", "annotated", "--genetrees", "--support", "families"},
      {"--oformat", "nhx", "--limit", "--support", "families", "--loss-weight", "0.7"},
  };
  for (const std::vector<std::string>& run : runs) {
    std::string first;
    for (const char* threads : {"1", "2", "3"}) {
      const ProcessResult r = runDlspecies(concat(run, {"-q", "--seed", "5", "-i", "genes.nwk", "--svg", "p.svg",
                                                        "--branch-table", "t.tsv", "-t", threads}),
                                           dir.path());
      ASSERT_EQ(r.err + std::to_string(r.status), "0") << threads;
      bool found = false;
      const std::string all =
          withoutLines(r.out, lineOf(r.out, "[Command line: ") + "\n", found) + dir.read("p.svg") + dir.read("t.tsv");
      EXPECT_TRUE(found);
      if (first.empty()) first = replaceAll(all, "; threads: 1]", "");
      EXPECT_EQ(replaceAll(all, std::string("; threads: ") + threads + "]", ""), first) << threads;
    }
  }
}

}  // namespace

// --starts reports the best of its starts (the earliest among equal costs);
// start i is the single run of the seed it prints, and the report is the
// same for -t 1 and -t 2.
TEST(Starts, ReportTheBestOfSingleRunsWithTheirSeeds) {
  TempDir dir;
  dir.write("in.nwk",
            runProgram({kDlsim, "-n", "14", "-m", "40", "--swaps", "4", "--seed", "5", "--unrooted", "0.3"}).out);
  const auto costOf = [](const std::string& report) {
    const std::string mark = "[Weighted reconciliation cost: ";
    const std::size_t at = report.find(mark) + mark.size();
    return report.substr(at, report.find(']', at) - at);
  };
  const ProcessResult one = runDlspecies({"-i", "in.nwk", "--seed", "5", "--starts", "5", "-t", "1"}, dir.path());
  const ProcessResult two = runDlspecies({"-i", "in.nwk", "--seed", "5", "--starts", "5", "-t", "2"}, dir.path());
  ASSERT_EQ(one.status + two.status, 0) << one.err;
  EXPECT_EQ(one.out, two.out);
  std::string best;
  for (std::size_t at = one.err.find("\nStart "); at != std::string::npos; at = one.err.find("\nStart ", at + 1)) {
    const std::size_t seedAt = one.err.find("(seed ", at) + 6, costAt = one.err.find("cost ", at) + 5;
    const std::string seed = one.err.substr(seedAt, one.err.find(')', seedAt) - seedAt);
    const std::string cost = one.err.substr(costAt, one.err.find(',', costAt) - costAt);
    EXPECT_EQ(costOf(runDlspecies({"-q", "-i", "in.nwk", "--seed", seed, "-t", "1"}, dir.path()).out), cost) << seed;
    if (best.empty() || std::stod(cost) < std::stod(best)) best = cost;
  }
  EXPECT_EQ(costOf(one.out), best);
  EXPECT_NE(one.err.find("Start 5 of 5"), std::string::npos) << one.err;
}

// Bootstrap: when every gene tree agrees, every clade has 100; the
// replicates' trees are written one per line; with gene-tree error the
// report is the same for -t 1 and -t 3.
TEST(Bootstrap, SupportsEveryAgreedCladeAndIsTheSameForEveryThreadCount) {
  TempDir dir;
  dir.write("agree.nwk", "(((A,B),C),(D,E));\n(((A,B),C),(D,E));\n(((A,B),C),(D,E));\n");
  const ProcessResult agreed =
      runDlspecies({"-q", "-i", "agree.nwk", "--bootstrap", "5", "--bootstrap-trees", "trees.nwk"}, dir.path());
  ASSERT_EQ(agreed.status, 0) << agreed.err;
  EXPECT_NE(agreed.out.find("[Bootstrap support on inner nodes: 5 replicates]\n"), std::string::npos);
  const std::string tree = agreed.out.substr(agreed.out.rfind('\n', agreed.out.size() - 2) + 1);
  const std::string unlabelled = replaceAll(tree, ")100", ")");  // three clades of 100, no other label
  EXPECT_TRUE(tree.size() - unlabelled.size() == 9 && unlabelled.find_first_of("0123456789") == std::string::npos)
      << tree;
  const std::string trees = dir.read("trees.nwk");
  EXPECT_EQ(std::count(trees.begin(), trees.end(), '\n'), 5) << trees;
  // A replicate without X has the other species at its root, which is no
  // clade of it: (A,B,C,D) is supported only by replicates that hold X.
  dir.write("miss.nwk", "((A,B),(C,D));\n((A,B),(C,D));\n((A,B),(C,D));\n(X,((A,B),(C,D)));\n");
  const std::string missing =
      runDlspecies({"-q", "-i", "miss.nwk", "--seed", "1", "--bootstrap", "20"}, dir.path()).out;
  EXPECT_EQ(missing.substr(missing.rfind('\n', missing.size() - 2) + 1), "(X,((A,B)100,(D,C)100)75);\n");
  dir.write("in.nwk",
            runProgram({kDlsim, "-n", "12", "-m", "40", "--swaps", "4", "--seed", "2", "--unrooted", "0.3"}).out);
  const std::vector<std::string> run = {"-q", "-i", "in.nwk", "--seed", "3", "--bootstrap", "4"};
  const ProcessResult one = runDlspecies(concat(run, {"-t", "1"}), dir.path());
  EXPECT_EQ(one.out, runDlspecies(concat(run, {"-t", "3"}), dir.path()).out);
  EXPECT_NE(one.out.find("[Bootstrap support on inner nodes: 4 replicates]\n"), std::string::npos) << one.out;
}
