// The benchmark data generator: reproducible for a seed, marks that do not
// change the trees, Yule trees of height one, families that follow their
// rates, names dealt at random, leaves moved by the noise, sequences that
// leave the trees alone and follow the substitution model.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <sstream>

#include "data_set.hpp"
#include "substitution_model.hpp"
#include "support/direct_count.hpp"
#include "tree_distance.hpp"
#include "yule_species_tree.hpp"

using namespace dls;

namespace {

using namespace dlsim;

std::vector<std::string> generate(const SimOptions& options, DataSetSize* size = nullptr,
                                  std::string* speciesTree = nullptr) {
  SimRandom random(options.seed);
  std::ostringstream out;
  DataSetOutputs outputs;
  outputs.speciesTree = speciesTree;
  const DataSetSize written = writeDataSet(options, random, out, outputs);
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
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"--spr-noise", "1.5"},
                                             {"--species-tree-out", "a", "-o", "a"},
                                             {"--map", "a", "--species-tree-out", "a"},
                                             {"--alignments", "d"},
                                             {"--gene-labels", "--sites", "0"},
                                             {"--subst-scale", "0"},
                                             {"--true-gene-trees", "a", "--map", "a"}})
    EXPECT_FALSE(parseSimOptions(bad, o, error)) << bad[0];
}

// The gene trees, the true gene trees and the alignments of a data set, in text.
struct WithSequences {
  std::string geneTrees, trueGeneTrees;
  std::vector<std::string> alignments;
};

WithSequences generateWithSequences(const SimOptions& options, bool trueTrees, bool alignments) {
  SimRandom random(options.seed);
  std::ostringstream out, trees;
  WithSequences data;
  DataSetOutputs outputs;
  if (trueTrees) outputs.trueGeneTrees = &trees;
  if (alignments)
    outputs.alignment = [&](int family, const std::string& fasta) {
      EXPECT_EQ(family, static_cast<int>(data.alignments.size()) + 1);
      data.alignments.push_back(fasta);
    };
  writeDataSet(options, random, out, outputs);
  data.geneTrees = out.str();
  data.trueGeneTrees = trees.str();
  return data;
}

std::set<std::string> leafNames(const WrittenTree& tree) {
  std::set<std::string> names;
  for (const std::string& name : tree.name)
    if (!name.empty()) names.insert(name);
  return names;
}

// Asking for sequences changes no gene tree; a seed gives the same bytes;
// each true gene tree has its gene tree's leaves (its very tree without
// noise) and each alignment one sequence of the asked length per leaf.
TEST(Dlsim, SequencesLeaveTheTreesAndFitThem) {
  SimOptions o = options(12, 30, 9);
  o.geneLabels = true;
  o.rates.leafSwaps = 1;
  o.sites = 57;
  for (double noise : {0.0, 0.3}) {
    o.rates.sprNoise = noise;
    const WithSequences plain = generateWithSequences(o, false, false);
    const WithSequences trees = generateWithSequences(o, true, false);
    const WithSequences all = generateWithSequences(o, true, true);
    EXPECT_EQ(trees.geneTrees, plain.geneTrees);
    EXPECT_EQ(all.geneTrees, plain.geneTrees);
    EXPECT_EQ(all.trueGeneTrees, trees.trueGeneTrees);
    const WithSequences again = generateWithSequences(o, true, true);
    EXPECT_EQ(again.trueGeneTrees + again.alignments.back(), all.trueGeneTrees + all.alignments.back());

    const std::vector<WrittenTree> geneTrees = readNewickTrees(all.geneTrees);
    const std::vector<WrittenTree> trueTrees = readNewickTrees(all.trueGeneTrees);
    ASSERT_EQ(trueTrees.size(), geneTrees.size());
    ASSERT_EQ(all.alignments.size(), geneTrees.size());
    std::istringstream geneLines(all.geneTrees), trueLines(all.trueGeneTrees);
    int changed = 0;
    for (std::size_t k = 0; k < geneTrees.size(); ++k) {
      std::string geneLine, trueLine;
      std::getline(geneLines, geneLine), std::getline(trueLines, trueLine);
      std::string withoutLengths;
      for (std::size_t i = 0; i < trueLine.size(); ++i) {
        if (trueLine[i] != ':') {
          withoutLengths += trueLine[i];
          continue;
        }
        const std::size_t end = trueLine.find_first_of(",);", i);
        EXPECT_GT(std::stod(trueLine.substr(i + 1, end - i - 1)), 0.0) << "lengths above 0: " << trueLine;
        i = end - 1;
      }
      EXPECT_TRUE(noise > 0.0 || withoutLengths == geneLine) << trueLine;
      changed += withoutLengths == geneLine ? 0 : 1;
      const std::set<std::string> leaves = leafNames(geneTrees[k]);
      EXPECT_EQ(leafNames(trueTrees[k]), leaves);
      std::set<std::string> named;
      std::istringstream fasta(all.alignments[k]);
      for (std::string name, bases; std::getline(fasta, name) && std::getline(fasta, bases);) {
        EXPECT_EQ(name[0], '>');
        named.insert(name.substr(1));
        EXPECT_EQ(bases.size(), 57u);
        EXPECT_EQ(bases.find_first_not_of("ACGT"), std::string::npos);
      }
      EXPECT_EQ(named, leaves) << all.alignments[k];
    }
    EXPECT_TRUE(noise == 0.0 || changed > 10) << changed;
  }
}

