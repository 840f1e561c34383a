// Mapping with a pruned species subtree taken out, against the LCA of the
// gene tree's remaining species found by climbing parents.

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "driver/globals.hpp"
#include "report/report_tree_set.hpp"
#include "support/direct_count.hpp"

namespace {

using genedupreport::GeneNodeRooted;
using genedupreport::SpeciesNode;

SpeciesNode* climbLca(SpeciesNode* a, SpeciesNode* b) {
  std::set<SpeciesNode*> above;
  for (SpeciesNode* v = a; v != nullptr; v = v->parent()) above.insert(v);
  for (SpeciesNode* v = b;; v = v->parent())
    if (above.count(v)) return v;
}

bool below(SpeciesNode* v, SpeciesNode* top) {
  for (; v != nullptr; v = v->parent())
    if (v == top) return true;
  return false;
}

TEST(SecondaryMapping, IsTheMappingWithThePrunedSubtreeTakenOut) {
  quiet = true;
  std::mt19937 random(99);
  for (int round = 0; round < 120; ++round) {
    const int n = 2 + round % 10;
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) names.push_back("S" + std::to_string(i));
    std::string text = randomTree(random, names).newick() + randomTree(random, names).newick();
    std::vector<std::string> labels(1 + random() % (2 * n));
    for (std::string& label : labels) label = names[random() % names.size()];
    text += labels.size() == 1 ? "(" + labels[0] + ");" : randomTree(random, labels).newick();

    genedupreport::TreeSet set;
    std::istringstream stream(text);
    Input in(stream);
    set.readTrees(in);
    set.createLeafMapping();
    auto& species = *set.speciesTree;
    // Prune a random non-root node: hang it from the root.
    SpeciesNode* x = species.nodes[1 + random() % (species.nodes.size() - 1)];
    species.moveSubtree(x, species.root);
    std::uint32_t counter = 0;
    species.establishOrderDFS(species.root, counter);
    species.preprocessLCA();

    for (auto* gene : set.rootedGeneTrees) {
      set.mapRootedTree(*gene);
      SpeciesNode* expected = nullptr;
      for (auto* leaf : gene->leaves) {
        SpeciesNode* s = leaf->primaryMapping;
        if (!below(s, x)) expected = expected == nullptr ? s : climbLca(expected, s);
      }
      GeneNodeRooted* root = gene->root;
      if (root->primaryMapping == species.root) {
        EXPECT_EQ(set.get2ndLCA(root, *x), expected) << text;
        for (GeneNodeRooted* node : set.secondaryFrontierRooted) {
          EXPECT_EQ(node->secondaryMapping, node->primaryMapping);
          EXPECT_FALSE(below(node->primaryMapping, x));
        }
      } else {
        // Nothing maps to the root: the root keeps its mapping unless it lies in x.
        const bool inside = below(root->primaryMapping, x);
        EXPECT_EQ(set.get2ndLCA(root, *x), inside ? nullptr : root->primaryMapping) << text;
        EXPECT_EQ(set.secondaryFrontierRooted.size(), inside ? 0U : 1U) << text;
      }
      set.resetSecondaryMappingDFS(root);
      for (GeneNodeRooted* node : gene->nodes) EXPECT_EQ(node->secondaryMapping, nullptr);
      set.secondaryFrontierRooted.clear();
    }
    species.postprocessLCA();
  }
}

}  // namespace
