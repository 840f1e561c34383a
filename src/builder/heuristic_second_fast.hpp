#pragma once
// The leaf-adding builder of the initial species tree: from a random
// starting triplet, the remaining species are inserted one at a time, in
// random order, each at a position of least total duplications plus losses
// (ties drawn at random), keeping every constraint group a clade.

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "builder/heuristic_leaf_add.hpp"

namespace buildtree {

class HeuristicSecondFast : public HeuristicLeafAdd {
 public:
  std::uint32_t bestScore = 4294967295U;  // best score of the current pass
  bool improved = true;
  bool tripletMode = true;
  // Positions of best score: (species index, node).
  std::vector<std::pair<std::int32_t, SpeciesNode*>> insertionCandidates{{-1, nullptr}};
  std::vector<std::array<std::int32_t, 3>> tripletCandidates;
  std::int32_t currentSpecies = 0;
  std::int32_t requiredConstraint = -1;  // a position must carry it (-1: any unconstrained)

  // Builds the tree and writes it (Newick, ";", line end) to out.
  void run(std::ostream& out, ReRoot reroot) override;
  void scoreComputed(SpeciesNode& position) override;

 private:
  std::vector<std::string> species;            // not yet in the tree, by index
  std::vector<std::int32_t> speciesConstraint;  // constraint number per species, -1 none
  std::vector<char> constraintPlaced;
  std::array<std::int32_t, 3> triplet{};

  void prepareConstraints();
  SpeciesNode* createLeaf(std::int32_t index);
  SpeciesNode* createInner(SpeciesNode* a, SpeciesNode* b);
  void removeSpecies(std::int32_t index);
  // The starting tree (k, (i, j)) with its root.
  SpeciesNode* buildTriplet();
  void discardTree();
  void reportSize(bool finished);
};

}  // namespace buildtree
