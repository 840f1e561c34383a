#pragma once
// Reading a tree set: an optional species tree first, then gene trees, each
// optionally preceded by comments that mark it unrooted ("[&U]"), rooted
// ("[&R]") or weighted ("[&WEIGHT=w]").

#include <string>
#include <type_traits>

#include "driver/messages.hpp"
#include "tree/input.hpp"

struct GeneTreeMarks {
  bool rooted = true;
  double weight = 1.0;
};

// Reads the comments in front of a gene tree; a later mark overrides an
// earlier one. Weights are read only when asked for.
GeneTreeMarks readGeneTreeMarks(Input& in, bool readWeight);

// What a stage takes from the gene-tree markers.
struct GeneTreeReading {
  bool keepsUnrooted;  // "[&U]" makes an unrooted tree (else every tree is rooted)
  bool readsWeights;   // "[&WEIGHT=" sets the tree's weight, which must be > 0
};

// Creates the species tree of the set and reads it as the first tree.
template <class TreeSetT>
void readSpeciesTree(Input& in, TreeSetT& set) {
  set.speciesTree = new typename TreeSetT::SpeciesTree();
  if (!set.speciesTree->stream2tree(in)) fatalError("missing input for species tree " + in.getLastPos());
}

namespace treeset_detail {

template <class GeneTree>
GeneTree* newGeneTree(double weight) {
  if constexpr (std::is_constructible_v<GeneTree, double>)
    return new GeneTree(weight);
  else
    return new GeneTree();
}

// Reads one tree into a new object of the given class; null at the end of
// the input.
template <class GeneTree>
GeneTree* readOne(Input& in, double weight) {
  GeneTree* tree = newGeneTree<GeneTree>(weight);
  if (tree->stream2tree(in)) return tree;
  delete tree;
  return nullptr;
}

}  // namespace treeset_detail

// Reads gene trees until the input ends; at least one is required.
template <class TreeSetT>
void readGeneTrees(Input& in, TreeSetT& set, GeneTreeReading reading) {
  using Rooted = typename TreeSetT::GeneTreeRooted;
  using Unrooted = typename TreeSetT::GeneTreeUnrooted;
  for (;;) {
    const GeneTreeMarks marks = readGeneTreeMarks(in, reading.readsWeights);
    if (reading.readsWeights && !(marks.weight > 0))
      fatalError("the weight of each gene tree has to be greater than 0");
    if (marks.rooted || !reading.keepsUnrooted) {
      Rooted* tree = treeset_detail::readOne<Rooted>(in, marks.weight);
      if (tree == nullptr) break;
      set.rootedGeneTrees.push_back(tree);
    } else {
      Unrooted* tree = treeset_detail::readOne<Unrooted>(in, marks.weight);
      if (tree == nullptr) break;
      set.unrootedGeneTrees.push_back(tree);
    }
  }
  if (set.rootedGeneTrees.empty() && set.unrootedGeneTrees.empty())
    fatalError("missing input for gene trees " + in.getLastPos());
}
