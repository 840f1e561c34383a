#pragma once
// A random rooted binary species tree from the Yule (pure birth) process,
// with branch lengths scaled so that the root-to-leaf height is 1.

#include <string>
#include <utility>
#include <vector>

#include "sim_random.hpp"

namespace dlsim {

struct SpeciesBranch {
  int parent = -1;
  int child[2] = {-1, -1};
  double length = 0.0;  // length of the branch above the node; 0 for the root
  std::string name;     // leaves only: S001, S002, ... (from left to right as grown)
};

struct YuleSpeciesTree {
  std::vector<SpeciesBranch> nodes;  // node 0 is the root; parents precede children
  int leafCount = 0;

  bool isLeaf(int node) const { return nodes[static_cast<std::size_t>(node)].child[0] < 0; }
  std::string newick() const;  // names only, no branch lengths, ending in ";"
};

// Grows a tree of the given number of leaves (at least 1), named S001, S002,
// ... from left to right.
YuleSpeciesTree growYuleTree(int leaves, SimRandom& random);

// Deals the leaves' names out again in a random order, so that no name
// order follows the tree.
void shuffleNames(YuleSpeciesTree& tree, SimRandom& random);

// Species names of a tree of the given size: S001 ... with at least three digits.
std::string speciesName(int number, int leaves);

// Newick text, ending in ";", of the binary tree below root: child(node, i)
// is child i of a node (-1 at a leaf), name(node) a leaf's name (asked once
// per leaf, in the order written), after(node) the text written after each
// node, such as a branch length. Iterative, so that tree depth does not
// matter; a lone leaf is put in parentheses, since a tree in the text starts
// with "(".
template <class Child, class Name, class After>
std::string binaryNewick(int root, Child&& child, Name&& name, After&& after) {
  std::string text;
  std::vector<std::pair<int, int>> stack{{root, 0}};  // (node, next child to write)
  while (!stack.empty()) {
    auto& [node, next] = stack.back();
    if (child(node, 0) < 0 || next == 2) {
      text += child(node, 0) < 0 ? name(node) : std::string(")");
      text += after(node);
      stack.pop_back();
    } else {
      text += next == 0 ? '(' : ',';
      const int below = child(node, next++);
      stack.emplace_back(below, 0);
    }
  }
  if (child(root, 0) < 0) text = "(" + text + ")";
  return text + ";";
}

template <class Child, class Name>
std::string binaryNewick(int root, Child&& child, Name&& name) {
  return binaryNewick(root, child, name, [](int) { return std::string(); });
}

}  // namespace dlsim
