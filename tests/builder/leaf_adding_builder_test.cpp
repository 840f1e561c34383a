// The leaf-adding builder: constraint groups become clades, the same seed
// gives the same tree, small species sets, and its console lines.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "builder/heuristic_second_fast.hpp"
#include "driver/globals.hpp"
#include "support/direct_count.hpp"
#include "support/tree_text.hpp"

namespace {


// Builds a tree from gene trees (and a constraints text) with the seed.
std::string build(const std::string& genes, const std::string& constraints, unsigned seed) {
  std::srand(seed);
  buildtree::HeuristicSecondFast builder;
  std::istringstream geneText(genes);
  Input geneInput(geneText);
  builder.readTrees(geneInput);
  if (!constraints.empty()) {
    std::istringstream constraintText(constraints);
    Input constraintInput(constraintText);
    builder.readConstraints(constraintInput);
  }
  std::ostringstream out;
  builder.run(out, NO_REROOT);
  return out.str();
}

std::string randomGenes(std::mt19937& random, int species, int count) {
  std::vector<std::string> names;
  for (int i = 0; i < species; ++i) names.push_back("S" + std::to_string(i));
  std::string genes = readableNewick(randomTree(random, names)) + "\n";
  for (int g = 1; g < count; ++g) {
    std::vector<std::string> labels(1 + random() % (2 * species));
    for (std::string& label : labels) label = names[random() % names.size()];
    genes += readableNewick(randomTree(random, labels)) + "\n";
  }
  return genes;
}

// The clades of the built tree, its constraint marks removed.
std::vector<std::set<std::string>> cladesOfBuilt(std::string built) {
  for (std::size_t at; (at = built.find("[&CONSTRAINT]")) != std::string::npos;) built.erase(at, 13);
  return clades(PlainTree::parse(built.substr(0, built.find(';') + 1)));
}

TEST(LeafAddingBuilder, ConstraintGroupsBecomeClades) {
  quiet = true;
  std::mt19937 random(21);
  for (int round = 0; round < 30; ++round) {
    const std::string genes = randomGenes(random, 6 + round % 10, 8);
    const std::string built = build(genes, "S1,S4; S2,S3,S5;", static_cast<unsigned>(round));
    const auto found = cladesOfBuilt(built);
    for (const std::set<std::string>& group : {std::set<std::string>{"S1", "S4"}, {"S2", "S3", "S5"}})
      EXPECT_NE(std::find(found.begin(), found.end(), group), found.end()) << genes << built;
    // Every group's top node is marked, the root never.
    EXPECT_NE(built.find("(S1,S4)[&CONSTRAINT]") + built.find("(S4,S1)[&CONSTRAINT]"), 2 * std::string::npos)
        << built;
    EXPECT_NE(built.substr(built.size() - 3), "]);") << built;
  }
}

TEST(LeafAddingBuilder, SameSeedSameTree) {
  quiet = true;
  std::mt19937 random(4);
  const std::string genes = randomGenes(random, 12, 20);
  EXPECT_EQ(build(genes, "", 9), build(genes, "", 9));
  EXPECT_EQ(build(genes, "S0,S1;", 9), build(genes, "S0,S1;", 9));
}

TEST(LeafAddingBuilder, FewSpecies) {
  quiet = true;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"(A,A);", "(A);\n"},  // a lone leaf is written so that it reads back
      {"(B,A);(A,A);", "(A,B);\n"},
  };
  for (const auto& [genes, expected] : cases) {
    EXPECT_EQ(build(genes, "", 1), expected);
    const int before = std::rand();
    std::srand(1);
    EXPECT_EQ(std::rand(), before) << "no number is drawn for fewer than three species";
  }
  const std::string three = build("((A,B),C);", "", 1);
  EXPECT_EQ(PlainTree::parse(three).leaves().size(), 3U);
}

TEST(LeafAddingBuilder, ConsoleLines) {
  const std::string genes = "((A,B),(C,D));((A,B),C);";
  quiet = false;
  testing::internal::CaptureStdout();
  const std::string built = build(genes, "", 2);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "2 input gene trees total\nLeaf set size: 4\nBuilding Starting triplet ... "
            "\rCurrent species tree leaf set size: 3        \rCurrent species tree leaf set size: 4        \n"
            "Initial species tree with 4 leaves computed. Starting local search...\n\n");
  testing::internal::CaptureStdout();
  build("((A,B),C);", "", 2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "1 input gene trees total\nLeaf set size: 3\nBuilding Starting triplet ... "
            "\rCurrent species tree leaf set size: 3        ");
  quiet = true;
  testing::internal::CaptureStdout();
  build(genes, "", 2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(LeafAddingBuilder, NestedConstraintsAreFatal) {
  quiet = true;
  for (const std::string constraints : {"A,B; B,C;", "A,B,A;", "A,B; A,B,C;"})
    EXPECT_EXIT(build("((A,B),(C,D));", constraints, 1), testing::ExitedWithCode(1),
                "^ERROR: The constraints are either contradictory or nested! This program can only handle "
                "non-nested constraints!\nTerminating...\n$")
        << constraints;
}

}  // namespace
