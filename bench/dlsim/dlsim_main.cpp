// dlsim: random gene-family trees for benchmarking and testing dlspecies.

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>

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

// The path of family k's alignment: DIR/familyK.fasta, K zero-padded to the
// width of the number of families simulated.
std::string alignmentPath(const std::string& dir, int family, int families) {
  const std::string number = std::to_string(family);
  const std::size_t width = std::to_string(families).size();
  return dir + "/family" + std::string(width > number.size() ? width - number.size() : 0, '0') + number + ".fasta";
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
  std::ofstream trueGeneTrees;
  DataSetOutputs outputs;
  GenesOfSpecies genesOfSpecies;
  std::string speciesTree;
  outputs.genesOfSpecies = &genesOfSpecies;
  outputs.speciesTree = &speciesTree;
  if (!options.trueGeneTreesOutput.empty()) {
    trueGeneTrees.open(options.trueGeneTreesOutput);
    if (!trueGeneTrees) {
      std::cerr << "ERROR: cannot write " << options.trueGeneTreesOutput << "\n";
      return 1;
    }
    outputs.trueGeneTrees = &trueGeneTrees;
  }
  if (!options.alignmentsDir.empty()) {
    if (mkdir(options.alignmentsDir.c_str(), 0755) != 0 && errno != EEXIST) {
      std::cerr << "ERROR: cannot make the folder " << options.alignmentsDir << "\n";
      return 1;
    }
    outputs.alignment = [&](int family, const std::string& fasta) {
      const std::string path = alignmentPath(options.alignmentsDir, family, options.families);
      std::ofstream file(path);
      file << fasta;
      file.flush();
      if (!file) throw std::runtime_error("cannot write " + path);
    };
  }
  SimRandom random(options.seed);
  try {
    writeDataSet(options, random, out, outputs);
  } catch (const std::runtime_error& error) {
    std::cerr << "ERROR: " << error.what() << "\n";
    return 1;
  }
  out.flush();
  if (!out) {
    std::cerr << "ERROR: writing " << (options.output.empty() ? "standard output" : options.output) << " failed\n";
    return 1;
  }
  trueGeneTrees.flush();
  if (outputs.trueGeneTrees != nullptr && !trueGeneTrees) {
    std::cerr << "ERROR: writing " << options.trueGeneTreesOutput << " failed\n";
    return 1;
  }
  const bool written =
      writeSideFile(options.mapOutput, [&](std::ostream& map) { writeMap(genesOfSpecies, options.mapLayout, map); }) &&
      writeSideFile(options.speciesTreeOutput, [&](std::ostream& tree) { tree << speciesTree << '\n'; });
  return written ? 0 : 1;
}
