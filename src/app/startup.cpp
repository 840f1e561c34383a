#include "app/startup.hpp"

#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <iostream>
#include <random>
#include <thread>

#include "app/interrupt.hpp"
#include "common/decimal_text.hpp"
#include "common/errors.hpp"

namespace dls {

namespace {

const char* const kVersion = "2.0";
const std::uint64_t kMaxThreads = 1024;
const std::uint64_t kMaxStarts = 100000;

void printHelp(std::ostream& out, const std::string& program) {
  out << "Usage: " << program << " [ARGUMENT]\n"
      << "\n"
      << "Infers a rooted species tree from gene trees: the tree of least weight x (D x duplications +\n"
      << "L x losses), D and L from --dup-weight and --loss-weight.\n"
      << "\n"
      << "  -i, --input <file>            Trees to read (Newick or NEXUS) [default: standard input]\n"
      << "  -o, --output <file>           Where the result goes [default: standard output]\n"
      << "      --oformat newick|nexus|tree\n"
      << "                                The result as Newick [default] or NEXUS with comment lines, or the\n"
      << "                                species tree alone on one Newick line (tree)\n"
      << "      --genetrees               Also every gene tree with its costs, in input order\n"
      << "  -g, --generator 0|1           The start tree of the search:\n"
      << "                                0 - the species tree given first in the input\n"
      << "                                1 - built by randomised leaf adding [default]\n"
      << "      --starts <N>              N start trees, each searched; the lowest final cost wins [default: 1].\n"
      << "                                Start i > 1 is the run of a seed derived from --seed, printed\n"
      << "      --bootstrap <B>           B replicates, each of as many gene trees drawn with replacement, each\n"
      << "                                searched from one start; the species tree's inner nodes are labelled\n"
      << "                                with the percentage of replicate trees that have their clade\n"
      << "      --bootstrap-trees <file>  Also write the replicates' trees there, one Newick line each\n"
      << "      --evaluate                With -g 0: no search, the report of the given species tree as it is\n"
      << "      --constraints <file>      Groups of species kept together as clades (generator 1), e.g.\n"
      << "                                \"Human,Chimp; Mouse,Rat;\" [default: none]\n"
      << "  -a, --map <file>              Gene labels to species: lines \"gene species\", or\n"
      << "                                \"species:gene1,gene2,...\" (or with \";\" between genes) [default: none]\n"
      << "      --species-delimiter <c>   Take the species from each gene label: the text before the first c\n"
      << "      --species-field first|last\n"
      << "                                With --species-delimiter: the text before the first c [default] or\n"
      << "                                after the last c\n"
      << "      --unrooted                Gene trees are unrooted unless marked [&R] [default: rooted unless\n"
      << "                                marked [&U]]\n"
      << "      --limit                   Count losses in the species tree restricted to each gene tree's\n"
      << "                                species (not recommended)\n"
      << "      --dup-weight <D>          Cost of a duplication, a decimal number >= 0 [default: 1]\n"
      << "      --loss-weight <L>         Cost of a loss, the same [default: 1]; 0 counts duplications alone\n"
      << "                                (D and L may not both be 0)\n"
      << "  -t, --threads <1..1024>       Threads scoring the gene trees; the result is the same for any number\n"
      << "                                [default: the machine's hardware threads]\n"
      << "  -q, --quiet                   No progress or information lines (warnings and errors still)\n"
      << "      --seed <0..4294967295>    Seed of the random draws [default: drawn at random, printed in\n"
      << "                                \"Random seed: N\"]; the same seed and input give the same result\n"
      << "  -v, --version                 Output the version number\n"
      << "  -h, --help                    Output this help\n"
      << "\n"
      << "Marks in front of a gene tree (in NEXUS, after the \"=\" of its statement):\n"
      << "  [&U]                          The gene tree is unrooted: it counts at its cheapest rooting\n"
      << "  [&R]                          The gene tree is rooted [default, unless --unrooted]\n"
      << "  [&WEIGHT=w]                   Its cost counts w times, w a decimal number > 0 [default: 1]\n"
      << "  [&W w]                        The same, as NEXUS writes a tree's weight\n"
      << "In a species tree given with -g 0, [&CONSTRAINT] after a clade keeps the clade together.\n"
      << "\n"
      << "Examples:\n"
      << "  " << program << " -i trees.newick -o speciestree.newick\n"
      << "  cat speciestree.newick genetrees.newick | " << program << " -g 0\n"
      << "  " << program << " -i genetrees.nwk -a genes.map --unrooted\n"
      << std::flush;
}

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

// An option by either of its names; both given is one option given twice.
CommandLine::Argument* findOption(CommandLine& line, const std::string& shortName, const std::string& longName) {
  CommandLine::Argument* shortForm = shortName.empty() ? nullptr : line.find(shortName);
  CommandLine::Argument* longForm = line.find(longName);
  if (shortForm != nullptr && longForm != nullptr) throw InputError("more than one argument " + longName);
  return shortForm != nullptr ? shortForm : longForm;
}

// A flag: present or not; a value is an error naming the long form.
bool flagOption(CommandLine& line, const std::string& shortName, const std::string& longName) {
  const CommandLine::Argument* arg = findOption(line, shortName, longName);
  if (arg == nullptr) return false;
  if (!arg->value.empty()) throw InputError(longName + " doesn't need a value");
  return true;
}

// The error of a missing or wrong value, naming the values allowed.
[[noreturn]] void refuseValue(const CommandLine::Argument& arg, const std::string& allowed) {
  if (arg.value.empty()) throw InputError("argument " + arg.name + " needs a value (allowed: " + allowed + ")");
  throw InputError("invalid value of argument " + arg.name + " " + arg.value + " (allowed: " + allowed + ")");
}

// A whole number in decimal, the whole value, from min to max.
std::uint64_t numberOption(const CommandLine::Argument& arg, std::uint64_t min, std::uint64_t max) {
  std::uint64_t value = 0;
  if (readWholeNumber(arg.value, max, value) && value >= min) return value;
  refuseValue(arg, std::to_string(min) + (max == min + 1 ? " or " : " to ") + std::to_string(max));
}

// A cost weight: a decimal number of at least 0 (-0 reads as 0), or 1 when
// the option is absent.
double weightOption(CommandLine& line, const std::string& name) {
  const CommandLine::Argument* arg = findOption(line, "", name);
  if (arg == nullptr) return 1;
  double value = 0;
  if (readDecimal(arg->value, value) && value >= 0) return value == 0 ? 0 : value;
  refuseValue(*arg, "a decimal number >= 0");
}

// An option naming a file, by either of its names; null when absent.
const CommandLine::Argument* fileOption(CommandLine& line, const std::string& shortName, const std::string& longName) {
  const CommandLine::Argument* arg = findOption(line, shortName, longName);
  if (arg != nullptr && arg->value.empty()) throw InputError("argument " + arg->name + " needs a file name");
  return arg;
}

// Opens a file to read: "KIND PATH not found" when it does not exist,
// "cannot read PATH: REASON" when it cannot be read (a directory, no
// permission).
void openForReading(std::ifstream& file, const std::string& path, const std::string& kind) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0 && errno == ENOENT) throw InputError(kind + " " + path + " not found");
  const int reason = S_ISDIR(status.st_mode) ? EISDIR : 0;
  if (reason == 0) file.open(path);
  if (reason != 0 || !file)
    throw InputError("cannot read " + path + ": " + std::strerror(reason != 0 ? reason : errno));
}

