#include "start/leaf_adding_builder.hpp"

#include <algorithm>

#include "common/errors.hpp"
#include "tree/text_reader.hpp"

namespace dls {

LeafAddingBuilder::LeafAddingBuilder(const ScoringInput& input, const std::vector<NameId>& species, Random& random,
                                     const StageContext& context)
    : genes_(input.genes),
      allSpecies_(species),
      names_(input.names),
      weights_(input.model.weights),
      random_(random),
      console_(context.console),
      scorer_(CostModel{LossScope::geneSpeciesOnly, input.model.weights}, /*partial=*/true, context.team,
              context.processes) {}

void LeafAddingBuilder::prepareConstraints(const std::vector<ConstraintGroup>& groups) {
  // Species are numbered in byte order of their names.
  species_.clear();
  for (NameId name : allSpecies_) species_.push_back(names_.text(name));
  std::sort(species_.begin(), species_.end());
  speciesClade_.assign(species_.size(), kNoClade);

  // Smaller groups first; equal sizes keep their file order. Group c is
  // clade c + 1.
  std::vector<ConstraintGroup> ordered = groups;
  std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.size() < b.size(); });
  cladePlaced_.assign(ordered.size() + 1, 0);
  for (std::size_t c = 0; c < ordered.size(); ++c) {
    for (const std::string& name : ordered[c]) {
      const auto at = std::lower_bound(species_.begin(), species_.end(), name);
      if (at == species_.end() || *at != name) continue;
      CladeId& clade = speciesClade_[static_cast<std::size_t>(at - species_.begin())];
      if (clade == static_cast<CladeId>(c + 1))
        throw InputError("species '" + shownText(name) + "' is listed twice in one constraint");
      if (clade != kNoClade)
        throw InputError(
            "The constraints are either contradictory or nested! This program can only handle non-nested "
            "constraints!\nSpecies '" +
            shownText(name) + "' is in two constraints.\nTerminating...");
      clade = static_cast<CladeId>(c + 1);
    }
  }
}

NodeId LeafAddingBuilder::addSpeciesLeaf(std::int32_t species) {
  const std::size_t i = static_cast<std::size_t>(species);
  const NodeId leaf = tree_.addLeaf(names_.find(species_[i]));
  const CladeId clade = speciesClade_[i];
  tree_.setClade(leaf, clade);
  // The first species of a clade goes anywhere outside other clades; the
  // next ones into their clade.
  requiredClade_ = kNoClade;
  if (clade != kNoClade) {
    if (cladePlaced_[static_cast<std::size_t>(clade)]) requiredClade_ = clade;
    cladePlaced_[static_cast<std::size_t>(clade)] = 1;
  }
  return leaf;
}

NodeId LeafAddingBuilder::addJoin(NodeId a, NodeId b) {
  const NodeId joint = tree_.addJoin(a, b);
  tree_.setClade(joint, tree_.clade(a) == tree_.clade(b) ? tree_.clade(a) : kNoClade);
  return joint;
}

NodeId LeafAddingBuilder::buildTriplet() {
  const NodeId i = addSpeciesLeaf(triplet_[0]);
  const NodeId j = addSpeciesLeaf(triplet_[1]);
  const NodeId k = addSpeciesLeaf(triplet_[2]);
  const NodeId inner = addJoin(i, j);
  tree_.setRoot(addJoin(k, inner));
  return k;
}

void LeafAddingBuilder::startOver() {
  for (NodeId leaf : tree_.leaves()) cladePlaced_[static_cast<std::size_t>(tree_.clade(leaf))] = 0;
  tree_ = SpeciesTree();
  tree_.coverNames(names_.size());
}

void LeafAddingBuilder::removeSpecies(std::int32_t species) {
  const std::size_t i = static_cast<std::size_t>(species);
  species_[i] = species_.back();
  speciesClade_[i] = speciesClade_.back();
  species_.pop_back();
  speciesClade_.pop_back();
}

// "Species placed: P of N": on a terminal when due, elsewhere each time a
// further tenth of the species is placed; and a closing line once all are.
void LeafAddingBuilder::reportPlaced() {
  const std::size_t placed = tree_.leaves().size(), total = placed + species_.size();
  const std::string text = "Species placed: " + std::to_string(placed) + " of " + std::to_string(total);
  if (placed == total || placed * 10 / total != (placed - 1) * 10 / total)
    console_.progressStep(text);
  else if (console_.progressDue())
    console_.progress(text);
  if (placed == total)
    console_.line("Initial species tree with " + std::to_string(placed) +
                  " leaves computed. Starting local search...\n");
}

