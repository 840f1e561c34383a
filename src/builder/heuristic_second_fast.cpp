#include "builder/heuristic_second_fast.hpp"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <set>

#include "driver/globals.hpp"
#include "driver/messages.hpp"

namespace buildtree {

void HeuristicSecondFast::prepareConstraints() {
  std::set<std::string> names;
  for (auto* tree : rootedGeneTrees)
    for (auto* leaf : tree->leaves) names.insert(leaf->name());
  species.assign(names.begin(), names.end());
  speciesConstraint.assign(species.size(), -1);

  // Smaller constraints first; equal sizes keep their file order.
  std::vector<std::vector<std::string>> ordered = constraints;
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const auto& a, const auto& b) { return a.size() < b.size(); });
  constraintPlaced.assign(ordered.size(), 0);
  for (std::size_t c = 0; c < ordered.size(); ++c) {
    for (const std::string& name : ordered[c]) {
      const auto at = std::lower_bound(species.begin(), species.end(), name);
      if (at == species.end() || *at != name) continue;
      std::int32_t& number = speciesConstraint[static_cast<std::size_t>(at - species.begin())];
      if (number != -1) {
        std::cerr << "ERROR: The constraints are either contradictory or nested! This program can only handle "
                     "non-nested constraints!\nTerminating..."
                  << std::endl;
        std::exit(1);
      }
      number = static_cast<std::int32_t>(c);
    }
  }
}

HeuristicSecondFast::SpeciesNode* HeuristicSecondFast::createLeaf(std::int32_t index) {
  const std::size_t i = static_cast<std::size_t>(index);
  auto* leaf = new LEAFADD::NamedSpeciesNode(species[i]);
  const std::int32_t c = speciesConstraint[i];
  leaf->color = c;
  requiredConstraint = -1;
  if (c != -1) {
    if (constraintPlaced[static_cast<std::size_t>(c)]) requiredConstraint = c;
    constraintPlaced[static_cast<std::size_t>(c)] = 1;
  }
  speciesTree->nodes.push_back(leaf);
  speciesTree->leaves.push_back(leaf);
  return leaf;
}

HeuristicSecondFast::SpeciesNode* HeuristicSecondFast::createInner(SpeciesNode* a, SpeciesNode* b) {
  auto* node = new SpeciesNode();
  node->child(0) = a;
  node->child(1) = b;
  a->parent() = node;
  b->parent() = node;
  node->color = a->color == b->color ? a->color : -1;
  speciesTree->nodes.push_back(node);
  return node;
}

void HeuristicSecondFast::removeSpecies(std::int32_t index) {
  const std::size_t i = static_cast<std::size_t>(index);
  species[i] = species.back();
  speciesConstraint[i] = speciesConstraint.back();
  species.pop_back();
  speciesConstraint.pop_back();
}

HeuristicSecondFast::SpeciesNode* HeuristicSecondFast::buildTriplet() {
  SpeciesNode* leafI = createLeaf(triplet[0]);
  SpeciesNode* leafJ = createLeaf(triplet[1]);
  SpeciesNode* leafK = createLeaf(triplet[2]);
  SpeciesNode* inner = createInner(leafI, leafJ);
  speciesTree->root = createInner(leafK, inner);
  createLeafMapping();
  return leafK;
}

void HeuristicSecondFast::discardTree() {
  for (SpeciesNode* leaf : speciesTree->leaves) {
    const std::int32_t c = leaf->color;
    if (c != -1) constraintPlaced[static_cast<std::size_t>(c)] = 0;
  }
  for (SpeciesNode* node : speciesTree->nodes) delete node;
  speciesTree->nodes.clear();
  speciesTree->leaves.clear();
  speciesTree->root = nullptr;
}

void HeuristicSecondFast::reportSize(bool finished) {
  if (quiet) return;
  const std::size_t leaves = speciesTree->leaves.size();
  std::cout << "\rCurrent species tree leaf set size: " << leaves << "        ";
  if (finished)
    std::cout << "\nInitial species tree with " << leaves << " leaves computed. Starting local search...\n\n";
  std::cout.flush();
}

