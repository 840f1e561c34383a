#pragma once
// Command line of the data generator.

#include <cstdint>
#include <string>
#include <vector>

#include "gene_family.hpp"

namespace dlsim {

struct SimOptions {
  int species = 25;
  int families = 250;
  FamilyRates rates;
  double unrootedShare = 0.0;  // chance that a family of three or more leaves is marked "[&U]"
  double weightedShare = 0.0;  // chance that a family carries a "[&WEIGHT=w]" mark
  bool speciesTreeFirst = false;
  std::uint64_t seed = 1;
  std::string output;  // empty: standard output
  bool help = false;
};

extern const char* const simHelpText;

// Reads the arguments (without the program name). On a bad argument returns
// false with the message in error.
bool parseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error);

}  // namespace dlsim