// The rates across sites of a gamma of shape 1 (exponential): four times the
// mean over each quarter, in closed form; shape 0.5 against published values.
TEST(Dlsim, DiscreteGammaRatesAreTheQuartersMeans) {
  double below = 0.0;
  const std::array<double, 4> exponential = discreteGammaRates(1.0);
  for (int k = 0; k < 4; ++k) {
    const double upper = k == 3 ? INFINITY : -std::log(1.0 - (k + 1) / 4.0);
    const double upTo = k == 3 ? 1.0 : 1.0 - (upper + 1.0) * std::exp(-upper);  // mass of x e^-x up to it
    EXPECT_NEAR(exponential[static_cast<std::size_t>(k)], 4.0 * (upTo - below), 1e-9) << k;
    below = upTo;
  }
  const std::array<double, 4> half = discreteGammaRates(0.5), published = {0.0334, 0.2519, 0.8203, 2.8944};
  for (std::size_t k = 0; k < 4; ++k) EXPECT_NEAR(half[k], published[k], 1e-4) << k;
  EXPECT_NEAR(regularisedGammaP(3.0, 2.0), 1.0 - 5.0 * std::exp(-2.0), 1e-12);
  EXPECT_NEAR(regularisedGammaP(3.0, 9.0), 1.0 - 50.5 * std::exp(-9.0), 1e-12);
}

// Two leaves at distance d on a long alignment: their share of differing
// sites is the GTR + gamma expectation, with the transition chances summed
// from the exponential series of the rate matrix written from its
// definition; the leaves' bases follow the frequencies.
TEST(Dlsim, SequencesDifferAsTheModelExpects) {
  GtrParameters gtr;
  gtr.frequencies = {0.1, 0.2, 0.3, 0.4};
  gtr.exchange = {1.0, 4.0, 0.5, 1.5, 5.0, 2.0};
  gtr.gammaShape = 0.7;
  const SubstitutionModel model(gtr);
  double q[4][4] = {}, mean = 0.0;
  const int pairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
  for (int p = 0; p < 6; ++p) {
    const int i = pairs[p][0], j = pairs[p][1];
    q[i][j] = gtr.exchange[p] * gtr.frequencies[j], q[j][i] = gtr.exchange[p] * gtr.frequencies[i];
    q[i][i] -= q[i][j], q[j][j] -= q[j][i];
    mean += 2.0 * gtr.frequencies[i] * q[i][j];
  }
  const auto series = [&](double t) {  // exp(Q t), Q scaled to one substitution per unit
    double sum[4][4] = {}, term[4][4] = {};
    for (int i = 0; i < 4; ++i) sum[i][i] = term[i][i] = 1.0;
    for (int n = 1; n < 60; ++n) {
      double next[4][4] = {};
      for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
          for (int k = 0; k < 4; ++k) next[i][j] += term[i][k] * q[k][j] / mean * t / n;
      for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) sum[i][j] += term[i][j] = next[i][j];
    }
    return std::vector<double>(&sum[0][0], &sum[0][0] + 16);
  };
  const double d = 0.4;
  double expected = 0.0;
  for (double rate : model.categoryRates()) {
    const std::vector<double> chance = series(rate * d);
    for (std::size_t i = 0; i < 4; ++i) {
      for (std::size_t j = 0; j < 4; ++j) EXPECT_NEAR(model.transition(rate * d)[i][j], chance[4 * i + j], 1e-12);
      expected += gtr.frequencies[i] * (1.0 - chance[5 * i]) / 4.0;
    }
  }
  SimRandom random(17);
  const int sites = 200000;
  const std::vector<std::string> sequence = evolveSequences({-1, 0, 0}, {0.0, d / 2, d / 2}, model, sites, random);
  int differ = 0;
  std::map<char, int> bases;
  for (int site = 0; site < sites; ++site) {
    differ += sequence[1][static_cast<std::size_t>(site)] != sequence[2][static_cast<std::size_t>(site)] ? 1 : 0;
    ++bases[sequence[2][static_cast<std::size_t>(site)]];
  }
  EXPECT_NEAR(static_cast<double>(differ) / sites, expected, 0.005);  // a standard deviation is 0.001
  for (std::size_t i = 0; i < 4; ++i)
    EXPECT_NEAR(static_cast<double>(bases[kBases[i]]) / sites, gtr.frequencies[i], 0.005) << kBases[i];
}

}  // namespace
