// The benchmark data generator: reproducible for a seed, marks that do not
// change the trees, Yule trees of height one, families that follow their
// rates, names dealt at random, leaves moved by the noise.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "data_set.hpp"
#include "support/direct_count.hpp"
#include "yule_species_tree.hpp"

using namespace dls;

namespace {

using namespace dlsim;

std::vector<std::string> generate(const SimOptions& options, DataSetSize* size = nullptr,
                                  std::string* speciesTree = nullptr) {
  SimRandom random(options.seed);
  std::ostringstream out;
  const DataSetSize written = writeDataSet(options, random, out, nullptr, speciesTree);
  if (size != nullptr) *size = written;
  std::vector<std::string> lines;
  std::istringstream in(out.str());
  for (std::string line; std::getline(in, line);) lines.push_back(line.substr(line.rfind(']') + 1));
  return lines;
}

SimOptions options(int species, int families, std::uint64_t seed) {
  SimOptions o;
  o.species = species;
  o.families = families;
  o.seed = seed;
  return o;
}

TEST(Dlsim, SeedsReproduceDataAndMarksLeaveTheTrees) {
  SimOptions plain = options(15, 40, 3);
  SimOptions marked = plain;
  marked.unrootedShare = marked.weightedShare = 1.0;
  EXPECT_EQ(generate(marked), generate(plain));
  EXPECT_EQ(generate(plain), generate(plain));
  plain.seed = 4;
  EXPECT_NE(generate(plain), generate(marked));
}

TEST(Dlsim, YuleTreesHaveNamedLeavesAtHeightOne) {
  for (int leaves : {2, 3, 150}) {
    SimRandom random(static_cast<std::uint64_t>(leaves));
    const YuleSpeciesTree tree = growYuleTree(leaves, random);
    const PlainTree plain = PlainTree::parse(tree.newick());
    std::set<std::string> names;
    for (int leaf : plain.leaves()) names.insert(plain.label[static_cast<std::size_t>(leaf)]);
    EXPECT_EQ(names.size(), static_cast<std::size_t>(leaves));
    EXPECT_EQ(*names.rbegin(), speciesName(leaves, leaves));
    for (std::size_t node = 0; node < tree.nodes.size(); ++node) {
      if (!tree.isLeaf(static_cast<int>(node))) continue;
      double height = 0;
      for (int v = static_cast<int>(node); v >= 0; v = tree.nodes[static_cast<std::size_t>(v)].parent)
        height += tree.nodes[static_cast<std::size_t>(v)].length;
      EXPECT_NEAR(height, 1.0, 1e-9);
    }
  }
}

TEST(Dlsim, FamiliesFollowTheirRates) {
  SimOptions o = options(12, 30, 21);
  o.speciesTreeFirst = true;
  o.rates = {0, 0, 1, 0};  // no events: every family is the species tree
  std::vector<std::string> lines = generate(o);
  for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(lines[i], lines[0]);
  o.rates = {0.6, 0, 1, 0};  // duplications only: more genes, every species kept
  lines = generate(o);
  long genes = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const PlainTree family = PlainTree::parse(lines[i]);
    genes += static_cast<long>(family.leaves().size());
    EXPECT_EQ(clades(family)[static_cast<std::size_t>(family.root)], clades(PlainTree::parse(lines[0]))[0]);
  }
  EXPECT_GT(genes, 12L * static_cast<long>(lines.size() - 1));
}

std::multiset<std::string> leafLabels(const std::string& newick) {
  const PlainTree tree = PlainTree::parse(newick);
  std::multiset<std::string> labels;
  for (int leaf : tree.leaves()) labels.insert(tree.label[static_cast<std::size_t>(leaf)]);
  return labels;
}

