#pragma once
// What a gene tree's reconciliation costs: where its losses are counted,
// and what a duplication and a loss weigh. Every stage that scores gene
// trees takes the model as one value.

#include "common/errors.hpp"

namespace dls {

// What a duplication and a loss cost: a gene tree's cost is
// duplication × duplications + loss × losses (its weight multiplies that).
// Both are at least 0 and not both 0; 1 and 1 count every event once, and
// then the cost of whole counts is exact.
struct CostWeights {
  double duplication = 1, loss = 1;

  double of(double duplications, double losses) const { return duplication * duplications + loss * losses; }
  bool areDefault() const { return duplication == 1 && loss == 1; }
};

// Where the losses of a gene tree are counted: in the whole species tree,
// or in the species tree restricted to the gene tree's own species.
enum class LossScope { wholeSpeciesTree, geneSpeciesOnly };

struct CostModel {
  LossScope scope = LossScope::wholeSpeciesTree;
  CostWeights weights;
};

// Weights so large that a weighted cost leaves the range of double: no
// tree could be told from another, and no cost is a result.
class CostNotFinite : public InputError {
 public:
  CostNotFinite() : InputError("the weighted cost is not finite: the weights are too large") {}
};

}  // namespace dls
