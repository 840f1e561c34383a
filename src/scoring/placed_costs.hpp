#pragma once
// The leaf-adding builder's gene trees counted in the tree of the species
// placed so far, kept from one new species to the next. A gene tree
// without the new species x counts, restricted to the placed species, the
// same at every position of x: x joins none of its species, so neither
// its mappings nor its restricted species tree change. Its count is the
// one in the remaining tree R (the placed species); the scorer adds their
// sum to every position and scores only the trees that hold x.
//
// The counts are kept for the R of the last scoring. When the next R is
// that tree with one more species placed (its leaf and the leaf's parent
// are the only new nodes; every other node keeps its number and, the
// parent passed over, its links), only the trees of that species are
// counted again; any other R counts every tree again. Counts are whole
// numbers (every tree counts once), exact in any order.

#include <cstdint>
#include <vector>

#include "common/worker_team.hpp"
#include "reconcile/gene_scratch.hpp"
#include "reconcile/reconciliation.hpp"
#include "reconcile/species_index.hpp"
#include "scoring/scored_gene_trees.hpp"
#include "tree/species_tree.hpp"

namespace dls {

class PlacedCosts {
 public:
  void setGeneTrees(const std::vector<ScoredGeneTree>& trees);
  // Brings the counts up to date for the tree under the sibling of x, x a
  // new species leaf hanging from the root, and returns the sum of the
  // counts of the trees that do not hold x's species.
  GeneTreeCost update(const SpeciesTree& species, const SpeciesIndex& index, NodeId x, WorkerTeam& team);
  // The trees (their positions, in order) that hold a gene of the species.
  const std::uint32_t* treesBegin(NameId species) const { return trees_.data() + treeStart_[known(species)]; }
  const std::uint32_t* treesEnd(NameId species) const {
    return trees_.data() + treeStart_[known(species) + (named(species) ? 1 : 0)];
  }

 private:
  static std::size_t at(std::int64_t v) { return static_cast<std::size_t>(v); }
  // Whether a gene tree names the species; its number if so, else 0.
  bool named(NameId species) const { return species >= 0 && at(species) + 1 < treeStart_.size(); }
  std::size_t known(NameId species) const { return named(species) ? at(species) : 0; }
  // The new species' leaf if the tree under r is the kept one with one
  // more species (kNoNode if the same); false if neither.
  bool findNewLeaf(const SpeciesTree& species, const SpeciesIndex& index, NodeId r, NodeId& newLeaf) const;
  void keep(const SpeciesTree& species, const SpeciesIndex& index, NodeId r);
  void count(const std::vector<std::uint32_t>& which, const SpeciesTree& species, const SpeciesIndex& index,
             WorkerTeam& team);

  const std::vector<ScoredGeneTree>* genes_ = nullptr;
  std::vector<std::uint32_t> treeStart_, trees_;  // per species name, the trees holding it
  std::vector<GeneTreeCost> costs_;               // per tree, in the kept tree
  GeneTreeCost total_;
  bool kept_ = false;
  // The kept tree by node number: links (the root's parent kNoNode), leaf
  // names, which nodes it has; which species it has.
  struct KeptNode {
    NodeId parent, child0, child1;
    NameId name;
    bool in;
  };
  std::vector<KeptNode> nodes_;
  std::size_t keptNodes_ = 0;
  std::vector<bool> placed_;  // per species name
  std::vector<NodeId> leafByName_;
  std::vector<GeneScratch> scratch_;  // per worker
  std::vector<std::uint32_t> recount_;
};

}  // namespace dls
