// The benchmark data generator: reproducible for a seed, marks that do not
// change the trees, Yule trees of height one, families that follow their
// rates.

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "data_set.hpp"
#include "support/direct_count.hpp"
#include "yule_species_tree.hpp"

namespace {

using namespace dlsim;

std::vector<std::string> generate(const SimOptions& options) {
  SimRandom random(options.seed);
  std::ostringstream out;
  writeDataSet(options, random, out);
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

}  // namespace
