// The report's duplication and loss counts against the direct count from
// the definitions, and its choice of rooting for unrooted gene trees.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "driver/globals.hpp"
#include "report/report.hpp"
#include "support/direct_count.hpp"
#include "support/tree_text.hpp"
#include "tree/input.hpp"

namespace {


template <class TreeT>
std::string written(TreeT& tree) {
  std::ostringstream out;
  tree.subtree2newickDFS(out, tree.root);
  return out.str() + ";";
}

struct Instance {
  PlainTree species;
  std::vector<PlainTree> genes;
  std::vector<bool> unrooted;

  std::string input() const {
    std::string all = readableNewick(species) + "\n";
    for (std::size_t i = 0; i < genes.size(); ++i) all += (unrooted[i] ? "[&U]" : "") + readableNewick(genes[i]) + "\n";
    return all;
  }
};

// Species S0..S(n-1); multi-copy gene trees over random species; the first
// gene tree holds every species so that none is dropped.
Instance randomInstance(std::mt19937& random, int speciesCount, int geneCount) {
  std::vector<std::string> names;
  for (int i = 0; i < speciesCount; ++i) names.push_back("S" + std::to_string(i));
  Instance instance;
  instance.species = randomTree(random, names);
  for (int g = 0; g < geneCount; ++g) {
    std::vector<std::string> labels = names;
    if (g > 0) {
      labels.resize(1 + random() % (2 * speciesCount));
      for (std::string& label : labels) label = names[random() % names.size()];
    }
    instance.genes.push_back(randomTree(random, labels));
    instance.unrooted.push_back(random() % 3 == 0);
  }
  return instance;
}

// Reads the instance into a report and counts (stderr and stdout untouched:
// the instances have no multifurcation and cover every species).
void countWithReport(genedupreport::Report& report, const std::string& input, bool reroot) {
  std::istringstream stream(input);
  Input in(stream);
  report.readTrees(in);
  report.createLeafMapping();
  report.computeGeneDuplications(reroot);
}

TEST(ReportCounts, AgreeWithTheDirectCountOnRandomInstances) {
  quiet = true;
  std::mt19937 random(2024);
  for (const bool limit : {false, true}) {
    LIMIT_LOSSES = limit;
    for (int round = 0; round < 150; ++round) {
      const Instance instance = randomInstance(random, 2 + round % 12, 1 + round % 6);
      genedupreport::Report report;
      countWithReport(report, instance.input(), true);
      std::size_t rooted = 0, unrooted = 0;
      for (std::size_t i = 0; i < instance.genes.size(); ++i) {
        const PlainTree& gene = instance.genes[i];
        const std::string what = "limit " + std::to_string(limit) + " " + instance.input() + " gene " + readableNewick(gene);
        if (!instance.unrooted[i]) {
          const genedupreport::GeneTreeRooted& tree = *report.rootedGeneTrees[rooted++];
          EXPECT_EQ((Counts{tree.duplications, tree.losses}), directCount(instance.species, gene, limit)) << what;
          continue;
        }
        genedupreport::GeneTreeUnrooted& tree = *report.unrootedGeneTrees[unrooted++];
        const Counts counts{tree.duplications, tree.losses};
        const Counts best = cheapestRooting(instance.species, gene, limit);
        EXPECT_EQ(counts.total(), best.total()) << what;
        // The tree is left at a rooting that has these counts; the input
        // rooting is kept whenever it is among the cheapest.
        const std::string rooting = written(tree);
        EXPECT_EQ(directCount(instance.species, PlainTree::parse(rooting), limit), counts) << what << rooting;
        if (!gene.isLeaf(gene.root) && directCount(instance.species, gene, limit).total() == best.total()) {
          EXPECT_EQ(rooting, readableNewick(gene)) << what;
        }
      }
    }
  }
  LIMIT_LOSSES = false;
}

TEST(ReportCounts, WithoutRerootingUnrootedTreesCountAtTheirInputRooting) {
  quiet = true;
  std::mt19937 random(77);
  for (int round = 0; round < 40; ++round) {
    Instance instance = randomInstance(random, 3 + round % 8, 4);
    genedupreport::Report report;
    countWithReport(report, instance.input(), false);
    std::size_t unrooted = 0;
    for (std::size_t i = 0; i < instance.genes.size(); ++i) {
      if (!instance.unrooted[i]) continue;
      genedupreport::GeneTreeUnrooted& tree = *report.unrootedGeneTrees[unrooted++];
      EXPECT_EQ((Counts{tree.duplications, tree.losses}), directCount(instance.species, instance.genes[i], false));
      EXPECT_EQ(written(tree), instance.genes[i].newick());
    }
  }
}

struct Example {
  std::string what;
  std::string species;
  std::string gene;  // "[&U]" prefix for unrooted
  bool limit;
  std::uint32_t duplications, losses;
  std::vector<std::string> rootings;  // acceptable written forms
};

TEST(ReportCounts, SmallExamples) {
  quiet = true;
  const std::vector<Example> examples = {
      {"gene tree equals species tree", "((a,b),c);", "((a,b),c);", false, 0, 0, {"((a,b),c);"}},
      {"two leaves, whole tree", "((a,b),c);", "(a,b);", false, 0, 0, {"(a,b);"}},
      {"two leaves, restricted", "((a,b),c);", "(a,b);", true, 0, 0, {"(a,b);"}},
      {"paralogs of one species", "((a,b),c);", "(a,a);", false, 1, 0, {"(a,a);"}},
      {"one lost lineage", "((a,b),c);", "(a,c);", false, 0, 1, {"(a,c);"}},
      {"no loss in the restricted tree", "((a,b),c);", "(a,c);", true, 0, 0, {"(a,c);"}},
      {"rooted, duplication and losses", "((a,b),c);", "((a,c),b);", false, 1, 3, {"((a,c),b);"}},
      {"unrooted, cheaper rooting above c", "((a,b),c);", "[&U]((a,c),b);", false, 0, 0, {"((a,b),c);", "((b,a),c);"}},
      {"single leaf", "((a,b),c);", "(a);", false, 0, 0, {"a;"}},
      {"unrooted single leaf", "((a,b),c);", "[&U](a);", false, 0, 0, {"a;"}},
  };
  for (const Example& e : examples) {
    LIMIT_LOSSES = e.limit;
    genedupreport::Report report;
    // Every species is named by some gene tree, so none is dropped.
    countWithReport(report, e.species + e.gene + "((a,b),c);", true);
    const bool unrooted = !report.unrootedGeneTrees.empty();
    std::uint32_t duplications, losses;
    std::string rooting;
    if (unrooted) {
      duplications = report.unrootedGeneTrees[0]->duplications;
      losses = report.unrootedGeneTrees[0]->losses;
      rooting = written(*report.unrootedGeneTrees[0]);
    } else {
      duplications = report.rootedGeneTrees[0]->duplications;
      losses = report.rootedGeneTrees[0]->losses;
      rooting = written(*report.rootedGeneTrees[0]);
    }
    EXPECT_EQ(duplications, e.duplications) << e.what;
    EXPECT_EQ(losses, e.losses) << e.what;
    EXPECT_NE(std::find(e.rootings.begin(), e.rootings.end(), rooting), e.rootings.end()) << e.what << ": " << rooting;
  }
  LIMIT_LOSSES = false;
}

}  // namespace
