// dlsim: random gene-family trees for benchmarking and testing dlspecies.

#include <cstdio>
#include <fstream>
#include <iostream>

#include "data_set.hpp"

namespace {

// Writes a side file (the map, the species tree) by write(stream); false,
// with the error printed, when it cannot be written.
template <class Write>
bool writeSideFile(const std::string& path, Write&& write) {
  if (path.empty()) return true;
  std::ofstream file(path);
  write(file);
  file.flush();
  if (file) return true;
  std::cerr << "ERROR: cannot write " << path << "\n";
  return false;
}

}  // namespace

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
  std::string speciesTree;
  writeDataSet(options, random, out, &genesOfSpecies, &speciesTree);
  out.flush();
  if (!out) {
    std::cerr << "ERROR: writing " << (options.output.empty() ? "standard output" : options.output) << " failed\n";
    return 1;
  }
  const bool written =
      writeSideFile(options.mapOutput, [&](std::ostream& map) { writeMap(genesOfSpecies, options.mapLayout, map); }) &&
      writeSideFile(options.speciesTreeOutput, [&](std::ostream& tree) { tree << speciesTree << '\n'; });
  return written ? 0 : 1;
}
