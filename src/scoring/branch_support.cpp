#include "scoring/branch_support.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "common/errors.hpp"
#include "reconcile/event_placement.hpp"
#include "reconcile/species_index.hpp"
#include "scoring/parallel_regraft_scorer.hpp"
#include "scoring/regraft_scorer.hpp"

namespace dls {

namespace {

// Per gene tree, a bit per species node: whether the tree has a copy on
// the node's branch.
class CopyBits {
 public:
  CopyBits(const SpeciesTree& species, const std::vector<ScoredGeneTree>& genes, WorkerTeam& team)
      : words_((species.size() + 63) / 64), bits_(genes.size() * words_, 0) {
    SpeciesIndex index;
    index.rebuild(species);
    std::vector<std::unique_ptr<EventPlacer>> placers(team.size());
    team.forEach(genes.size(), 16, [&](unsigned worker, std::size_t i) {
      if (!placers[worker]) placers[worker] = std::make_unique<EventPlacer>(species);
      const GeneTree& tree = *genes[i].tree;
      NodeId top = kNoNode;  // the least common ancestor of the tree's species
      for (const NodeId leaf : tree.leaves()) {
        const NodeId s = species.leafByName()[static_cast<std::size_t>(tree.name(leaf))];
        top = top == kNoNode ? s : index.lca(top, s);
      }
      std::uint64_t* mine = &bits_[i * words_];
      placers[worker]->forEachBranchWithCopy(tree, top, [mine](NodeId s) {
        const auto bit = static_cast<std::size_t>(s);
        mine[bit / 64] |= std::uint64_t{1} << (bit % 64);
      });
    });
  }

  bool has(std::size_t gene, NodeId s) const {
    const auto bit = static_cast<std::size_t>(s);
    return (bits_[gene * words_ + bit / 64] >> (bit % 64) & 1) != 0;
  }

 private:
  std::size_t words_;
  std::vector<std::uint64_t> bits_;
};

// The scoring of every inner branch in turn: per branch, the gene trees in
// blocks on the team, each worker with a RegraftScorer of its own.
class SupportScoring {
 public:
  SupportScoring(const SpeciesTree& species, const std::vector<ScoredGeneTree>& genes,
                 const std::vector<RootEdge>& rootings, const std::vector<GeneTreeCost>& counts, const CostModel& model,
                 WorkerTeam& team)
      : species_(species),
        genes_(genes),
        rootings_(rootings),
        counts_(counts),
        model_(model),
        team_(team),
        copies_(species, genes, team),
        blocks_(geneTreeBlocks(genes, species.leaves().size())),
        scorers_(team.size(), RegraftScorer(model, /*partial=*/false)),
        scorerRound_(team.size(), 0) {
    for (NodeId v = 0; v < static_cast<NodeId>(species.size()); ++v)
      if (!species.isLeaf(v) && v != species.root()) branches_.push_back(v);
    blockChanges_.assign(branches_.size() * blockCount() * 2, 0.0);
    workerCounts_.assign(team.size() * branches_.size(), {0, 0, 0, 0});
  }

  void scoreBranch(std::size_t b);
  // Per species node, the sums over the blocks in order and the processes
  // in rank order.
  std::vector<BranchSupport> sums(ProcessGroup& processes) const;
  std::size_t branches() const { return branches_.size(); }

 private:
  std::size_t blockCount() const { return blocks_.size() - 1; }
  // Whether the gene tree can cost differently in the three trees around
  // the branch above v (u, a, b, c as in branch_support.hpp).
  bool canDiffer(std::size_t i, NodeId u, NodeId v, const NodeId (&abc)[3]) const;
  // The gene tree's cost in the tree and its two alternatives.
  std::array<double, 3> costs(RegraftScorer& scorer, std::size_t i, const NodeId (&positions)[3]) const;

