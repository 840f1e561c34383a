// End-to-end tests of a whole local search run (-g 0): the progress lines,
// the report and its formats, repeatability under a fixed seed, output that
// cannot be written, keyboard interrupts during a long search, constraint
// marks in the species tree and trees of a single leaf.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_support.hpp"

namespace {

// The example species tree followed by the example gene trees.
std::string exampleInput() {
  return readFile(kSourceDir + "/examples/speciestree.nwk") + readFile(kSourceDir + "/examples/genetrees.nwk");
}

// The last line of the text, without its line end.
std::string lastLine(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text.substr(text.rfind('\n') + 1);  // from 0 when there is one line only
}

// Standard output without the time that the search took.
std::string withoutTime(std::string out) {
  const std::string label = "\nTime taken for search heuristic: ";
  const std::size_t at = out.find(label);
  return at == std::string::npos ? out : out.erase(at + label.size(), out.find('\n', at + 1) - at - label.size());
}

class SearchRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(exampleInput().find("(Mouse,Rat)"), std::string::npos) << "examples not found in " << kSourceDir;
    dir.write("in.nwk", exampleInput());
  }
  // A -g 0 run with a fixed seed.
  ProcessResult run(const std::vector<std::string>& extra, const std::string& stdinText = "") {
    std::vector<std::string> args{"-g", "0", "--seed", "7"};
    args.insert(args.end(), extra.begin(), extra.end());
    return runDlspecies(args, dir.path(), stdinText);
  }
  // Runs each input and expects a report that holds the lines.
  void expectReported(const std::vector<std::pair<std::string, std::string>>& inputsAndLines) {
    for (const auto& [input, lines] : inputsAndLines) {
      const ProcessResult r = run({"--genetrees"}, input);
      EXPECT_EQ(r.err, "") << input;
      EXPECT_EQ(r.status, 0) << input;
      EXPECT_NE(r.out.find(lines), std::string::npos) << input << r.out;
    }
  }
  TempDir dir;
};

TEST_F(SearchRun, SameSeedAndInputGiveTheSameResult) {
  const ProcessResult first = run({"-i", "in.nwk", "-o", "out.txt", "--genetrees"});
  const std::string firstFile = dir.read("out.txt");
  const ProcessResult second = run({"-i", "in.nwk", "-o", "out.txt", "--genetrees"});
  EXPECT_EQ(first.status, 0);
  EXPECT_EQ(first.err, "");
  EXPECT_NE(first.out.find("Computing...\n"), std::string::npos) << first.out;
  EXPECT_EQ(firstFile.rfind("[Species tree]\n", 0), 0U) << firstFile;
  EXPECT_EQ(withoutTime(second.out), withoutTime(first.out));
  EXPECT_EQ(dir.read("out.txt"), firstFile);
}

TEST_F(SearchRun, QuietRunWritesOnlyTheFile) {
  const ProcessResult quiet = run({"-i", "in.nwk", "-q", "-o", "quiet.txt"});
  EXPECT_EQ(quiet.out, "");
  EXPECT_EQ(quiet.err, "");
  EXPECT_EQ(quiet.status, 0);
  EXPECT_TRUE(isReport(dir.read("quiet.txt")));
  // Being quiet changes nothing in the search.
  run({"-i", "in.nwk", "-o", "loud.txt"});
  EXPECT_EQ(dir.read("quiet.txt"), dir.read("loud.txt"));
}

TEST_F(SearchRun, ProgressLinesInOrder) {
  const ProcessResult r = run({}, exampleInput());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> marks = {
      "Random seed: 7\n",
      "Using user-provided initial species tree\n",
      "Using SPR local search heuristic to infer final species tree\n",
      "13 rooted and 3 unrooted input gene trees total\n",
      "Computing...\n",
      "\rCurrent best score: ",
      "\nNumber of rSPR tree edit operations: ",
      "\nFinal weighted reconciliation cost: ",
      "\nTime taken for search heuristic: ",
      "[Species tree]\n",
  };
  std::size_t at = 0;
  for (const std::string& mark : marks) {
    const std::size_t found = r.out.find(mark, at);
    ASSERT_NE(found, std::string::npos) << ::testing::PrintToString(mark) << " after " << at << " in " << r.out;
    at = found + mark.size();
  }
  EXPECT_TRUE(isSearchAndReport(r.out.substr(r.out.find("Computing...\n"))));
}

TEST_F(SearchRun, ReportFormats) {
  const std::string finalCost = valueAfter(run({"-i", "in.nwk"}).out, "\nFinal weighted reconciliation cost: ");
  struct Case {
    std::vector<std::string> args;
    std::string start;
    bool geneTrees;
  };
  const std::vector<Case> cases = {
      {{}, "[Species tree]\n[Size: 15 nodes 8 leaves]\n", false},
      {{"--genetrees"}, "[Species tree]\n[Size: 15 nodes 8 leaves]\n", true},
      {{"--oformat", "nexus"}, "#nexus\nbegin trees;\n[Species tree]\n", false},
      {{"--oformat", "nexus", "--genetrees"}, "#nexus\nbegin trees;\n[Species tree]\n", true},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"-i", "in.nwk", "-q"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ProcessResult r = run(args);
    const std::string what = ::testing::PrintToString(c.args);
    EXPECT_EQ(r.status, 0) << what;
    EXPECT_EQ(r.out.substr(0, c.start.size()), c.start) << what;
    EXPECT_EQ(valueAfter(r.out, "[Weighted reconciliation cost: "), finalCost) << what;
    EXPECT_EQ(r.out.find("\n[Gene trees]\n") != std::string::npos, c.geneTrees) << what << r.out;
    EXPECT_EQ(r.out.find("[Rooted gene tree 16 (unrooted in input)]") != std::string::npos, c.geneTrees) << what;
  }
}

