// End-to-end tests of reading the tree input: Newick syntax errors and
// warnings with their positions, the tree-set messages and summary lines of
// the leaf-adding stage (default generator) and of the local search stage
// (generator 0), quiet runs, unknown generators and very deep trees.
//
// A default run builds a species tree from the gene trees and hands it,
// followed by the whole input, to the local search, which reads every tree
// again: each warning shows twice, the second time one line further down,
// and gene tree weights are checked only then. Its output is exact up to
// the search; the search and the report are checked for their shape alone,
// as are those of a local search run (generator 0) on valid input.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"

namespace {

const std::string kStartLines = "Input file: in.nwk\nRandom seed: 1\n";
const std::string kUserTreeLines = kStartLines +
                                   "Using user-provided initial species tree\n"
                                   "Using SPR local search heuristic to infer final species tree\n";
const std::string kLeafAddLines = kStartLines + "Using fast randomized leaf adding heuristic to build initial species tree\n";

// What a run writes after its progress lines, and how it ends; searched:
// the search and its report follow on standard output.
struct Outcome {
  std::string out;
  std::string err;
  int status;
  bool searched = false;
};

Outcome fails(const std::string& message) { return {"", "ERROR: " + message + "\n", 1}; }

// The warnings of the search for the species (one letter each) that no
// gene tree names.
std::string uncovered(const std::string& species) {
  std::string text;
  for (char s : species)
    text += "WARNING: species \"" + std::string(1, s) + "\" is not covered by any gene tree - species ignored\n";
  return text;
}

std::string searchSummary(int rooted, int unrooted) {
  return std::to_string(rooted) + " rooted and " + std::to_string(unrooted) + " unrooted input gene trees total\n";
}

Outcome searchReads(int rooted, int unrooted, const std::string& warnings = "") {
  return {searchSummary(rooted, unrooted), warnings, 0, true};
}

std::string warn(const std::string& position) { return "WARNING: multifurcation detected at " + position + "\n"; }

// The warnings as the search gives them when it reads the input behind the
// built species tree's line.
std::string oneLineDown(const std::string& warnings) {
  const std::string label = "at line ";
  std::string text;
  std::size_t from = 0;
  for (std::size_t at = warnings.find(label); at != std::string::npos; at = warnings.find(label, from)) {
    const std::size_t number = at + label.size();
    const std::size_t end = warnings.find(' ', number);
    text += warnings.substr(from, number - from) + std::to_string(std::stoi(warnings.substr(number, end - number)) + 1);
    from = end;
  }
  return text + warnings.substr(from);
}

// A default run on trees of the given number of species: the builder reads
// rooted + unrooted gene trees, the search reads them again.
Outcome leafAddRuns(int species, int rooted, int unrooted, const std::string& warnings = "") {
  return {std::to_string(rooted + unrooted) + " input gene trees total\n" + leafAddProgress(species) +
              searchSummary(rooted, unrooted),
          warnings + oneLineDown(warnings), 0, true};
}

// A default run on trees of three species whose builder reads the trees and
// whose search then stops with the message.
Outcome leafAddThenFails(int trees, const std::string& message) {
  return {std::to_string(trees) + " input gene trees total\n" + leafAddProgress(3), "ERROR: " + message + "\n", 1};
}

// One input, read by both stages: with -g 0 its first tree is the species
// tree, with the default generator every tree is a gene tree.
struct StageCase {
  std::string what;
  std::string input;
  Outcome user;     // -g 0
  Outcome leafAdd;  // default generator
};

class TreeInput : public ::testing::Test {
 protected:
  ProcessResult runOn(const std::string& input, const std::vector<std::string>& extra) {
    dir.write("in.nwk", input);
    std::vector<std::string> args{"--seed", "1", "-i", "in.nwk"};
    args.insert(args.end(), extra.begin(), extra.end());
    return runDlspecies(args, dir.path());
  }
  // searched: out is only the start of standard output, the search and its
  // report follow.
  void expectRun(const std::string& what, const std::string& input, const std::vector<std::string>& extra,
                 const std::string& out, const std::string& err, int status, bool searched = false) {
    const ProcessResult r = runOn(input, extra);
    if (searched) {
      EXPECT_EQ(r.out.substr(0, out.size()), out) << what << " " << ::testing::PrintToString(extra);
      EXPECT_TRUE(isSearchAndReport(r.out.substr(std::min(out.size(), r.out.size()))))
          << what << " " << ::testing::PrintToString(extra);
    } else {
      EXPECT_EQ(r.out, out) << what << " " << ::testing::PrintToString(extra);
    }
    EXPECT_EQ(r.err, err) << what << " " << ::testing::PrintToString(extra);
    EXPECT_EQ(r.status, status) << what << " " << ::testing::PrintToString(extra);
  }
  void expectStages(const std::vector<StageCase>& cases) {
    for (const StageCase& c : cases) {
      expectRun(c.what, c.input, {"-g", "0"}, kUserTreeLines + c.user.out, c.user.err, c.user.status,
                c.user.searched);
      expectRun(c.what, c.input, {}, kLeafAddLines + c.leafAdd.out, c.leafAdd.err, c.leafAdd.status,
                c.leafAdd.searched);
    }
  }
  // A malformed tree stops both stages with the same message.
  void expectSameFailure(const std::vector<std::pair<std::string, std::string>>& inputsAndMessages) {
    for (const auto& [input, message] : inputsAndMessages) {
      const Outcome failure = fails(message);
      expectStages({{input, input, failure, failure}});
    }
  }
  TempDir dir;
};

TEST_F(TreeInput, TreeNotStartingWithAParenthesisShowsTheOffendingCharacter) {
  expectSameFailure({
      {"A;", "problem in the tree expression line 1 column 2 Athis"},
      {";", "problem in the tree expression line 1 column 2 ;this"},
      {")", "problem in the tree expression line 1 column 2 )this"},
      {"  \n\n   Z(A,B);", "problem in the tree expression line 3 column 5 Zthis"},
      {"[&U] B", "problem in the tree expression line 1 column 7 Bthis"},
      {"((A,B),C);\n  X(A,B);\n", "problem in the tree expression line 2 column 4 Xthis"},
      {"((A,B),C);\n[&U]\n(A,B);\n[c] x", "problem in the tree expression line 4 column 6 xthis"},
      // A vertical tab is not white space.
      {"((A,B),C);\n\v(A,B);", "problem in the tree expression line 2 column 2 \vthis"},
  });
}

TEST_F(TreeInput, InputEndingInsideATree) {
  expectSameFailure({
      {"(", "unexpected end in the tree expression line 1 column 2"},
      {"(A,", "unexpected end in the tree expression line 1 column 4"},
      {"(A", "unexpected end in the tree expression line 1 column 3"},
      {"((A,B)", "unexpected end in the tree expression line 1 column 7"},
      {"(A,B)", "unexpected end in the tree expression line 1 column 6"},
      {"(A,B)X", "unexpected end in the tree expression line 1 column 7"},
      {"(A,(B,C)X", "unexpected end in the tree expression line 1 column 10"},
      {"(A,B:1", "unexpected end in the tree expression line 1 column 7"},
      {"(A,B):0.5", "unexpected end in the tree expression line 1 column 10"},
      {"(A,B)\n", "unexpected end in the tree expression line 2 column 1"},
      {"(A,\n\n", "unexpected end in the tree expression line 3 column 1"},
      {"(A,B)[an open comment", "unexpected end in the tree expression line 1 column 22"},
      {"((A,B),C);\n(A,(B,C)", "unexpected end in the tree expression line 2 column 9"},
  });
}

TEST_F(TreeInput, MissingClosingParenthesisAndMissingSemicolon) {
  expectSameFailure({
      {"(A;B);", "missing ')' in input tree expression line 1 column 3"},
      {"(A,B:1 C);", "missing ')' in input tree expression line 1 column 8"},
      {"(A,B:1;C);", "missing ')' in input tree expression line 1 column 7"},
      {"((A,B),C);\n(A\n;B);", "missing ')' in input tree expression line 3 column 1"},
      {"(A,B),", "missing ';' in tree expression line 1 column 7"},
      {"(A,B))", "missing ';' in tree expression line 1 column 7"},
      {"(A,B)X,", "missing ';' in tree expression line 1 column 8"},
      {"(A,B):1)", "missing ';' in tree expression line 1 column 9"},
      {"(A,B) (C,D);", "missing ';' in tree expression line 1 column 8"},
      {"((A,B),C);\n(A,B)\n(C,D);", "missing ';' in tree expression line 3 column 2"},
  });
}

TEST_F(TreeInput, BranchLengthThatIsNoNumber) {
  expectSameFailure({
      {"((A,B):x,C);", "cannot read numeric value at line 1 column 9"},
      {"(A:,B);", "cannot read numeric value at line 1 column 5"},
      {"(A:1.5.3,B);", "cannot read numeric value at line 1 column 10"},
      {"(A,B):;", "cannot read numeric value at line 1 column 8"},
      {"(A:\n x,B);", "cannot read numeric value at line 2 column 3"},
      {"((A,B),C);\n(A,B:'1 x');", "cannot read numeric value at line 2 column 11"},
  });
}

TEST_F(TreeInput, LeafWithoutName) {
  expectSameFailure({
      {"(,A);", "missing leaf name in the tree expression line 1 column 2"},
      {"(A,);", "missing leaf name in the tree expression line 1 column 4"},
      {"();", "missing leaf name in the tree expression line 1 column 2"},
      {"(A,:1);", "missing leaf name in the tree expression line 1 column 4"},
      {"((A,B),C);\n(A,\n);", "missing leaf name in the tree expression line 3 column 1"},
  });
  // The warning for the third child comes before the missing name is found.
  const std::string both = warn("line 1 column 5") + "ERROR: missing leaf name in the tree expression line 1 column 6\n";
  expectStages({{"third child without name", "(A,B,);", {"", both, 1}, {"", both, 1}}});
}

TEST_F(TreeInput, MultifurcationWarningsLetTheRunGoOn) {
  // Every input holds two trees; the warning gives the comma before each
  // child after the second. The search then warns of the species that the
  // gene tree leaves out.
  struct Case {
    std::string trees;
    std::string warnings;
    std::string uncoveredSpecies;
    int species;
  };
  const std::vector<Case> cases = {
      {"(A,B,C);\n(A,B);", warn("line 1 column 5"), "C", 3},
      {"(A,B,C,D);\n(A,B);", warn("line 1 column 5") + warn("line 1 column 7"), "CD", 4},
      {"((A,B),(C,D),E);\n(A,B);", warn("line 1 column 13"), "CDE", 5},
      {"(A:1,B:2,C:3);\n(A,B);", warn("line 1 column 9"), "C", 3},
      {"(A, B , C);\n(A,B);", warn("line 1 column 7"), "C", 3},
      {"((A,B,C),(D,E,F));\n(A,B);", warn("line 1 column 6") + warn("line 1 column 14"), "CDEF", 6},
      {"((A,B),C);\n(A,\n B,\n C);", warn("line 3 column 3"), "", 3},
  };
  ASSERT_EQ(oneLineDown(warn("line 9 column 5") + warn("line 10 column 11")),
            warn("line 10 column 5") + warn("line 11 column 11"));
  for (const Case& c : cases)
    expectStages({{c.trees, c.trees, searchReads(1, 0, c.warnings + uncovered(c.uncoveredSpecies)),
                   leafAddRuns(c.species, 2, 0, c.warnings)}});
  // Both trees are read whole; then the search of -g 0 finds a gene tree
  // species that the species tree lacks.
  const std::string inBoth = warn("line 1 column 5") + warn("line 2 column 6") + warn("line 2 column 11");
  expectStages({{"warnings in both trees", "(A,B,C);\n((A,B,C),D,E);\n",
                 {searchSummary(1, 0), inBoth + "ERROR: species \"D\" is not covered in the species tree\n", 1},
                 leafAddRuns(5, 2, 0, inBoth)}});

  // Nodes with a single child are contracted without a message.
  expectStages({{"single children", "((A),(B,(C)));\n(((A)),B);\n", searchReads(1, 0, uncovered("C")),
                 leafAddRuns(3, 2, 0)}});
}

TEST_F(TreeInput, MissingTrees) {
  expectStages({
      {"empty input", "", fails("missing input for species tree line 1 column 1"),
       fails("missing input for gene trees line 1 column 1")},
      {"blank lines", "\n\n", fails("missing input for species tree line 2 column 1"),
       fails("missing input for gene trees line 2 column 1")},
      {"only a comment", "[only a comment]\n", fails("missing input for species tree line 1 column 17"),
       fails("missing input for gene trees line 1 column 17")},
      {"one tree", "((A,B),C);", fails("missing input for gene trees line 1 column 10"), leafAddRuns(3, 1, 0)},
      {"one tree and a line end", "((A,B),C);\n", fails("missing input for gene trees line 1 column 11"),
       leafAddRuns(3, 1, 0)},
      {"one tree and a comment", "((A,B),C);\n[&U]\n", fails("missing input for gene trees line 2 column 5"),
       leafAddRuns(3, 1, 0)},
  });
}

TEST_F(TreeInput, RootingMarksDecideTheKindOfGeneTree) {
  expectStages({
      {"one of each", "((A,B),C);\n[&U] (A,(B,C));\n(A,B);\n", searchReads(1, 1), leafAddRuns(3, 2, 1)},
      {"later marks override earlier ones",
       "((A,B),C);\n[&U][&R](A,B);\n[&R][&U](A,B);\n[&U][&WEIGHT=3](A,B);\n[&WEIGHT=3][&U](A,B);\n",
       searchReads(1, 3, uncovered("C")), leafAddRuns(3, 2, 3)},
      {"marks match exactly", "((A,B),C);\n[&u](A,B);\n[&U ](A,B);\n[ &U](A,B);\n[&U&WEIGHT=2](A,B);\n",
       searchReads(4, 0, uncovered("C")), leafAddRuns(3, 5, 0)},
      {"a mark inside a tree is no mark", "((A,B),C);\n([&U]A,B);\n(A,B)[&U];\n", searchReads(2, 0, uncovered("C")),
       leafAddRuns(3, 3, 0)},
      {"a mark before the species tree is skipped", "[&U]((A,B),C);\n[&U](A,B);\n", searchReads(0, 1, uncovered("C")),
       leafAddRuns(3, 0, 2)},
      {"comments and blank lines", "[header]\n\n((A,B),C); [species]\n\n[gene 1]\n(A,B);\n\n\n[end]\n",
       searchReads(1, 0, uncovered("C")), leafAddRuns(3, 2, 0)},
      {"other white space", "((A,B),C);\r\n\f(A,\tB);\t\r\n", searchReads(1, 0, uncovered("C")),
       leafAddRuns(3, 2, 0)},
      {"names with blanks and quotes", "((Homo sapiens,'Pan troglodytes'),C);\n(Homo sapiens,\"Pan troglodytes\");\n",
       searchReads(1, 0, uncovered("C")), leafAddRuns(3, 2, 0)},
  });
}

TEST_F(TreeInput, GeneTreeWeights) {
  const std::string weightError = "the weight of each gene tree has to be greater than 0";
  const std::string species = "((A,B),C);\n";
  const std::string badNumber = "cannot read numeric value at line ";
  // Only the local search reads weights. With the default generator the
  // builder reads past them, and the search stops on them when it reads the
  // input again: a weight before the first tree then belongs to a gene tree.
  expectStages({
      {"weight 0", species + "[&WEIGHT=0](A,B);", fails(weightError), leafAddThenFails(2, weightError)},
      {"negative weight", species + "(A,B);\n[&WEIGHT=-1] (A,B);", fails(weightError),
       leafAddThenFails(3, weightError)},
      {"weight 0 with no tree after it", species + "(A,B);\n[&WEIGHT=0]\n", fails(weightError),
       leafAddThenFails(2, weightError)},
      {"a later weight 0 wins", species + "[&WEIGHT=2][&WEIGHT=0](A,B);", fails(weightError),
       leafAddThenFails(2, weightError)},
      {"weight inside a longer comment", species + "[note [&WEIGHT=0](A,B);", fails(weightError),
       leafAddThenFails(2, weightError)},
      {"a later weight 2 wins", species + "[&WEIGHT=0][&WEIGHT=2](A,B);", searchReads(1, 0, uncovered("C")),
       leafAddRuns(3, 2, 0)},
      {"valid weights", species + "[&WEIGHT=2.5](A,B);\n[&U][&WEIGHT= 1e-3 ](A,B);\n[&WEIGHT=2x](A,B);\n",
       searchReads(2, 1, uncovered("C")), leafAddRuns(3, 3, 1)},
      {"weight markers match exactly", species + "[&weight=0](A,B);\n[ &WEIGHT=0](A,B);\n[&WEIGHT =0](A,B);\n",
       searchReads(3, 0, uncovered("C")), leafAddRuns(3, 4, 0)},
      {"weight before the first tree", "[&WEIGHT=0]" + species + "(A,B);\n", searchReads(1, 0, uncovered("C")),
       leafAddThenFails(2, weightError)},
      {"weight not a number", species + "[&WEIGHT=abc](A,B);", fails(badNumber + "1 column 2"),
       leafAddThenFails(2, badNumber + "1 column 2")},
      {"empty weight", species + "[&WEIGHT=](A,B);", fails(badNumber + "1 column 2"),
       leafAddThenFails(2, badNumber + "1 column 2")},
      {"weight with two points", species + "[&WEIGHT=1.5.3](A,B);", fails(badNumber + "1 column 7"),
       leafAddThenFails(2, badNumber + "1 column 7")},
      // The position counts from just after "=", not from the start of the
      // input, so it is the same behind the built species tree.
      {"weight on its own lines", species + "(A,B);\n\n[&WEIGHT=\n x](A,B);", fails(badNumber + "2 column 3"),
       leafAddThenFails(3, badNumber + "2 column 3")},
  });
}

TEST_F(TreeInput, QuietRunsKeepErrorsAndWarnings) {
  struct Case {
    std::string what;
    std::string input;
    std::vector<std::string> args;
    std::string err;
    int status;
    bool reported = false;  // the report alone is on standard output
  };
  const std::vector<Case> cases = {
      {"search summary", "((A,B),C);\n[&U](A,B);\n", {"-g", "0", "-q"}, uncovered("C"), 0, true},
      {"default run", "((A,B),C);\n(A,B);\n", {"--quiet"}, "", 0, true},
      {"warning", "(A,B,C);\n(A,B);\n", {"-q", "-g", "0"}, warn("line 1 column 5") + uncovered("C"), 0, true},
      {"warning, default run", "(A,B);\n(A,B,C);\n", {"-q"}, warn("line 2 column 5") + warn("line 3 column 5"), 0,
       true},
      {"syntax error", "(A,B)", {"-q", "-g", "0"}, "ERROR: unexpected end in the tree expression line 1 column 6\n", 1},
      {"syntax error, default run", "(,A);", {"-q"},
       "ERROR: missing leaf name in the tree expression line 1 column 2\n", 1},
      {"missing gene trees", "((A,B),C);", {"-q", "-g", "0"}, "ERROR: missing input for gene trees line 1 column 10\n",
       1},
      {"bad weight", "((A,B),C);\n[&WEIGHT=0](A,B);", {"-g", "0", "-q"},
       "ERROR: the weight of each gene tree has to be greater than 0\n", 1},
      {"bad weight, default run", "((A,B),C);\n[&WEIGHT=0](A,B);", {"-q"},
       "ERROR: the weight of each gene tree has to be greater than 0\n", 1},
  };
  for (const Case& c : cases) {
    const ProcessResult r = runOn(c.input, c.args);
    EXPECT_TRUE(c.reported ? isReport(r.out) : ::testing::AssertionResult(r.out.empty())) << c.what << r.out;
    EXPECT_EQ(r.err, c.err) << c.what;
    EXPECT_EQ(r.status, c.status) << c.what;
  }
}

TEST_F(TreeInput, TreesFromStandardInput) {
  const std::string input = "((A,B),C);\n[&U](A,(B,C));\n";
  const ProcessResult user = runDlspecies({"-g", "0", "--seed", "1"}, dir.path(), input);
  const std::string userStart =
      "Random seed: 1\nUsing user-provided initial species tree\n"
      "Using SPR local search heuristic to infer final species tree\n"
      "0 rooted and 1 unrooted input gene trees total\n";
  EXPECT_EQ(user.out.substr(0, userStart.size()), userStart);
  EXPECT_TRUE(isSearchAndReport(user.out.substr(std::min(userStart.size(), user.out.size()))));
  EXPECT_EQ(user.err, "");
  EXPECT_EQ(user.status, 0);

  const ProcessResult whole = runDlspecies({"--seed", "1"}, dir.path(), input);
  const std::string wholeStart =
      "Random seed: 1\n" + kLeafAddLines.substr(kStartLines.size()) + "2 input gene trees total\n" +
      leafAddProgress(3) + searchSummary(1, 1);
  EXPECT_EQ(whole.out.substr(0, wholeStart.size()), wholeStart);
  EXPECT_TRUE(isSearchAndReport(whole.out.substr(std::min(wholeStart.size(), whole.out.size()))));
  EXPECT_EQ(whole.err, "");
  EXPECT_EQ(whole.status, 0);

  const ProcessResult leafAdd = runDlspecies({"--seed", "1"}, dir.path(), input + "(A,B");
  EXPECT_EQ(leafAdd.out, "Random seed: 1\nUsing fast randomized leaf adding heuristic to build initial species tree\n");
  EXPECT_EQ(leafAdd.err, "ERROR: unexpected end in the tree expression line 3 column 5\n");
  EXPECT_EQ(leafAdd.status, 1);
}

TEST_F(TreeInput, UnknownGeneratorStopsBeforeReading) {
  dir.write("cons.txt", "A,B;\n");
  const std::string unknown5 = "ERROR: Unknown initial species tree generator 5\n";
  const std::string warn5 = "WARNING: --constraints does not apply to generator 5\n";
  const std::string consLine = "Constraints file: cons.txt\n";
  struct Case {
    std::vector<std::string> args;
    std::string out;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"-g", "5"}, kStartLines, unknown5},
      {{"--generator=5", "-q"}, "", unknown5},
      {{"-g", "5", "--constraints", "cons.txt"}, consLine + kStartLines, warn5 + unknown5},
      {{"-q", "-g", "5", "--constraints", "cons.txt"}, "", warn5 + unknown5},
      {{"-g", "2", "--constraints", "cons.txt"}, consLine + kStartLines,
       "ERROR: Unknown initial species tree generator 2\n"},
      {{"--generator=-1"}, kStartLines, "ERROR: Unknown initial species tree generator -1\n"},
  };
  // The input is malformed: it is never read.
  for (const Case& c : cases) expectRun("unknown generator", "A;", c.args, c.out, c.err, 1);
}

