#include "scoring/parallel_regraft_scorer.hpp"

#include <algorithm>
#include <cmath>

namespace dls {

std::vector<std::size_t> geneTreeBlocks(const std::vector<ScoredGeneTree>& trees, std::size_t speciesCount,
                                        std::size_t minBlockNodes) {
  const std::size_t blockNodes = std::max(minBlockNodes, 16 * speciesCount);
  std::vector<std::size_t> starts;
  if (!trees.empty()) starts.push_back(0);
  std::size_t nodes = 0;
  for (std::size_t i = 0; i < trees.size(); ++i) {
    nodes += trees[i].tree->size();
    if (nodes >= blockNodes && i + 1 < trees.size()) {
      starts.push_back(i + 1);
      nodes = 0;
    }
  }
  starts.push_back(trees.size());
  return starts;
}

ParallelRegraftScorer::ParallelRegraftScorer(const CostModel& model, bool partial, WorkerTeam& team,
                                             ProcessGroup& processes, std::size_t minBlockNodes)
    : team_(team),
      processes_(processes),
      partial_(partial),
      minBlockNodes_(minBlockNodes),
      scorers_(team.size(), RegraftScorer(model, partial)),
      scorerRound_(team.size(), 0),
      model_(model),
      countingScratch_(team.size()) {}

// Whether the scores sum without rounding in any order: every weight is a
// whole multiple k of one power of two 2^e (1, 0.5, 3; not 0.1), and the
// counts of all trees times their k stay below 2^52 (a tree's count at a
// position is at most its size times a depth of the species tree). Then
// every product and partial sum is a whole multiple of 2^e that a double
// holds exactly.
bool sumsAreExact(const std::vector<ScoredGeneTree>& trees, std::size_t speciesCount, bool partial) {
  int grid = 0;  // the exponent of the common power of two
  bool first = true;
  for (const ScoredGeneTree& tree : trees) {
    if (partial) break;
    int exponent = 0;
    const double mantissa = std::frexp(tree.weight, &exponent);  // weight = mantissa x 2^exponent
    auto whole = static_cast<std::uint64_t>(std::ldexp(mantissa, 53));
    if (whole == 0) return false;
    int last = exponent - 53;  // the weight's lowest binary digit
    while ((whole & 1) == 0) whole >>= 1, ++last;
    if (first || last < grid) grid = last;
    first = false;
  }
  // The species are at most as many as the gene leaves, given or not.
  double leaves = static_cast<double>(speciesCount);
  for (const ScoredGeneTree& tree : trees) leaves += static_cast<double>(tree.tree->leaves().size());
  const double limit = std::ldexp(1.0, 52), nodes = 2 * leaves + 2;
  double bound = 0;
  for (const ScoredGeneTree& tree : trees)
    bound += (partial ? 1.0 : std::ldexp(tree.weight, -grid)) * static_cast<double>(tree.tree->size()) * nodes;
  return bound < limit;
}

void ParallelRegraftScorer::setGeneTrees(const std::vector<ScoredGeneTree>& trees,
                                         const std::vector<RootEdge>* rootings, std::size_t speciesCount) {
  trees_ = &trees;
  rootings_ = rootings;
  // Where sums are exact the blocks need not be cut where every process
  // cuts them: a few large blocks per worker save the passes over the
  // species tree that each block makes per pruning.
  std::size_t blockNodes = minBlockNodes_;
  if (sumsAreExact(trees, speciesCount, partial_)) {
    std::size_t nodes = 0;
    for (const ScoredGeneTree& tree : trees) nodes += tree.tree->size();
    const std::size_t blocks = team_.size() == 1 ? 1 : kBlocksPerWorker * team_.size();
    blockNodes = std::max(blockNodes, nodes / blocks + 1);
  }
  blockStarts_ = geneTreeBlocks(trees, speciesCount, blockNodes);
  blockCounts_.assign(blockStarts_.size() - 1, UnprunedCounts());
  unprunedVersion_ = 0;
  if (partial_ && rootings == nullptr) placed_.setGeneTrees(trees);
}

namespace {

bool sameTree(const SpeciesTree& a, const SpeciesTree& b) {
  if (a.size() != b.size() || a.root() != b.root()) return false;
  for (NodeId v = 0; v < static_cast<NodeId>(a.size()); ++v)
    if (a.parent(v) != b.parent(v) || a.child(v, 0) != b.child(v, 0) || a.child(v, 1) != b.child(v, 1) ||
        a.name(v) != b.name(v))
      return false;
  return true;
}

}  // namespace

bool ParallelRegraftScorer::keepUnprunedTree(const SpeciesTree& species, NodeId x, NodeId formerSibling,
                                             bool everyRooting) {
  candidate_ = species;
  candidate_.moveSubtree(x, formerSibling);
  if (unprunedVersion_ != 0 && everyRooting == unprunedEveryRooting_ && sameTree(candidate_, unpruned_.tree) &&
      (rootings_ == nullptr || *rootings_ == unprunedRootings_))
    return true;
  std::swap(unpruned_.tree, candidate_);
  unpruned_.index.rebuild(unpruned_.tree);
  unpruned_.whole.buildWhole(unpruned_.tree, unpruned_.index);
  if (rootings_ != nullptr) unprunedRootings_ = *rootings_;
  unprunedEveryRooting_ = everyRooting;
  ++unprunedVersion_;
  return false;
}

void ParallelRegraftScorer::scoreBlock(RegraftScorer& scorer, std::size_t block, bool everyRooting) {
  const std::size_t end = blockStarts_[block + 1];
  const std::vector<ScoredGeneTree>& trees = *trees_;
  for (std::size_t i = blockStarts_[block]; i < end; ++i) {
    if (i + 1 < end) trees[i + 1].tree->prefetch();
    const GeneTree& tree = *trees[i].tree;
    const RootEdge edge = rootings_ != nullptr ? (*rootings_)[i] : tree.rootEdge();
    const double weight = partial_ ? 1.0 : trees[i].weight;
    if (everyRooting && !tree.rooted())
      scorer.addGeneTreeAtEveryRooting(tree, edge, weight);
    else
      scorer.addGeneTree(tree, edge, weight);
  }
}

// The block's counts in the unpruned tree, made first if they are not
// those of this cycle; whether they serve.
bool ParallelRegraftScorer::countedFromUnpruned(unsigned worker, std::size_t block, bool everyRooting) {
  UnprunedCounts& counts = blockCounts_[block];
  if (counts.version != unprunedVersion_) {
    counts.build(*trees_, blockStarts_[block], blockStarts_[block + 1], rootings_, everyRooting, unpruned_, model_,
                 RegraftScorer::kMaxGroups, countingScratch_[worker]);
    counts.version = unprunedVersion_;
    ++unprunedCountings_;
    unrootedCountedFromUnpruned_ += counts.countedUnderEveryRooting();
    unrootedWalkedFromUnpruned_ += counts.walked().size();
  }
  return counts.usable();
}

// The builder's trees of the block that hold the new species.
void ParallelRegraftScorer::scorePlacedBlock(RegraftScorer& scorer, std::size_t block, NameId species) {
  const std::vector<ScoredGeneTree>& trees = *trees_;
  const std::uint32_t* holding = placed_.treesBegin(species);
  const std::uint32_t* end = placed_.treesEnd(species);
  holding = std::lower_bound(holding, end, static_cast<std::uint32_t>(blockStarts_[block]));
  end = std::lower_bound(holding, end, static_cast<std::uint32_t>(blockStarts_[block + 1]));
  for (; holding != end; ++holding) {
    if (holding + 1 != end) trees[holding[1]].tree->prefetch();
    const GeneTree& tree = *trees[*holding].tree;
    scorer.addGeneTree(tree, tree.rootEdge(), 1.0);
  }
}

// The counted trees from their counts in the unpruned tree; the others
// (unrooted under every rooting) whole.
void ParallelRegraftScorer::scoreBlockFromUnpruned(RegraftScorer& scorer, UnprunedCounts& counts, std::size_t block,
                                                   NodeId formerSibling) {
  scorer.addUnpruned(counts, unpruned_, prunedLeaves_, formerSibling);
  const std::size_t begin = blockStarts_[block], end = blockStarts_[block + 1];
  for (std::size_t i = begin; i < end; ++i) {
    const UnprunedCounts::Family& family = counts.family(i - begin);
    if (!family.counted) scorer.addGeneTreeAtEveryRooting(*family.tree, family.edge, family.weight);
  }
}

void ParallelRegraftScorer::score(const SpeciesTree& species, const SpeciesIndex& index, NodeId x, bool everyRooting,
                                  NodeId formerSibling, bool alsoFixed) {
  r_ = species.sibling(x);
  const bool fromUnpruned = formerSibling != kNoNode && !partial_;
  if (fromUnpruned) {
    keepUnprunedTree(species, x, formerSibling, everyRooting);
    prunedLeaves_.clear();
    for (std::uint32_t i = index.begin(x); i < index.end(x); ++i)
      if (species.isLeaf(index.preorder()[i])) prunedLeaves_.push_back(index.preorder()[i]);
  }
  // The builder's trees without the new species count the same everywhere.
  const bool placedOnly = partial_ && rootings_ == nullptr;
  GeneTreeCost others;
  if (placedOnly) others = placed_.update(species, index, x, team_);
  const std::uint32_t first = index.begin(r_);
  const std::size_t positions = index.end(r_) - first;
  const std::size_t blocks = blockStarts_.size() - 1;  // none when this process has no gene tree
  const std::vector<NodeId>& order = index.preorder();
  const std::size_t stride = alsoFixed ? 4 : 2;  // numbers per position
  blockScores_.resize(blocks * positions * stride);
  ++round_;
  // Unrooted gene trees come last and cost far more under all rootings:
  // their blocks are handed out first.
  team_.forEach(blocks, 1, [&](unsigned worker, std::size_t task) {
    const std::size_t block = everyRooting ? blocks - 1 - task : task;
    RegraftScorer& scorer = scorers_[worker];
    scorer.keepFixedScores(alsoFixed);
    if (scorerRound_[worker] != round_) {
      scorer.begin(species, index, x);
      scorerRound_[worker] = round_;
    } else {
      scorer.restart();
    }
    if (placedOnly)
      scorePlacedBlock(scorer, block, species.name(x));
    else if (fromUnpruned && countedFromUnpruned(worker, block, everyRooting))
      scoreBlockFromUnpruned(scorer, blockCounts_[block], block, formerSibling);
    else
      scoreBlock(scorer, block, everyRooting);
    scorer.finish();
    double* out = &blockScores_[block * positions * stride];
    for (std::size_t j = 0; j < positions; ++j) {
      const NodeId y = order[first + j];
      out[stride * j] = scorer.duplications(y);
      out[stride * j + 1] = scorer.losses(y);
      if (alsoFixed) {
        out[stride * j + 2] = scorer.fixedDuplications(y);
        out[stride * j + 3] = scorer.fixedLosses(y);
      }
    }
  });
  // The blocks' sums in block order, over the processes in rank order.
  sums_.assign(positions * stride, 0.0);
  processes_.foldInRankOrder(sums_, [&](std::vector<double>& running) {
    for (std::size_t block = 0; block < blocks; ++block) {
      const double* scores = &blockScores_[block * positions * stride];
      for (std::size_t k = 0; k < positions * stride; ++k) running[k] += scores[k];
    }
    for (std::size_t j = 0; placedOnly && j < positions; ++j) {
      running[stride * j] += static_cast<double>(others.duplications);
      running[stride * j + 1] += static_cast<double>(others.losses);
    }
  });
  duplications_.resize(species.size());
  losses_.resize(species.size());
  fixedDuplications_.resize(alsoFixed ? species.size() : 0);
  fixedLosses_.resize(alsoFixed ? species.size() : 0);
  for (std::size_t j = 0; j < positions; ++j) {
    const std::size_t v = static_cast<std::size_t>(order[first + j]);
    duplications_[v] = sums_[stride * j];
    losses_[v] = sums_[stride * j + 1];
    if (alsoFixed) {
      fixedDuplications_[v] = sums_[stride * j + 2];
      fixedLosses_[v] = sums_[stride * j + 3];
    }
  }
}

}  // namespace dls
