#pragma once
// Node classes of the leaf-adding stage.

#include <cstdint>

#include "reconcile/gene_nodes.hpp"
#include "search/regraft_species_node.hpp"
#include "tree/labelled_node.hpp"

namespace buildtree {
namespace LEAFADD {

// The colour is the builder's constraint number, -1 for none.
using SpeciesNode = RegraftSpeciesNode<std::int32_t, std::int32_t>;
using NamedSpeciesNode = Labelled<SpeciesNode>;

using GeneNodeRooted = GeneNodeRootedOf<SpeciesNode>;
using NamedGeneNodeRooted = Labelled<GeneNodeRooted>;

using GeneNodeUnrooted = GeneNodeUnrootedOf<SpeciesNode>;
using NamedGeneNodeUnrooted = Labelled<GeneNodeUnrooted>;

}  // namespace LEAFADD
}  // namespace buildtree
