#include "scoring/unpruned_counts.hpp"

#include <algorithm>

#include "common/errors.hpp"
#include "reconcile/rootings.hpp"

namespace dls {

void UnprunedCounts::build(const std::vector<ScoredGeneTree>& trees, std::size_t begin, std::size_t end,
                           const std::vector<RootEdge>* rootings, bool everyRooting, const UnprunedTree& unpruned,
                           const CostModel& model, std::size_t maxGroups, GeneScratch& scratch) {
  const LossScope scope = model.scope;
  const CheapestRootingWalk walk(model.weights);
  const std::size_t species = unpruned.tree.size();
  families_.clear();
  map_.clear();
  rerootedInUse_ = 0;
  countedUnderEveryRooting_ = 0;
  walked_.clear();
  usable_ = startGroups(trees, begin, end, species, maxGroups);
  if (!usable_) return;
  for (std::size_t i = begin; i < end; ++i) {
    const GeneTree& tree = *trees[i].tree;
    Family family{&tree, rootings != nullptr ? (*rootings)[i] : tree.rootEdge(), trees[i].weight, false, false, -1, 0,
                  {}};
    family.counted = tree.rooted() || !everyRooting;
    if (!family.counted && scope == LossScope::wholeSpeciesTree) {
      family.counted = family.everyRooting = true;
      ++countedUnderEveryRooting_;
      reconcileEveryDirection(tree, family.edge, unpruned.tree, unpruned.index, scope, unpruned.whole, scratch);
      Walked walked{static_cast<std::uint32_t>(i - begin), {}};
      if (walk.firstSteps(scratch, unpruned.whole, walked.steps)) walked_.push_back(walked);
    }
    if (family.counted) {
      const GeneRooting& rooting = scratch.rootAt(tree, family.edge);
      if (&rooting != &tree.rooting()) {
        if (rerooted_.size() == rerootedInUse_) rerooted_.emplace_back();
        rerooted_[rerootedInUse_] = rooting;
        family.rerooted = static_cast<std::int32_t>(rerootedInUse_++);
      }
      family.mapStart = map_.size();
      map_.resize(map_.size() + tree.size());
      if (family.everyRooting)  // mapped at this rooting already, in every direction
        std::copy(scratch.map.begin(), scratch.map.begin() + static_cast<std::ptrdiff_t>(tree.size()),
                  map_.begin() + static_cast<std::ptrdiff_t>(family.mapStart));
      else
        mapGeneTree<false>(tree, rooting, scratch.turned, unpruned.tree.leafByName().data(), unpruned.index,
                           &map_[family.mapStart]);
      countFamily(family, rooting, unpruned, scope, scratch);
    }
    families_.push_back(family);
  }
  // Sums over each subtree, children before parents.
  const std::vector<NodeId>& order = unpruned.index.preorder();
  for (Group& group : groups_) {
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
      double below = group.crossing[at(*it)];
      for (int k = 0; k < 2; ++k) {
        const NodeId c = unpruned.tree.child(*it, k);
        if (c != kNoNode) below += group.crossingBelow[at(c)];
      }
      group.crossingBelow[at(*it)] = below;
    }
  }
  indexLeaves(species);
}

bool UnprunedCounts::startGroups(const std::vector<ScoredGeneTree>& trees, std::size_t begin, std::size_t end,
                                 std::size_t species, std::size_t maxGroups) {
  std::size_t count = 0;
  for (std::size_t i = begin; i < end; ++i) {
    bool known = false;
    for (std::size_t g = 0; g < count && !known; ++g) known = groups_[g].weight == trees[i].weight;
    if (known) continue;
    if (count == maxGroups) return false;
    if (groups_.size() == count) groups_.emplace_back();
    Group& group = groups_[count++];
    group.weight = trees[i].weight;
    group.duplications = group.losses = 0;
    group.crossing.assign(species, 0);
    group.crossingBelow.assign(species, 0);
  }
  groups_.resize(count);
  return true;
}

UnprunedCounts::Group& UnprunedCounts::groupOf(double weight) {
  for (Group& group : groups_)
    if (group.weight == weight) return group;
  throw InternalError("a gene tree's weight has no group in its block's counts");
}

// Over the whole species tree: the tree's counts, and per gene edge one
// crossing counter up at its lower end and one down at its upper end. In
// restricted trees: the tree's own counts, kept apart too.
void UnprunedCounts::countFamily(Family& family, const GeneRooting& rooting, const UnprunedTree& unpruned,
                                 LossScope scope, GeneScratch& scratch) {
  Group& group = groupOf(family.weight);
  const NodeId* map = &map_[family.mapStart];
  GeneTreeCost cost;
  if (scope == LossScope::wholeSpeciesTree) {
    double* crossing = group.crossing.data();
    cost = countCost<false>(rooting, map, unpruned.whole, [&](NodeId g, NodeId c0, NodeId c1) {
      crossing[at(map[c0])] += 1;
      crossing[at(map[c1])] += 1;
      crossing[at(map[g])] -= 2;
    });
  } else {
    scratch.relevant.buildRestricted(unpruned.tree, unpruned.index, *family.tree, map);
    cost = countCost<false>(rooting, map, scratch.relevant);
    family.cost = cost;
  }
  group.duplications += static_cast<double>(cost.duplications);
  group.losses += static_cast<double>(cost.losses);
}

void UnprunedCounts::prefetch(const Family& f) const {
  const GeneRooting& links = rooting(f);
  const char* nodes = reinterpret_cast<const char*>(&links.node(0));
  for (std::size_t b = 0; b < links.size() * sizeof(GeneRooting::Node); b += 64) __builtin_prefetch(nodes + b);
  const char* map = reinterpret_cast<const char*>(&map_[f.mapStart]);
  for (std::size_t b = 0; b < links.size() * sizeof(NodeId); b += 64) __builtin_prefetch(map + b);
}

// The gene leaves of the counted families by species leaf, in block order.
void UnprunedCounts::indexLeaves(std::size_t species) {
  leafStart_.assign(species + 1, 0);
  std::size_t total = 0;
  for (const Family& f : families_) {
    if (!f.counted) continue;
    const NodeId* map = &map_[f.mapStart];
    for (NodeId leaf : f.tree->leaves()) ++leafStart_[at(map[leaf]) + 1];
    total += f.tree->leaves().size();
  }
  for (std::size_t v = 0; v < species; ++v) leafStart_[v + 1] += leafStart_[v];
  occurrences_.resize(total);
  std::vector<std::uint32_t>& next = nextSlot_;
  next.assign(leafStart_.begin(), leafStart_.end() - 1);  // where each species' next occurrence goes
  for (std::size_t i = 0; i < families_.size(); ++i) {
    const Family& f = families_[i];
    if (!f.counted) continue;
    const NodeId* map = &map_[f.mapStart];
    for (NodeId leaf : f.tree->leaves()) occurrences_[next[at(map[leaf])]++] = {static_cast<std::uint32_t>(i), leaf};
  }
}

}  // namespace dls
