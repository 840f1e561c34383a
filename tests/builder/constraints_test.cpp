// Reading groups of species that the initial species tree keeps together:
// names, separators, unknown species, too small groups and syntax errors.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "builder/leafadd_tree_set.hpp"
#include "driver/globals.hpp"

namespace {

// The species of these gene trees make up the taxa set: A, B, C, D and "A B".
const char* const kGeneTrees = "((A,B),(C,D));\n('A B',C);\n";

struct Outcome {
  std::string constraints;  // groups joined by "|", names by " "
  std::string out;
  std::string err;
};

// Reads the gene trees, then the constraints text into the same tree set.
// Output is captured unless the reading is expected to end the program.
Outcome readWith(const std::string& text, bool capture = true) {
  buildtree::LEAFADD::TreeSet set;
  std::istringstream trees(kGeneTrees);
  Input treeInput(trees);
  const bool wasQuiet = quiet;
  quiet = true;
  set.readTrees(treeInput);
  quiet = wasQuiet;

  std::istringstream stream(text);
  Input in(stream);
  Outcome result;
  if (capture) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
  }
  set.readConstraints(in);
  if (capture) {
    result.err = testing::internal::GetCapturedStderr();
    result.out = testing::internal::GetCapturedStdout();
  }
  for (const auto& group : set.constraints) {
    std::string names;
    for (const auto& name : group) names += (names.empty() ? "" : " ") + name;
    result.constraints += (result.constraints.empty() ? "" : "|") + names;
  }
  return result;
}

const std::string kIgnored = "' listed in constraints input was not found in taxa set - species ignored\n";
const std::string kTooSmall =
    "WARNING: constraint has to contain at least 2 species - constraint ignored\n";
const std::string kNone = "WARNING: no constraints found\n";

TEST(ConstraintsInput, GroupsWarningsAndProgress) {
  const struct { const char *text, *groups, *out; std::string err; } cases[] = {
      {"A,B; C,D,A;", "A B|C D A", "Constraint of 2 taxa\nConstraint of 3 taxa\n2 constraints total\n", ""},
      {"A,B;\nC,D,A;\n", "A B|C D A", "Constraint of 2 taxa\nConstraint of 3 taxa\n2 constraints total\n", ""},
      {"A , B , C ;", "A B C", "Constraint of 3 taxa\n1 constraints total\n", ""},
      {"A B, C;", "", "", "WARNING: species 'AB" + kIgnored + kTooSmall + kNone},
      {"A B, C, D;", "C D", "Constraint of 2 taxa\n1 constraints total\n", "WARNING: species 'AB" + kIgnored},
      {"A,X;", "", "", "WARNING: species 'X" + kIgnored + kTooSmall + kNone},
      {"A,X; B,C;", "B C", "Constraint of 2 taxa\n1 constraints total\n", "WARNING: species 'X" + kIgnored + kTooSmall},
      {"A;", "", "", kTooSmall + kNone},
      {"A,A;", "A A", "Constraint of 2 taxa\n1 constraints total\n", ""},
      {"'A B',C;", "A B C", "Constraint of 2 taxa\n1 constraints total\n", ""},
      {"\"A C\",D;", "", "", "WARNING: species 'A C" + kIgnored + kTooSmall + kNone},
      {"[group one] A,[&CONSTRAINT]B [x];[end]\n", "A B", "Constraint of 2 taxa\n1 constraints total\n", ""},
      {"", "", "", kNone},
      {" \n\t[only a comment]\n", "", "", kNone},
  };
  for (const auto& c : cases) {
    quiet = false;
    const Outcome got = readWith(c.text);
    EXPECT_EQ(got.constraints, c.groups) << c.text;
    EXPECT_EQ(got.out, c.out) << c.text;
    EXPECT_EQ(got.err, c.err) << c.text;
  }
}

TEST(ConstraintsInput, QuietKeepsWarningsOnly) {
  quiet = true;
  Outcome got = readWith("A,B; C,D;");
  EXPECT_EQ(got.constraints, "A B|C D");
  EXPECT_EQ(got.out, "");
  EXPECT_EQ(got.err, "");

  quiet = true;
  got = readWith("A,X;");
  EXPECT_EQ(got.constraints, "");
  EXPECT_EQ(got.out, "");
  EXPECT_EQ(got.err, "WARNING: species 'X" + kIgnored + kTooSmall + kNone);
}

TEST(ConstraintsInputDeathTest, SyntaxErrorsAreFatalWithPosition) {
  const struct { const char *text, *message; } cases[] = {
      {"A,,B;", "expected species name in constraints input line 1 column 4"},
      {"A,B;;", "expected species name in constraints input line 1 column 6"},
      {";", "expected species name in constraints input line 1 column 2"},
      {"A,", "expected species name in constraints input line 1 column 3"},
      {"A,B", "unexpected end constraints input line 1 column 4"},
      {"A,B;\nC,D\n", "unexpected end constraints input line 3 column 1"},
      {"A,B.C;", "expected ',' in constraints input line 1 column 5"},
      {"A,\n  B)", "expected ',' in constraints input line 2 column 5"},
  };
  for (const auto& c : cases) {
    quiet = true;
    EXPECT_EXIT(readWith(c.text, false), ::testing::ExitedWithCode(1),
                "^ERROR: " + std::string(c.message) + "\n$")
        << c.text;
  }
}

}  // namespace
