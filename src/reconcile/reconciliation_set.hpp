#pragma once
// The reconciliation engine shared by all stages: ties gene leaves to
// species leaves, maps every gene node to the least common ancestor of its
// species (rooted trees, and unrooted trees in every direction), maps with a
// pruned species subtree taken out, and counts duplications.
//
// NullMappings: the leaf-adding stage reconciles against a species tree that
// does not hold every species yet; gene leaves of missing species map to
// null and every rule below skips them.

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "driver/messages.hpp"
#include "reconcile/mapping_records.hpp"
#include "tree/tree_set.hpp"

template <class SpeciesTreeT, class GeneTreeRootedT, class GeneTreeUnrootedT, bool NullMappings>
class ReconciliationSet : public TreeSetOf<SpeciesTreeT, GeneTreeRootedT, GeneTreeUnrootedT> {
 public:
  using SpeciesNode = typename SpeciesTreeT::Node;
  using NamedSpeciesNode = typename SpeciesTreeT::NamedNode;
  using GeneNodeRooted = typename GeneTreeRootedT::Node;
  using GeneNodeUnrooted = typename GeneTreeUnrootedT::Node;

  // Gene nodes whose secondary mapping kept their primary mapping.
  std::vector<GeneNodeRooted*> secondaryFrontierRooted;
  std::vector<GeneNodeUnrooted*> secondaryFrontierUnrooted;

  // Maps every gene leaf to the species leaf of its name. A repeated species
  // name is fatal. Except with NullMappings: a gene leaf of an unknown
  // species is fatal, and species leaves that no gene tree names are
  // deleted from the species tree with a warning.
  void createLeafMapping() {
    SpeciesTreeT& species = *this->speciesTree;
    std::unordered_map<const void*, NamedSpeciesNode*> byName;
    byName.reserve(species.leaves.size());
    for (NamedSpeciesNode* leaf : species.leaves)
      if (!byName.emplace(leaf->nameEntry(), leaf).second)
        fatalError("\"" + leaf->name() + "\" is not a unique species");

    auto mapLeaves = [&](auto& trees) {
      for (auto* tree : trees)
        for (auto* leaf : tree->leaves) {
          auto found = byName.find(leaf->nameEntry());
          SpeciesNode* mapped = nullptr;
          if (found != byName.end())
            mapped = found->second;
          else if (!NullMappings)
            fatalError("species \"" + leaf->name() + "\" is not covered in the species tree");
          currentMapping(leaf) = mapped;
        }
    };
    mapLeaves(this->rootedGeneTrees);
    mapLeaves(this->unrootedGeneTrees);
    if constexpr (NullMappings) return;

    auto forget = [&](auto& trees) {
      for (auto* tree : trees)
        for (auto* leaf : tree->leaves) byName.erase(leaf->nameEntry());
    };
    forget(this->rootedGeneTrees);
    forget(this->unrootedGeneTrees);
    // Uncovered species, reported in name order.
    std::map<std::string, NamedSpeciesNode*> uncovered;
    for (const auto& entry : byName) uncovered.emplace(entry.second->name(), entry.second);
    for (const auto& entry : uncovered) {
      warning("species \"" + entry.first + "\" is not covered by any gene tree - species ignored");
      if (static_cast<SpeciesNode*>(entry.second) != species.root) species.deleteLeafNode(entry.second);
    }
  }

  // LCA mapping of a rooted gene node, computed below it where missing.
  SpeciesNode* getLCA(GeneNodeRooted* node, GeneNodeRooted* = nullptr) {
    SpeciesNode*& mapping = node->primaryMapping;
    if (mapping != nullptr) return mapping;
    GeneNodeRooted* c0 = node->child(0);
    GeneNodeRooted* c1 = node->child(1);
    if (c0 == nullptr && c1 == nullptr) return mapping;  // a leaf of a missing species
    SpeciesNode* m0 = c0 != nullptr ? getLCA(c0) : nullptr;
    SpeciesNode* m1 = c1 != nullptr ? getLCA(c1) : nullptr;
    mapping = join(m0, m1);
    return mapping;
  }

  // LCA mapping of an unrooted gene node for the direction in which parent
  // (null: the root's empty slot) is its parent.
  SpeciesNode* getLCA(GeneNodeUnrooted* node, GeneNodeUnrooted* parent) {
    const int k = directionOf(node, parent, "direction not found in getMappingDirected");
    SpeciesNode*& mapping = node->primaryMappings[k];
    if (mapping != nullptr) return mapping;
    GeneNodeUnrooted* first = node->neighbours[k == 0 ? 1 : 0];
    GeneNodeUnrooted* second = node->neighbours[k == 2 ? 1 : 2];
    SpeciesNode* m0 = first != nullptr ? getLCA(first, node) : nullptr;
    SpeciesNode* m1 = second != nullptr ? getLCA(second, node) : nullptr;
    mapping = join(m0, m1);
    return mapping;
  }

  // Maps a rooted gene tree afresh (leaves keep their leaf mapping).
  void mapRootedTree(GeneTreeRootedT& tree) { remapRootedDFS(tree.root); }

