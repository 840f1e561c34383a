#pragma once
// A species tree that answers least-common-ancestor queries in constant
// time: the tree is laid out as its in-order sequence of node depths, and
// the LCA of two nodes is the shallowest node between them in that sequence.

#include <cstdint>
#include <vector>

#include "reconcile/rmq.hpp"
#include "tree/tree.hpp"
#include "tree/tree_io.hpp"

// Growing: the tree gains nodes between queries (the leaf-adding builder),
// so every preparation renumbers the nodes.
template <class Node, class NamedNode, bool Growing>
class LcaSpeciesTree : public TreeIO<Tree<Node, NamedNode>> {
 public:
  std::vector<std::uint32_t> inorderPosition;  // by node idx: position in the in-order sequence
  std::vector<std::uint32_t> inorderNode;      // by in-order position: node idx
  std::vector<std::uint32_t> inorderDepth;     // by in-order position: depth (root 0)
  rmqinfo* lcaIndex = nullptr;                 // valid between preprocessLCA and postprocessLCA

  ~LcaSpeciesTree() override { rm_free(lcaIndex); }

  // Prepares the LCA queries for the current shape of the tree.
  void preprocessLCA() {
    const std::size_t n = this->nodes.size();
    if (Growing || inorderNode.size() != n) {
      for (std::size_t i = 0; i < n; ++i) this->nodes[i]->idx = static_cast<std::int32_t>(i);
      inorderPosition.assign(n, 0);
      inorderNode.assign(n, 0);
      inorderDepth.assign(n, 0);
    }
    std::uint32_t* nodeCursor = inorderNode.data();
    std::uint32_t* depthCursor = inorderDepth.data();
    createInorderSequence(this->root, nodeCursor, depthCursor, 0);
    for (std::size_t p = n; p-- > 0;) inorderPosition[inorderNode[p]] = static_cast<std::uint32_t>(p);
    rm_free(lcaIndex);
    lcaIndex = rm_query_preprocess(inorderDepth.data(), static_cast<std::uint32_t>(n));
  }

  // Appends the in-order sequence below node (node idx and depth); the
  // second child is handled by iteration, so right spines cost no stack.
  void createInorderSequence(Node* node, std::uint32_t*& nodeCursor, std::uint32_t*& depthCursor,
                             std::uint32_t depth) {
    while (node != nullptr) {
      if (node->child(0) != nullptr) createInorderSequence(node->child(0), nodeCursor, depthCursor, depth + 1);
      *nodeCursor++ = static_cast<std::uint32_t>(node->idx);
      *depthCursor++ = depth;
      node = node->child(1);
      ++depth;
    }
  }

  void postprocessLCA() {
    rm_free(lcaIndex);
    lcaIndex = nullptr;
  }

  // Numbers the subtree of node in in-order; counter starts at 0 at the root.
  void establishOrderDFS(Node* node, std::uint32_t& counter) {
    node->subtreeFirst = counter;
    if (node->child(0) != nullptr) {
      establishOrderDFS(node->child(0), counter);
      ++counter;
    }
    node->number = counter;
    if (node->child(1) != nullptr) {
      ++counter;
      establishOrderDFS(node->child(1), counter);
    }
    node->subtreeLast = counter;
  }

  // The LCA of two nodes of the prepared tree.
  Node* lca(Node* a, Node* b) const {
    std::uint32_t pa = inorderPosition[static_cast<std::size_t>(a->idx)];
    std::uint32_t pb = inorderPosition[static_cast<std::size_t>(b->idx)];
    if (pb < pa) std::swap(pa, pb);
    return this->nodes[inorderNode[rm_query(lcaIndex, pa, pb)]];
  }
};
