// dlsim: random gene-family trees for benchmarking and testing dlspecies.

#include <cstdio>
#include <fstream>
#include <iostream>

#include "data_set.hpp"

int main(int argc, char** argv) {
  using namespace dlsim;
  SimOptions options;
  std::string error;
  if (!parseSimOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    std::cerr << "ERROR: " << error << "\nTry dlsim --help\n";
    return 1;
  }
  if (options.help) {
    std::cout << simHelpText;
    return 0;
  }
  std::ofstream file;
  if (!options.output.empty()) {
    file.open(options.output);
    if (!file) {
      std::cerr << "ERROR: cannot write " << options.output << "\n";
      return 1;
    }
  }
  std::ostream& out = options.output.empty() ? std::cout : file;
  SimRandom random(options.seed);
  GenesOfSpecies genesOfSpecies;
  writeDataSet(options, random, out, &genesOfSpecies);
  out.flush();
  if (!out) {
    std::cerr << "ERROR: writing " << (options.output.empty() ? "standard output" : options.output) << " failed\n";
    return 1;
  }
  if (!options.mapOutput.empty()) {
    std::ofstream map(options.mapOutput);
    writeMap(genesOfSpecies, options.mapLayout, map);
    map.flush();
    if (!map) {
      std::cerr << "ERROR: cannot write " << options.mapOutput << "\n";
      return 1;
    }
  }
  return 0;
}
