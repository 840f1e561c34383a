#pragma once
// The trees of a run's input, read once: the species tree to start from
// (when the input begins with one) and the gene trees in input order, each
// with the marks in front of it: "[&U]" unrooted, "[&R]" rooted (the
// default unless asked otherwise), "[&WEIGHT=w]" a weight w > 0 (default
// 1). The input is a list of Newick trees, or a NEXUS file whose tree
// statements carry the marks after their "=".

#include <memory>
#include <vector>

#include "common/console.hpp"
#include "common/random.hpp"
#include "tree/gene_species_map.hpp"
#include "tree/gene_tree.hpp"
#include "tree/name_table.hpp"
#include "tree/species_tree.hpp"
#include "tree/text_reader.hpp"

namespace dls {

struct TreeInput {
  NameTable names;
  std::unique_ptr<SpeciesTree> speciesTree;  // null unless read
  std::vector<GeneTree> geneTrees;
};

struct TreeInputRules {
  bool speciesTreeFirst = false;
  bool unrootedByDefault = false;  // gene trees without "[&R]" are unrooted
  GeneSpeciesMap geneSpecies;      // how gene labels name species
  // Gene trees: branches whose support label is below minSupport are
  // contracted; polytomies are kept to be refined (their resolution marks
  // the nodes it makes, without a warning), or resolved at random.
  double minSupport = 0;
  bool refinePolytomies = false;
};

// Reads the whole input: the species tree first when asked for, then at
// least one gene tree; every gene label must name a species. Random
// resolves nodes of more than two children.
void readTreeInput(TextReader& in, TreeInputRules& rules, Random& random, Console& console, TreeInput& trees);

// The species the gene trees name: every distinct name of a gene leaf, by
// name number; with draws, of the trees drawn at least once (draws[i] times
// tree i).
std::vector<NameId> speciesOfGeneTrees(const std::vector<GeneTree>& trees, const NameTable& names,
                                       const std::vector<int>* draws = nullptr);

}  // namespace dls
