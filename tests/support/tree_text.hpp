#pragma once
// Building trees from Newick text in tests.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/direct_count.hpp"
#include "tree/input.hpp"

// Reads one tree of the text into tree (which must be empty).
template <class T>
void parseInto(T& tree, const std::string& text) {
  std::istringstream stream(text);
  Input in(stream);
  ASSERT_TRUE(tree.stream2tree(in)) << text;
}

// L0, L1, ... L(n-1).
inline std::vector<std::string> labels(int n) {
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back("L" + std::to_string(i));
  return out;
}

// The program's tree as a plain tree (names only).
template <class TreeT>
PlainTree plainTree(TreeT& tree) {
  std::ostringstream out;
  tree.subtree2newickDFS(out, tree.root);
  out << ";";
  return PlainTree::parse(out.str());
}

// Newick text the program reads back: a single leaf in parentheses.
inline std::string readableNewick(const PlainTree& tree) {
  return tree.isLeaf(tree.root) ? "(" + tree.label[tree.root] + ");" : tree.newick();
}
