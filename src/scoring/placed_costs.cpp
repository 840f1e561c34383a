#include "scoring/placed_costs.hpp"

#include <algorithm>

namespace dls {

void PlacedCosts::setGeneTrees(const std::vector<ScoredGeneTree>& trees) {
  genes_ = &trees;
  kept_ = false;
  std::size_t names = 0;
  for (const ScoredGeneTree& gene : trees)
    for (NodeId leaf : gene.tree->leaves()) names = std::max(names, at(gene.tree->name(leaf)) + 1);
  // Each tree once per species, in tree order.
  std::vector<std::uint32_t> last(names, 0);
  treeStart_.assign(names + 1, 0);
  for (std::uint32_t i = 0; i < trees.size(); ++i)
    for (NodeId leaf : trees[i].tree->leaves()) {
      const std::size_t name = at(trees[i].tree->name(leaf));
      if (last[name] == i + 1) continue;
      last[name] = i + 1;
      ++treeStart_[name + 1];
    }
  for (std::size_t name = 0; name < names; ++name) treeStart_[name + 1] += treeStart_[name];
  trees_.resize(treeStart_[names]);
  std::vector<std::uint32_t> next(treeStart_.begin(), treeStart_.end() - 1);
  std::fill(last.begin(), last.end(), 0);
  for (std::uint32_t i = 0; i < trees.size(); ++i)
    for (NodeId leaf : trees[i].tree->leaves()) {
      const std::size_t name = at(trees[i].tree->name(leaf));
      if (last[name] == i + 1) continue;
      last[name] = i + 1;
      trees_[next[name]++] = i;
    }
  costs_.assign(trees.size(), GeneTreeCost());
}

GeneTreeCost PlacedCosts::update(const SpeciesTree& species, const SpeciesIndex& index, NodeId x, WorkerTeam& team) {
  const NodeId r = species.sibling(x);
  const NameId newName = species.name(x);
  // Counted without x: its species is not placed yet.
  leafByName_ = species.leafByName();
  if (newName >= 0 && at(newName) < leafByName_.size()) leafByName_[at(newName)] = kNoNode;
  NodeId placedLeaf = kNoNode;
  recount_.clear();
  if (kept_ && findNewLeaf(species, index, r, placedLeaf)) {
    const NameId name = placedLeaf == kNoNode ? kNoName : species.name(placedLeaf);
    recount_.assign(treesBegin(name), treesEnd(name));
  } else {
    for (std::uint32_t i = 0; i < genes_->size(); ++i) recount_.push_back(i);
  }
  count(recount_, species, index, team);
  keep(species, index, r);
  GeneTreeCost others = total_;
  for (const std::uint32_t* i = treesBegin(newName); i != treesEnd(newName); ++i) {
    others.duplications -= costs_[*i].duplications;
    others.losses -= costs_[*i].losses;
  }
  return others;
}

void PlacedCosts::count(const std::vector<std::uint32_t>& which, const SpeciesTree& species, const SpeciesIndex& index,
                        WorkerTeam& team) {
  for (std::uint32_t i : which) {
    total_.duplications -= costs_[i].duplications;
    total_.losses -= costs_[i].losses;
  }
  if (scratch_.size() < team.size()) scratch_.resize(team.size());
  team.forEach(which.size(), 16, [&](unsigned worker, std::size_t k) {
    const GeneTree& tree = *(*genes_)[which[k]].tree;
    GeneScratch& scratch = scratch_[worker];
    scratch.fit(tree.size());
    NodeId* map = scratch.map.data();
    mapGeneTree<true>(tree, leafByName_.data(), index, map);
    scratch.relevant.buildRestricted(species, index, tree, map);
    costs_[which[k]] = countCost<true>(tree.rooting(), map, scratch.relevant);
  });
  for (std::uint32_t i : which) {
    total_.duplications += costs_[i].duplications;
    total_.losses += costs_[i].losses;
  }
}

bool PlacedCosts::findNewLeaf(const SpeciesTree& species, const SpeciesIndex& index, NodeId r, NodeId& newLeaf) const {
  const std::vector<NodeId>& order = index.preorder();
  const std::size_t size = index.end(r) - index.begin(r);
  newLeaf = kNoNode;
  int fresh = 0;
  for (std::uint32_t i = index.begin(r); i < index.end(r); ++i) {
    const NodeId v = order[i];
    if (!species.isLeaf(v)) continue;
    const std::size_t name = at(species.name(v));
    if (name >= placed_.size() || !placed_[name]) newLeaf = v, ++fresh;
  }
  if (fresh > 1 || size != keptNodes_ + (fresh == 1 ? 2 : 0) || newLeaf == r) return false;
  // The tree with the new leaf and its parent passed over.
  const NodeId p = newLeaf == kNoNode ? kNoNode : species.parent(newLeaf);
  const NodeId s = newLeaf == kNoNode ? kNoNode : species.sibling(newLeaf);
  const auto up = [&](NodeId v) {
    NodeId u = v == r ? kNoNode : species.parent(v);
    if (u != kNoNode && u == p) u = p == r ? kNoNode : species.parent(p);
    return u;
  };
  const auto down = [&](NodeId c) { return c != kNoNode && c == p ? s : c; };
  for (std::uint32_t i = index.begin(r); i < index.end(r); ++i) {
    const NodeId v = order[i];
    if (v == newLeaf || v == p) continue;
    if (at(v) >= nodes_.size()) return false;
    const KeptNode& kept = nodes_[at(v)];
    if (!kept.in || kept.parent != up(v) || kept.child0 != down(species.child(v, 0)) ||
        kept.child1 != down(species.child(v, 1)) || kept.name != (species.isLeaf(v) ? species.name(v) : kNoName))
      return false;
  }
  return true;
}

void PlacedCosts::keep(const SpeciesTree& species, const SpeciesIndex& index, NodeId r) {
  nodes_.assign(species.size(), KeptNode{kNoNode, kNoNode, kNoNode, kNoName, false});
  std::fill(placed_.begin(), placed_.end(), false);
  const std::vector<NodeId>& order = index.preorder();
  for (std::uint32_t i = index.begin(r); i < index.end(r); ++i) {
    const NodeId v = order[i];
    const bool leaf = species.isLeaf(v);
    nodes_[at(v)] = {v == r ? kNoNode : species.parent(v), species.child(v, 0), species.child(v, 1),
                     leaf ? species.name(v) : kNoName, true};
    if (!leaf) continue;
    const std::size_t name = at(species.name(v));
    if (name >= placed_.size()) placed_.resize(name + 1, false);
    placed_[name] = true;
  }
  keptNodes_ = index.end(r) - index.begin(r);
  kept_ = true;
}

}  // namespace dls