// Whether writing the output would replace a regular file that is also
// read (same device and inode).
bool sameRegularFile(const struct stat& read, const std::string& outputName) {
  struct stat out {};
  if (stat(outputName.c_str(), &out) != 0 || !S_ISREG(out.st_mode)) return false;
  return S_ISREG(read.st_mode) && read.st_dev == out.st_dev && read.st_ino == out.st_ino;
}

bool sameRegularFile(const std::string& readName, const std::string& outputName) {
  struct stat read {};
  return stat(readName.c_str(), &read) == 0 && sameRegularFile(read, outputName);
}

// Never replace a file that is being read: throws "WHAT would overwrite
// the input file" (or the constraints file, or the map file).
void refuseToOverwriteRead(const Options& options, const std::string& what, const std::string& path) {
  struct stat standardInput {};
  const bool replacesInput = options.inputPath.empty()
                                 ? fstat(STDIN_FILENO, &standardInput) == 0 && sameRegularFile(standardInput, path)
                                 : sameRegularFile(options.inputPath, path);
  if (replacesInput) throw InputError(what + " would overwrite the input file");
  if (!options.constraintsPath.empty() && sameRegularFile(options.constraintsPath, path))
    throw InputError(what + " would overwrite the constraints file");
  if (!options.mapPath.empty() && sameRegularFile(options.mapPath, path))
    throw InputError(what + " would overwrite the map file");
}

