#pragma once
// Gene-tree node classes, the same in every stage up to the species node
// class they map into: the structure plus the primary and secondary mappings.

#include <ostream>

#include "reconcile/mapping_records.hpp"
#include "tree/node_dump.hpp"
#include "tree/tree_node.hpp"

template <class SpeciesNode>
class GeneNodeRootedOf : public TreeNodeRooted<GeneNodeRootedOf<SpeciesNode>>,
                         public PrimaryMappingRooted<SpeciesNode>,
                         public SecondaryMapping<SpeciesNode> {};

template <class SpeciesNode>
class GeneNodeUnrootedOf : public TreeNodeUnrooted<GeneNodeUnrootedOf<SpeciesNode>>,
                           public PrimaryMappingUnrooted<SpeciesNode>,
                           public SecondaryMapping<SpeciesNode> {};

template <class SpeciesNode>
std::ostream& operator<<(std::ostream& out, GeneNodeRootedOf<SpeciesNode>& node) {
  return dumpStructure(out, node) << ", " << static_cast<PrimaryMappingRooted<SpeciesNode>&>(node) << ", "
                                  << static_cast<SecondaryMapping<SpeciesNode>&>(node);
}

template <class SpeciesNode>
std::ostream& operator<<(std::ostream& out, GeneNodeUnrootedOf<SpeciesNode>& node) {
  return dumpStructure(out, node) << ", " << static_cast<PrimaryMappingUnrooted<SpeciesNode>&>(node) << ", "
                                  << static_cast<SecondaryMapping<SpeciesNode>&>(node);
}