void HeuristicSecondFast::run(std::ostream& out, ReRoot) {
  prepareConstraints();
  const std::size_t n = species.size();
  if (!quiet) std::cout << "Leaf set size: " << n << "\nBuilding Starting triplet ... " << std::flush;

  if (n < 3) {
    // One species is the tree; two have one rooted tree. No draw is needed.
    SpeciesNode* first = createLeaf(0);
    speciesTree->root = n == 2 ? createInner(first, createLeaf(1)) : first;
    species.clear();
    reportSize(false);
  } else {
    const std::uint32_t m = static_cast<std::uint32_t>(n);
    const std::uint32_t i = static_cast<std::uint32_t>(std::rand()) % (m - 2);
    const std::uint32_t j = i + 1 + static_cast<std::uint32_t>(std::rand()) % (m - 2 - i);
    const std::uint32_t k = j + 1 + static_cast<std::uint32_t>(std::rand()) % (m - 1 - j);
    triplet = {static_cast<std::int32_t>(i), static_cast<std::int32_t>(j), static_cast<std::int32_t>(k)};

    // The triplet pass scores the one drawn triplet.
    computeGeneDuplications(buildTriplet(), false);
    triplet = tripletCandidates[static_cast<std::size_t>(std::rand()) % tripletCandidates.size()];
    discardTree();
    tripletCandidates.clear();
    tripletMode = false;
    bestScore = 4294967295U;

    SpeciesNode* leafK = buildTriplet();
    currentSpecies = triplet[2];
    computeGeneDuplications(leafK, false);
    const auto& chosen = insertionCandidates[static_cast<std::size_t>(std::rand()) % insertionCandidates.size()];
    SpeciesNode* target = chosen.second;
    speciesTree->moveSubtree(leafK, target);
    leafK->parent()->color =
        target->color == speciesConstraint[static_cast<std::size_t>(triplet[2])] ? target->color : -1;
    removeSpecies(triplet[2]);
    removeSpecies(triplet[1]);
    removeSpecies(triplet[0]);
    insertionCandidates.clear();
    bestScore = 4294967295U;
    reportSize(false);
  }

  while (!species.empty()) {
    const std::int32_t r = static_cast<std::int32_t>(static_cast<std::size_t>(std::rand()) % species.size());
    currentSpecies = r;
    const std::int32_t constraint = speciesConstraint[static_cast<std::size_t>(r)];

    // Trial: the new leaf beside the whole tree, every position scored.
    SpeciesNode* oldRoot = speciesTree->root;
    SpeciesNode* leaf = createLeaf(r);
    SpeciesNode* top = createInner(leaf, oldRoot);
    speciesTree->root = top;
    createLeafMapping();
    computeGeneDuplications(leaf, false);
    if (constraint != -1 && requiredConstraint == -1) constraintPlaced[static_cast<std::size_t>(constraint)] = 0;
    speciesTree->nodes.resize(speciesTree->nodes.size() - 2);
    speciesTree->leaves.pop_back();
    speciesTree->root = oldRoot;
    oldRoot->parent() = nullptr;
    delete top;
    delete leaf;

    // The real insertion at a drawn best position.
    const auto chosen = insertionCandidates[static_cast<std::size_t>(std::rand()) % insertionCandidates.size()];
    SpeciesNode* target = chosen.second;
    leaf = createLeaf(chosen.first);
    top = createInner(leaf, speciesTree->root);
    speciesTree->root = top;
    createLeafMapping();
    speciesTree->moveSubtree(leaf, target);
    top->color = target->color == constraint ? target->color : -1;
    removeSpecies(chosen.first);
    insertionCandidates.clear();
    reportSize(species.empty());
    bestScore = 4294967295U;
  }

  speciesTree->writeNewickLine(out);
  out.flush();
}

void HeuristicSecondFast::scoreComputed(SpeciesNode& position) {
  SpeciesNode* parent = position.parent();
  if (position.color != requiredConstraint && (parent == nullptr || parent->color != requiredConstraint)) return;
  const std::uint32_t score = static_cast<std::uint32_t>(position.GeneDuplication::score) +
                              static_cast<std::uint32_t>(position.GeneLoss::score);
  const bool better = score < bestScore;
  if (!better && !(score == bestScore && improved)) return;
  if (better) {
    improved = true;
    bestScore = score;
    if (tripletMode)
      tripletCandidates.clear();
    else
      insertionCandidates.clear();
  }
  if (tripletMode)
    tripletCandidates.push_back(triplet);
  else
    insertionCandidates.emplace_back(currentSpecies, &position);
}

}  // namespace buildtree
