#pragma once
// Losses of a gene tree are counted in levels of its relevant species tree:
// the species nodes that join species present in the gene tree (restricted
// tree), or every species node when losses are counted over the whole tree.
// These passes mark the relevant nodes and give each its depth, the number
// of relevant nodes from the species root down to it.
//
// Species nodes provide leafCount, isRelevant, depth and resetRelevant().

#include <cstdint>

#include "reconcile/mapping_records.hpp"

// Clears the per-gene-tree fields of every species node below node.
template <class SpeciesNode>
void resetRelevantTree(SpeciesNode* node) {
  while (node != nullptr) {
    node->resetRelevant();
    resetRelevantTree(node->child(0));
    node = node->child(1);
  }
}

// Counts every gene leaf at the species leaf it is mapped to (leaves of
// species missing from the species tree are not counted).
template <class GeneTree>
void countGeneLeaves(GeneTree& tree) {
  for (auto* leaf : tree.leaves)
    if (auto* species = currentMapping(leaf)) ++species->leafCount;
}

// Post-order: an inner node counts the gene leaves of both its children;
// then an inner node is relevant when both children hold gene leaves, a
// leaf when it holds any, and every other node exactly when
// otherNodesRelevant (losses over the whole species tree).
template <class SpeciesNode>
void doPostOrder(SpeciesNode* node, bool otherNodesRelevant) {
  SpeciesNode* c0 = node->child(0);
  SpeciesNode* c1 = node->child(1);
  if (c0 != nullptr && c1 != nullptr) {
    doPostOrder(c0, otherNodesRelevant);
    doPostOrder(c1, otherNodesRelevant);
    node->leafCount = c0->leafCount + c1->leafCount;
    node->isRelevant = (c0->leafCount != 0 && c1->leafCount != 0) || otherNodesRelevant;
  } else {
    node->isRelevant = node->leafCount != 0 || otherNodesRelevant;
  }
}

// Pre-order: relevant nodes get the running depth, which then grows by one.
template <class SpeciesNode>
void doPreOrder(SpeciesNode* node, std::uint32_t depth) {
  while (node != nullptr) {
    if (node->isRelevant) node->depth = depth++;
    doPreOrder(node->child(0), depth);
    node = node->child(1);
  }
}

// Builds the relevant tree of a gene tree on a species tree whose fields
// were reset.
template <class SpeciesNode, class GeneTree>
void buildRelevantTree(SpeciesNode* speciesRoot, GeneTree& tree, bool otherNodesRelevant) {
  resetRelevantTree(speciesRoot);
  countGeneLeaves(tree);
  doPostOrder(speciesRoot, otherNodesRelevant);
  doPreOrder(speciesRoot, 1);
}

// Losses below one gene node at the present rooting, in levels of the
// relevant tree: below a speciation each child edge costs d(child) - d(node)
// - 1, below a duplication d(child) - d(node). Leaves, and inner nodes with
// a missing mapping (own or a child's), contribute nothing.
template <class Count, class GeneNode>
Count lossesBelow(GeneNode* node) {
  auto* c0 = node->child(0);
  auto* c1 = node->child(1);
  if (c0 == nullptr || c1 == nullptr) return 0;
  const auto* a = currentMapping(node);
  const auto* b = currentMapping(c0);
  const auto* c = currentMapping(c1);
  if (a == nullptr || b == nullptr || c == nullptr) return 0;
  const std::int64_t da = a->depth, db = b->depth, dc = c->depth;
  std::int64_t add;
  if (a == b && a == c)
    add = 0;
  else if (a != b && a != c)
    add = db + dc - 2 * da - 2;
  else if (a == b)
    add = dc - da;
  else
    add = db - da;
  return static_cast<Count>(add);
}

// Losses of a gene tree at its present rooting.
template <class Count, class GeneTree>
Count computeGeneLossForRoot(GeneTree& tree) {
  Count losses = 0;
  for (auto* node : tree.nodes) losses += lossesBelow<Count>(node);
  return losses;
}
