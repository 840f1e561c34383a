#pragma once

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

}  // namespace dls
