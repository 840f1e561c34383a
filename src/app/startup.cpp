#include "app/startup.hpp"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <iostream>
#include <iterator>
#include <random>
#include <thread>

#include "app/file_identity.hpp"
#include "app/interrupt.hpp"
#include "app/option_table.hpp"
#include "common/decimal_text.hpp"
#include "common/errors.hpp"

namespace dls {

namespace {

const char* const kVersion = "2.0";

// The hardware threads this process may run on.
unsigned availableThreads() {
#ifdef __linux__
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) return std::max(1, CPU_COUNT(&allowed));
#endif
  return std::max(1U, std::thread::hardware_concurrency());
}

std::uint32_t freshSeed() {
  try {
    std::random_device source;
    return static_cast<std::uint32_t>(source());
  } catch (const std::exception&) {
    // No such source here: the clock and the process number.
    return static_cast<std::uint32_t>(std::time(nullptr)) ^ (static_cast<std::uint32_t>(getpid()) << 16);
  }
}

// Never replace a file that is being read: throws "WHAT would overwrite
// the input file" (or the constraints file, or the map file; of many input
// files, the one it would overwrite, and their list or families file).
void refuseToOverwriteRead(const Options& options, const RunFiles& files, const std::string& what,
                           const std::string& path) {
  for (const TreeFile& file : files.treeFiles) {
    if (sameFile(file.trees, path)) throw InputError(what + " would overwrite the input file " + file.trees);
    if (!file.map.empty() && sameFile(file.map, path))
      throw InputError(what + " would overwrite the map file " + file.map);
  }
  for (const std::string* list : {&options.inputListPath, &options.familiesPath})
    if (!list->empty() && sameFile(*list, path))
      throw InputError(what + " would overwrite the " +
                       (list == &options.familiesPath ? "families file" : "input list"));
  const bool replacesInput = files.treeFiles.empty() && (options.inputPath.empty() ? sameFile(STDIN_FILENO, path)
                                                                                   : sameFile(options.inputPath, path));
  if (replacesInput) throw InputError(what + " would overwrite the input file");
  if (!options.constraintsPath.empty() && sameFile(options.constraintsPath, path))
    throw InputError(what + " would overwrite the constraints file");
  if (!options.mapPath.empty() && sameFile(options.mapPath, path))
    throw InputError(what + " would overwrite the map file");
}

// The texts the readers read, over the opened files and standard input:
// gzip-compressed ones are inflated.
void openTexts(const Options& options, RunFiles& files) {
  // Many input files are read one by one, later (standard input stays unread).
  const bool fromFile = files.input.is_open();
  files.trees = std::make_unique<DecompressingStream>(fromFile ? *files.input.rdbuf() : *std::cin.rdbuf(),
                                                      fromFile ? options.inputPath : "standard input");
  if (files.constraints.is_open())
    files.constraintsText = std::make_unique<DecompressingStream>(*files.constraints.rdbuf(), options.constraintsPath);
  if (files.map.is_open()) files.mapText = std::make_unique<DecompressingStream>(*files.map.rdbuf(), options.mapPath);
}

// The outputs beside the report, each checked against the inputs, the
// report's file and the side outputs before it; entered in their slots of
// the keyboard interrupt.
void openSideOutputs(const Options& options, RunFiles& files) {
  struct Side {
    const char* option;
    const std::string& path;
    std::unique_ptr<OutputFile>& file;
    int interruptSlot;
  };
  const Side sides[] = {{"--bootstrap-trees", options.bootstrapTreesPath, files.bootstrapTrees, 1},
                        {"--svg", options.svgPath, files.svg, 2},
                        {"--branch-table", options.branchTablePath, files.branchTable, 3}};
  for (std::size_t i = 0; i < std::size(sides); ++i) {
    const Side& side = sides[i];
    if (side.path.empty()) continue;
    const std::string what = side.option + (" " + side.path);
    refuseToOverwriteRead(options, files, what, side.path);
    if (!options.outputPath.empty() && sameFile(options.outputPath, side.path))
      throw InputError(what + " would overwrite the output file");
    for (std::size_t j = 0; j < i; ++j)
      if (!sides[j].path.empty() && sameFile(sides[j].path, side.path))
        throw InputError(what + " would overwrite the file of " + sides[j].option);
    side.file = std::make_unique<OutputFile>(side.path, side.interruptSlot);
  }
}

// The trees' input: one file (opened), or the files of a folder, a list or
// a families file (each found readable), or standard input.
void openTreeInput(const Options& options, RunFiles& files, Console& console) {
  const int given = !options.inputPath.empty() + !options.inputListPath.empty() + !options.familiesPath.empty();
  if (given > 1) throw InputError("-i, --input-list and --families exclude each other: give the trees by one of them");
  const auto count = [&files](const char* one, const char* many) {
    return " (" + std::to_string(files.treeFiles.size()) + " " + (files.treeFiles.size() == 1 ? one : many) + ")";
  };
  if (!options.inputListPath.empty()) {
    files.treeFiles = listedTreeFiles(options.inputListPath);
    console.line("Input list: " + options.inputListPath + count("file", "files"));
  } else if (!options.familiesPath.empty()) {
    files.treeFiles = familyTreeFiles(options.familiesPath);
    console.line("Families file: " + options.familiesPath + count("family", "families"));
  } else if (!options.inputPath.empty() && isFolder(options.inputPath)) {
    files.treeFiles = folderTreeFiles(options.inputPath);
    console.line("Input folder: " + options.inputPath + count("file", "files"));
  } else if (!options.inputPath.empty()) {
    console.line("Input file: " + options.inputPath);
    openForReading(files.input, options.inputPath, "input file");
  }
}

}  // namespace

