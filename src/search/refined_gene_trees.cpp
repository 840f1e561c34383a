#include "search/refined_gene_trees.hpp"

#include <memory>

#include "common/random.hpp"
#include "reconcile/gene_tree_refiner.hpp"
#include "scoring/gene_tree_counts.hpp"

namespace dls {

RefinedGeneTrees::RefinedGeneTrees(const std::vector<ScoredGeneTree>& genes) : scored_(genes) {
  for (std::size_t i = 0; i < genes.size(); ++i)
    if (genes[i].tree->hasCreatedNodes()) positions_.push_back(i);
  copies_.reserve(positions_.size());
  for (std::size_t i : positions_) copies_.push_back(*genes[i].tree);
  for (std::size_t k = 0; k < positions_.size(); ++k) scored_[positions_[k]].tree = &copies_[k];
  originals_.reserve(positions_.size());
  for (std::size_t i : positions_) originals_.push_back(genes[i].tree);
  rootings_ = rootingsAsRead(scored_);
}

double RefinedGeneTrees::refineFor(const SpeciesTree& species, const CostModel& model, std::uint32_t seed,
                                   WorkerTeam& team, ProcessGroup& processes) {
  // A refiner per worker, made when it first gets a tree. Each refines the
  // tree as read (its nodes made by the reader mark the polytomies), and
  // the copy takes the links of the refinement, rooted at its root.
  std::vector<std::unique_ptr<GeneTreeRefiner>> refiners(team.size());
  team.forEach(positions_.size(), 4, [&](unsigned worker, std::size_t k) {
    if (!refiners[worker]) refiners[worker] = std::make_unique<GeneTreeRefiner>(species, model);
    Random ties(derivedSeed(seed, static_cast<std::uint32_t>(k)));
    GeneTreeResolution resolution;
    refiners[worker]->refine(*originals_[k], &ties, &resolution);
    copies_[k] = originals_[k]->relinked(resolution.children, resolution.root);
  });
  // The trees without polytomies at their cheapest rooting; the refined
  // ones are already (their rooting went with their refinement, and stays
  // unless another is strictly cheaper).
  rootings_ = rootingsAsRead(scored_);
  rootAtCheapest(species, scored_, rootings_, model, team);
  const std::vector<GeneTreeCost> counts = countAt(species, scored_, rootings_, model, team);
  return weightedCost(scored_, counts, model.weights, processes);
}

}  // namespace dls
