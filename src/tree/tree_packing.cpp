#include "tree/tree_packing.hpp"

namespace dls {

// Every field of a tree, for both directions (see ByteWriter).
template <class Bytes, class Tree>
void transferGeneTree(Bytes& bytes, Tree& tree) {
  bytes(tree.rooted_);
  bytes(tree.weight_);
  bytes(tree.rooting_.nodes_);
  bytes(tree.rooting_.root_);
  bytes(tree.names_);
  bytes(tree.geneLabels_);
  bytes(tree.geneLabelEnd_);
  bytes(tree.leaves_);
  bytes(tree.innerPostorder_);
  bytes(tree.created_);
}

template <class Bytes, class Tree>
void transferSpeciesTree(Bytes& bytes, Tree& tree) {
  bytes(tree.nodes_);
  bytes(tree.names_);
  bytes(tree.clades_);
  bytes(tree.leaves_);
  bytes(tree.leafOfName_);
  bytes(tree.root_);
}

void packTree(ByteWriter& out, const GeneTree& tree) { transferGeneTree(out, tree); }

GeneTree unpackGeneTree(ByteReader& in) {
  GeneTree tree(true, 1.0);
  transferGeneTree(in, tree);
  return tree;
}

void packTree(ByteWriter& out, const SpeciesTree& tree) { transferSpeciesTree(out, tree); }

SpeciesTree unpackSpeciesTree(ByteReader& in) {
  SpeciesTree tree;
  transferSpeciesTree(in, tree);
  return tree;
}

void packNames(ByteWriter& out, const NameTable& names) {
  out.put(names.size());
  for (std::size_t id = 0; id < names.size(); ++id) out.putString(names.text(static_cast<NameId>(id)));
}

NameTable unpackNames(ByteReader& in) {
  NameTable names;
  const std::size_t size = in.get<std::size_t>();
  for (std::size_t id = 0; id < size; ++id) names.intern(in.getString());
  return names;
}

}  // namespace dls
