#include "scoring/branch_events.hpp"

#include <cmath>
#include <memory>

#include "common/errors.hpp"
#include "scoring/parallel_regraft_scorer.hpp"

namespace dls {

namespace {

// A worker's own reconciler, placer and counts, made when it first gets a block.
struct EventWorker {
  std::unique_ptr<Reconciler> reconciler;
  std::unique_ptr<EventPlacer> placer;
  BranchEvents events;
};

}  // namespace

BranchEvents countBranchEvents(const SpeciesTree& species, const std::vector<ScoredGeneTree>& genes,
                               const std::vector<RootEdge>& rootings, const std::vector<GeneTreeCost>& counts,
                               const CostModel& model, WorkerTeam& team, ProcessGroup& processes) {
  const std::size_t n = species.size();
  const std::vector<std::size_t> blocks = geneTreeBlocks(genes, species.leaves().size());
  const std::size_t blockCount = blocks.size() - 1;
  // Per block: its weighted duplications per node, then its weighted losses.
  std::vector<double> blockSums(blockCount * 2 * n, 0.0);
  std::vector<EventWorker> workers(team.size());
  team.forEach(blockCount, 1, [&](unsigned w, std::size_t block) {
    EventWorker& worker = workers[w];
    if (!worker.placer) {
      worker.reconciler = std::make_unique<Reconciler>(species, model);
      worker.placer = std::make_unique<EventPlacer>(species);
      worker.events.clear(n);
    }
    // The weighted sums start again with every block; the counts go on.
    worker.events.weightedDuplications.assign(n, 0);
    worker.events.weightedLosses.assign(n, 0);
    for (std::size_t i = blocks[block]; i < blocks[block + 1]; ++i) {
      const ScoredGeneTree& gene = genes[i];
      const GeneTreeCost cost =
          worker.placer->place(*worker.reconciler, *gene.tree, rootings[gene.input], gene.weight, worker.events);
      const GeneTreeCost& reported = counts[gene.input];
      if (cost.duplications != reported.duplications || cost.losses != reported.losses)
        throw InternalError("the events placed on the species tree's branches are those of the reported counts");
    }
    std::copy(worker.events.weightedDuplications.begin(), worker.events.weightedDuplications.end(),
              blockSums.begin() + static_cast<std::ptrdiff_t>(block * 2 * n));
    std::copy(worker.events.weightedLosses.begin(), worker.events.weightedLosses.end(),
              blockSums.begin() + static_cast<std::ptrdiff_t>(block * 2 * n + n));
  });
  // Whole counts (exact in a double below 2^53), then the weighted sums
  // block after block, over the processes in rank order.
  std::vector<double> sums(5 * n, 0.0);
  processes.foldInRankOrder(sums, [&](std::vector<double>& running) {
    for (const EventWorker& worker : workers) {
      if (worker.events.empty()) continue;
      for (std::size_t s = 0; s < n; ++s) {
        running[s] += static_cast<double>(worker.events.duplications[s]);
        running[n + s] += static_cast<double>(worker.events.losses[s]);
        running[2 * n + s] += static_cast<double>(worker.events.families[s]);
      }
    }
    for (std::size_t block = 0; block < blockCount; ++block)
      for (std::size_t k = 0; k < 2 * n; ++k) running[3 * n + k] += blockSums[block * 2 * n + k];
  });
  BranchEvents events;
  events.clear(n);
  for (std::size_t s = 0; s < n; ++s) {
    events.duplications[s] = std::llround(sums[s]);
    events.losses[s] = std::llround(sums[n + s]);
    events.families[s] = std::llround(sums[2 * n + s]);
    events.weightedDuplications[s] = sums[3 * n + s];
    events.weightedLosses[s] = sums[4 * n + s];
  }
  return events;
}

}  // namespace dls
