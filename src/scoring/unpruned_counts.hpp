#pragma once
// The counts of a block of gene trees in the species tree as it stood
// before the subtree x was pruned (the unpruned tree), made once and used
// for every pruning of a search cycle: each pruned subtree goes back where
// it was before the next one is pruned, so the unpruned tree stays the same
// through a cycle. From them the regraft scorer counts only the gene nodes
// that have a species of x below them (see regraft_scorer.cpp, where the
// rule is derived); a gene tree without a species of x costs nothing more.
//
// Kept per block of the parallel scorer, per weight of its gene trees as
// whole numbers (the scorer's exactness rule): the mapping of every gene
// node in the unpruned tree, for losses over the whole species tree the
// gene edges that end at each species node (counted up at their lower end
// and down at their upper end) and their sums over each subtree, for
// losses in restricted trees each tree's counts; and where each species'
// gene leaves are, to find the trees a pruning touches.

#include <cstdint>
#include <vector>

#include "reconcile/cost_model.hpp"
#include "reconcile/gene_scratch.hpp"
#include "reconcile/reconciliation.hpp"
#include "reconcile/relevant_tree.hpp"
#include "reconcile/species_index.hpp"
#include "scoring/cheapest_rooting_walk.hpp"
#include "scoring/scored_gene_trees.hpp"
#include "tree/species_tree.hpp"

namespace dls {

// The species tree of a cycle before each pruning, with what counting in it
// asks for (the relevant tree over the whole species tree: its depths).
struct UnprunedTree {
  SpeciesTree tree;
  SpeciesIndex index;
  RelevantTree whole;
};

class UnprunedCounts {
 public:
  // A gene tree of the block: counted here (at a fixed rooting) or not
  // (unrooted under every rooting in restricted trees: counted whole by
  // the scorer). Over the whole species tree an unrooted tree under every
  // rooting (everyRooting) is counted here at its present rooting; the
  // prunings of its species count its nodes above their genes again and
  // walk it to its cheapest rooting at every position; if a pruning without
  // its species can move it to another rooting somewhere (it is among
  // walked()), such prunings walk it where they can.
  struct Family {
    const GeneTree* tree;
    RootEdge edge;
    double weight;
    bool counted, everyRooting;
    std::int32_t rerooted;  // its links: the tree's own (-1) or rerooted_[i]
    std::size_t mapStart;   // its mappings: map_[mapStart ..]
    GeneTreeCost cost;      // in restricted trees: its counts in the unpruned tree
  };
  // The counted gene trees of one weight: their counts in the unpruned tree
  // and, over the whole species tree, per species node the gene edges whose
  // lower end minus those whose upper end maps there (crossing), and that
  // summed over the node's subtree (crossingBelow).
  struct Group {
    double weight = 0, duplications = 0, losses = 0;
    std::vector<double> crossing, crossingBelow;
  };
  // A gene leaf of a species: the family (its number in the block) and the leaf.
  struct Occurrence {
    std::uint32_t family;
    NodeId leaf;
  };

  // Counts trees[begin .. end) in the unpruned tree; rootings as in
  // ParallelRegraftScorer (null: as read). A block whose trees have more
  // than maxGroups weights is not usable: the scorer's groups would not be
  // those of its weights alone.
  void build(const std::vector<ScoredGeneTree>& trees, std::size_t begin, std::size_t end,
             const std::vector<RootEdge>* rootings, bool everyRooting, const UnprunedTree& unpruned,
             const CostModel& model, std::size_t maxGroups, GeneScratch& scratch);

  bool usable() const { return usable_; }
  // The walked trees, by their number in the block, with their first steps
  // in the unpruned tree.
  struct Walked {
    std::uint32_t family;
    CheapestRootingWalk::FirstSteps steps;
  };
  const std::vector<Walked>& walked() const { return walked_; }
  // How many trees under every rooting are counted here (tests).
  std::size_t countedUnderEveryRooting() const { return countedUnderEveryRooting_; }
  const std::vector<Group>& groups() const { return groups_; }
  const Family& family(std::size_t i) const { return families_[i]; }
  const GeneRooting& rooting(const Family& f) const {
    return f.rerooted < 0 ? f.tree->rooting() : rerooted_[static_cast<std::size_t>(f.rerooted)];
  }
  // A family's mappings in the unpruned tree, by gene node (the scorer of
  // the block changes some while it counts the family, and puts them back).
  NodeId* map(const Family& f) { return &map_[f.mapStart]; }
  // Asks the processor to fetch a family's links and mappings ahead of use
  // (see GeneTree::prefetch).
  void prefetch(const Family& f) const;
  // The gene leaves of the counted families of species leaf v, by family.
  const Occurrence* occurrencesBegin(NodeId v) const { return occurrences_.data() + leafStart_[at(v)]; }
  const Occurrence* occurrencesEnd(NodeId v) const { return occurrences_.data() + leafStart_[at(v) + 1]; }

  // The cycle the counts were made for (0: none yet).
  unsigned long long version = 0;

 private:
  static std::size_t at(NodeId v) { return static_cast<std::size_t>(v); }
  // The groups of the block's weights in the order they first appear; false
  // if there are more than maxGroups.
  bool startGroups(const std::vector<ScoredGeneTree>& trees, std::size_t begin, std::size_t end, std::size_t species,
                   std::size_t maxGroups);
  Group& groupOf(double weight);
  void countFamily(Family& family, const GeneRooting& rooting, const UnprunedTree& unpruned, LossScope scope,
                   GeneScratch& scratch);
  void indexLeaves(std::size_t species);

  bool usable_ = false;
  std::size_t countedUnderEveryRooting_ = 0;
  std::vector<Family> families_;
  std::vector<Group> groups_;
  std::vector<NodeId> map_;
  std::vector<Walked> walked_;
  std::vector<GeneRooting> rerooted_;
  std::size_t rerootedInUse_ = 0;
  std::vector<std::uint32_t> leafStart_;
  std::vector<Occurrence> occurrences_;
  std::vector<std::uint32_t> nextSlot_;
};

}  // namespace dls
