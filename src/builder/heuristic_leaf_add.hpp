#pragma once
// Scoring every insertion position of a new species at once: the new leaf
// hangs from the root beside the current tree, and inserting it above a
// node is the same as regrafting it there. Every gene tree counts once, and
// gene leaves of species not yet in the tree are left out.

#include <ostream>

#include "builder/leafadd_tree_set.hpp"
#include "driver/stage_options.hpp"
#include "search/regraft_scoring.hpp"

namespace buildtree {

class HeuristicLeafAdd : public RegraftScoring<LEAFADD::TreeSet, std::int32_t, true> {
 public:
  using SpeciesNode = LEAFADD::SpeciesNode;

  ~HeuristicLeafAdd() override = default;

  // Called once for every node of the current tree after its insertion
  // score is complete.
  virtual void scoreComputed(SpeciesNode& position) = 0;
  virtual void run(std::ostream& out, ReRoot reroot) = 0;

  // x is the root's child 0 (the new leaf); leaves in every node s of the
  // other child's subtree the duplication and loss totals for inserting x
  // above s, then offers every such node to scoreComputed.
  void computeGeneDuplications(SpeciesNode* x, bool reroot);

  // Calls scoreComputed for every node below r, in pre-order.
  void forEachCallScoreComputed(SpeciesNode* r);
};

std::ostream& operator<<(std::ostream& out, HeuristicLeafAdd& heuristic);

}  // namespace buildtree
