#pragma once
// Command line of the data generator.

#include <cstdint>
#include <string>
#include <vector>

#include "gene_family.hpp"

namespace dlsim {

// The layouts of a gene-to-species map: lines "gene species", lines
// "species:gene1,gene2", lines "species:gene1;gene2;".
enum class MapLayout { pairs, comma, semicolon };

struct SimOptions {
  int species = 25;
  int families = 250;
  FamilyRates rates;
  double unrootedShare = 0.0;  // chance that a family of three or more leaves is marked "[&U]"
  double weightedShare = 0.0;  // chance that a family carries a "[&WEIGHT=w]" mark
  bool speciesTreeFirst = false;
  std::string speciesTreeOutput;  // where to write the generating species tree; empty: nowhere
  bool orderedNames = false;      // species named S001, S002, ... from left to right, not at random
  bool geneLabels = false;        // leaves named "S001_g3" (gene 3 of the data set, of species S001)
  std::string mapOutput;          // where to write the gene-to-species map; empty: nowhere
  MapLayout mapLayout = MapLayout::pairs;
  std::string trueGeneTreesOutput;  // where to write the gene trees as evolved, with branch lengths
  std::string alignmentsDir;        // where to write each family's alignment; empty: nowhere
  int sites = 500;                  // alignment length
  double substitutionScale = 1.0;   // expected substitutions per site from the species root to a leaf
  std::uint64_t seed = 1;
  std::string output;  // empty: standard output
  bool help = false;
};

extern const char* const simHelpText;

// Reads the arguments (without the program name). On a bad argument returns
// false with the message in error.
bool parseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error);

}  // namespace dlsim
