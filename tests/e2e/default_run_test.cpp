// End-to-end tests of whole runs with the default generator: the species
// tree built by leaf adding goes to the local search, and the report's
// counts are checked against a direct recount over the input's gene trees
// (every gene tree in the printed species tree, an unrooted one at its
// cheapest rooting). Also: constraint files, repeatability under a seed, a
// larger generated input, and inputs of one and two species.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "e2e/e2e_support.hpp"
#include "e2e/report_recount.hpp"
#include "support/direct_count.hpp"

namespace {

const std::string kLeafAddLine = "Using fast randomized leaf adding heuristic to build initial species tree\n";

// The clades of the report's species tree, as sets of names.
std::vector<std::set<std::string>> reportedClades(const std::string& out) {
  const std::size_t totals = out.rfind("[Total number of gene duplications + losses: ");
  const std::vector<InputTree> tree = inputTrees(out.substr(out.find('\n', totals) + 1));
  return tree.size() == 1 ? clades(PlainTree::parse(tree[0].newick)) : std::vector<std::set<std::string>>{};
}

// Standard output of a default run up to its search.
std::string runStart(const std::string& startLines, int rooted, int unrooted, int species,
                     const std::string& constraintLines = "") {
  return startLines + kLeafAddLine + std::to_string(rooted + unrooted) + " input gene trees total\n" +
         constraintLines + leafAddProgress(species) + std::to_string(rooted) + " rooted and " +
         std::to_string(unrooted) + " unrooted input gene trees total\n";
}

class DefaultRun : public ::testing::Test {
 protected:
  void SetUp() override {
    example = readFile(kSourceDir + "/examples/genetrees.nwk");
    ASSERT_NE(example.find("(Mouse,Rat)"), std::string::npos) << "examples not found in " << kSourceDir;
    dir.write("in.nwk", example);
  }
  ProcessResult run(const std::vector<std::string>& args, const std::string& stdinText = "") {
    return runDlspecies(args, dir.path(), stdinText);
  }
  // Expects standard output to begin with start, then the search and its
  // report, which agrees with a recount over input.
  void expectSearched(const ProcessResult& r, const std::string& start, const std::string& input,
                      const std::string& what) {
    EXPECT_EQ(r.out.substr(0, start.size()), start) << what;
    EXPECT_TRUE(isSearchAndReport(r.out.substr(std::min(start.size(), r.out.size())))) << what;
    EXPECT_TRUE(agreesWithRecount(r.out, input)) << what;
  }
  std::string example;
  TempDir dir;
};

TEST_F(DefaultRun, RecountCheckerReadsMarksAndCounts) {
  ASSERT_EQ(inputTrees("[c] [&U][&WEIGHT=0.5] ((A:1,B)x:2, C);\n[&U][&R](A,B);").size(), 2U);
  EXPECT_EQ(inputTrees("[&U][&WEIGHT=0.5] ((A:1,B)x:2, C);")[0].newick, "((A,B)x,C);");
  EXPECT_TRUE(inputTrees("[&WEIGHT=2][&U](A,B);")[0].unrooted);
  EXPECT_FALSE(inputTrees("[&U][&R](A,B);")[0].unrooted);
  EXPECT_EQ(inputTrees("[&WEIGHT=0.5][&U](A,B);")[0].weight, 0.5);
  EXPECT_EQ(asReported(111.5), "111.5");
  EXPECT_EQ(asReported(1234567), "1.23457e+06");
  // In ((A,B),C): ((A,C),B) has 1 duplication and 3 losses, but none at its
  // cheapest rooting; (A,B) costs nothing and (B,C) 1 loss.
  const std::string report =
      "[Weighted reconciliation cost: 9]\n[Total number of gene duplications + losses: 1 + 4 = 5]\n((A,B),C);\n";
  EXPECT_TRUE(agreesWithRecount(report, "[&WEIGHT=2]((A,C),B);\n[&WEIGHT=0.5](A,B);\n(B,C);\n"));
  EXPECT_FALSE(agreesWithRecount(report, "[&WEIGHT=2][&U]((A,C),B);\n[&WEIGHT=0.5](A,B);\n(B,C);\n"));
  EXPECT_FALSE(agreesWithRecount(report, "((A,C),B);\n(A,B);\n(B,C);\n"));
  EXPECT_FALSE(agreesWithRecount(report, "[&WEIGHT=2]((A,C),B);\n(B,C);\n(B,C);\n"));
}

TEST_F(DefaultRun, ExampleReportAgreesWithARecount) {
  for (const std::string seed : {"1", "2", "3"}) {
    const ProcessResult r = run({"--seed", seed, "-i", "in.nwk"});
    expectSearched(r, runStart("Input file: in.nwk\nRandom seed: " + seed + "\n", 13, 3, 8), example, seed);
    EXPECT_EQ(r.err, "") << seed;
    EXPECT_EQ(r.status, 0) << seed;
  }
}

// No single SPR move of the final species tree lowers the weighted cost,
// counted directly (unrooted gene trees at their cheapest rooting).
TEST_F(DefaultRun, ExampleEndsInAnSprLocalOptimum) {
  const ProcessResult r = run({"--seed", "1", "-q", "-i", "in.nwk"});
  ASSERT_EQ(r.status, 0);
  const std::size_t totals = r.out.rfind("[Total number of gene duplications + losses: ");
  const std::vector<InputTree> final = inputTrees(r.out.substr(r.out.find('\n', totals) + 1));
  ASSERT_EQ(final.size(), 1U) << r.out;
  const std::vector<InputTree> genes = inputTrees(example);
  auto cost = [&](const PlainTree& species) {
    double sum = 0;
    for (const InputTree& tree : genes) {
      const PlainTree gene = PlainTree::parse(tree.newick);
      sum += tree.weight * static_cast<double>((tree.unrooted ? cheapestRooting(species, gene, false)
                                                               : directCount(species, gene, false))
                                                   .total());
    }
    return sum;
  };
  const double finalCost = cost(PlainTree::parse(final[0].newick));
  EXPECT_EQ(valueAfter(r.out, "[Weighted reconciliation cost: "), asReported(finalCost));
  const std::vector<PlainTree> neighbours = sprNeighbours(PlainTree::parse(final[0].newick));
  EXPECT_GT(neighbours.size(), 100U) << "eight species have well over a hundred SPR moves";
  for (const PlainTree& neighbour : neighbours) {
    EXPECT_EQ(neighbour.leaves().size(), 8U);
    EXPECT_GE(cost(neighbour), finalCost) << neighbour.newick();
  }
}

TEST_F(DefaultRun, ConstraintsKeepTheirClades) {
  // These gene trees favour (Human,Mouse) and (Chimp,Rat).
  const std::string against = "((Human,Mouse),(Chimp,Rat));\n((Human,Mouse),(Chimp,Rat));\n(Human,Mouse);\n";
  const std::string twoTaxa = "Constraint of 2 taxa\n";
  const std::string both = "Human,Chimp;\nMouse,Rat;\n";
  const std::string bothLines = twoTaxa + twoTaxa + "2 constraints total\n";
  using Clade = std::set<std::string>;
  struct Case {
    std::string what;
    std::string input;
    int rooted, unrooted, species;
    std::string constraints;  // empty: no constraints file
    std::string lines;        // between the builder's summary and its progress
    std::string err;
    std::vector<Clade> wanted;
  };
  const std::vector<Case> cases = {
      {"example", example, 13, 3, 8, both, bothLines, "", {{"Human", "Chimp"}, {"Mouse", "Rat"}}},
      {"against the gene trees", against, 3, 0, 4, both, bothLines, "", {{"Human", "Chimp"}, {"Mouse", "Rat"}}},
      {"without constraints", against, 3, 0, 4, "", "", "", {{"Human", "Mouse"}, {"Chimp", "Rat"}}},
      {"unknown species", against, 3, 0, 4, "Human,Yeti;\nMouse,Rat;\n", twoTaxa + "1 constraints total\n",
       "WARNING: species 'Yeti' listed in constraints input was not found in taxa set - species ignored\n"
       "WARNING: constraint has to contain at least 2 species - constraint ignored\n",
       {{"Mouse", "Rat"}}},
  };
  for (const Case& c : cases) {
    dir.write("in.nwk", c.input);
    dir.write("cons.txt", c.constraints);
    std::vector<std::string> args{"--seed", "5", "-i", "in.nwk"};
    if (!c.constraints.empty()) args.insert(args.end(), {"--constraints", "cons.txt"});
    const ProcessResult r = run(args);
    const std::string head = (c.constraints.empty() ? "" : "Constraints file: cons.txt\n") +
                             std::string("Input file: in.nwk\nRandom seed: 5\n");
    expectSearched(r, runStart(head, c.rooted, c.unrooted, c.species, c.lines), c.input, c.what);
    EXPECT_EQ(r.err, c.err) << c.what;
    EXPECT_EQ(r.status, 0) << c.what;
    const std::vector<Clade> found = reportedClades(r.out);
    for (const Clade& clade : c.wanted)
      EXPECT_NE(std::find(found.begin(), found.end(), clade), found.end()) << c.what << ": " << *clade.begin();
  }
}

TEST_F(DefaultRun, NestedConstraintsAreRefused) {
  const std::string refused =
      "ERROR: The constraints are either contradictory or nested! This program can only handle non-nested "
      "constraints!\nTerminating...\n";
  const std::string twoTaxa = "Constraint of 2 taxa\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"A,B;B,C;", twoTaxa + twoTaxa + "2 constraints total\n"},
      {"A,B,A;", "Constraint of 3 taxa\n1 constraints total\n"},
  };
  for (const auto& [constraints, lines] : cases) {
    dir.write("cons.txt", constraints);
    const ProcessResult r = run({"--seed", "1", "--constraints", "cons.txt"}, "((A,B),(C,D));\n");
    const std::string start = "Constraints file: cons.txt\nRandom seed: 1\n" + kLeafAddLine;
    EXPECT_EQ(r.out, start + "1 input gene trees total\n" + lines) << constraints;
    EXPECT_EQ(r.err, refused) << constraints;
    EXPECT_EQ(r.status, 1) << constraints;
  }
}

