#include "report/run_summary.hpp"

namespace dls {

double summedCost(const std::vector<GeneTreeOutcome>& geneTrees, const CostWeights& weights) {
  double cost = 0;
  for (const GeneTreeOutcome& gene : geneTrees)
    cost += weights.of(static_cast<double>(gene.counts.duplications), static_cast<double>(gene.counts.losses)) *
            gene.weight;
  return cost;
}

bool hasGeneTreeWeights(const RunSummary& summary) {
  for (const GeneTreeOutcome& gene : summary.geneTrees)
    if (gene.weight != 1) return true;
  return false;
}

}  // namespace dls
