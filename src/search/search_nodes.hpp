#pragma once
// Node classes of the SPR search stage.

#include <cstdint>

#include "reconcile/gene_nodes.hpp"
#include "search/regraft_species_node.hpp"
#include "tree/labelled_node.hpp"

namespace localsearch {

using SpeciesNode = RegraftSpeciesNode<double, std::uint32_t>;
using NamedSpeciesNode = Labelled<SpeciesNode>;

using GeneNodeRooted = GeneNodeRootedOf<SpeciesNode>;
using NamedGeneNodeRooted = Labelled<GeneNodeRooted>;

using GeneNodeUnrooted = GeneNodeUnrootedOf<SpeciesNode>;
using NamedGeneNodeUnrooted = Labelled<GeneNodeUnrooted>;

}  // namespace localsearch