void LeafAddingBuilder::scorePositions(NodeId x) {
  index_.rebuild(tree_);
  scorer_.score(tree_, index_, x, /*everyRooting=*/false);
  const NodeId r = scorer_.remainingRoot();
  const std::vector<NodeId>& order = index_.preorder();
  for (std::uint32_t i = index_.begin(r); i < index_.end(r); ++i) {
    const NodeId y = order[i];
    if (!tree_.canRegraftAbove(y, r, requiredClade_)) continue;
    const double score = weights_.of(scorer_.duplications(y), scorer_.losses(y));
    if (score > bestScore_) continue;
    if (score < bestScore_) {
      bestScore_ = score;
      tripletCandidates_.clear();
      insertionCandidates_.clear();
    }
    if (tripletMode_)
      tripletCandidates_.push_back(triplet_);
    else
      insertionCandidates_.emplace_back(currentSpecies_, y);
  }
}

SpeciesTree LeafAddingBuilder::build(const std::vector<ConstraintGroup>& groups) {
  prepareConstraints(groups);
  // Every gene tree counts 1 here: the sums are whole numbers, exact in
  // any order, and the search's order serves.
  scorer_.setGeneTrees(genes_, nullptr, species_.size());
  tree_.coverNames(names_.size());
  const std::size_t n = species_.size();
  console_.line("Leaf set size: " + std::to_string(n));
  console_.line("Building Starting triplet ...");

  if (n < 3) {
    // One species is the tree; two have one rooted tree. No draw is needed.
    const NodeId first = addSpeciesLeaf(0);
    tree_.setRoot(n == 2 ? addJoin(first, addSpeciesLeaf(1)) : first);
    species_.clear();
  } else {
    const std::uint32_t m = static_cast<std::uint32_t>(n);
    const std::uint32_t i = random_.next() % (m - 2);
    const std::uint32_t j = i + 1 + random_.next() % (m - 2 - i);
    const std::uint32_t k = j + 1 + random_.next() % (m - 1 - j);
    triplet_ = {static_cast<std::int32_t>(i), static_cast<std::int32_t>(j), static_cast<std::int32_t>(k)};

    // The drawn triplet is scored once, and drawn again among its copies.
    scorePositions(buildTriplet());
    triplet_ = tripletCandidates_[random_.next() % tripletCandidates_.size()];
    startOver();
    tripletMode_ = false;
    bestScore_ = kNoScore;

    const NodeId leafK = buildTriplet();
    currentSpecies_ = triplet_[2];
    scorePositions(leafK);
    const NodeId target = insertionCandidates_[random_.next() % insertionCandidates_.size()].second;
    tree_.moveSubtree(leafK, target);
    const CladeId kClade = tree_.clade(leafK);
    tree_.setClade(tree_.parent(leafK), tree_.clade(target) == kClade ? kClade : kNoClade);
    removeSpecies(triplet_[2]);
    removeSpecies(triplet_[1]);
    removeSpecies(triplet_[0]);
    insertionCandidates_.clear();
    bestScore_ = kNoScore;
  }

  while (!species_.empty()) {
    const std::int32_t r = static_cast<std::int32_t>(random_.next() % species_.size());
    currentSpecies_ = r;
    const CladeId clade = speciesClade_[static_cast<std::size_t>(r)];

    // Trial: the new leaf beside the whole tree, every position scored.
    const NodeId oldRoot = tree_.root();
    const NodeId leaf = addSpeciesLeaf(r);
    tree_.setRoot(addJoin(leaf, oldRoot));
    scorePositions(leaf);
    if (clade != kNoClade && requiredClade_ == kNoClade) cladePlaced_[static_cast<std::size_t>(clade)] = 0;
    tree_.dropNewestNodes(2);
    tree_.setRoot(oldRoot);

    // The real insertion at a drawn best position.
    const auto chosen = insertionCandidates_[random_.next() % insertionCandidates_.size()];
    const NodeId placed = addSpeciesLeaf(chosen.first);
    const NodeId top = addJoin(placed, tree_.root());
    tree_.setRoot(top);
    tree_.moveSubtree(placed, chosen.second);
    tree_.setClade(top, tree_.clade(chosen.second) == clade ? clade : kNoClade);
    removeSpecies(chosen.first);
    insertionCandidates_.clear();
    reportPlaced();
    bestScore_ = kNoScore;
  }
  if (n < 4) reportPlaced();
  tree_.renumberInPreorder();
  return std::move(tree_);
}

}  // namespace dls
