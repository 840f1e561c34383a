#pragma once
// The LCA reconciliation of a gene tree with a species tree, and its cost.
//
// Every gene node maps to the least common ancestor of its species (its
// mapping). An inner gene node is a duplication when it maps like one of
// its children; losses are the missing lineages between a node's mapping
// and its children's, counted in levels of the relevant species tree.
//
// Partial: the leaf-adding builder reconciles against a species tree that
// does not hold every species yet. Gene leaves of missing species then map
// to kNoNode, and every rule skips them, which is the same as reconciling
// the gene tree restricted to the species present.

#include <array>
#include <cstdint>
#include <vector>

#include "reconcile/cost_model.hpp"
#include "reconcile/relevant_tree.hpp"
#include "reconcile/species_index.hpp"
#include "tree/gene_tree.hpp"

namespace dls {

// The LCA of two mappings, either of which may be missing when partial.
template <bool kPartial>
inline NodeId joinMappings(const SpeciesIndex& index, NodeId a, NodeId b) {
  if (kPartial) {
    if (a == kNoNode) return b;
    if (b == kNoNode) return a;
  }
  return index.lca(a, b);
}

// Maps every node of a gene tree at its present rooting: leaves to the
// species leaf of their name (leafByName from the species tree), inner
// nodes to the LCA of their children's mappings.
template <bool kPartial>
void mapGeneTree(const GeneTree& tree, const NodeId* leafByName, const SpeciesIndex& index, NodeId* map) {
  for (NodeId leaf : tree.leaves()) map[leaf] = leafByName[tree.name(leaf)];
  const GeneRooting& rooting = tree.rooting();
  for (NodeId g : tree.innerPostorder())
    map[g] = joinMappings<kPartial>(index, map[rooting.child(g, 0)], map[rooting.child(g, 1)]);
}

// The same at a rooting of the tree's links made by GeneScratch::rootAt
// (turned: the nodes it turned): the tree's own mappings hold for every
// node whose subtree stayed; the turned nodes, children first, are mapped
// again.
template <bool kPartial>
void mapGeneTree(const GeneTree& tree, const GeneRooting& rooting, const std::vector<NodeId>& turned,
                 const NodeId* leafByName, const SpeciesIndex& index, NodeId* map) {
  mapGeneTree<kPartial>(tree, leafByName, index, map);
  for (auto it = turned.rbegin(); it != turned.rend(); ++it)
    map[*it] = joinMappings<kPartial>(index, map[rooting.child(*it, 0)], map[rooting.child(*it, 1)]);
}

// The mapping of every node of an unrooted gene tree for every neighbour
// slot: directed[n][k] is the mapping of n when the neighbour in slot k is
// its parent (the LCA of the species on n's side of that edge), so that the
// tree can be rooted anywhere without mapping again. map receives the
// mappings at the present rooting; up is scratch space.
void mapEveryDirection(const GeneTree& tree, const NodeId* leafByName, const SpeciesIndex& index, NodeId* map,
                       std::array<NodeId, 3>* directed, NodeId* up);

// Whether an inner gene node mapped to m, with children mapped to m0 and
// m1, is a duplication.
template <bool kPartial>
inline bool isDuplication(NodeId m, NodeId m0, NodeId m1) {
  if (kPartial && (m == kNoNode || m0 == kNoNode || m1 == kNoNode)) return false;
  return m == m0 || m == m1;
}

// Losses on the two child edges of an inner gene node, in levels d of the
// relevant tree: below a speciation each edge costs d(child) - d(node) - 1,
// below a duplication d(child) - d(node).
template <bool kPartial>
inline std::int64_t lossesBelow(const RelevantTree& relevant, NodeId m, NodeId m0, NodeId m1) {
  if (kPartial && (m == kNoNode || m0 == kNoNode || m1 == kNoNode)) return 0;
  const std::int64_t d = relevant.depth(m), d0 = relevant.depth(m0), d1 = relevant.depth(m1);
  if (m == m0 && m == m1) return 0;
  if (m != m0 && m != m1) return d0 + d1 - 2 * d - 2;
  return m == m0 ? d1 - d : d0 - d;
}

struct GeneTreeCost {
  std::int64_t duplications = 0;
  std::int64_t losses = 0;
};

// The order rootings are compared in: by weighted cost, and without a loss
// weight then by losses. By duplications alone a rooting that is not
// cheapest may have no cheaper neighbour; by duplications and then losses
// it has one, as under any loss weight.
inline bool cheaperCounts(const CostWeights& weights, const GeneTreeCost& a, const GeneTreeCost& b) {
  const double costA = weights.of(static_cast<double>(a.duplications), static_cast<double>(a.losses));
  const double costB = weights.of(static_cast<double>(b.duplications), static_cast<double>(b.losses));
  return costA < costB || (weights.loss == 0 && costA == costB && a.losses < b.losses);
}

// The duplications and losses of a gene tree at a rooting, its nodes mapped
// in map[]. atNode(g, c0, c1) is called at every inner node as well, for
// passes that ride on this one.
template <bool kPartial, class AtNode>
GeneTreeCost countCost(const GeneRooting& rooting, const NodeId* map, const RelevantTree& relevant, AtNode&& atNode) {
  GeneTreeCost cost;
  const NodeId size = static_cast<NodeId>(rooting.size());
  for (NodeId g = 0; g < size; ++g) {
    const NodeId c0 = rooting.child(g, 0);
    const NodeId c1 = rooting.child(g, 1);
    if (c0 == kNoNode || c1 == kNoNode) continue;
    const NodeId m = map[g], m0 = map[c0], m1 = map[c1];
    cost.duplications += isDuplication<kPartial>(m, m0, m1) ? 1 : 0;
    cost.losses += lossesBelow<kPartial>(relevant, m, m0, m1);
    atNode(g, c0, c1);
  }
  return cost;
}

template <bool kPartial>
GeneTreeCost countCost(const GeneRooting& rooting, const NodeId* map, const RelevantTree& relevant) {
  return countCost<kPartial>(rooting, map, relevant, [](NodeId, NodeId, NodeId) {});
}

}  // namespace dls
