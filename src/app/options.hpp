#pragma once
// Everything the command line decides, in one object: made by the start-up
// from the option table (app/option_table.hpp), read by the run.

#include <cstdint>
#include <string>

#include "reconcile/cost_model.hpp"

namespace dls {

// The report with comment lines in Newick or NEXUS notation, or the species
// tree alone on one Newick line; annotated: NEXUS with FigTree's node
// comments, nhx: Newick with NHX comments.
enum class OutputFormat { newick, nexus, tree, annotated, nhx };

// Support of the inner branches from the gene trees, without a rerun.
enum class GeneTreeSupport { families, none };

// Where the search starts: the species tree given first in the input, or
// a tree built by randomised leaf adding.
enum class StartTree { given, leafAdding };

struct Options {
  std::uint32_t seed = 0;
  OutputFormat format = OutputFormat::newick;
  bool writeGeneTrees = false;
  StartTree startTree = StartTree::leafAdding;
  bool evaluateOnly = false;       // with a given tree: its report, no search
  int starts = 1;                  // independent start trees, each searched
  int bootstrap = 0;               // replicates over the gene trees; 0: none
  std::string bootstrapTreesPath;  // where the replicates' trees go; empty: nowhere
  CostModel costModel;
  bool quiet = false;
  unsigned threads = 1;                    // workers scoring the gene trees
  std::string inputPath;                   // a file or folder of trees; empty: standard input
  std::string inputListPath;               // a list of tree files; empty: none
  std::string familiesPath;                // a families file; empty: none
  std::string outputPath;                  // empty: standard output
  std::string constraintsPath;             // empty: none
  std::string mapPath;                     // gene labels to species; empty: none
  char speciesDelimiter = '\0';            // the species is part of the gene label; '\0': not
  bool speciesAfterLastDelimiter = false;  // rather than before the first
  bool unrootedByDefault = false;          // gene trees without "[&R]" are unrooted
  bool rootedByDefault = false;            // gene trees without "[&U]" are rooted, whatever their root
  double minSupport = 0;                   // gene-tree branches of lower support are contracted
  bool refinePolytomies = false;           // rather than resolved at random once
  int rounds = 0;                          // rounds of a random jump and a search without a better tree
  GeneTreeSupport support = GeneTreeSupport::none;
  std::string svgPath;          // the species tree's picture; empty: none
  std::string branchTablePath;  // the table of supports and events per branch; empty: none
};

}  // namespace dls