// The texts the readers read, over the opened files and standard input:
// gzip-compressed ones are inflated.
void openTexts(const Options& options, RunFiles& files) {
  const bool fromFile = files.input.is_open();
  files.trees = std::make_unique<DecompressingStream>(fromFile ? *files.input.rdbuf() : *std::cin.rdbuf(),
                                                      fromFile ? options.inputPath : "standard input");
  if (files.constraints.is_open())
    files.constraintsText = std::make_unique<DecompressingStream>(*files.constraints.rdbuf(), options.constraintsPath);
  if (files.map.is_open()) files.mapText = std::make_unique<DecompressingStream>(*files.map.rdbuf(), options.mapPath);
}

}  // namespace

bool startUp(CommandLine& line, Options& options, RunFiles& files, Console& console) {
  // Seed: from the system's source of random numbers unless given, so that
  // runs started together differ; it is printed, so that a run can be
  // repeated.
  if (const CommandLine::Argument* arg = line.find("--seed"))
    options.seed = static_cast<std::uint32_t>(numberOption(*arg, 0, 0xffffffffULL));
  else
    options.seed = freshSeed();

  if (const CommandLine::Argument* arg = line.find("--oformat")) {
    if (arg->value == "newick")
      options.format = OutputFormat::newick;
    else if (arg->value == "nexus")
      options.format = OutputFormat::nexus;
    else if (arg->value == "tree")
      options.format = OutputFormat::tree;
    else
      throw InputError("--oformat has a wrong argument: newick, nexus or tree");
  }
  options.writeGeneTrees = flagOption(line, "", "--genetrees");
  if (options.writeGeneTrees && options.format == OutputFormat::tree)
    throw InputError("--genetrees does not apply to --oformat tree");
  options.unrootedByDefault = flagOption(line, "", "--unrooted");
  if (const CommandLine::Argument* arg = line.find("--species-delimiter")) {
    if (arg->value.size() != 1) throw InputError("--species-delimiter needs a single character");
    options.speciesDelimiter = arg->value[0];
  }
  if (const CommandLine::Argument* arg = line.find("--species-field")) {
    if (arg->value == "last")
      options.speciesAfterLastDelimiter = true;
    else if (arg->value != "first")
      throw InputError("--species-field has a wrong argument: first or last");
    if (options.speciesDelimiter == '\0') throw InputError("--species-field needs --species-delimiter");
  }
  if (flagOption(line, "", "--limit")) options.lossScope = LossScope::geneSpeciesOnly;
  options.weights = {weightOption(line, "--dup-weight"), weightOption(line, "--loss-weight")};
  if (options.weights.duplication == 0 && options.weights.loss == 0)
    throw InputError("--dup-weight and --loss-weight are both 0: every species tree would cost 0");
  // Threads: all the machine has unless given.
  if (const CommandLine::Argument* arg = findOption(line, "-t", "--threads")) {
    options.threads = static_cast<unsigned>(numberOption(*arg, 1, kMaxThreads));
  } else {
    options.threads = availableThreads();
  }
  if (const CommandLine::Argument* arg = findOption(line, "-g", "--generator"))
    options.generator = static_cast<int>(numberOption(*arg, 0, 1));
  if (const CommandLine::Argument* arg = findOption(line, "", "--starts"))
    options.starts = static_cast<int>(numberOption(*arg, 1, kMaxStarts));
  if (const CommandLine::Argument* arg = findOption(line, "", "--bootstrap"))
    options.bootstrap = static_cast<int>(numberOption(*arg, 1, kMaxStarts));
  if (const CommandLine::Argument* arg = fileOption(line, "", "--bootstrap-trees")) {
    options.bootstrapTreesPath = arg->value;
    if (options.bootstrap == 0) throw InputError("--bootstrap-trees needs --bootstrap");
  }
  options.evaluateOnly = flagOption(line, "", "--evaluate");
  if (options.evaluateOnly && (options.bootstrap > 0 || options.starts > 1))
    throw InputError("--evaluate does not search: it takes neither --starts nor --bootstrap");
  if (options.evaluateOnly && options.generator != 0)
    throw InputError("--evaluate needs -g 0: it scores the species tree given first in the input");

  // Nothing is printed before the quiet option is known, except this line,
  // which follows the option's presence.
  const bool quietGiven = line.has("-q") || line.has("--quiet");
  if (const CommandLine::Argument* arg = fileOption(line, "", "--constraints")) {
    options.constraintsPath = arg->value;
    if (!quietGiven) std::cerr << "Constraints file: " << options.constraintsPath << std::endl;
    openForReading(files.constraints, options.constraintsPath, "constraints file");
    if (options.generator != 1)
      console.warning("--constraints does not apply to generator " + std::to_string(options.generator));
  }

  const bool helpRequested = flagOption(line, "-h", "--help");
  options.quiet = flagOption(line, "-q", "--quiet");
  console.setQuiet(options.quiet);
  setInterruptQuiet(options.quiet);
  const bool versionRequested = flagOption(line, "-v", "--version");

  if (const CommandLine::Argument* arg = fileOption(line, "-i", "--input")) {
    options.inputPath = arg->value;
    console.line("Input file: " + options.inputPath);
    openForReading(files.input, options.inputPath, "input file");
  }
  if (const CommandLine::Argument* arg = fileOption(line, "-a", "--map")) {
    options.mapPath = arg->value;
    if (options.speciesDelimiter != '\0') throw InputError("--map and --species-delimiter exclude each other");
    console.line("Map file: " + options.mapPath);
    openForReading(files.map, options.mapPath, "map file");
  }
  if (const CommandLine::Argument* arg = fileOption(line, "-o", "--output")) {
    options.outputPath = arg->value;
    console.line("Output file: " + options.outputPath);
    refuseToOverwriteRead(options, "Output file " + options.outputPath, options.outputPath);
  }

  if (versionRequested) {
    std::cout << kVersion << std::endl;
    return false;
  }
  std::string unknown;
  if (line.firstUnknown(unknown))
    throw InputError("Unknown argument " + unknown + "\nTry " + line.program() + " --help for a list of arguments");
  if (helpRequested) {
    printHelp(std::cout, line.program());
    return false;
  }
  // The command line is checked whole: only now is the output touched.
  if (!options.outputPath.empty()) files.output = std::make_unique<OutputFile>(options.outputPath);
  if (!options.bootstrapTreesPath.empty()) {
    const std::string what = "--bootstrap-trees " + options.bootstrapTreesPath;
    refuseToOverwriteRead(options, what, options.bootstrapTreesPath);
    if (!options.outputPath.empty() && (options.bootstrapTreesPath == options.outputPath ||
                                        sameRegularFile(options.outputPath, options.bootstrapTreesPath)))
      throw InputError(what + " would overwrite the output file");
    files.bootstrapTrees = std::make_unique<OutputFile>(options.bootstrapTreesPath, 1);
  }
  openTexts(options, files);
  if (options.inputPath.empty() && isatty(STDIN_FILENO))
    console.line("Reading the trees from standard input: end them with Ctrl-D (or give -i FILE)");
  console.line("Random seed: " + std::to_string(options.seed));
  if (!options.weights.areDefault())
    console.line("Cost per duplication: " + formatCost(options.weights.duplication) +
                 ", per loss: " + formatCost(options.weights.loss));
  return true;
}

}  // namespace dls
