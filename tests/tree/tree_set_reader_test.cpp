// Reading the trees of a stage: species tree, rooted and unrooted gene trees,
// weights and the summary line.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "builder/leafadd_tree_set.hpp"
#include "driver/globals.hpp"
#include "report/report_tree_set.hpp"
#include "search/search_tree_set.hpp"

namespace {

template <class Set>
std::unique_ptr<Set> readSet(const std::string& text, std::string* out = nullptr) {
  auto set = std::make_unique<Set>();
  std::istringstream stream(text);
  Input in(stream);
  testing::internal::CaptureStdout();
  set->readTrees(in);
  const std::string printed = testing::internal::GetCapturedStdout();
  if (out != nullptr) *out = printed;
  return set;
}

// Leaf names of a tree, e.g. "AB".
template <class T>
std::string leafNames(T* tree) {
  std::string s;
  for (auto* leaf : tree->leaves) s += leaf->name();
  return s;
}

// "leaves:weight" of every gene tree of a list.
template <class List>
std::string describe(const List& trees) {
  std::string s;
  for (auto* tree : trees) {
    std::ostringstream w;
    w << tree->weight;
    s += (s.empty() ? "" : " ") + leafNames(tree) + ":" + w.str();
  }
  return s;
}

const char* const kMixed = "((A,B),C);\n[&U] (A,(B,C));\n(A,B);\n";

TEST(TreeSetReaderSearch, KindsAndWeights) {
  // Gene-tree text after the species tree; rooted and unrooted trees found.
  const struct { const char *genes, *rooted, *unrooted; } cases[] = {
      {"[&U] (A,(B,C));\n(A,B);", "AB:1", "ABC:1"},
      {"[&WEIGHT=2.5](A,B);(A,C);", "AB:2.5 AC:1", ""},
      {"[&U][&WEIGHT=3](A,B);", "", "AB:3"},
      {"[&WEIGHT=3][&U](A,B);", "", "AB:3"},
      {"[&U][&R](A,B);", "AB:1", ""},
      {"[&U&WEIGHT=2](A,B);", "AB:1", ""},
      {"[note [&WEIGHT=2](A,B);", "AB:2", ""},
      {"[&WEIGHT=2 [&WEIGHT=3](A,B);", "AB:2", ""},  // the first occurrence counts
      {"[&u](A,B);[ &U](A,C);[&U ](B,C);", "AB:1 AC:1 BC:1", ""},
      {"[&WEIGHT= 4 ](A,B);[&WEIGHT=1e-3][x](A,C);[&WEIGHT=2][&WEIGHT=5](B,C);",
       "AB:4 AC:0.001 BC:5", ""},
      {"[&U][&WEIGHT=2](A,B);(A,C);[&U](B,C);(C,A);", "AC:1 CA:1", "AB:2 BC:1"},
      {"(A,B);[&U](A,C)[&WEIGHT=0];", "AB:1", "AC:1"},  // inside a tree: not a mark
  };
  quiet = true;
  for (const auto& c : cases) {
    auto set = readSet<localsearch::TreeSet>(std::string("((A,B),C);") + c.genes);
    EXPECT_EQ(describe(set->rootedGeneTrees), c.rooted) << c.genes;
    EXPECT_EQ(describe(set->unrootedGeneTrees), c.unrooted) << c.genes;
    EXPECT_EQ(leafNames(set->speciesTree), "ABC");
  }
}

TEST(TreeSetReaderSearch, SpeciesTreeColouredAndItsCommentsSkipped) {
  quiet = true;
  const char* text = "[&U][&WEIGHT=0](((A,B)[&CONSTRAINT],C),D)[&CONSTRAINT];(A,B);";
  auto set = readSet<localsearch::TreeSet>(text);
  EXPECT_EQ(describe(set->rootedGeneTrees), "AB:1");
  EXPECT_TRUE(set->unrootedGeneTrees.empty());
  const localsearch::SpeciesTree& species = *set->speciesTree;
  EXPECT_EQ(species.constraintCount, 2u);
  std::string colours;
  for (auto* leaf : species.leaves) colours += leaf->name() + std::to_string(leaf->color);
  EXPECT_EQ(colours, "A2B2C1D1");
}

TEST(TreeSetReaderStages, SameTextPerStage) {
  quiet = false;
  std::string out;
  readSet<localsearch::TreeSet>(kMixed, &out);
  EXPECT_EQ(out, "1 rooted and 1 unrooted input gene trees total\n");
  auto report = readSet<genedupreport::TreeSet>(kMixed, &out);
  EXPECT_EQ(out, "");
  EXPECT_EQ(leafNames(report->speciesTree), "ABC");
  ASSERT_EQ(report->rootedGeneTrees.size(), 1u);
  ASSERT_EQ(report->unrootedGeneTrees.size(), 1u);
  EXPECT_EQ(leafNames(report->unrootedGeneTrees[0]), "ABC");

  auto leafadd = readSet<buildtree::LEAFADD::TreeSet>(kMixed, &out);
  EXPECT_EQ(out, "3 input gene trees total\n");
  quiet = true;
  ASSERT_NE(leafadd->speciesTree, nullptr);
  EXPECT_EQ(leafadd->speciesTree->root, nullptr);
  EXPECT_TRUE(leafadd->speciesTree->nodes.empty());
  EXPECT_TRUE(leafadd->unrootedGeneTrees.empty());
  std::vector<std::string> genes;
  for (auto* tree : leafadd->rootedGeneTrees) genes.push_back(leafNames(tree));
  EXPECT_EQ(genes, (std::vector<std::string>{"ABC", "ABC", "AB"}));
  EXPECT_TRUE(leafadd->constraints.empty());
  // Weights are neither read nor checked outside the search.
  report = readSet<genedupreport::TreeSet>("((A,B),C);[&WEIGHT=0](A,B);[&WEIGHT=abc][&U](A,C);");
  EXPECT_TRUE(report->rootedGeneTrees.size() == 1 && report->unrootedGeneTrees.size() == 1);
  leafadd = readSet<buildtree::LEAFADD::TreeSet>("[&WEIGHT=-1](A,B);[&WEIGHT=x][&U](A,C);");
  EXPECT_EQ(leafadd->rootedGeneTrees.size(), 2u);
}

TEST(TreeSetReaderStages, SummaryCountsUnlessQuiet) {
  quiet = true;
  std::string search, leafadd;
  readSet<localsearch::TreeSet>(kMixed, &search);
  readSet<buildtree::LEAFADD::TreeSet>(kMixed, &leafadd);
  EXPECT_EQ(search + leafadd, "");
  quiet = false;
  readSet<localsearch::TreeSet>("(A,B);[&U](A,B);", &search);
  EXPECT_EQ(search, "0 rooted and 1 unrooted input gene trees total\n");
  quiet = true;
}

template <class Set>
void expectFatal(const std::string& text, const std::string& message) {
  EXPECT_EXIT(
      {
        quiet = true;
        Set set;
        std::istringstream stream(text);
        Input in(stream);
        set.readTrees(in);
      },
      testing::ExitedWithCode(1), testing::Eq("ERROR: " + message + "\n"))
      << text;
}

TEST(TreeSetReaderErrors, SearchStage) {
  using S = localsearch::TreeSet;
  const std::string weight = "the weight of each gene tree has to be greater than 0";
  expectFatal<S>("((A,B),C);[&WEIGHT=0](A,B);", weight);
  expectFatal<S>("((A,B),C);(A,B);[&WEIGHT=-1]", weight);
  expectFatal<S>("((A,B),C);(A,B);[&WEIGHT=0]\n", weight);
  expectFatal<S>("((A,B),C);[&WEIGHT=abc](A,B);", "cannot read numeric value at line 1 column 2");
  expectFatal<S>("((A,B),C);[&WEIGHT=1.5.3](A,B);", "cannot read numeric value at line 1 column 7");
  expectFatal<S>("", "missing input for species tree line 1 column 1");
  expectFatal<S>("  \n", "missing input for species tree line 1 column 3");
  expectFatal<S>("[only a comment]", "missing input for species tree line 1 column 16");
  expectFatal<S>("((A,B),C);\n", "missing input for gene trees line 1 column 11");
  expectFatal<S>("((A,B),C);[&U]", "missing input for gene trees line 1 column 14");
  expectFatal<S>("((A,B),C);(A,B)", "unexpected end in the tree expression line 1 column 16");
}

TEST(TreeSetReaderErrors, OtherStages) {
  using R = genedupreport::TreeSet;
  using L = buildtree::LEAFADD::TreeSet;
  expectFatal<R>("", "missing input for species tree line 1 column 1");
  expectFatal<R>("((A,B),C);\n", "missing input for gene trees line 1 column 11");
  expectFatal<R>("((A,B),C);\n\n[&U]", "missing input for gene trees line 3 column 4");
  expectFatal<L>("", "missing input for gene trees line 1 column 1");
  expectFatal<L>(" [&U] [&WEIGHT=2]", "missing input for gene trees line 1 column 17");
  expectFatal<L>("(A,B);x", "problem in the tree expression line 1 column 8 xthis");
}

}  // namespace