const char* programVersion() { return kVersion; }

bool startUp(CommandLine& line, Options& options, RunFiles& files, Console& console) {
  // Every value first, in the table's order.
  parseOptions(line, options);
  // Seed: from the system's source of random numbers unless given, so that
  // runs started together differ; it is printed, so that a run can be
  // repeated. Threads: all the machine has unless given.
  if (!line.has("--seed")) options.seed = freshSeed();
  if (!line.has("-t") && !line.has("--threads")) options.threads = availableThreads();

  if (options.writeGeneTrees && options.format == OutputFormat::tree)
    throw InputError("--genetrees does not apply to --oformat tree");
  if (options.rootedByDefault && options.unrootedByDefault)
    throw InputError("--rooted and --unrooted exclude each other");
  if (options.speciesAfterLastDelimiter && options.speciesDelimiter == '\0')
    throw InputError("--species-field needs --species-delimiter");
  const CostWeights& weights = options.costModel.weights;
  if (weights.duplication == 0 && weights.loss == 0)
    throw InputError("--dup-weight and --loss-weight are both 0: every species tree would cost 0");
  if (!options.bootstrapTreesPath.empty() && options.bootstrap == 0)
    throw InputError("--bootstrap-trees needs --bootstrap");
  if (options.evaluateOnly && (options.bootstrap > 0 || options.starts > 1))
    throw InputError("--evaluate does not search: it takes neither --starts nor --bootstrap");
  if (options.evaluateOnly && options.rounds > 0) throw InputError("--evaluate does not search: it takes no --rounds");
  if (options.minSupport > 0) {
    if (line.has("--polytomies") && !options.refinePolytomies)
      throw InputError("--min-support needs --polytomies refine: contracted branches leave polytomies to refine");
    options.refinePolytomies = true;
  }
  if (options.evaluateOnly && options.startTree != StartTree::given)
    throw InputError("--evaluate needs -g 0: it scores the species tree given first in the input");

  console.setQuiet(options.quiet);
  setInterruptQuiet(options.quiet);
  if (!options.constraintsPath.empty()) {
    console.line("Constraints file: " + options.constraintsPath);
    openForReading(files.constraints, options.constraintsPath, "constraints file");
    if (options.startTree != StartTree::leafAdding) console.warning("--constraints does not apply to generator 0");
  }
  openTreeInput(options, files, console);
  if (!options.mapPath.empty()) {
    if (options.speciesDelimiter != '\0') throw InputError("--map and --species-delimiter exclude each other");
    console.line("Map file: " + options.mapPath);
    openForReading(files.map, options.mapPath, "map file");
  }
  if (!options.outputPath.empty()) {
    console.line("Output file: " + options.outputPath);
    refuseToOverwriteRead(options, files, "Output file " + options.outputPath, options.outputPath);
  }

  if (flagGiven(line, "--version")) {
    std::cout << kVersion << std::endl;
    return false;
  }
  std::string unknown;
  if (line.firstUnknown(unknown))
    throw InputError("Unknown argument " + unknown + "\nTry " + line.program() + " --help for a list of arguments");
  if (flagGiven(line, "--help")) {
    writeHelp(std::cout, line.program());
    return false;
  }
  // The command line is checked whole: only now is the output touched.
  if (!options.outputPath.empty()) files.output = std::make_unique<OutputFile>(options.outputPath);
  openSideOutputs(options, files);
  openTexts(options, files);
  if (options.inputPath.empty() && files.treeFiles.empty() && isatty(STDIN_FILENO))
    console.line("Reading the trees from standard input: end them with Ctrl-D (or give -i FILE)");
  console.line("Random seed: " + std::to_string(options.seed));
  if (!weights.areDefault())
    console.line("Cost per duplication: " + formatCost(weights.duplication) +
                 ", per loss: " + formatCost(weights.loss));
  return true;
}

}  // namespace dls
