#pragma once
// The trees of a run's input, read once: the species tree to start from
// (when the input begins with one) and the gene trees in input order, each
// with the marks in front of it: "[&U]" unrooted, "[&R]" rooted (without
// either, unrooted when its root has three children, unless asked
// otherwise), "[&WEIGHT=w]" a weight w > 0 (default 1). The input is a list
// of Newick trees, or a NEXUS file whose tree statements carry the marks
// after their "="; or several such texts, one after the other.

#include <memory>
#include <vector>

#include "common/console.hpp"
#include "common/random.hpp"
#include "tree/gene_species_map.hpp"
#include "tree/gene_tree.hpp"
#include "tree/name_table.hpp"
#include "tree/newick_reader.hpp"
#include "tree/species_tree.hpp"
#include "tree/text_reader.hpp"

namespace dls {

struct TreeInput {
  NameTable names;
  std::unique_ptr<SpeciesTree> speciesTree;  // null unless read
  std::vector<GeneTree> geneTrees;
  // How many gene trees were read as unrooted, by why: a mark ("[&U]", a
  // NEXUS UTREE), the reading asked for unmarked trees, a root of three
  // children.
  struct UnrootedCounts {
    std::size_t marked = 0, unmarked = 0, byRoot = 0;
  } unrooted;
};

struct TreeInputRules {
  bool speciesTreeFirst = false;
  // The rooting of gene trees marked neither "[&R]" nor "[&U]".
  GeneTreeRooting unmarked = GeneTreeRooting::byRoot;
  GeneSpeciesMap geneSpecies;  // how gene labels name species
  // Gene trees: branches whose support label is below minSupport are
  // contracted; polytomies are kept to be refined (their resolution marks
  // the nodes it makes, without a warning), or resolved at random.
  double minSupport = 0;
  bool refinePolytomies = false;
};

// Reads the input from one text or several, one after the other: the
// species tree first when asked for (the first tree of the first text),
// then at least one gene tree in all; every gene label must name a species.
// Random resolves nodes of more than two children.
class TreeInputReader {
 public:
  TreeInputReader(TreeInputRules& rules, Random& random, Console& console, TreeInput& trees)
      : rules_(rules), random_(random), console_(console), trees_(trees) {}

  // Reads every tree of the next text. geneSpecies: how its gene labels
  // name species when not as the rules say (a gene family's own map; it
  // stays with the caller, and every label of the text must be in it).
  void read(TextReader& in, GeneSpeciesMap* geneSpecies = nullptr);
  // After the last text: the checks of the whole input.
  void finish();

 private:
  TreeInputRules& rules_;
  Random& random_;
  Console& console_;
  TreeInput& trees_;
  bool firstText_ = true;
  long long randomlyResolved_ = 0;
  std::string end_;           // where the last text ended, for the message of no gene tree
  std::string labelSpecies_;  // where the first map of gene labels takes species from; empty: none
};

// Reads a whole input of one text.
void readTreeInput(TextReader& in, TreeInputRules& rules, Random& random, Console& console, TreeInput& trees);

// The species the gene trees name: every distinct name of a gene leaf, by
// name number; with draws, of the trees drawn at least once (draws[i] times
// tree i).
std::vector<NameId> speciesOfGeneTrees(const std::vector<GeneTree>& trees, const NameTable& names,
                                       const std::vector<int>* draws = nullptr);

}  // namespace dls