  // Recomputes the mapping of every inner node below node, children first.
  SpeciesNode* remapRootedDFS(GeneNodeRooted* node) {
    GeneNodeRooted* c0 = node->child(0);
    GeneNodeRooted* c1 = node->child(1);
    if (c0 == nullptr && c1 == nullptr) return node->primaryMapping;
    SpeciesNode* m0 = c0 != nullptr ? remapRootedDFS(c0) : nullptr;
    SpeciesNode* m1 = c1 != nullptr ? remapRootedDFS(c1) : nullptr;
    return node->primaryMapping = join(m0, m1);
  }

  // Maps an unrooted gene tree afresh, for its present rooting only.
  void mapUnrootedTreeAsRooted(GeneTreeUnrootedT& tree) {
    clearInnerMappings(tree);
    getLCA(tree.root, tree.root->parent());
  }

  // Fills every direction of every node of an unrooted gene tree, so that
  // it can be rooted on any edge without remapping.
  void createPrimaryMappingUnrooted(GeneTreeUnrootedT& tree) {
    clearInnerMappings(tree);
    getLCA(tree.root, tree.root->parent());
    for (auto* leaf : tree.leaves) {
      GeneNodeUnrooted* node = leaf;
      if (node->parent() != nullptr) getLCA(node->parent(), node);
    }
  }

  // Mapping of a gene node with the species subtree below pruned taken out.
  // Descends only through gene nodes mapped to the species root; every
  // other node reached keeps its mapping (and is listed on the frontier) or
  // is dropped (mapped inside the pruned subtree).
  template <class GeneNode>
  SpeciesNode* get2ndLCA(GeneNode* node, SpeciesNode& pruned) {
    SpeciesNode*& secondary = node->secondaryMapping;
    if (secondary != nullptr) return secondary;
    SpeciesNode* mapping = currentMapping(node);
    if (mapping == this->speciesTree->root) {
      GeneNode* c0 = node->child(0);
      GeneNode* c1 = node->child(1);
      SpeciesNode* m0 = c0 != nullptr ? get2ndLCA(c0, pruned) : nullptr;
      SpeciesNode* m1 = c1 != nullptr ? get2ndLCA(c1, pruned) : nullptr;
      secondary = join(m0, m1);
    } else if (mapping != nullptr && !pruned.contains(*mapping)) {
      secondary = mapping;
      if constexpr (isUnrootedNode<GeneNode>)
        secondaryFrontierUnrooted.push_back(node);
      else
        secondaryFrontierRooted.push_back(node);
    }
    return secondary;
  }

  // Clears the secondary mappings set by get2ndLCA below node.
  template <class GeneNode>
  void resetSecondaryMappingDFS(GeneNode* node) {
    while (node != nullptr && node->secondaryMapping != nullptr) {
      node->secondaryMapping = nullptr;
      resetSecondaryMappingDFS(node->child(0));
      node = node->child(1);
    }
  }

  // Adds the number of duplications below node: inner gene nodes mapped to
  // the same species node as one of their children.
  template <class Counter, class GeneNode>
  void getScoreDFS(Counter& counter, GeneNode* node) {
    while (node != nullptr) {
      GeneNode* c0 = node->child(0);
      GeneNode* c1 = node->child(1);
      if (c0 == nullptr || c1 == nullptr) return;
      if (NullMappings && currentMapping(node) == nullptr) return;
      if (isDuplication(node)) ++counter;
      getScoreDFS(counter, c0);
      node = c1;
    }
  }

  // Whether an inner gene node is a duplication: mapped like one of its
  // children (with both children mapped, where mappings can be missing).
  template <class GeneNode>
  static bool isDuplication(GeneNode* node) {
    GeneNode* c0 = node->child(0);
    GeneNode* c1 = node->child(1);
    if (c0 == nullptr || c1 == nullptr) return false;
    SpeciesNode* m = currentMapping(node);
    if (NullMappings && m == nullptr) return false;
    SpeciesNode* m0 = currentMapping(c0);
    SpeciesNode* m1 = currentMapping(c1);
    return (m == m0 && (!NullMappings || m1 != nullptr)) || (m == m1 && (!NullMappings || m0 != nullptr));
  }

 protected:
  // LCA of two mappings, either of which may be missing.
  SpeciesNode* join(SpeciesNode* a, SpeciesNode* b) const {
    if (a == nullptr) return b;
    if (b == nullptr) return a;
    return this->speciesTree->lca(a, b);
  }

 private:
  static int directionOf(GeneNodeUnrooted* node, GeneNodeUnrooted* parent, const char* message) {
    for (int k = 0; k < 3; ++k)
      if (node->neighbours[k] == parent) return k;
    fatalError(message);
  }

  static void clearInnerMappings(GeneTreeUnrootedT& tree) {
    for (GeneNodeUnrooted* node : tree.nodes)
      if (node->child(0) != nullptr || node->child(1) != nullptr)
        node->primaryMappings[0] = node->primaryMappings[1] = node->primaryMappings[2] = nullptr;
  }
};
