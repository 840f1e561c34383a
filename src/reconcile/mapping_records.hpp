#pragma once
// Where gene nodes sit in the species tree. The primary mapping is the
// least common ancestor (LCA) of the species below a gene node; an unrooted
// gene node keeps one per neighbour slot (its mapping when that neighbour is
// its parent), so that its tree can be re-rooted without remapping. The
// secondary mapping is the mapping with a pruned species subtree taken out.

#include <ostream>
#include <type_traits>
#include <utility>

#include "tree/tree_node.hpp"

template <class SpeciesNode>
class PrimaryMappingRooted {
 public:
  SpeciesNode* primaryMapping = nullptr;  // null: not computed yet
};

template <class SpeciesNode>
class PrimaryMappingUnrooted {
 public:
  SpeciesNode* primaryMappings[3] = {nullptr, nullptr, nullptr};  // per neighbour slot
};

template <class SpeciesNode>
class SecondaryMapping {
 public:
  SpeciesNode* secondaryMapping = nullptr;  // null: unset
};

// Unrooted gene nodes (and their labelled variants) carry a parent index.
template <class GeneNode, class = void>
constexpr bool isUnrootedNode = false;
template <class GeneNode>
constexpr bool isUnrootedNode<GeneNode, std::void_t<decltype(std::declval<GeneNode&>().parentIndex)>> = true;

// The mapping of a gene node as the tree is rooted now: for an unrooted node,
// the entry of its current parent direction.
template <class GeneNode>
auto& currentMapping(GeneNode* node) {
  if constexpr (isUnrootedNode<GeneNode>)
    return node->primaryMappings[node->parentIndex];
  else
    return node->primaryMapping;
}

template <class S>
std::ostream& operator<<(std::ostream& out, const PrimaryMappingRooted<S>& m) {
  return out << "1st-map:" << static_cast<const void*>(m.primaryMapping);
}

template <class S>
std::ostream& operator<<(std::ostream& out, const PrimaryMappingUnrooted<S>& m) {
  return out << "1st-map:{" << static_cast<const void*>(m.primaryMappings[0]) << ","
             << static_cast<const void*>(m.primaryMappings[1]) << ","
             << static_cast<const void*>(m.primaryMappings[2]) << "}";
}

template <class S>
std::ostream& operator<<(std::ostream& out, const SecondaryMapping<S>& m) {
  return out << "2nd-map:" << static_cast<const void*>(m.secondaryMapping);
}
