#include "reconcile/species_index.hpp"

#include <algorithm>

namespace dls {

void SpeciesIndex::rebuild(const SpeciesTree& tree) {
  const std::size_t n = tree.size();
  order_.resize(n);
  inorderNode_.resize(n);
  inorderDepth_.resize(n);
  depth_.resize(n);
  preorderPosition_.resize(n);
  subtreeSize_.resize(n);
  preorder_.clear();
  std::uint32_t counter = 0;
  tour_.run(
      tree.root(), [&tree](NodeId v, int i) { return tree.child(v, i); },
      [&](NodeId v, TourStep step) {
        const std::size_t i = at(v);
        switch (step) {
          case TourStep::enter:
            depth_[i] = v == tree.root() ? 0 : depth_[at(tree.parent(v))] + 1;
            order_[i].first = counter;
            preorderPosition_[i] = static_cast<std::uint32_t>(preorder_.size());
            preorder_.push_back(v);
            break;
          case TourStep::between:
            // A leaf takes the current number; an inner node the one after
            // its left subtree, and its right subtree the ones after it.
            if (tree.child(v, 0) != kNoNode) ++counter;
            order_[i].number = counter;
            inorderNode_[counter] = v;
            inorderDepth_[counter] = depth_[i];
            if (tree.child(v, 1) != kNoNode) ++counter;
            break;
          case TourStep::leave:
            order_[i].last = counter;
            subtreeSize_[i] = static_cast<std::uint32_t>(preorder_.size()) - preorderPosition_[i];
            break;
        }
      });
  rmq_.build(inorderDepth_.data(), static_cast<std::uint32_t>(n));
}

std::vector<std::vector<NameId>> cladesOf(const SpeciesTree& tree) {
  SpeciesIndex index;
  index.rebuild(tree);
  std::vector<std::vector<NameId>> clades(tree.size());
  for (NodeId v = 0; v < static_cast<NodeId>(tree.size()); ++v) {
    std::vector<NameId>& clade = clades[static_cast<std::size_t>(v)];
    clade = speciesBelow(tree, index, v);
    std::sort(clade.begin(), clade.end());
  }
  return clades;
}

std::vector<NameId> speciesBelow(const SpeciesTree& tree, const SpeciesIndex& index, NodeId v) {
  std::vector<NameId> species;
  for (std::uint32_t i = index.begin(v); i < index.end(v); ++i)
    if (tree.isLeaf(index.preorder()[i])) species.push_back(tree.name(index.preorder()[i]));
  return species;
}

}  // namespace dls