  const SpeciesTree& species_;
  const std::vector<ScoredGeneTree>& genes_;
  const std::vector<RootEdge>& rootings_;
  const std::vector<GeneTreeCost>& counts_;
  const CostModel model_;
  WorkerTeam& team_;
  const CopyBits copies_;
  const std::vector<std::size_t> blocks_;
  std::vector<NodeId> branches_;
  // The species tree with the branch's C pruned, hanging from the root.
  SpeciesTree work_;
  SpeciesIndex index_;
  std::vector<RegraftScorer> scorers_;
  std::vector<unsigned long long> scorerRound_;
  unsigned long long round_ = 0;
  // Per branch, per block: the two cost changes; per worker, per branch:
  // the gene trees preferring each topology, and the ties.
  std::vector<double> blockChanges_;
  std::vector<std::array<std::int64_t, 4>> workerCounts_;
};

bool SupportScoring::canDiffer(std::size_t i, NodeId u, NodeId v, const NodeId (&abc)[3]) const {
  // A copy on the branch above u: species below u and others beside it, or
  // below two of A, B and C; above v alone: species below A and B.
  if (model_.scope == LossScope::wholeSpeciesTree) return copies_.has(i, u) || copies_.has(i, v);
  // A copy above two of A, B and C: species below both.
  int sides = 0;
  for (const NodeId s : abc) sides += copies_.has(i, s) ? 1 : 0;
  return sides >= 2;
}

std::array<double, 3> SupportScoring::costs(RegraftScorer& scorer, std::size_t i, const NodeId (&positions)[3]) const {
  const ScoredGeneTree& gene = genes_[i];
  const RootEdge& edge = rootings_[gene.input];
  scorer.restart();
  if (gene.tree->rooted())
    scorer.addGeneTree(*gene.tree, edge, 1.0);
  else
    scorer.addGeneTreeAtEveryRooting(*gene.tree, edge, 1.0);
  scorer.finish();
  std::array<double, 3> cost{};
  for (int k = 0; k < 3; ++k)
    cost[k] = model_.weights.of(scorer.duplications(positions[k]), scorer.losses(positions[k]));
  const GeneTreeCost& reported = counts_[gene.input];
  const double was =
      model_.weights.of(static_cast<double>(reported.duplications), static_cast<double>(reported.losses));
  if (std::abs(cost[0] - was) > 1e-9 * (1 + std::abs(was)))
    throw InternalError("a gene tree's regraft score at its own place is its reported cost");
  return cost;
}

void SupportScoring::scoreBranch(std::size_t b) {
  const NodeId v = branches_[b];
  work_ = species_;
  const NodeId u = work_.parent(v), c = work_.sibling(v);
  work_.moveSubtree(c, work_.root());
  index_.rebuild(work_);
  ++round_;
  const NodeId positions[3] = {v, work_.child(v, 0), work_.child(v, 1)};
  const NodeId abc[3] = {positions[1], positions[2], c};
  team_.forEach(blockCount(), 1, [&](unsigned worker, std::size_t block) {
    RegraftScorer& scorer = scorers_[worker];
    if (scorerRound_[worker] != round_) {
      scorer.begin(work_, index_, c);
      scorerRound_[worker] = round_;
    }
    std::array<std::int64_t, 4>& tally = workerCounts_[worker * branches_.size() + b];
    double change[2] = {0, 0};
    for (std::size_t i = blocks_[block]; i < blocks_[block + 1]; ++i) {
      if (!canDiffer(i, u, v, abc)) continue;
      const std::array<double, 3> cost = costs(scorer, i, positions);
      for (int k = 0; k < 2; ++k) change[k] += genes_[i].weight * (cost[k + 1] - cost[0]);
      const double least = std::min({cost[0], cost[1], cost[2]});
      const int atLeast = static_cast<int>(std::count(cost.begin(), cost.end(), least));
      if (atLeast == 2) ++tally[3];
      if (atLeast == 1) ++tally[static_cast<std::size_t>(std::find(cost.begin(), cost.end(), least) - cost.begin())];
    }
    double* out = &blockChanges_[(b * blockCount() + block) * 2];
    out[0] = change[0];
    out[1] = change[1];
  });
}

std::vector<BranchSupport> SupportScoring::sums(ProcessGroup& processes) const {
  const std::size_t count = branches_.size();
  std::vector<double> running(count * 6, 0.0);
  processes.foldInRankOrder(running, [&](std::vector<double>& sum) {
    for (std::size_t b = 0; b < count; ++b) {
      for (std::size_t block = 0; block < blockCount(); ++block)
        for (std::size_t k = 0; k < 2; ++k) sum[b * 6 + k] += blockChanges_[(b * blockCount() + block) * 2 + k];
      for (std::size_t worker = 0; worker < scorerRound_.size(); ++worker)
        for (std::size_t k = 0; k < 4; ++k)
          sum[b * 6 + 2 + k] += static_cast<double>(workerCounts_[worker * count + b][k]);
    }
  });
  std::vector<BranchSupport> support(species_.size());
  for (std::size_t b = 0; b < count; ++b) {
    BranchSupport& s = support[static_cast<std::size_t>(branches_[b])];
    s.scored = true;
    s.costChange[0] = running[b * 6];
    s.costChange[1] = running[b * 6 + 1];
    for (std::size_t k = 0; k < 3; ++k) s.preferring[k] = std::llround(running[b * 6 + 2 + k]);
    s.ties = std::llround(running[b * 6 + 5]);
  }
  return support;
}

}  // namespace

std::vector<BranchSupport> familySupport(const SpeciesTree& species, const std::vector<ScoredGeneTree>& genes,
                                         const std::vector<RootEdge>& rootings, const std::vector<GeneTreeCost>& counts,
                                         const CostModel& model, WorkerTeam& team, ProcessGroup& processes,
                                         const std::function<void(std::size_t, std::size_t)>& progress) {
  SupportScoring scoring(species, genes, rootings, counts, model, team);
  for (std::size_t b = 0; b < scoring.branches(); ++b) {
    scoring.scoreBranch(b);
    if (progress) progress(b + 1, scoring.branches());
  }
  return scoring.sums(processes);
}

}  // namespace dls