// A caterpillar of n leaves nested to the left: ((((L1,L2),L3),L4)...);
// Caterpillars whose leaves name the species S1..Sk in turn.
std::string leftCaterpillar(int n, int species) {
  std::string text(static_cast<std::size_t>(n - 1), '(');
  text += "S1";
  for (int i = 2; i <= n; ++i) text += ",S" + std::to_string((i - 1) % species + 1) + ")";
  return text + ";";
}

std::string rightCaterpillar(int n, int species) {
  std::string text;
  for (int i = 1; i < n; ++i) text += "(S" + std::to_string((i - 1) % species + 1) + ",";
  text += "S" + std::to_string((n - 1) % species + 1);
  text.append(static_cast<std::size_t>(n - 1), ')');
  return text + ";";
}

// Gene trees of 100,000 leaves nested 100,000 deep are read, searched and
// reported without exhausting the stack.
TEST_F(TreeInput, VeryDeepTreesAreRead) {
  const int leaves = 100000;
  ASSERT_EQ(leftCaterpillar(4, 4), "(((S1,S2),S3),S4);");
  ASSERT_EQ(rightCaterpillar(4, 3), "(S1,(S2,(S3,S1)));");
  const std::string species = "((S1,S2),(S3,S4));\n";
  const std::string input = species + leftCaterpillar(leaves, 4) + "\n" + rightCaterpillar(leaves, 4) + "\n";
  dir.write("in.nwk", input);
  const ProcessResult run = runDlspecies({"--seed", "1", "-i", "in.nwk", "-g", "0", "-q"}, dir.path());
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("[Species tree]\n[Size: 7 nodes 4 leaves]\n", 0), 0U) << run.out.substr(0, 200);

  // A default run builds its species tree from them and searches as well.
  const ProcessResult built =
      runOn(leftCaterpillar(leaves, 4) + "\n" + rightCaterpillar(leaves, 4) + "\n", {"-q"});
  EXPECT_EQ(built.err, "");
  EXPECT_EQ(built.status, 0);
  EXPECT_TRUE(isReport(built.out));
  EXPECT_EQ(built.out.rfind("[Species tree]\n[Size: 7 nodes 4 leaves]\n", 0), 0U) << built.out.substr(0, 200);
}

}  // namespace
