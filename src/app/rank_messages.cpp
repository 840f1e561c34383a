#include "app/rank_messages.hpp"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <cstring>

#include "app/option_table.hpp"
#include "common/byte_buffer.hpp"
#include "scoring/parallel_regraft_scorer.hpp"
#include "tree/tree_packing.hpp"

namespace dls {

namespace {

void packTrees(ByteWriter& out, const std::vector<GeneTree>& trees) {
  out.put(trees.size());
  for (const GeneTree& tree : trees) packTree(out, tree);
}

// The trees packTrees packed, appended to `trees`; returns their count.
std::size_t appendGeneTrees(ByteReader& in, std::vector<GeneTree>& trees) {
  const std::size_t count = in.get<std::size_t>();
  for (std::size_t i = 0; i < count; ++i) trees.push_back(unpackGeneTree(in));
  return count;
}

// Gene trees from one rank to another in messages of about this many
// bytes, so that neither holds more than one message beside its trees.
constexpr std::size_t kMessageBytes = std::size_t{4} << 20;

// Sends the trees, each given back to the memory allocator (left empty)
// once it is in a message.
void sendTrees(ProcessGroup& processes, int to, const std::vector<GeneTree*>& trees) {
  for (std::size_t next = 0;;) {
    ByteWriter out;
    out.put(std::size_t{0});  // the count of trees, set below
    std::size_t end = next;
    while (end < trees.size() && out.bytes().size() < kMessageBytes) {
      packTree(out, *trees[end]);
      *trees[end++] = GeneTree(true, 1.0);
    }
    const std::size_t count = end - next;
    std::memcpy(&out.bytes()[0], &count, sizeof count);
    processes.send(to, out.bytes());
    if (count == 0) return;  // the empty message ends the trees
    next = end;
  }
}

// The trees sendTrees sent, appended to `trees`.
void receiveTrees(ProcessGroup& processes, int from, std::vector<GeneTree>& trees) {
  for (;;) {
    const std::string bytes = processes.receive(from);
    ByteReader in(bytes);
    if (appendGeneTrees(in, trees) == 0) return;
  }
}

std::vector<GeneTree*> pointersTo(std::vector<GeneTree>& trees) {
  std::vector<GeneTree*> pointers;
  for (GeneTree& tree : trees) pointers.push_back(&tree);
  return pointers;
}

// Rank 0 cuts the gene trees, in summing order, into the blocks the
// scorers cut, and gives every rank a run of whole blocks: a block goes
// to the rank whose equal part of all nodes holds the block's middle node.
GeneTreeShares cutShares(const std::vector<ScoredGeneTree>& order, std::size_t speciesCount, int ranks) {
  GeneTreeShares shares;
  for (const ScoredGeneTree& gene : order) shares.inputIndex.push_back(gene.input);
  const std::vector<std::size_t> blocks = geneTreeBlocks(order, speciesCount);
  std::vector<std::size_t> blockNodes;
  std::size_t total = 0;
  for (std::size_t b = 0; b + 1 < blocks.size(); ++b) {
    std::size_t nodes = 0;
    for (std::size_t i = blocks[b]; i < blocks[b + 1]; ++i) nodes += order[i].tree->size();
    blockNodes.push_back(nodes);
    total += nodes;
  }
  // Blocks go to the ranks in rank order: the ranks up to a block's own
  // that have not begun yet begin with it (those between hold nothing).
  shares.rankStart.assign(static_cast<std::size_t>(ranks) + 1, order.size());
  std::size_t nodesBefore = 0, nextRank = 0;
  for (std::size_t b = 0; b < blockNodes.size(); ++b) {
    const double middle = static_cast<double>(nodesBefore) + static_cast<double>(blockNodes[b]) / 2;
    const std::size_t rank = std::min(static_cast<std::size_t>(ranks) - 1,
                                      static_cast<std::size_t>(middle * ranks / static_cast<double>(total)));
    while (nextRank <= rank) shares.rankStart[nextRank++] = blocks[b];
    nodesBefore += blockNodes[b];
  }
  return shares;
}

}  // namespace

bool shareOptions(ProcessGroup& processes, Options* options) {
  if (processes.size() == 1) return options != nullptr;
  ByteWriter out;
  if (processes.leads()) {
    out.put(options != nullptr);
    if (options != nullptr) transferOptions(out, *options);
  }
  processes.broadcast(out.bytes());
  if (processes.leads()) return options != nullptr;
  ByteReader in(out.bytes());
  if (!in.get<bool>()) return false;
  transferOptions(in, *options);
  return true;
}

bool shareInputs(ProcessGroup& processes, bool failed, bool everyTree, RunInput& data, Random& random,
                 GeneTreeShares& shares) {
  if (processes.size() == 1) return !failed;
  ByteWriter out;
  TreeInput& trees = data.trees;
  if (processes.leads()) {
    out.put(!failed);
    if (!failed) {
      packNames(out, trees.names);
      out.put(random);
      out.put(trees.speciesTree != nullptr);
      if (trees.speciesTree) packTree(out, *trees.speciesTree);
      out.put(data.groups.size());
      for (const ConstraintGroup& group : data.groups) out.putStrings(group);
      out.putVector(data.species);
      out.putString(data.geneTreeSummary);
      if (everyTree) packTrees(out, trees.geneTrees);
    }
  }
  processes.broadcast(out.bytes());
  if (!processes.leads()) {
    ByteReader in(out.bytes());
    if (!in.get<bool>()) return false;
    trees.names = unpackNames(in);
    in.getInto(random);
    if (in.get<bool>()) trees.speciesTree = std::make_unique<SpeciesTree>(unpackSpeciesTree(in));
    data.groups.resize(in.get<std::size_t>());
    for (ConstraintGroup& group : data.groups) group = in.getStrings();
    data.species = in.getVector<NameId>();
    data.geneTreeSummary = in.getString();
    if (everyTree) appendGeneTrees(in, trees.geneTrees);
  }
  if (failed) return false;
  if (everyTree) return true;

  if (processes.leads()) {
    // The scorers cut with the number of species of the species tree: those
    // of the gene trees (a given tree's others are dropped before).
    shares = cutShares(scoringOrder(trees.geneTrees), data.species.size(), processes.size());
    for (int r = 1; r < processes.size(); ++r) {
      std::vector<GeneTree*> share;
      for (std::size_t p = shares.rankStart[static_cast<std::size_t>(r)];
           p < shares.rankStart[static_cast<std::size_t>(r) + 1]; ++p)
        share.push_back(&trees.geneTrees[shares.inputIndex[p]]);
      sendTrees(processes, r, share);
    }
    std::vector<GeneTree> mine;
    for (std::size_t p = 0; p < shares.rankStart[1]; ++p)
      mine.push_back(std::move(trees.geneTrees[shares.inputIndex[p]]));
    trees.geneTrees = std::move(mine);
#ifdef __GLIBC__
    // The other shares' memory back to the system: a rank holds its share.
    malloc_trim(0);
#endif
  } else {
    receiveTrees(processes, 0, trees.geneTrees);
  }
  return true;
}

std::vector<GeneTree> gatherGeneTrees(ProcessGroup& processes, std::vector<GeneTree>& mine,
                                      const GeneTreeShares& shares) {
  if (!processes.leads()) {
    sendTrees(processes, 0, pointersTo(mine));
    return {};
  }
  std::vector<GeneTree> byPosition = std::move(mine);
  for (int r = 1; r < processes.size(); ++r) receiveTrees(processes, r, byPosition);
  std::vector<std::size_t> positionOf(byPosition.size());
  for (std::size_t p = 0; p < shares.inputIndex.size(); ++p) positionOf[shares.inputIndex[p]] = p;
  std::vector<GeneTree> inInputOrder;
  inInputOrder.reserve(byPosition.size());
  for (std::size_t i = 0; i < positionOf.size(); ++i) inInputOrder.push_back(std::move(byPosition[positionOf[i]]));
  return inInputOrder;
}

std::vector<GeneTreeOutcome> gatherOutcomes(ProcessGroup& processes, const std::vector<GeneTreeOutcome>& mine,
                                            const GeneTreeShares& shares) {
  if (processes.size() == 1) return mine;
  if (!processes.leads()) {
    ByteWriter out;
    out.putVector(mine);
    processes.send(0, out.bytes());
    return {};
  }
  // Each rank's share is a run of the summing order, its trees in input
  // order: by position, rank after rank, they are the summing order.
  std::vector<GeneTreeOutcome> byPosition = mine;
  for (int r = 1; r < processes.size(); ++r) {
    const std::string bytes = processes.receive(r);
    ByteReader in(bytes);
    const std::vector<GeneTreeOutcome> theirs = in.getVector<GeneTreeOutcome>();
    byPosition.insert(byPosition.end(), theirs.begin(), theirs.end());
  }
  std::vector<GeneTreeOutcome> inInputOrder(byPosition.size());
  for (std::size_t p = 0; p < shares.inputIndex.size(); ++p) inInputOrder[shares.inputIndex[p]] = byPosition[p];
  return inInputOrder;
}

int jobRank(const ProcessGroup& processes, std::size_t job) {
  return static_cast<int>(job % static_cast<std::size_t>(processes.size()));
}

void gatherJobResults(ProcessGroup& processes, const std::vector<Job>& jobs, std::vector<JobResult>& results) {
  if (processes.size() == 1) return;
  if (!processes.leads()) {
    ByteWriter out;
    for (std::size_t k = 0; k < jobs.size(); ++k) {
      if (jobRank(processes, k) != processes.rank()) continue;
      const JobResult& result = results[k];
      out.put(result.done);
      if (!result.done) {
        out.put(result.costNotFinite);
        continue;
      }
      out.put(result.cost);
      out.put(result.seed);
      out.put(result.moves);
      out.put(result.seconds);
      out.putVector(result.rootings);
      packTree(out, result.tree);
      out.putVector(result.refinedAt);
      for (const GeneTree& tree : result.refined) packTree(out, tree);
    }
    processes.send(0, out.bytes());
    return;
  }
  for (int r = 1; r < processes.size(); ++r) {
    const std::string bytes = processes.receive(r);
    ByteReader in(bytes);
    for (std::size_t k = 0; k < jobs.size(); ++k) {
      if (jobRank(processes, k) != r) continue;
      JobResult& result = results[k];
      if (!in.get<bool>()) {
        in.getInto(result.costNotFinite);
        continue;
      }
      result.done = true;
      in.getInto(result.cost);
      in.getInto(result.seed);
      in.getInto(result.moves);
      in.getInto(result.seconds);
      result.rootings = in.getVector<RootEdge>();
      result.tree = unpackSpeciesTree(in);
      result.refinedAt = in.getVector<std::size_t>();
      for (std::size_t k = 0; k < result.refinedAt.size(); ++k) result.refined.push_back(unpackGeneTree(in));
    }
  }
}

}  // namespace dls