TEST(Dlsim, OrderedNamesAndNoNoiseGiveTheDataOfBefore) {
  SimOptions o = options(6, 4, 5);
  o.rates.leafSwaps = 1;
  o.speciesTreeFirst = o.orderedNames = true;
  std::string speciesTree;
  EXPECT_EQ(
      generate(o, nullptr, &speciesTree),
      (std::vector<std::string>{"((S001,S002),((S003,S004),(S005,S006)));", "(S006,((S003,S004),(S005,(S006,S002))));",
                                "((S003,S004),(S005,S006));", "((S001,S004),(((S003,S002),(S003,S004)),(S005,S006)));",
                                "((((S001,S001),S001),(S002,S004)),(((S003,S004),(S003,S002)),(S005,S006)));"}));
  EXPECT_EQ(speciesTree, "((S001,S002),((S003,S004),(S005,S006)));");
}

// By default the names are a permutation of the ordered ones, the trees
// otherwise the same.
TEST(Dlsim, SpeciesNamesComeInRandomOrder) {
  SimOptions ordered = options(15, 30, 3);
  ordered.speciesTreeFirst = ordered.orderedNames = true;
  SimOptions shuffled = ordered;
  shuffled.orderedNames = false;
  const std::vector<std::string> before = generate(ordered), after = generate(shuffled);
  const PlainTree orderedTree = PlainTree::parse(before[0]), shuffledTree = PlainTree::parse(after[0]);
  std::map<std::string, std::string> renamed;
  for (int leaf : orderedTree.leaves())
    renamed[shuffledTree.label[static_cast<std::size_t>(leaf)]] = orderedTree.label[static_cast<std::size_t>(leaf)];
  ASSERT_EQ(renamed.size(), 15u);
  EXPECT_EQ(leafLabels(after[0]), leafLabels(before[0]));
  int fixedNames = 0;
  for (const auto& [from, to] : renamed) fixedNames += from == to ? 1 : 0;
  EXPECT_LT(fixedNames, 5);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < after.size(); ++i) {
    PlainTree tree = PlainTree::parse(after[i]);
    for (int leaf : tree.leaves())
      tree.label[static_cast<std::size_t>(leaf)] = renamed[tree.label[static_cast<std::size_t>(leaf)]];
    EXPECT_EQ(tree.newick(), PlainTree::parse(before[i]).newick()) << i;
  }
  EXPECT_EQ(generate(shuffled), after);
}

// The noise keeps every family's genes and the tree binary; at chance 1
// every leaf of a family of three or more moves.
TEST(Dlsim, NoiseMovesLeavesWithinTheirFamily) {
  SimOptions o = options(10, 40, 8);
  const std::vector<std::string> clean = generate(o);
  for (double chance : {0.0, 0.3, 1.0}) {
    o.rates.sprNoise = chance;
    DataSetSize size;
    const std::vector<std::string> noisy = generate(o, &size);
    ASSERT_EQ(noisy.size(), clean.size());
    EXPECT_EQ(generate(o), noisy);
    long movable = 0, changed = 0;
    for (std::size_t i = 0; i < noisy.size(); ++i) {
      EXPECT_EQ(leafLabels(noisy[i]), leafLabels(clean[i])) << noisy[i];
      EXPECT_EQ(PlainTree::parse(noisy[i]).newick(), noisy[i]);
      movable += leafLabels(noisy[i]).size() >= 3 ? static_cast<long>(leafLabels(noisy[i]).size()) : 0;
      changed += noisy[i] != clean[i] ? 1 : 0;
    }
    EXPECT_TRUE(chance < 1.0 || size.movedLeaves == movable) << size.movedLeaves << " of " << movable;
    EXPECT_TRUE(chance == 0.0 ? changed == 0 && size.movedLeaves == 0 : changed > 10) << chance;
  }
}

TEST(Dlsim, OptionsOfNoiseNamesAndTheSpeciesTreeFile) {
  SimOptions o;
  std::string error;
  ASSERT_TRUE(parseSimOptions({"--spr-noise", "0.25", "--ordered-names", "--species-tree-out", "t.nwk"}, o, error));
  EXPECT_EQ(std::to_string(o.rates.sprNoise) + " " + std::to_string(o.orderedNames) + " " + o.speciesTreeOutput,
            "0.250000 1 t.nwk");
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--spr-noise", "1.5"}, {"--species-tree-out", "a", "-o", "a"}, {"--map", "a", "--species-tree-out", "a"}})
    EXPECT_FALSE(parseSimOptions(bad, o, error)) << bad[0];
}

}  // namespace
