#include "app/bootstrap_support.hpp"

#include <algorithm>
#include <cmath>

#include "reconcile/species_index.hpp"

namespace dls {

BootstrapSupport::BootstrapSupport(const SpeciesTree& best)
    : best_(best), bestClades_(cladesOf(best)), support_(best.size(), 0) {}

void BootstrapSupport::add(const SpeciesTree& replicate) {
  std::vector<std::vector<NameId>> clades = cladesOf(replicate);
  // The root's clade is every species of the replicate: no clade to support.
  clades[static_cast<std::size_t>(replicate.root())].clear();
  for (NodeId v = 0; v < static_cast<NodeId>(best_.size()); ++v)
    if (std::find(clades.begin(), clades.end(), bestClades_[static_cast<std::size_t>(v)]) != clades.end())
      ++support_[static_cast<std::size_t>(v)];
  ++replicates_;
}

std::vector<std::string> BootstrapSupport::labels() const {
  std::vector<std::string> labels(best_.size());
  if (replicates_ == 0) return {};
  for (NodeId v = 0; v < static_cast<NodeId>(best_.size()); ++v) {
    if (best_.isLeaf(v) || v == best_.root()) continue;
    labels[static_cast<std::size_t>(v)] =
        std::to_string(std::llround(100.0 * support_[static_cast<std::size_t>(v)] / replicates_));
  }
  return labels;
}

}  // namespace dls
