#pragma once
// Start-up of a run: options, seed, files, version and help.

#include <fstream>
#include <iostream>
#include <string>

#include "driver/stage_options.hpp"

// Settings and open files of one run. The driver keeps one instance with
// static storage duration, so that the files are flushed and closed by the
// normal exit path also when a fatal error ends the program through exit().
struct RunSettings {
  unsigned int seed = 0;
  Format format = NEWICK;
  bool geneTreesOutput = false;
  int generator = 1;
  bool hasConstraints = false;
  std::ifstream constraintsFile;
  std::ifstream inputFile;
  std::ofstream outputFile;
  std::string outputName;             // empty: standard output
  std::istream* input = &std::cin;    // the input file or standard input
  std::ostream* output = &std::cout;  // the output file or standard output
};

// Runs the start-up on the program's arguments: evaluates every option,
// seeds the random generator, opens the files, answers version and help and
// rejects unknown arguments (errors end the program with status 1). Returns
// false when the run is complete (version or help printed), true when the
// stages are to run.
bool startUp(int argc, char** argv, RunSettings& settings);