TEST_F(SearchRun, OutputThatCannotBeWritten) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::string command = "'" + kBinary + "' -g 0 --seed 7 -i in.nwk";
  const std::vector<Case> cases = {
      {{kBinary, "-g", "0", "--seed", "7", "-i", "in.nwk", "-o", "/dev/full"},
       "ERROR: Output file /dev/full could not be written\n"},
      {{kBinary, "-q", "-g", "0", "--seed", "7", "-i", "in.nwk", "-o", "/dev/full"},
       "ERROR: Output file /dev/full could not be written\n"},
      {{"/bin/sh", "-c", command + " >/dev/full"}, "ERROR: standard output could not be written\n"},
      {{"/bin/sh", "-c", command + " -q >/dev/full"}, "ERROR: standard output could not be written\n"},
  };
  for (const Case& c : cases) {
    const ProcessResult r = runProgram(c.args, "", dir.path());
    EXPECT_EQ(r.err, c.err) << ::testing::PrintToString(c.args);
    EXPECT_EQ(r.status, 1) << ::testing::PrintToString(c.args);
  }
}

// A random species tree of 60 species, then 400 random gene trees of 30
// leaves each, drawn with repeats from the species: the search over them
// runs for several seconds.
std::string longSearchInput() {
  Lcg rng{1};
  std::vector<std::string> species;
  for (int i = 0; i < 60; ++i) species.push_back("S" + std::to_string(i));
  std::string text = joinRandomly(species, rng);
  for (int tree = 0; tree < 400; ++tree) {
    std::vector<std::string> leaves;
    for (int i = 0; i < 30; ++i) leaves.push_back(species[rng.below(species.size())]);
    text += joinRandomly(leaves, rng);
  }
  return text;
}

TEST_F(SearchRun, InterruptsDuringALongSearch) {
  dir.write("long.nwk", longSearchInput());
  const std::string first = "\nUser interrupt... stop after next cycle\n";
  const std::string second = "\nUser interrupt... stop immediately, bye!\n";
  for (int interrupts = 1; interrupts <= 2; ++interrupts) {
    ChildProcess child({kBinary, "-g", "0", "--seed", "1", "-i", "long.nwk"}, dir.path());
    ASSERT_TRUE(child.waitForOutput("Computing...\n"));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    child.sendSignal(SIGINT);
    ASSERT_TRUE(child.waitForOutput(first));
    if (interrupts == 2) child.sendSignal(SIGINT);
    const ProcessResult r = child.finish();
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.signal, 0);
    const std::size_t message = r.out.find(first);
    ASSERT_NE(message, std::string::npos);
    const std::size_t moves = r.out.find("\nNumber of rSPR tree edit operations: ");
    if (interrupts == 1) {
      EXPECT_EQ(r.status, 0);
      // The interrupt came during the search, which then ended normally.
      EXPECT_LT(r.out.find("\rCurrent best score: "), message);
      EXPECT_LT(message, moves);
      ASSERT_NE(r.out.find("[Species tree]\n"), std::string::npos) << r.out;
      EXPECT_TRUE(isReport(r.out.substr(r.out.find("[Species tree]\n"))));
      EXPECT_EQ(lastLine(r.out).substr(0, 1), "(");
    } else {
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(moves, std::string::npos);
      EXPECT_EQ(r.out.find("[Species tree]"), std::string::npos);
      // Only the second message follows, maybe after a last progress line.
      EXPECT_EQ(r.out.substr(r.out.size() - std::min(r.out.size(), second.size())), second);
    }
  }
}

TEST_F(SearchRun, ConstrainedCladeIsKept) {
  // The gene trees favour splitting A and B; the marked clade stays whole.
  const std::string genes = "((A,C),(B,D));\n((A,C),(B,D));\n((A,C),(B,D));\n";
  struct Case {
    std::string species;
    bool together;
  };
  const std::vector<Case> cases = {
      {"((A,B)[&CONSTRAINT],(C,D));\n", true},
      {"((C,D),(B,A)[&CONSTRAINT]);\n", true},
      {"(((A,B)[&CONSTRAINT],C),D);\n", true},
      {"((A,B),(C,D));\n", false},  // without the mark A and B part
  };
  for (const Case& c : cases) {
    const ProcessResult r = run({"-q"}, c.species + genes);
    EXPECT_EQ(r.status, 0) << c.species << r.err;
    const std::string tree = lastLine(r.out);
    const bool together = tree.find("(A,B)") != std::string::npos || tree.find("(B,A)") != std::string::npos;
    EXPECT_EQ(together, c.together) << c.species << " gave " << tree;
  }
}

TEST_F(SearchRun, GeneTreeOfASingleLeaf) {
  expectReported({
      {"((A,B),(C,D));\n(A);\n((A,B),(C,D));\n",
       "[Size: 7 nodes 4 leaves]\n[Weighted reconciliation cost: 0]\n"
       "[Total number of gene duplications + losses: 0 + 0 = 0]\n"},
      {"((A,B),(C,D));\n(B);\n[&U](C);\n[&U](A,D);\n", "[Rooted gene tree 1]\n[Size: 1 nodes 1 leaves]\n"},
  });
}

TEST_F(SearchRun, SpeciesTreeOfASingleLeaf) {
  const std::string oneDuplication =
      "[Species tree]\n[Size: 1 nodes 1 leaves]\n[Weighted reconciliation cost: 1]\n"
      "[Total number of gene duplications + losses: 1 + 0 = 1]\n";
  expectReported({
      {"(A);\n(A,A);\n", oneDuplication},
      {"(A);\n(A);\n(A,A);\n", oneDuplication},
  });
}

}  // namespace
