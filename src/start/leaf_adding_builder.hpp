#pragma once
// The default start tree: randomised stepwise addition. From three species
// drawn at random, the other species are inserted one at a time, in random
// order, each where the duplications and losses over all gene trees cost
// least by the cost weights (ties drawn at random), every constraint group
// kept a clade.
//
// Every gene tree counts once, at the rooting it was read with; a gene
// leaf whose species is not in the tree yet is left out, and losses are
// counted in the species tree restricted to each gene tree's species.

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "common/random.hpp"
#include "reconcile/species_index.hpp"
#include "scoring/parallel_regraft_scorer.hpp"
#include "scoring/stage_context.hpp"
#include "tree/constraint_reader.hpp"
#include "tree/species_tree.hpp"

namespace dls {

class LeafAddingBuilder {
 public:
  // species: those of all gene trees, sorted. With several processes, the
  // input's gene trees are this one's share, and the processes build in
  // step. Each gene tree counts once, whatever its weight.
  LeafAddingBuilder(const ScoringInput& input, const std::vector<NameId>& species, Random& random,
                    const StageContext& context);

  // Builds the tree; its nodes are numbered in pre-order and its clades are
  // the constraint groups.
  SpeciesTree build(const std::vector<ConstraintGroup>& groups);

 private:
  using Triplet = std::array<std::int32_t, 3>;
  static constexpr double kNoScore = std::numeric_limits<double>::infinity();

  void prepareConstraints(const std::vector<ConstraintGroup>& groups);
  NodeId addSpeciesLeaf(std::int32_t species);
  NodeId addJoin(NodeId a, NodeId b);
  NodeId buildTriplet();
  void startOver();
  void removeSpecies(std::int32_t species);
  void reportPlaced();
  // Scores every position for the leaf x, which hangs from the root, and
  // collects the best admissible ones.
  void scorePositions(NodeId x);

  const std::vector<ScoredGeneTree>& genes_;
  const std::vector<NameId>& allSpecies_;
  const NameTable& names_;
  const CostWeights weights_;
  Random& random_;
  Console& console_;
  SpeciesTree tree_;
  SpeciesIndex index_;
  ParallelRegraftScorer scorer_;

  std::vector<std::string> species_;   // species not yet in the tree
  std::vector<CladeId> speciesClade_;  // the clade each of them belongs to
  std::vector<char> cladePlaced_;      // a species of the clade is in the tree
  CladeId requiredClade_ = kNoClade;   // where the leaf being placed must go

  bool tripletMode_ = true;
  Triplet triplet_{};
  std::int32_t currentSpecies_ = 0;
  double bestScore_ = kNoScore;
  std::vector<Triplet> tripletCandidates_;
  std::vector<std::pair<std::int32_t, NodeId>> insertionCandidates_;
};

}  // namespace dls
