#pragma once
// A gene tree with polytomies at its cheapest: every polytomy (a node read
// with more than two children, or made so by contracting weak branches;
// the reader resolved it once, marking the nodes it made) at its cheapest
// binary refinement for one species tree, and an unrooted gene tree at its
// cheapest rooting together with them.
//
// Polytomies do not interact, and the LCA mapping of every original node
// is the same in every refinement (Lafond, Swenson & El-Mabrouk 2012): at a
// fixed rooting the least cost is that of the binary nodes plus each
// polytomy's own least cost (PolytomyRefiner). An unrooted tree's rootings
// are its edges between original nodes, and its polytomies as roots (all
// neighbours children: the rootings inside the polytomy are its
// refinements' root splits). Each region of the tree (a polytomy with the
// nodes the reader made for it, or a binary node) costs by which of its
// edges leads to the root, or none; one pass down and one up the tree of
// regions give every rooting's total (Górecki and Tiuryn 2007 do the same
// for binary trees). Costs are whole counts, compared by CostOrder.

#include <array>
#include <vector>

#include "common/random.hpp"
#include "reconcile/cost_model.hpp"
#include "reconcile/gene_scratch.hpp"
#include "reconcile/polytomy_refinement.hpp"
#include "reconcile/reconciliation.hpp"
#include "reconcile/relevant_tree.hpp"
#include "reconcile/species_index.hpp"
#include "tree/gene_tree.hpp"
#include "tree/species_tree.hpp"

namespace dls {

// A rooted binary tree on a gene tree's own nodes: the children of every
// node (kNoNode for none) and the root.
struct GeneTreeResolution {
  std::vector<std::array<NodeId, 2>> children;
  NodeId root = kNoNode;
};

class GeneTreeRefiner {
 public:
  GeneTreeRefiner(const SpeciesTree& species, const CostModel& model);

  // The least counts of the tree over its refinements (and rootings, when
  // unrooted). resolution, when given, receives a rooted binary tree that
  // has them (GeneTree::relinked makes it a tree); ties between
  // refinements of a polytomy are drawn with `ties` when given, between
  // rootings the first met is kept.
  GeneTreeCost refine(const GeneTree& tree, Random* ties = nullptr, GeneTreeResolution* resolution = nullptr);

 private:
  // An edge between two regions, seen from one: the node inside and the
  // one outside, the outer region, and the mapping of the outer side (its
  // gene leaves' LCA).
  struct Boundary {
    NodeId inner, outer;
    std::size_t outerRegion;
    NodeId sideMapping;
  };
  struct Region {
    std::vector<NodeId> members;
    std::vector<Boundary> edges;
    std::vector<GeneTreeCost> cost;  // per parent edge, then as the root
    std::vector<char> known;         // which of cost are computed
  };
  static constexpr std::size_t kAsRoot = static_cast<std::size_t>(-1);

  void findRegions(const GeneTree& tree);
  // The region's cost with that edge (or none, kAsRoot) toward the root.
  const GeneTreeCost& costOf(std::size_t region, std::size_t parentEdge);
  // The cheapest rooting of an unrooted tree: a region as root, or an edge
  // (from region, edge index) toward the root; rooted trees keep theirs.
  struct Rooting {
    std::size_t region, edge;  // edge == kAsRoot: the region is the root
    GeneTreeCost cost;
  };
  Rooting cheapestRooting(const GeneTree& tree);
  GeneTreeCost edgeRootCost(std::size_t region, std::size_t edge) const;
  // The children of a region in an orientation, and their side mappings.
  void childrenOf(std::size_t region, std::size_t parentEdge, std::vector<std::size_t>& edges,
                  std::vector<NodeId>& mappings) const;
  void resolve(const GeneTree& tree, const Rooting& rooting, Random* ties, GeneTreeResolution& out);

  const SpeciesTree& species_;
  const CostModel model_;
  const CostOrder order_;
  SpeciesIndex index_;
  RelevantTree wholeTree_;
  GeneScratch scratch_;
  PolytomyRefiner polytomies_;
  const RelevantTree* relevant_ = nullptr;
  std::vector<std::size_t> regionOf_;  // per gene node
  std::vector<Region> regions_;
  std::vector<NodeId> mappings_;
  std::vector<std::size_t> childEdges_;
  std::vector<RefinementJoin> joins_;
};

}  // namespace dls