TEST_F(DefaultRun, SeedDecidesTheResult) {
  const auto runWith = [&](const std::string& seed, const std::string& file) {
    const ProcessResult r = run({"--seed", seed, "-i", "in.nwk", "-o", file, "--genetrees"});
    EXPECT_EQ(r.status, 0) << seed;
    EXPECT_EQ(r.err, "") << seed;
    return dir.read(file);
  };
  const std::string first = runWith("11", "first.txt");
  EXPECT_EQ(runWith("11", "second.txt"), first);
  EXPECT_EQ(first.rfind("[Species tree]\n", 0), 0U) << first;
  EXPECT_NE(first.find("\n[Gene trees]\n"), std::string::npos) << first;
  EXPECT_TRUE(agreesWithRecount(first.substr(0, first.find("\n[Gene trees]\n") + 1), example));
  // Another seed may build another tree; its report is as good a one.
  const std::string other = runWith("12", "other.txt");
  EXPECT_TRUE(agreesWithRecount(other.substr(0, other.find("\n[Gene trees]\n") + 1), example));
}

// 50 species S0..S49, then 500 gene trees of 4 to 23 leaves drawn with
// repeats; every fifth tree is unrooted (with at most 11 leaves, as the
// recount tries each of its rootings), every seventh has a weight.
std::string generatedInput() {
  Lcg rng{2024};
  std::string text = "[generated]\n";
  for (int tree = 0; tree < 500; ++tree) {
    const bool unrooted = tree % 5 == 4;
    std::vector<std::string> leaves(4 + rng.below(unrooted ? 8 : 20));
    for (std::string& leaf : leaves) leaf = "S" + std::to_string(rng.below(50));
    if (unrooted) text += "[&U]";
    if (tree % 7 == 3) text += tree % 2 == 0 ? "[&WEIGHT=2.5]" : "[&WEIGHT=0.25]";
    text += joinRandomly(leaves, rng);
  }
  return text;
}

