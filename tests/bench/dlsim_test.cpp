// The benchmark data generator: deterministic for a seed, well-formed trees
// over the species of its species tree, and the duplication-loss process
// doing what its rates say.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "data_set.hpp"
#include "sim_options.hpp"
#include "support/direct_count.hpp"
#include "yule_species_tree.hpp"

namespace {

using namespace dlsim;

std::string generate(const SimOptions& options) {
  SimRandom random(options.seed);
  std::ostringstream out;
  writeDataSet(options, random, out);
  return out.str();
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// A line without its leading comments.
std::string treeOf(const std::string& line) {
  std::size_t at = 0;
  while (at < line.size() && line[at] == '[') at = line.find(']', at) + 1;
  return line.substr(at);
}

SimOptions options(int species, int families, std::uint64_t seed) {
  SimOptions o;
  o.species = species;
  o.families = families;
  o.seed = seed;
  return o;
}

TEST(Dlsim, SameSeedSameDataOtherSeedOtherData) {
  SimOptions o = options(20, 30, 7);
  o.unrootedShare = o.weightedShare = 0.5;
  const std::string first = generate(o);
  EXPECT_EQ(generate(o), first);
  o.seed = 8;
  EXPECT_NE(generate(o), first);
}

// The marks and the species-tree line do not change the families of a seed.
TEST(Dlsim, MarksDoNotChangeTheTrees) {
  SimOptions plain = options(15, 40, 3);
  SimOptions marked = plain;
  marked.unrootedShare = marked.weightedShare = 1.0;
  marked.speciesTreeFirst = true;
  const std::vector<std::string> a = lines(generate(plain)), b = lines(generate(marked));
  ASSERT_EQ(b.size(), a.size() + 1);
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(treeOf(b[i + 1]), a[i]);
    EXPECT_NE(b[i + 1].find("[&WEIGHT="), std::string::npos);
    const bool unrooted = b[i + 1].rfind("[&U]", 0) == 0;
    EXPECT_EQ(unrooted, PlainTree::parse(a[i]).leaves().size() >= 3) << b[i + 1];
  }
}

TEST(Dlsim, YuleTreeHasNamedLeavesAtHeightOne) {
  for (int leaves : {2, 3, 10, 150, 1200}) {
    SimRandom random(static_cast<std::uint64_t>(leaves));
    const YuleSpeciesTree tree = growYuleTree(leaves, random);
    const PlainTree plain = PlainTree::parse(tree.newick());
    std::set<std::string> names;
    for (int leaf : plain.leaves()) names.insert(plain.label[static_cast<std::size_t>(leaf)]);
    EXPECT_EQ(static_cast<int>(names.size()), leaves);
    EXPECT_EQ(*names.begin(), speciesName(1, leaves));
    EXPECT_EQ(*names.rbegin(), speciesName(leaves, leaves));
    for (std::size_t node = 0; node < tree.nodes.size(); ++node) {
      if (!tree.isLeaf(static_cast<int>(node))) continue;
      double height = 0;
      for (int v = static_cast<int>(node); v >= 0; v = tree.nodes[static_cast<std::size_t>(v)].parent)
        height += tree.nodes[static_cast<std::size_t>(v)].length;
      EXPECT_NEAR(height, 1.0, 1e-9);
    }
  }
  SimRandom random(1);
  EXPECT_EQ(growYuleTree(1, random).newick(), "(S001);");
  EXPECT_EQ(speciesName(7, 20), "S007");
  EXPECT_EQ(speciesName(7, 1000), "S0007");
}

// Families are trees of at least two genes over the species tree's names;
// without duplications and losses each family is the species tree itself.
TEST(Dlsim, FamiliesFollowTheirRates) {
  struct Case {
    const char* what;
    double duplication, loss;
    int rootCopies, swaps;
  };
  const Case cases[] = {
      {"no events", 0, 0, 1, 0},  {"losses only", 0, 0.8, 1, 0}, {"duplications only", 0.6, 0, 1, 0},
      {"defaults", 0.5, 0.2, 1, 0}, {"three root copies", 0.5, 0.2, 3, 0}, {"swapped leaves", 0, 0, 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SimOptions o = options(12, 60, 21);
    o.rates = {c.duplication, c.loss, c.rootCopies, c.swaps};
    o.speciesTreeFirst = true;
    const std::vector<std::string> all = lines(generate(o));
    ASSERT_GE(all.size(), 2U);
    const PlainTree species = PlainTree::parse(all[0]);
    std::set<std::string> names;
    for (int leaf : species.leaves()) names.insert(species.label[static_cast<std::size_t>(leaf)]);
    for (std::size_t i = 1; i < all.size(); ++i) {
      const PlainTree gene = PlainTree::parse(all[i]);
      std::map<std::string, int> copies;
      for (int leaf : gene.leaves()) ++copies[gene.label[static_cast<std::size_t>(leaf)]];
      EXPECT_GE(gene.leaves().size(), 2U);
      for (const auto& [name, count] : copies) EXPECT_EQ(names.count(name), 1U) << name;
      if (c.duplication == 0 && c.rootCopies == 1) {
        for (const auto& [name, count] : copies) EXPECT_EQ(count, 1) << all[i];
      }
      if (c.duplication == 0 && c.loss == 0) {
        EXPECT_EQ(copies.size(), names.size()) << all[i];
      }
      if (c.duplication == 0 && c.loss == 0 && c.swaps == 0) {
        EXPECT_EQ(all[i], all[0]);
      }
      if (c.rootCopies == 3 && c.loss == 0) {
        EXPECT_GE(gene.leaves().size(), 3 * names.size());
      }
    }
    if (c.loss == 0) {
      EXPECT_EQ(all.size(), 61U) << "no family dies without losses";
    }
  }
}

TEST(Dlsim, DefaultFamiliesHaveRoughlyNToTwoNGenes) {
  SimRandom random(1);
  std::ostringstream out;
  const DataSetSize size = writeDataSet(options(40, 200, 1), random, out);
  EXPECT_GT(size.families, 180);
  const double perFamily = static_cast<double>(size.geneLeaves) / size.families;
  EXPECT_GE(perFamily, 40.0);
  EXPECT_LE(perFamily, 80.0);
}

TEST(Dlsim, Options) {
  SimOptions o;
  std::string error;
  ASSERT_TRUE(parseSimOptions({"-n", "30", "--families", "7", "--dup", "0.25", "--loss", "0", "--root-copies", "2",
                               "--swaps", "3", "--unrooted", "0.5", "--weighted", "1", "--species-tree", "--seed",
                               "99", "-o", "x.nwk"},
                              o, error))
      << error;
  EXPECT_EQ(o.species, 30);
  EXPECT_EQ(o.families, 7);
  EXPECT_EQ(o.rates.duplication, 0.25);
  EXPECT_EQ(o.rates.loss, 0.0);
  EXPECT_EQ(o.rates.rootCopies, 2);
  EXPECT_EQ(o.rates.leafSwaps, 3);
  EXPECT_EQ(o.unrootedShare, 0.5);
  EXPECT_EQ(o.weightedShare, 1.0);
  EXPECT_TRUE(o.speciesTreeFirst);
  EXPECT_EQ(o.seed, 99U);
  EXPECT_EQ(o.output, "x.nwk");

  const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
      {{"-n", "0"}, "invalid value of -n: 0"},
      {{"-n", "-3"}, "invalid value of -n: -3"},
      {{"--species", "ten"}, "invalid value of --species: ten"},
      {{"--dup", "-1"}, "invalid value of --dup: -1"},
      {{"--loss", "nan"}, "invalid value of --loss: nan"},
      {{"--unrooted", "1.5"}, "invalid value of --unrooted: 1.5"},
      {{"--seed"}, "option --seed needs a value"},
      {{"--frobnicate", "1"}, "unknown argument --frobnicate"},
  };
  for (const auto& [args, message] : bad) {
    SimOptions ignored;
    EXPECT_FALSE(parseSimOptions(args, ignored, error)) << message;
    EXPECT_EQ(error, message);
  }
}

}  // namespace
