#pragma once
// Where on the species tree the events of a reconciled gene tree happen,
// branch by branch. The branch of a species node s is the branch above it
// (the root's: above the root).
//
// Duplications: an inner gene node mapped to s that is a duplication
// happens on the branch above s, before the speciation at s.
//
// Losses: a gene edge from p, mapped to M, down to its child c, mapped to
// C, follows the path of the relevant species tree M = x0, x1, ..., xk = C.
// Below a speciation at M the child's lineage begins on the branch above
// x1; below a duplication, on the branch above M itself. Every node xi
// (i < k) the lineage then passes through (i >= 1 below a speciation,
// i >= 0 below a duplication) splits it in two, and the copy that enters
// the child off the path, the sibling y of x(i+1), leaves no gene: one
// loss, on the branch above y. These are the losses reconciliation.hpp
// counts, one per species node the gene lineage skips: k - 1 below a
// speciation, k below a duplication. With losses counted in the species tree restricted to the
// gene tree's species (--limit), the path and its siblings are the
// restricted tree's; a restricted branch stands for a path of branches of
// the whole tree, from y up to below xi, and its loss is placed on the
// lowest of them, the branch above y itself (the top of the lost clade).
//
// Gene copies: a gene edge from p down to c lies on the branches above C
// and above its ancestors below M (and above M too below a duplication);
// the lineage of the gene root lies on the branch above the root's
// mapping, where the family's first gene lived. A family has a copy on the
// branch above s when one of these lies there: s is on the path from the
// species of one of its gene leaves up to the mapping of its root (counted
// in the whole species tree, with or without --limit).

#include <algorithm>
#include <cstdint>
#include <vector>

#include "reconcile/reconciler.hpp"
#include "tree/gene_tree.hpp"
#include "tree/species_tree.hpp"

namespace dls {

// Per species node, by node number: the events on the branch above it, and
// how many gene trees have a copy there; the sums of each tree's events
// times its weight beside them.
struct BranchEvents {
  std::vector<std::int64_t> duplications, losses, families;
  std::vector<double> weightedDuplications, weightedLosses;

  void clear(std::size_t speciesNodes);
  bool empty() const { return duplications.empty(); }
  // Adds the counts of others (not the weighted sums, which are summed in
  // a fixed order by their owner).
  void addCounts(const BranchEvents& other);
};

// Places the events of gene trees, one at a time, on the branches of one
// species tree; one per worker. The tree must keep its shape meanwhile.
class EventPlacer {
 public:
  explicit EventPlacer(const SpeciesTree& species);

  // Reconciles the gene tree rooted on `edge` (reconciler: of the same
  // species tree) and adds its events to `events`, each node's counts
  // times `weight` to the weighted sums. Returns the tree's counts.
  GeneTreeCost place(Reconciler& reconciler, const GeneTree& tree, const RootEdge& edge, double weight,
                     BranchEvents& events);

  // Calls visit(s) once for every species node on whose branch the gene
  // tree has a copy; rootMapping is the mapping of its root (the least
  // common ancestor of its species, at any rooting).
  template <class Visit>
  void forEachBranchWithCopy(const GeneTree& tree, NodeId rootMapping, Visit&& visit);

 private:
  static std::size_t at(NodeId v) { return static_cast<std::size_t>(v); }
  // The losses on a gene edge from a node mapped to m down to one mapped
  // to child, in the relevant tree, each counted at its species node.
  void placeLosses(const RelevantTree& relevant, NodeId m, NodeId child, bool belowDuplication);
  void count(std::vector<std::int64_t>& counts, NodeId s);

  const SpeciesTree& species_;
  // The tree at hand's counts per species node, and the nodes they are set at.
  std::vector<std::int64_t> treeDuplications_, treeLosses_;
  std::vector<NodeId> touched_;
  std::vector<char> isTouched_;
  // Nodes visited by the present walk: stamp_ marks them.
  std::vector<std::uint32_t> visited_;
  std::uint32_t stamp_ = 0;
};

template <class Visit>
void EventPlacer::forEachBranchWithCopy(const GeneTree& tree, NodeId rootMapping, Visit&& visit) {
  if (++stamp_ == 0) {
    std::fill(visited_.begin(), visited_.end(), 0);
    stamp_ = 1;
  }
  const std::vector<NodeId>& leafOf = species_.leafByName();
  for (const NodeId leaf : tree.leaves()) {
    // Up from the leaf's species to the root's mapping or to a node seen.
    for (NodeId s = leafOf[static_cast<std::size_t>(tree.name(leaf))]; s != kNoNode && visited_[at(s)] != stamp_;
         s = species_.parent(s)) {
      visited_[at(s)] = stamp_;
      visit(s);
      if (s == rootMapping) break;
    }
  }
}

}  // namespace dls
