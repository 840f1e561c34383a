#pragma once
// From the command line to a run: every option is evaluated in a fixed
// order (which decides the error shown when several are wrong), the files
// are opened, version and help are answered.

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.hpp"
#include "app/input_files.hpp"
#include "app/options.hpp"
#include "app/output_file.hpp"
#include "common/console.hpp"
#include "common/decompressing_stream.hpp"

namespace dls {

// The opened files of a run.
struct RunFiles {
  std::ifstream input;              // not open: standard input, or many files
  std::vector<TreeFile> treeFiles;  // the many files of trees, in order; empty: one input
  std::ifstream constraints;
  std::ifstream map;
  // What is read of each: its bytes, or the text they inflate to when they
  // are gzip-compressed; trees from standard input when no input file is
  // given; null: no such file.
  std::unique_ptr<DecompressingStream> trees, constraintsText, mapText;
  std::unique_ptr<OutputFile> output;          // null: standard output
  std::unique_ptr<OutputFile> bootstrapTrees;  // null: not asked for
  std::unique_ptr<OutputFile> svg;             // null: not asked for
  std::unique_ptr<OutputFile> branchTable;     // null: not asked for
};

// The program's version, as --version prints it.
const char* programVersion();

// Evaluates the command line into options and opens the files. Returns
// false when nothing is left to do (version or help printed). Throws
// InputError for every bad argument.
bool startUp(CommandLine& commandLine, Options& options, RunFiles& files, Console& console);

}  // namespace dls
