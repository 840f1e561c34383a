#include "tree/tree_packing.hpp"

void packTree(ByteWriter& out, const GeneTree& tree) {
  out.put(tree.rooted_);
  out.put(tree.weight_);
  out.putVector(tree.rooting_.nodes_);
  out.put(tree.rooting_.root_);
  out.putVector(tree.names_);
  out.putString(tree.geneLabels_);
  out.putVector(tree.geneLabelEnd_);
  out.putVector(tree.leaves_);
  out.putVector(tree.innerPostorder_);
}

GeneTree unpackGeneTree(ByteReader& in) {
  const bool rooted = in.get<bool>();
  GeneTree tree(rooted, in.get<double>());
  tree.rooting_.nodes_ = in.getVector<GeneRooting::Node>();
  tree.rooting_.root_ = in.get<NodeId>();
  tree.names_ = in.getVector<NameId>();
  tree.geneLabels_ = in.getString();
  tree.geneLabelEnd_ = in.getVector<std::size_t>();
  tree.leaves_ = in.getVector<NodeId>();
  tree.innerPostorder_ = in.getVector<NodeId>();
  return tree;
}

void packTree(ByteWriter& out, const SpeciesTree& tree) {
  out.putVector(tree.nodes_);
  out.putVector(tree.names_);
  out.putVector(tree.clades_);
  out.putVector(tree.leaves_);
  out.putVector(tree.leafOfName_);
  out.put(tree.root_);
}

SpeciesTree unpackSpeciesTree(ByteReader& in) {
  SpeciesTree tree;
  tree.nodes_ = in.getVector<SpeciesTree::Node>();
  tree.names_ = in.getVector<NameId>();
  tree.clades_ = in.getVector<CladeId>();
  tree.leaves_ = in.getVector<NodeId>();
  tree.leafOfName_ = in.getVector<NodeId>();
  tree.root_ = in.get<NodeId>();
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
