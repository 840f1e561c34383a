#pragma once
// Everything the command line decides, in one object: made by the start-up,
// read by the stages.

#include <cstdint>
#include <string>

#include "common/cost_weights.hpp"

namespace dls {

// The report with comment lines in Newick or NEXUS notation, or the species
// tree alone on one Newick line.
enum class OutputFormat { newick, nexus, tree };

// Where the losses of a gene tree are counted: in the whole species tree,
// or in the species tree restricted to the gene tree's own species.
enum class LossScope { wholeSpeciesTree, geneSpeciesOnly };

struct Options {
  std::uint32_t seed = 0;
  OutputFormat format = OutputFormat::newick;
  bool writeGeneTrees = false;
  int generator = 1;               // 0: the species tree given first in the input; 1: leaf adding
  bool evaluateOnly = false;       // with generator 0: the given tree's report, no search
  int starts = 1;                  // independent start trees, each searched
  int bootstrap = 0;               // replicates over the gene trees; 0: none
  std::string bootstrapTreesPath;  // where the replicates' trees go; empty: nowhere
  LossScope lossScope = LossScope::wholeSpeciesTree;
  CostWeights weights;  // of a duplication and of a loss
  bool quiet = false;
  unsigned threads = 1;                    // workers scoring the gene trees
  std::string inputPath;                   // empty: standard input
  std::string outputPath;                  // empty: standard output
  std::string constraintsPath;             // empty: none
  std::string mapPath;                     // gene labels to species; empty: none
  char speciesDelimiter = '\0';            // the species is part of the gene label; '\0': not
  bool speciesAfterLastDelimiter = false;  // rather than before the first
  bool unrootedByDefault = false;          // gene trees without "[&R]" are unrooted
};

}  // namespace dls
