// End-to-end tests of reading the tree input: Newick syntax errors and
// warnings with their positions, the tree-set messages and summary lines of
// the leaf-adding stage (default generator) and of the local search stage
// (generator 0), quiet runs, unknown generators and very deep trees.
//
// The program currently stops after reading its input, so a run on valid
// input ends with the summary line and status 0.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"

namespace {

const std::string kStartLines = "Input file: in.nwk\nRandom seed: 1\n";
const std::string kUserTreeLines = kStartLines +
                                   "Using user-provided initial species tree\n"
                                   "Using SPR local search heuristic to infer final species tree\n";
const std::string kLeafAddLines = kStartLines + "Using fast randomized leaf adding heuristic to build initial species tree\n";

// What a run writes after its progress lines, and how it ends.
struct Outcome {
  std::string out;
  std::string err;
  int status;
};

Outcome fails(const std::string& message) { return {"", "ERROR: " + message + "\n", 1}; }

Outcome searchReads(int rooted, int unrooted, const std::string& warnings = "") {
  return {std::to_string(rooted) + " rooted and " + std::to_string(unrooted) + " unrooted input gene trees total\n",
          warnings, 0};
}

Outcome leafAddReads(int count, const std::string& warnings = "") {
  return {std::to_string(count) + " input gene trees total\n", warnings, 0};
}

std::string warn(const std::string& position) { return "WARNING: multifurcation detected at " + position + "\n"; }

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
  void expectRun(const std::string& what, const std::string& input, const std::vector<std::string>& extra,
                 const std::string& out, const std::string& err, int status) {
    const ProcessResult r = runOn(input, extra);
    EXPECT_EQ(r.out, out) << what << " " << ::testing::PrintToString(extra);
    EXPECT_EQ(r.err, err) << what << " " << ::testing::PrintToString(extra);
    EXPECT_EQ(r.status, status) << what << " " << ::testing::PrintToString(extra);
  }
  void expectStages(const std::vector<StageCase>& cases) {
    for (const StageCase& c : cases) {
      expectRun(c.what, c.input, {"-g", "0"}, kUserTreeLines + c.user.out, c.user.err, c.user.status);
      expectRun(c.what, c.input, {}, kLeafAddLines + c.leafAdd.out, c.leafAdd.err, c.leafAdd.status);
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
  // child after the second.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"(A,B,C);\n(A,B);", warn("line 1 column 5")},
      {"(A,B,C,D);\n(A,B);", warn("line 1 column 5") + warn("line 1 column 7")},
      {"((A,B),(C,D),E);\n(A,B);", warn("line 1 column 13")},
      {"(A:1,B:2,C:3);\n(A,B);", warn("line 1 column 9")},
      {"(A, B , C);\n(A,B);", warn("line 1 column 7")},
      {"((A,B,C),(D,E,F));\n(A,B);", warn("line 1 column 6") + warn("line 1 column 14")},
      {"((A,B),C);\n(A,\n B,\n C);", warn("line 3 column 3")},
  };
  for (const auto& [trees, warnings] : cases)
    expectStages({{trees, trees, searchReads(1, 0, warnings), leafAddReads(2, warnings)}});
  const std::string inBoth = warn("line 1 column 5") + warn("line 2 column 6") + warn("line 2 column 11");
  expectStages({{"warnings in both trees", "(A,B,C);\n((A,B,C),D,E);\n", searchReads(1, 0, inBoth),
                 leafAddReads(2, inBoth)}});

  // Nodes with a single child are contracted without a message.
  expectStages({{"single children", "((A),(B,(C)));\n(((A)),B);\n", searchReads(1, 0), leafAddReads(2)}});
}

TEST_F(TreeInput, MissingTrees) {
  expectStages({
      {"empty input", "", fails("missing input for species tree line 1 column 1"),
       fails("missing input for gene trees line 1 column 1")},
      {"blank lines", "\n\n", fails("missing input for species tree line 2 column 1"),
       fails("missing input for gene trees line 2 column 1")},
      {"only a comment", "[only a comment]\n", fails("missing input for species tree line 1 column 17"),
       fails("missing input for gene trees line 1 column 17")},
      {"one tree", "((A,B),C);", fails("missing input for gene trees line 1 column 10"), leafAddReads(1)},
      {"one tree and a line end", "((A,B),C);\n", fails("missing input for gene trees line 1 column 11"),
       leafAddReads(1)},
      {"one tree and a comment", "((A,B),C);\n[&U]\n", fails("missing input for gene trees line 2 column 5"),
       leafAddReads(1)},
  });
}

TEST_F(TreeInput, RootingMarksDecideTheKindOfGeneTree) {
  expectStages({
      {"one of each", "((A,B),C);\n[&U] (A,(B,C));\n(A,B);\n", searchReads(1, 1), leafAddReads(3)},
      {"later marks override earlier ones",
       "((A,B),C);\n[&U][&R](A,B);\n[&R][&U](A,B);\n[&U][&WEIGHT=3](A,B);\n[&WEIGHT=3][&U](A,B);\n",
       searchReads(1, 3), leafAddReads(5)},
      {"marks match exactly", "((A,B),C);\n[&u](A,B);\n[&U ](A,B);\n[ &U](A,B);\n[&U&WEIGHT=2](A,B);\n",
       searchReads(4, 0), leafAddReads(5)},
      {"a mark inside a tree is no mark", "((A,B),C);\n([&U]A,B);\n(A,B)[&U];\n", searchReads(2, 0),
       leafAddReads(3)},
      {"a mark before the species tree is skipped", "[&U]((A,B),C);\n[&U](A,B);\n", searchReads(0, 1),
       leafAddReads(2)},
      {"comments and blank lines", "[header]\n\n((A,B),C); [species]\n\n[gene 1]\n(A,B);\n\n\n[end]\n",
       searchReads(1, 0), leafAddReads(2)},
      {"other white space", "((A,B),C);\r\n\f(A,\tB);\t\r\n", searchReads(1, 0), leafAddReads(2)},
      {"names with blanks and quotes", "((Homo sapiens,'Pan troglodytes'),C);\n(Homo sapiens,\"Pan troglodytes\");\n",
       searchReads(1, 0), leafAddReads(2)},
  });
}

TEST_F(TreeInput, GeneTreeWeights) {
  const std::string weightError = "the weight of each gene tree has to be greater than 0";
  const std::string species = "((A,B),C);\n";
  // Only the local search reads weights; the leaf-adding stage ignores them.
  expectStages({
      {"weight 0", species + "[&WEIGHT=0](A,B);", fails(weightError), leafAddReads(2)},
      {"negative weight", species + "(A,B);\n[&WEIGHT=-1] (A,B);", fails(weightError), leafAddReads(3)},
      {"weight 0 with no tree after it", species + "(A,B);\n[&WEIGHT=0]\n", fails(weightError), leafAddReads(2)},
      {"a later weight 0 wins", species + "[&WEIGHT=2][&WEIGHT=0](A,B);", fails(weightError), leafAddReads(2)},
      {"weight inside a longer comment", species + "[note [&WEIGHT=0](A,B);", fails(weightError), leafAddReads(2)},
      {"a later weight 2 wins", species + "[&WEIGHT=0][&WEIGHT=2](A,B);", searchReads(1, 0), leafAddReads(2)},
      {"valid weights", species + "[&WEIGHT=2.5](A,B);\n[&U][&WEIGHT= 1e-3 ](A,B);\n[&WEIGHT=2x](A,B);\n",
       searchReads(2, 1), leafAddReads(4)},
      {"weight markers match exactly", species + "[&weight=0](A,B);\n[ &WEIGHT=0](A,B);\n[&WEIGHT =0](A,B);\n",
       searchReads(3, 0), leafAddReads(4)},
      {"weight before the species tree is skipped", "[&WEIGHT=0]" + species + "(A,B);\n", searchReads(1, 0),
       leafAddReads(2)},
      {"weight not a number", species + "[&WEIGHT=abc](A,B);", fails("cannot read numeric value at line 1 column 2"),
       leafAddReads(2)},
      {"empty weight", species + "[&WEIGHT=](A,B);", fails("cannot read numeric value at line 1 column 2"),
       leafAddReads(2)},
      {"weight with two points", species + "[&WEIGHT=1.5.3](A,B);",
       fails("cannot read numeric value at line 1 column 7"), leafAddReads(2)},
      // The position counts from just after "=", not from the start of the input.
      {"weight on its own lines", species + "(A,B);\n\n[&WEIGHT=\n x](A,B);",
       fails("cannot read numeric value at line 2 column 3"), leafAddReads(3)},
  });
}

TEST_F(TreeInput, QuietRunsKeepErrorsAndWarnings) {
  struct Case {
    std::string what;
    std::string input;
    std::vector<std::string> args;
    std::string err;
    int status;
  };
  const std::vector<Case> cases = {
      {"search summary", "((A,B),C);\n[&U](A,B);\n", {"-g", "0", "-q"}, "", 0},
      {"leaf-adding summary", "((A,B),C);\n(A,B);\n", {"--quiet"}, "", 0},
      {"warning", "(A,B,C);\n(A,B);\n", {"-q", "-g", "0"}, warn("line 1 column 5"), 0},
      {"warning, leaf-adding", "(A,B);\n(A,B,C);\n", {"-q"}, warn("line 2 column 5"), 0},
      {"syntax error", "(A,B)", {"-q", "-g", "0"}, "ERROR: unexpected end in the tree expression line 1 column 6\n", 1},
      {"syntax error, leaf-adding", "(,A);", {"-q"},
       "ERROR: missing leaf name in the tree expression line 1 column 2\n", 1},
      {"missing gene trees", "((A,B),C);", {"-q", "-g", "0"}, "ERROR: missing input for gene trees line 1 column 10\n",
       1},
      {"bad weight", "((A,B),C);\n[&WEIGHT=0](A,B);", {"-g", "0", "-q"},
       "ERROR: the weight of each gene tree has to be greater than 0\n", 1},
  };
  for (const Case& c : cases) expectRun(c.what, c.input, c.args, "", c.err, c.status);
}

TEST_F(TreeInput, TreesFromStandardInput) {
  const std::string input = "((A,B),C);\n[&U](A,(B,C));\n";
  const ProcessResult user = runDlspecies({"-g", "0", "--seed", "1"}, dir.path(), input);
  EXPECT_EQ(user.out,
            "Random seed: 1\nUsing user-provided initial species tree\n"
            "Using SPR local search heuristic to infer final species tree\n"
            "0 rooted and 1 unrooted input gene trees total\n");
  EXPECT_EQ(user.err, "");
  EXPECT_EQ(user.status, 0);

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
std::string leftCaterpillar(int n) {
  std::string text(static_cast<std::size_t>(n - 1), '(');
  text += "L1";
  for (int i = 2; i <= n; ++i) text += ",L" + std::to_string(i) + ")";
  return text + ";";
}

// A caterpillar of n leaves nested to the right: (L1,(L2,(L3,...)));
std::string rightCaterpillar(int n) {
  std::string text;
  for (int i = 1; i < n; ++i) text += "(L" + std::to_string(i) + ",";
  text += "L" + std::to_string(n);
  text.append(static_cast<std::size_t>(n - 1), ')');
  return text + ";";
}

TEST_F(TreeInput, VeryDeepTreesAreRead) {
  const int leaves = 100000;
  const std::string left = leftCaterpillar(leaves);
  const std::string right = rightCaterpillar(leaves);
  ASSERT_EQ(leftCaterpillar(4), "(((L1,L2),L3),L4);");
  ASSERT_EQ(rightCaterpillar(4), "(L1,(L2,(L3,L4)));");
  struct Case {
    std::string what;
    std::string input;
  };
  const std::vector<Case> cases = {
      {"nested to the left", left + "\n" + left + "\n"},
      {"gene tree nested to the right", left + "\n" + right + "\n"},
      {"unrooted gene tree nested to the right", right + "\n[&U]" + right + "\n"},
  };
  for (const Case& c : cases) {
    expectRun(c.what, c.input, {"-g", "0", "-q"}, "", "", 0);
    expectRun(c.what, c.input, {"-q"}, "", "", 0);
  }
  expectRun("summary", left + "\n" + right + "\n", {"-g", "0"}, kUserTreeLines + searchReads(1, 0).out, "", 0);
}

}  // namespace
