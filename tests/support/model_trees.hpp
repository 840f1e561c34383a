#pragma once
// The program's trees in unit tests: read from Newick text, and seen as the
// plain trees of the direct recount.

#include <sstream>
#include <string>

#include "common/console.hpp"
#include "common/random.hpp"
#include "reconcile/gene_scratch.hpp"
#include "support/direct_count.hpp"
#include "tree/newick_writer.hpp"
#include "tree/tree_input.hpp"

namespace dls {

// Reads a tree input (a species tree first when asked for; gene trees'
// polytomies kept to be refined when asked for); warnings are dropped.
inline TreeInput readInput(const std::string& text, bool speciesTreeFirst, std::uint32_t seed = 1,
                           bool refinePolytomies = false) {
  static std::ostringstream sink;
  Console console(sink, sink);
  Random random(seed);
  std::istringstream stream(text);
  TextReader in(stream);
  TreeInput trees;
  TreeInputRules rules;
  rules.speciesTreeFirst = speciesTreeFirst;
  rules.refinePolytomies = refinePolytomies;
  readTreeInput(in, rules, random, console, trees);
  return trees;
}

template <class Tree>
std::string newickOf(const Tree& tree, const NameTable& names) {
  std::ostringstream out;
  NewickWriter(names).write(out, tree);
  return out.str() + ";";
}

// A gene tree rooted on another edge.
inline std::string newickAt(const GeneTree& tree, const RootEdge& edge, const NameTable& names) {
  std::ostringstream out;
  GeneScratch scratch;
  NewickWriter(names).write(out, tree, scratch.rootAt(tree, edge));
  return out.str() + ";";
}

template <class Tree>
PlainTree plainTree(const Tree& tree, const NameTable& names) {
  return PlainTree::parse(newickOf(tree, names));
}

// Newick text the program reads back: a single leaf in parentheses.
inline std::string readableNewick(const PlainTree& tree) {
  return tree.isLeaf(tree.root) ? "(" + tree.label[tree.root] + ");" : tree.newick();
}

}  // namespace dls
