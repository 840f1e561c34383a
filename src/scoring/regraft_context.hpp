#pragma once
// The species tree of one pruning, as every part of the regraft scoring
// sees it: the pruned subtree x hangs from the species root beside the
// remaining tree, whose root r is x's sibling; a regraft position is a node
// y of the remaining tree, x regrafted onto the edge above it. Per
// position, the scores add up the duplications and losses of the trees
// the regrafts make.

#include "reconcile/species_index.hpp"
#include "tree/species_tree.hpp"

namespace dls {

struct RegraftContext {
  const SpeciesTree* species = nullptr;
  const SpeciesIndex* index = nullptr;
  NodeId x = kNoNode, r = kNoNode, root = kNoNode;

  void set(const SpeciesTree& tree, const SpeciesIndex& treeIndex, NodeId pruned) {
    species = &tree;
    index = &treeIndex;
    x = pruned;
    root = tree.root();
    r = tree.sibling(pruned);
  }
  // Whether a species node lies in the pruned subtree.
  bool inX(NodeId s) const { return index->contains(x, s); }
};

// A regraft position's score: its duplications and losses.
struct PositionScores {
  double duplications = 0, losses = 0;
};

}  // namespace dls
