// End-to-end tests of reading the trees. Each input runs with -g 0 (its
// first tree is the species tree) and with the default generator (every
// tree is a gene tree). Errors and warnings come once, at their position in
// the input; a run stops at a bad input before it builds a start tree.

#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"

namespace {

// g0Out is what follows the start lines of -g 0 on standard output: all of
// it when the run fails, its start when the run succeeds.
struct InputCase {
  std::string input, g0Err, defaultErr, g0Out = "";
  std::vector<std::string> args = {};
};

InputCase same(const std::string& input, const std::string& error) {
  return {input, "ERROR: " + error + "\n", "ERROR: " + error + "\n"};
}

std::string warn(const std::string& at) { return "WARNING: multifurcation detected at line " + at + "\n"; }

std::string uncovered(const std::string& species) {
  std::string text;
  for (char s : species)
    text += "WARNING: species \"" + std::string(1, s) + "\" is not covered by any gene tree - species ignored\n";
  return text;
}

TEST(TreeInput, ErrorsAndWarnings) {
  const std::string problem = "problem in the tree expression line ", tree = "((A,B),C);\n";
  const std::string end = "unexpected end in the tree expression line ", number = "cannot read numeric value at line ";
  const std::string weight = "the weight of each gene tree has to be greater than 0";
  const std::string none = "ERROR: missing input for species tree line 1 column ";
  const std::string noGenes = "ERROR: missing input for gene trees line ";
  const std::string noName = "ERROR: missing leaf name in the tree expression line 1 column 6\n";
  const std::string oneResolved = resolvedAtRandom(1);
  const auto byRoot = [](int total, int roots, const std::string& more = "") {
    return std::to_string(total) + (total == 1 ? " gene tree" : " gene trees") +
           " read as unrooted: " + std::to_string(roots) + " with a three-way root" + more +
           " (--rooted reads unmarked trees as rooted)\n";
  };
  const std::string rootings = "[&R](A,B,C,D);\n[&U](A,B,(C,D));\n(A,B,C,D);\n((A,B),C,D);\n";
  const std::string marked = ", 1 marked [&U]", fourWay = warn("3 column 5") + warn("3 column 7"),
                    rootedFour = warn("1 column 9") + warn("1 column 11");
  const std::vector<InputCase> table = {
      // A single leaf is a tree; a name before "(" is not.
      {"A;", noGenes + "1 column 2\n", ""},
      same("  \n\n   Z(A,B);", "missing ';' in tree expression line 3 column 6"),
      same("\xEF\xBB(A,B);", "missing ';' in tree expression line 1 column 4"),  // not quite a byte-order mark
      same("  \n\n   )(A,B);", problem + "3 column 5 )this"),
      same(tree + "[&U]\n(A,B);\n[c] x", end + "4 column 6"),
      same(tree + "[&U]\n(A,B);\n[c] :", problem + "4 column 6 :this"),
      // A vertical tab is no blank, and control bytes are shown escaped.
      same(tree + "\v(A,B);", problem + "2 column 2 \\x0bthis"),
      same(tree + "(A,B)\x1b[31m;", "missing ';' in tree expression line 2 column 7"),
      same(tree + "(A,B);\x1b[31m;", problem + "2 column 8 \\x1bthis"),
      same("(A,B)X", end + "1 column 7"),
      same("(A,B)\n", end + "2 column 1"),
      same("(A,B)[an open comment", "unclosed comment starting at line 1 column 6"),
      same("(A;B);", "missing ')' in input tree expression line 1 column 3"),
      same(tree + "(A,B)\n(C,D);", "missing ';' in tree expression line 3 column 2"),
      same("(A:\n x,B);", number + "2 column 3"),
      same("(,A);", "missing leaf name in the tree expression line 1 column 2"),
      {"(A,B,);", warn("1 column 5") + noName, noName},
      {"", none + "1\n", noGenes + "1 column 1\n"},
      {"[only a comment]\n", none + "17\n", noGenes + "1 column 17\n"},
      {tree + "[&U]\n", noGenes + "2 column 5\n", ""},
      // Weights.
      same(tree + "[&WEIGHT=0](A,B);", weight + " at line 2 column 10"),
      same(tree + "(A,B);\n[&WEIGHT=-1] (A,B);", weight + " at line 3 column 10"),
      same(tree + "[&WEIGHT=abc](A,B);", "bad weight abc at line 2 column 10"),
      same(tree + "(A,B);\n\n[&WEIGHT=\n x](A,B);", "bad weight x at line 5 column 2"),
      same(tree + "[&WEIGHT=x\n\x1b]\n(A,B);", "bad weight x... at line 2 column 10"),
      same(tree + "[&W " + std::string(100, '9') + "x](A,B);",
           "bad weight " + std::string(80, '9') + "... at line 2 column 5"),
      {"[&WEIGHT=0]" + tree + "(A,B);\n", uncovered("C"), "ERROR: " + weight + " at line 1 column 10\n"},
      {tree + "[&WEIGHT=0][&WEIGHT=2](A,B);\n[&U][&WEIGHT= 1e-3 ](A,B);\n[&weight=0](A,B);\n[ &WEIGHT=0](A,B);\n",
       uncovered("C"), "", "3 rooted and 1 unrooted input gene trees total\n"},
      // Rooting marks: the last one before a tree counts, one inside a tree not.
      {tree + "[&U][&R](A,B);\n[&R][&U](A,B);\n[&u](A,B);\n([&U]A,B);\n(A,B)[&U];\n", uncovered("C"), "",
       "4 rooted and 1 unrooted input gene trees total\n"},
      // A warning for each child after the second, at the comma before it;
      // a gene tree's root of three children is none, unless marked rooted:
      // the tree is unrooted. Single children are contracted silently.
      {"(A,B,C);\n(A,B);", warn("1 column 5") + uncovered("C"), byRoot(1, 1)},
      {tree + "(A,\n B,\n C);", byRoot(1, 1), byRoot(1, 1)},
      {"(A,B,C);\n((A,B,C),D,E);\n",
       warn("1 column 5") + warn("2 column 6") + oneResolved +
           "ERROR: species \"D\" is not covered in the species tree\n",
       warn("2 column 6") + oneResolved + byRoot(2, 2),
       "0 rooted and 1 unrooted input gene trees total\n" + byRoot(1, 1)},
      // Unrooted by a mark, by the root's three children or by --unrooted
      // (a root of four children warned from its fourth), or rooted by a mark
      // or --rooted (a root of three children warned).
      {rootings, rootedFour + fourWay + oneResolved, rootedFour + fourWay + resolvedAtRandom(2) + byRoot(2, 1, marked),
       "1 rooted and 2 unrooted input gene trees total\n" + byRoot(2, 1, marked)},
      {rootings,
       rootedFour + fourWay + warn("4 column 9") + resolvedAtRandom(2),
       rootedFour + fourWay + warn("4 column 9") + resolvedAtRandom(3),
       "2 rooted and 1 unrooted input gene trees total\nComputing...\n",
       {"--rooted"}},
      {rootings,
       rootedFour + warn("3 column 7") + oneResolved,
       rootedFour + warn("3 column 7") + resolvedAtRandom(2),
       "0 rooted and 3 unrooted input gene trees total\nComputing...\n",
       {"--unrooted"}},
      {"((A),(B,(C)));\n(((A)),B);\n", uncovered("C"), ""},
      {tree + "\r\f(A,\tB);\t\r\n", uncovered("C"), ""},
      {"((Homo sapiens,'Pan troglodytes'),C);\n(Homo sapiens,\"Pan troglodytes\");\n", uncovered("C"), ""},
  };
  TempDir dir;
  for (const InputCase& c : table) {
    for (const bool g0 : {true, false}) {
      const std::string what = ::testing::PrintToString(c.input) + (g0 ? " with -g 0" : " by default");
      const ProcessResult r = runDlspecies(concat(c.args, g0 ? std::vector<std::string>{"--seed", "1", "-g", "0"}
                                                             : std::vector<std::string>{"--seed", "1"}),
                                           dir.path(), c.input);
      const std::string& err = g0 ? c.g0Err : c.defaultErr;
      const bool fails = err.find("ERROR: ") != std::string::npos;
      const std::string start = "Random seed: 1\n" + (g0 ? kUserTreeLines + c.g0Out : kLeafAddLine);
      // Progress and the warnings and errors share standard error.
      bool found = false;
      const std::string progress = withoutLines(r.err, err, found);
      EXPECT_TRUE(found && progress.find("WARNING") == std::string::npos) << what << "\n" << r.err;
      EXPECT_EQ(r.status, fails ? 1 : 0) << what;
      EXPECT_EQ(fails ? progress : progress.substr(0, start.size()), start) << what;
      EXPECT_NE(r.out.rfind("[Species tree]\n", 0) == 0, fails) << what;
    }
  }
}

// Caterpillars of 100,000 leaves nested to the left, ((((S1,S2),S3),S4),S1)...,
// and to the right, (S1,(S2,(S3,(S4,S1...)))), are read, searched and
// reported without exhausting the stack.
TEST(TreeInput, VeryDeepGeneTrees) {
  const int n = 100000;
  std::string left(n - 1, '('), right;
  left += "S1";
  for (int i = 1; i < n; ++i) {
    left += ",S" + std::to_string(i % 4 + 1) + ")";
    right += "(S" + std::to_string((i - 1) % 4 + 1) + ",";
  }
  right += "S" + std::to_string((n - 1) % 4 + 1) + std::string(n - 1, ')');
  TempDir dir;
  for (const std::string species : {"((S1,S2),(S3,S4));\n", ""}) {
    const ProcessResult r = runDlspecies({"-q", "--seed", "1", "-g", species.empty() ? "1" : "0"}, dir.path(),
                                         species + left + ";\n" + right + ";\n");
    EXPECT_EQ(r.err + std::to_string(r.status), "0");
    EXPECT_EQ(r.out.substr(0, 40), "[Species tree]\n[Size: 7 nodes 4 leaves]\n");
  }
}

}  // namespace
