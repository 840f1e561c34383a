// End-to-end tests of input meant to break the program: huge weights,
// comments left open, malformed numbers in weights and options, deep
// nesting, huge multifurcations, files that cannot be read. Each gives a
// right result or its exact error, never a crash or a silent loss.

#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"

namespace {

struct HostileCase {
  std::vector<std::string> args;
  std::string input;
  std::string err;  // all of standard error
  int status;
  std::string out = "";  // a line that standard output must hold
};

// Ten multifurcation warnings on a line, every second column from 5, then
// the count of the others.
std::string tenWarnings(int line, int more) {
  std::string text;
  for (int column = 5; column <= 23; column += 2)
    text +=
        "WARNING: multifurcation detected at line " + std::to_string(line) + " column " + std::to_string(column) + "\n";
  return text + "WARNING: " + std::to_string(more) + " more warnings \"multifurcation detected\" not shown\n";
}

TEST(HostileInput, RightResultOrExactError) {
  const std::string tree = "((A,B),C);\n", valueOf = "ERROR: invalid value of argument ";
  const std::string three = "[&WEIGHT=1e9]((A,B),C);\n[&WEIGHT=1e9]((A,C),B);\n[&WEIGHT=1e9]((B,C),A);\n";
  std::string star = "(";  // of 100,001 children
  for (int i = 0; i < 25000; ++i) star += "A,B,C,D,";
  std::vector<HostileCase> table = {
      // A large weight is a weight like any other; a sum beyond double is an error.
      {{}, three, "", 0, "[Weighted reconciliation cost: 8000000000]"},
      {{},
       three + "[&WEIGHT=1e308]((A,B),C);[&WEIGHT=1e308]((A,C),B);",
       "ERROR: the weighted cost is not finite: the weights are too large\n",
       1},
      {{"--dup-weight", "1e308"}, three, "ERROR: the weighted cost is not finite: the weights are too large\n", 1},
      // A comment open at the end loses nothing silently.
      {{},
       "((A,B),C);((A,C),B);[ note\n((A,B),C);\n((B,C),A);\n((A,C),B);\n",
       "ERROR: unclosed comment starting at line 1 column 21\n",
       1},
      {{}, "[&WEIGHT=2 (A,(B,C));", "ERROR: unclosed comment starting at line 1 column 1\n", 1},
      {{"-g", "0"}, tree + "(A,B)[x", "ERROR: unclosed comment starting at line 2 column 6\n", 1},
      {{"--constraints", "open.txt"},
       tree,
       "ERROR: unclosed comment starting at line 2 column 1 in constraints input\n",
       1},
      // A weight in a nested NEXUS comment ends at its "]".
      {{},
       "#NEXUS\nbegin trees;\n tree t = [note [&WEIGHT=2]] ((A,B),(A,C));\nend;\n",
       "",
       0,
       "[Weighted reconciliation cost: 6]"},
      // Nested constraints and repeated species are named.
      {{"--constraints", "twice.txt"}, tree, "ERROR: species 'A' is listed twice in one constraint\n", 1},
      // Options: whole decimal numbers within range, each option once, unknown ones named.
      {{"--seed", "0x10"}, tree, valueOf + "--seed 0x10 (allowed: 0 to 4294967295)\n", 1},
      {{"--seed", "1e3"}, tree, valueOf + "--seed 1e3 (allowed: 0 to 4294967295)\n", 1},
      {{"--seed=-1"}, tree, valueOf + "--seed -1 (allowed: 0 to 4294967295)\n", 1},
      {{"-g", "0.5"}, tree, valueOf + "-g 0.5 (allowed: 0 or 1)\n", 1},
      {{"-g", "1x"}, tree, valueOf + "-g 1x (allowed: 0 or 1)\n", 1},
      {{"-i", "a", "--input", "b"}, tree, "ERROR: more than one argument --input\n", 1},
      {{"--seed", "4294967295"}, tree, "", 0, "[Species tree]"},
      // Files that cannot be read.
      {{"-i", "."}, "", "ERROR: cannot read .: Is a directory\n", 1},
      {{"--constraints", "."}, tree, "ERROR: cannot read .: Is a directory\n", 1},
      {{"-a", "."}, tree, "ERROR: cannot read .: Is a directory\n", 1},
      {{"-i", "/proc/self/mem"}, "", "ERROR: cannot read /proc/self/mem: Input/output error\n", 1},
      // Deep nesting ends with an error or a result; a huge multifurcation
      // with ten warnings and a count of the others.
      {{}, std::string(3000000, '('), "ERROR: unexpected end in the tree expression line 1 column 3000001\n", 1},
      {{"-g", "0"}, "(A,B);" + std::string(1000000, '(') + "B,A" + std::string(1000000, ')') + ";", "", 0, "(A,B);"},
      {{"-g", "0", "--seed", "1"},
       "((A,B),(C,D));\n" + star + "A);",
       tenWarnings(2, 99989),
       0,
       "[Total number of gene duplications + losses: 67608 + 103301 = 170909]"},
  };
  // Malformed weights, of gene trees and of duplications.
  for (const std::string weight : {"2,5", "2 5", "2/5", "2x", "1e5x", "nan", "inf", "0x10", "1e-400", ""}) {
    table.push_back(
        {{}, "[&WEIGHT=" + weight + "]" + tree, "ERROR: bad weight " + weight + " at line 1 column 10\n", 1});
    if (!weight.empty())
      table.push_back({{"--dup-weight=" + weight},
                       tree,
                       valueOf + "--dup-weight " + weight + " (allowed: a decimal number >= 0)\n",
                       1});
  }
  TempDir dir;
  dir.write("twice.txt", "A,A;");
  dir.write("open.txt", "A,B;\n[open");
  // The count of warnings not shown comes before an error.
  table.push_back({{},
                   "(a,b,c,d,e,f,g,h,i,j,k,l,m,n);\n(a,b",
                   tenWarnings(1, 2) + "ERROR: unexpected end in the tree expression line 2 column 5\n",
                   1});
  for (const HostileCase& c : table) {
    const ProcessResult r = runDlspecies(concat({"-q"}, c.args), dir.path(), c.input);
    const std::string what = ::testing::PrintToString(c.args) + " " + c.input.substr(0, 60);
    EXPECT_EQ(r.status, c.status) << what;
    EXPECT_EQ(r.err, c.err) << what;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << what << "\n" << r.out.substr(0, 300);
  }
}

}  // namespace
