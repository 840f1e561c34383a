#pragma once
// The gene trees a search scores when their polytomies are refined: each
// tree read with polytomies stands in by a copy of itself at its cheapest
// refinement (and, unrooted, rooting) for the species tree at hand; the
// others stand as read. Refined again for each new species tree: the
// search alternates between searching with the refinements fixed and
// refining for the tree found, until the total stops falling (the cost
// never rises: the search lowers the cost of the fixed refinement, and a
// new refinement can only lower it further).

#include <cstdint>
#include <vector>

#include "common/process_group.hpp"
#include "common/worker_team.hpp"
#include "reconcile/cost_model.hpp"
#include "scoring/scored_gene_trees.hpp"
#include "tree/species_tree.hpp"

namespace dls {

class RefinedGeneTrees {
 public:
  // genes: the trees as read, in summing order; they stay with the caller.
  explicit RefinedGeneTrees(const std::vector<ScoredGeneTree>& genes);
  // The list points into the copies.
  RefinedGeneTrees(const RefinedGeneTrees&) = delete;
  RefinedGeneTrees& operator=(const RefinedGeneTrees&) = delete;

  // Refines every tree with polytomies for the species tree, on the team;
  // ties between refinements are drawn from streams of the seed, one per
  // tree. Returns the weighted cost of all trees, each at its cheapest
  // rooting (summed as the search sums, over the processes' shares).
  double refineFor(const SpeciesTree& species, const CostModel& model, std::uint32_t seed, WorkerTeam& team,
                   ProcessGroup& processes);

  // The trees to score, refined ones in place, in the summing order of
  // the trees as read; the edges they are rooted on at their cheapest.
  const std::vector<ScoredGeneTree>& scored() const { return scored_; }
  const std::vector<RootEdge>& rootings() const { return rootings_; }
  // The refined copies, and the positions in the list they stand at.
  const std::vector<GeneTree>& copies() const { return copies_; }
  const std::vector<std::size_t>& positions() const { return positions_; }

 private:
  std::vector<ScoredGeneTree> scored_;
  std::vector<std::size_t> positions_;
  std::vector<GeneTree> copies_;
  std::vector<const GeneTree*> originals_;  // the trees as read of the copies
  std::vector<RootEdge> rootings_;
};

}  // namespace dls
