#include "scoring/gene_tree_counts.hpp"

#include <memory>

#include "reconcile/reconciler.hpp"

namespace dls {

namespace {

// Calls count(reconciler, i) for every i below size, on the team's workers,
// each with a reconciler of its own, made when it first gets a tree.
template <class Count>
void withReconcilers(const SpeciesTree& species, const CostModel& model, WorkerTeam& team, std::size_t size,
                     Count&& count) {
  std::vector<std::unique_ptr<Reconciler>> reconcilers(team.size());
  team.forEach(size, 16, [&](unsigned worker, std::size_t i) {
    if (!reconcilers[worker]) reconcilers[worker] = std::make_unique<Reconciler>(species, model);
    count(*reconcilers[worker], i);
  });
}

}  // namespace

std::vector<RootEdge> rootingsAsRead(const std::vector<ScoredGeneTree>& genes) {
  std::vector<RootEdge> rootings;
  rootings.reserve(genes.size());
  for (const ScoredGeneTree& gene : genes) rootings.push_back(gene.tree->rootEdge());
  return rootings;
}

void rootAtCheapest(const SpeciesTree& species, const std::vector<ScoredGeneTree>& genes,
                    std::vector<RootEdge>& rootings, const CostModel& model, WorkerTeam& team) {
  std::vector<std::size_t> unrooted;
  for (std::size_t i = 0; i < genes.size(); ++i)
    if (!genes[i].tree->rooted()) unrooted.push_back(i);
  withReconcilers(species, model, team, unrooted.size(), [&](Reconciler& reconciler, std::size_t k) {
    const std::size_t i = unrooted[k];
    rootings[i] = reconciler.cheapestRootEdge(*genes[i].tree, rootings[i]);
  });
}

std::vector<GeneTreeCost> countAt(const SpeciesTree& species, const std::vector<ScoredGeneTree>& genes,
                                  const std::vector<RootEdge>& rootings, const CostModel& model, WorkerTeam& team) {
  std::vector<GeneTreeCost> counts(genes.size());
  withReconcilers(species, model, team, genes.size(), [&](Reconciler& reconciler, std::size_t i) {
    counts[i] = reconciler.costAt(*genes[i].tree, rootings[i]);
  });
  return counts;
}

double weightedCost(const std::vector<ScoredGeneTree>& genes, const std::vector<GeneTreeCost>& counts,
                    const CostWeights& weights, ProcessGroup& processes) {
  std::vector<double> cost(1, 0.0);
  processes.foldInRankOrder(cost, [&](std::vector<double>& running) {
    for (std::size_t i = 0; i < genes.size(); ++i)
      running[0] += weights.of(static_cast<double>(counts[i].duplications), static_cast<double>(counts[i].losses)) *
                    genes[i].weight;
  });
  return cost[0];
}

}  // namespace dls