TEST_F(DefaultRun, GeneratedInputReportAgreesWithARecount) {
  const std::string input = generatedInput();
  std::set<std::string> named;
  for (const InputTree& tree : inputTrees(input)) {
    const PlainTree gene = PlainTree::parse(tree.newick);
    for (const int leaf : gene.leaves()) named.insert(gene.label[leaf]);
  }
  ASSERT_EQ(named.size(), 50U);
  dir.write("generated.nwk", input);
  const auto started = std::chrono::steady_clock::now();
  const ProcessResult r = run({"--seed", "9", "-i", "generated.nwk"});
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  RecordProperty("run_seconds", std::to_string(seconds));
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
  const std::string start = runStart("Input file: generated.nwk\nRandom seed: 9\n", 400, 100, 50);
  EXPECT_EQ(r.out.substr(0, start.size()), start);
  const std::size_t report = r.out.find("[Species tree]\n");
  ASSERT_NE(report, std::string::npos) << r.out;
  EXPECT_TRUE(isReport(r.out.substr(report)));
  EXPECT_EQ(valueAfter(r.out, "\nFinal weighted reconciliation cost: "),
            valueAfter(r.out, "[Weighted reconciliation cost: "));
  EXPECT_TRUE(agreesWithRecount(r.out, input));
}

TEST_F(DefaultRun, OneAndTwoSpecies) {
  struct Case {
    std::string input;
    int species;
    std::string report;
  };
  const std::vector<Case> cases = {
      {"(A,A);\n", 1,
       "[Species tree]\n[Size: 1 nodes 1 leaves]\n[Weighted reconciliation cost: 1]\n"
       "[Total number of gene duplications + losses: 1 + 0 = 1]\nA;\n"},
      {"(A,B);\n", 2,
       "[Species tree]\n[Size: 3 nodes 2 leaves]\n[Weighted reconciliation cost: 0]\n"
       "[Total number of gene duplications + losses: 0 + 0 = 0]\n(A,B);\n"},
  };
  for (const Case& c : cases) {
    const ProcessResult r = run({"--seed", "1"}, c.input);
    const std::string start = "Random seed: 1\n" + kLeafAddLine + "1 input gene trees total\nLeaf set size: " +
                              std::to_string(c.species) + "\n";
    EXPECT_EQ(r.out.substr(0, start.size()), start) << c.input;
    EXPECT_NE(r.out.find("\n1 rooted and 0 unrooted input gene trees total\nComputing...\n"), std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - std::min(r.out.size(), c.report.size())), c.report) << c.input;
    EXPECT_EQ(r.err, "") << c.input;
    EXPECT_EQ(r.status, 0) << c.input;
  }
}

}  // namespace
