#include "driver/startup.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <iostream>

#include "driver/argument.hpp"
#include "driver/globals.hpp"
#include "driver/help_text.hpp"
#include "driver/messages.hpp"

namespace {

// The entry of the short form wins when both forms were given; both are
// looked up so that neither counts as unknown.
Argument* findOption(const std::string& shortName, const std::string& longName) {
  Argument* shortForm = shortName.empty() ? nullptr : Argument::find(shortName);
  Argument* longForm = Argument::find(longName);
  return shortForm != nullptr ? shortForm : longForm;
}

// A flag option: present or not; a value is an error naming the long form.
bool flagOption(const std::string& shortName, const std::string& longName) {
  Argument* arg = findOption(shortName, longName);
  if (arg == nullptr) return false;
  if (!arg->value.empty()) fatalError(longName + " doesn't need a value");
  return true;
}

bool isPresent(const std::string& name) { return Argument::args.count(name) != 0; }

// True when writing the output file would truncate an existing regular file
// that is also being read (same device and inode).
bool sameRegularFile(const struct stat& a, const std::string& outputName) {
  struct stat out {};
  if (stat(outputName.c_str(), &out) != 0 || !S_ISREG(out.st_mode)) return false;
  return S_ISREG(a.st_mode) && a.st_dev == out.st_dev && a.st_ino == out.st_ino;
}

bool sameRegularFile(const std::string& readName, const std::string& outputName) {
  struct stat in {};
  return stat(readName.c_str(), &in) == 0 && sameRegularFile(in, outputName);
}

}  // namespace

bool startUp(int argc, char** argv, RunSettings& s) {
  Argument::add(argc, argv);

  // Seed: the clock's seconds (low 32 bits) modulo 65535, unless given.
  s.seed = static_cast<unsigned int>(static_cast<unsigned long long>(std::time(nullptr)) &
                                     0xffffffffULL) %
           65535U;
  if (Argument* arg = Argument::find("--seed")) arg->convert(s.seed);
  std::srand(s.seed);

  if (Argument* arg = Argument::find("--oformat")) {
    if (arg->value == "newick")
      s.format = NEWICK;
    else if (arg->value == "nexus")
      s.format = NEXUS;
    else
      fatalError("--oformat has a wrong argument");
  }

  s.geneTreesOutput = flagOption("", "--genetrees");
  if (flagOption("", "--limit")) LIMIT_LOSSES = true;

  if (Argument* arg = findOption("-g", "--generator")) arg->convert(s.generator);

  std::string constraintsName;
  if (Argument* arg = Argument::find("--constraints")) {
    constraintsName = arg->value;
    // quiet is still true here: the quiet option decides from the registry.
    if (!isPresent("-q") && !isPresent("--quiet"))
      std::cout << "Constraints file: " << constraintsName << std::endl;
    s.constraintsFile.open(constraintsName);
    if (!s.constraintsFile) fatalError("constraints file " + constraintsName + " not found");
    s.hasConstraints = true;
    if (s.generator != 1 && s.generator != 2)
      warning("--constraints does not apply to generator " + std::to_string(s.generator));
  }

  const bool helpRequested = flagOption("-h", "--help");
  quiet = false;
  if (flagOption("-q", "--quiet")) quiet = true;
  const bool versionRequested = flagOption("-v", "--version");

  std::string inputName;
  if (Argument* arg = findOption("-i", "--input")) {
    inputName = arg->value;
    progress("Input file: " + inputName);
    s.inputFile.open(inputName);
    if (!s.inputFile) fatalError("input file " + inputName + " not found");
    s.input = &s.inputFile;
  }

  if (Argument* arg = findOption("-o", "--output")) {
    s.outputName = arg->value;
    progress("Output file: " + s.outputName);
    // Opening the output truncates it: never do that to a file being read.
    struct stat standardInput {};
    const bool inputOverwritten =
        inputName.empty()
            ? fstat(STDIN_FILENO, &standardInput) == 0 && sameRegularFile(standardInput, s.outputName)
            : sameRegularFile(inputName, s.outputName);
    if (inputOverwritten)
      fatalError("Output file " + s.outputName + " would overwrite the input file");
    if (s.hasConstraints && sameRegularFile(constraintsName, s.outputName))
      fatalError("Output file " + s.outputName + " would overwrite the constraints file");
    s.outputFile.open(s.outputName, std::ios::out | std::ios::trunc);
    if (!s.outputFile) fatalError("Output file " + s.outputName + " not created");
    s.output = &s.outputFile;
  }

  if (versionRequested) {
    std::cout << version << std::endl;
    return false;
  }

  const std::vector<Argument*> unknown = Argument::unusedArgs();
  if (!unknown.empty()) {
    std::cerr << "ERROR: Unknown argument " << unknown.front()->name << "\n"
              << "Try " << argv[0] << " --help for a list of arguments" << std::endl;
    std::exit(1);
  }

  if (helpRequested) {
    printHelp(std::cout, argv[0]);
    std::cout.flush();
    return false;
  }

  progress("Random seed: " + std::to_string(s.seed));
  return true;
}
