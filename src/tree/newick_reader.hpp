#pragma once
// Reads trees in Newick notation into the tree model. A text is read in two
// steps: the nodes as written (name, constraint mark, parent), then the
// binary tree: nodes with one child give way to it, nodes with more than
// two children are resolved at random (with a warning, unless a gene
// tree's polytomies are to be refined later) into binary subtrees, whose
// new nodes a gene tree marks as made by the resolution. Gene-tree
// branches of support below a threshold may be contracted first. Time and
// memory grow in proportion to the text.

#include <string>
#include <unordered_map>
#include <vector>

#include "common/console.hpp"
#include "common/random.hpp"
#include "tree/gene_species_map.hpp"
#include "tree/gene_tree.hpp"
#include "tree/name_table.hpp"
#include "tree/species_tree.hpp"
#include "tree/text_reader.hpp"

namespace dls {

// Leaf labels to use in place of those written (a NEXUS TRANSLATE table).
using LabelTranslation = std::unordered_map<std::string, std::string>;

// How a gene tree's rooting is read: rooted, unrooted, or by its root, whose
// three children make it unrooted (the usual Newick form of an unrooted
// tree: maximum-likelihood programs write one) and any other number rooted.
enum class GeneTreeRooting { rooted, unrooted, byRoot };

class NewickReader {
 public:
  NewickReader(TextReader& in, NameTable& names, Random& random, Console& console)
      : in_(in), names_(names), random_(random), console_(console) {}

  // Reads the next tree, "(...)...;" or a single leaf "a;"; false when the
  // text holds no further significant character. A species tree takes its
  // constraint clades from "[&CONSTRAINT]" comments: each marked node is
  // the top of a new clade.
  bool read(SpeciesTree& tree);
  // A gene tree takes the species of its leaves from the gene species map
  // (none: labels are species names); while the map gives them, one gene
  // label twice in a tree is an error naming both places. Its rooting is
  // read as asked. The root of three children of an unrooted tree is no
  // polytomy: its three ways are the tree's rootings, and it is made binary
  // without a warning, without a random draw and without marking its new
  // node; other roots of more than two children are polytomies (an
  // unrooted tree's warned from its fourth child on).
  bool read(GeneTree& tree, GeneTreeRooting rooting);

  // Both stay with the caller; null: none.
  void setTranslation(const LabelTranslation* translation) { translation_ = translation; }
  void setGeneSpecies(GeneSpeciesMap* geneSpecies) { geneSpecies_ = geneSpecies; }
  // Trees inside a NEXUS block: a root label "END" (any case) is the
  // block's end after a tree without ";".
  void setInNexusBlock(bool inBlock) { inNexusBlock_ = inBlock; }
  // Gene trees: every branch above an inner node (not the root) whose label
  // is a decimal number below minSupport is contracted; polytomies are
  // resolved without a warning when they are to be refined.
  void setGeneTreePolytomies(double minSupport, bool refined) {
    minSupport_ = minSupport;
    refinePolytomies_ = refined;
  }
  // How many gene-tree nodes of more than two children were resolved at
  // random so far (warned about).
  long long randomlyResolved() const { return randomlyResolved_; }

 private:
  // One node as written. Of its comments only a constraint mark is kept:
  // a node that gives way to its only child hands the mark down, so that a
  // chain of them costs no more than its length.
  struct WrittenNode {
    int parent;
    std::string name;
    bool constraintMark;
    bool created = false;  // made by resolving a node of more than two children
  };

  // Reads the nodes of the next tree; false at the end of the text.
  bool readNodes();
  // At the comma after a node's first `commas` children: a warning for a
  // further child of a multifurcation (see read(GeneTree&)).
  void commaBeforeChild(int commas, bool atRoot);
  void readLeafName(int node, char& c);
  // After a node's name: an optional branch length, then the comments read
  // since its first character.
  void finishNode(int node, char& c);
  // Whether the comments not yet given to a node hold a constraint mark;
  // they are then dropped.
  bool takeConstraintMark();
  void nextOrEnd(char& c);
  // Makes the written nodes binary: the children of every node, in text
  // order, and the nodes to create (false: contracted).
  void resolve();
  // Contracts the branches of support below minSupport_.
  void contractWeakBranches(std::vector<std::size_t>& slot);

  template <class Tree, class MakeNode>
  void build(Tree& tree, MakeNode&& makeNode);

  TextReader& in_;
  NameTable& names_;
  Random& random_;
  Console& console_;
  const LabelTranslation* translation_ = nullptr;
  GeneSpeciesMap* geneSpecies_ = nullptr;
  bool inNexusBlock_ = false;
  bool readingGeneTree_ = false;
  GeneTreeRooting rooting_ = GeneTreeRooting::rooted;  // of the gene tree being read
  std::string heldWarning_;                            // the place of the root's second comma while its rooting is open
  int rootChildren_ = 0;                               // as written
  bool unrootedTree_ = false;
  double minSupport_ = 0;
  bool refinePolytomies_ = false;
  long long randomlyResolved_ = 0;
  bool readAny_ = false;  // whether a tree began already
  std::vector<WrittenNode> written_;
  std::unordered_map<std::string, TextPosition> leafPlaces_;  // of the tree's gene labels, while they are checked
  std::vector<TextComment> pending_;                          // comments not yet given to a node
  std::vector<std::vector<int>> children_;
  std::vector<char> kept_;
};

}  // namespace dls
