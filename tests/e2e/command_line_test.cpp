// End-to-end tests of the command line and the start-up: the real binary,
// real files, exact messages and exit statuses.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"

namespace {

const std::string kTry = "Try " + kBinary + " --help for a list of arguments\n";

std::string helpText() {
  const std::string& p = kBinary;
  return "Usage: " + p + " [ARGUMENT]\n"
         "\n"
         "  -i, --input                   Input file\n"
         "  -o, --output                  Output file\n"
         "      --genetrees               Output input gene trees and their reconciliation costs after the speciestree\n"
         "  -g, --generator 0|1           Options for species tree to use to initialize the local search heuristic\n"
         "                                0 - use user-provided species tree as initial species tree\n"
         "                                1 - use leaf adding heuristic to build initial species tree [default]\n"
         "      --constraints <file>      A file containing groupings of species for generator 1.\n"
         "      --limit                   Limit species tree to leaf set of gene tree when computing losses. Not recommended.\n"
         "  -q, --quiet                   No processing output.\n"
         "      --seed <integer number>   Set a user defined random number generator seed.\n"
         "  -v, --version                 Output the version number.\n"
         "  -h, --help                    Output brief help message and example commands.\n"
         "\n"
         "Examples:\n"
         "  " + p + " -i trees.newick -o speciestree.newick\n"
         "  cat speciestree.newick genetrees.newick | " + p + " -g 0\n";
}

// A run that stops during start-up: exact standard output, standard error
// and status. The working directory holds in.nwk and cons.txt.
struct StartUpCase {
  std::string what;
  std::vector<std::string> args;
  std::string out;
  std::string err;
  int status;
};

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.write("in.nwk", readFile(kSourceDir + "/examples/genetrees.nwk"));
    dir.write("cons.txt", "Human,Chimp;\n");
  }
  ProcessResult run(const std::vector<std::string>& args, const std::string& stdinText = "") {
    return runDlspecies(args, dir.path(), stdinText);
  }
  void expectCases(const std::vector<StartUpCase>& cases) {
    for (const StartUpCase& c : cases) {
      const ProcessResult r = run(c.args);
      EXPECT_EQ(r.out, c.out) << c.what;
      EXPECT_EQ(r.err, c.err) << c.what;
      EXPECT_EQ(r.status, c.status) << c.what;
    }
  }
  TempDir dir;
};

TEST_F(CommandLine, VersionHelpAndUnknownArguments) {
  expectCases({
      {"version", {"-v"}, "2.0\n", "", 0},
      {"long version", {"--version"}, "2.0\n", "", 0},
      {"version wins over unknown", {"--zzz", "-v"}, "2.0\n", "", 0},
      {"version wins over help", {"-v", "-h"}, "2.0\n", "", 0},
      {"help", {"-h"}, helpText(), "", 0},
      {"long help", {"--help"}, helpText(), "", 0},
      {"unknown wins over help", {"-h", "--zzz"}, "", "ERROR: Unknown argument --zzz\n" + kTry, 1},
      {"first unknown in byte order", {"-x", "--zzz"}, "", "ERROR: Unknown argument --zzz\n" + kTry, 1},
      {"stray value", {"trees.nwk"}, "", "ERROR: Unknown argument \n" + kTry, 1},
      {"second value of one option", {"-g", "0", "1"}, "", "ERROR: Unknown argument \n" + kTry, 1},
      {"file name after a flag", {"-q", "trees.nwk"}, "", "ERROR: --quiet doesn't need a value\n", 1},
      {"duplicate name", {"-i", "a", "-i", "b"}, "", "ERROR: more than one argument -i\n", 1},
      {"duplicate joined name", {"--seed=1", "--seed", "2"}, "", "ERROR: more than one argument --seed\n", 1},
      {"short and long form are no duplicate", {"-g", "0", "--generator", "x", "-v"}, "2.0\n", "", 0},
      {"lone dash is unknown", {"-", "-v"}, "2.0\n", "", 0},
      {"lone dash", {"-"}, "", "ERROR: Unknown argument -\n" + kTry, 1},
  });
}

TEST_F(CommandLine, OptionValuesAndTheirMessages) {
  expectCases({
      {"seed not a number", {"--seed", "x"}, "", "ERROR: invalid value of argument --seed x\n", 1},
      {"seed without value", {"--seed"}, "", "ERROR: invalid value of argument --seed \n", 1},
      {"seed followed by an option", {"--seed", "-5"}, "", "ERROR: invalid value of argument --seed \n", 1},
      {"seed too large", {"--seed=4294967296"}, "", "ERROR: invalid value of argument --seed 4294967296\n", 1},
      {"generator not a number", {"-g", "x"}, "", "ERROR: invalid value of argument -g x\n", 1},
      {"long generator not a number", {"--generator=one"}, "", "ERROR: invalid value of argument --generator one\n", 1},
      {"oformat upper case", {"--oformat", "NEXUS"}, "", "ERROR: --oformat has a wrong argument\n", 1},
      {"oformat empty", {"--oformat="}, "", "ERROR: --oformat has a wrong argument\n", 1},
      {"oformat absent value", {"--oformat"}, "", "ERROR: --oformat has a wrong argument\n", 1},
      {"oformat nexus", {"--oformat", "nexus", "-v"}, "2.0\n", "", 0},
      {"oformat newick", {"--oformat=newick", "-v"}, "2.0\n", "", 0},
      {"genetrees with value", {"--genetrees=x"}, "", "ERROR: --genetrees doesn't need a value\n", 1},
      {"genetrees with empty value", {"--genetrees=", "-v"}, "2.0\n", "", 0},
      {"limit with value", {"--limit", "1"}, "", "ERROR: --limit doesn't need a value\n", 1},
      {"help with value names long form", {"-h=1"}, "", "ERROR: --help doesn't need a value\n", 1},
      {"quiet with value", {"--quiet", "yes"}, "", "ERROR: --quiet doesn't need a value\n", 1},
      {"version with value names long form", {"-v", "x"}, "", "ERROR: --version doesn't need a value\n", 1},
      {"input missing", {"-i", "nope.nwk"}, "Input file: nope.nwk\n", "ERROR: input file nope.nwk not found\n", 1},
      {"input missing, quiet", {"-q", "--input=nope.nwk"}, "", "ERROR: input file nope.nwk not found\n", 1},
      {"output not creatable", {"-o", "nodir/out.txt"}, "Output file: nodir/out.txt\n",
       "ERROR: Output file nodir/out.txt not created\n", 1},
      {"constraints missing", {"--constraints", "nope.txt"}, "Constraints file: nope.txt\n",
       "ERROR: constraints file nope.txt not found\n", 1},
      {"constraints line follows the quiet option", {"--constraints", "nope.txt", "-q"}, "",
       "ERROR: constraints file nope.txt not found\n", 1},
      {"constraints warning for generator 0", {"-g", "0", "--constraints", "cons.txt", "-v"},
       "Constraints file: cons.txt\n2.0\n", "WARNING: --constraints does not apply to generator 0\n", 0},
      {"no constraints warning for generator 2", {"-g", "2", "--constraints", "cons.txt", "-v"},
       "Constraints file: cons.txt\n2.0\n", "", 0},
      {"no constraints warning for generator 1", {"--constraints=cons.txt", "-q", "-v"}, "2.0\n", "", 0},
  });
}

TEST_F(CommandLine, EvaluationOrderDecidesWhichErrorWins) {
  expectCases({
      {"seed before oformat", {"--oformat", "x", "--seed", "y"}, "", "ERROR: invalid value of argument --seed y\n", 1},
      {"oformat before genetrees", {"--genetrees=1", "--oformat", "x"}, "", "ERROR: --oformat has a wrong argument\n", 1},
      {"genetrees before limit", {"--limit=1", "--genetrees=1"}, "", "ERROR: --genetrees doesn't need a value\n", 1},
      {"limit before generator", {"-g", "x", "--limit=1"}, "", "ERROR: --limit doesn't need a value\n", 1},
      {"generator before constraints", {"--constraints", "nope.txt", "-g", "x"}, "",
       "ERROR: invalid value of argument -g x\n", 1},
      {"constraints before help", {"-h=1", "--constraints", "nope.txt"}, "Constraints file: nope.txt\n",
       "ERROR: constraints file nope.txt not found\n", 1},
      {"help before quiet", {"-q=1", "-h=1"}, "", "ERROR: --help doesn't need a value\n", 1},
      {"quiet before version", {"-v=1", "-q=1"}, "", "ERROR: --quiet doesn't need a value\n", 1},
      {"version before input", {"-i", "nope.nwk", "-v=1"}, "", "ERROR: --version doesn't need a value\n", 1},
      {"input before version request", {"-v", "-i", "nope.nwk"}, "Input file: nope.nwk\n",
       "ERROR: input file nope.nwk not found\n", 1},
      {"input before output", {"-o", "nodir/x", "-i", "nope.nwk"}, "Input file: nope.nwk\n",
       "ERROR: input file nope.nwk not found\n", 1},
      {"output before version request", {"-v", "-o", "nodir/x"}, "Output file: nodir/x\n",
       "ERROR: Output file nodir/x not created\n", 1},
      {"short form wins", {"-i", "in.nwk", "--input", "nope.nwk", "-v"}, "Input file: in.nwk\n2.0\n", "", 0},
      {"short generator wins", {"-g", "x", "--generator", "0"}, "", "ERROR: invalid value of argument -g x\n", 1},
  });
}

TEST_F(CommandLine, OutputFileIsCreatedEvenWhenTheRunStopsLater) {
  struct Case {
    std::vector<std::string> args;
    int status;
  };
  const std::vector<Case> cases = {
      {{"-o", "out.txt", "-h"}, 0},
      {{"-o", "out.txt", "-v"}, 0},
      {{"-o", "out.txt", "--zzz"}, 1},
  };
  for (const Case& c : cases) {
    dir.write("out.txt", "old content\n");
    const ProcessResult r = run(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_TRUE(dir.exists("out.txt"));
    EXPECT_EQ(dir.read("out.txt"), "") << "the output file is truncated";
  }
  const ProcessResult help = run({"-h", "--output=fresh.txt"});
  EXPECT_EQ(help.out, "Output file: fresh.txt\n" + helpText());
  EXPECT_TRUE(dir.exists("fresh.txt"));
}

TEST_F(CommandLine, OutputNeverOverwritesTheInput) {
  const std::string input = dir.read("in.nwk");
  ASSERT_EQ(link(dir.file("in.nwk").c_str(), dir.file("hardlink.nwk").c_str()), 0);
  expectCases({
      {"same name", {"-i", "in.nwk", "-o", "in.nwk"}, "Input file: in.nwk\nOutput file: in.nwk\n",
       "ERROR: Output file in.nwk would overwrite the input file\n", 1},
      {"other path", {"-q", "-i", "in.nwk", "-o", "./in.nwk"}, "",
       "ERROR: Output file ./in.nwk would overwrite the input file\n", 1},
      {"hard link", {"-q", "-i", "in.nwk", "-o", "hardlink.nwk"}, "",
       "ERROR: Output file hardlink.nwk would overwrite the input file\n", 1},
      {"constraints file", {"-q", "--constraints", "cons.txt", "-i", "in.nwk", "-o", "cons.txt"}, "",
       "ERROR: Output file cons.txt would overwrite the constraints file\n", 1},
  });
  EXPECT_EQ(dir.read("in.nwk"), input);
  EXPECT_EQ(dir.read("cons.txt"), "Human,Chimp;\n");

  // The input given on standard input, redirected from the same file.
  const ProcessResult r = runProgram({"/bin/sh", "-c", "exec '" + kBinary + "' -q -o in.nwk < in.nwk"}, "", dir.path());
  EXPECT_EQ(r.err, "ERROR: Output file in.nwk would overwrite the input file\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(dir.read("in.nwk"), input);
}

TEST_F(CommandLine, SeedLine) {
  const ProcessResult fixed = run({"--seed", "7", "-i", "in.nwk"});
  EXPECT_EQ(fixed.out.rfind("Input file: in.nwk\nRandom seed: 7\n", 0), 0u) << fixed.out;
  const ProcessResult joined = run({"--seed=12x", "-i", "in.nwk"});
  EXPECT_EQ(joined.out.rfind("Input file: in.nwk\nRandom seed: 12\n", 0), 0u) << joined.out;
  const ProcessResult largest = run({"--seed=4294967295", "-i", "in.nwk"});
  EXPECT_EQ(largest.out.rfind("Input file: in.nwk\nRandom seed: 4294967295\n", 0), 0u) << largest.out;

  // From the clock: its seconds modulo 65535.
  const unsigned before = static_cast<unsigned>(std::time(nullptr)) % 65535U;
  const ProcessResult clock = run({"-i", "in.nwk"});
  const unsigned after = static_cast<unsigned>(std::time(nullptr)) % 65535U;
  const std::string prefix = "Input file: in.nwk\nRandom seed: ";
  ASSERT_EQ(clock.out.rfind(prefix, 0), 0u) << clock.out;
  const unsigned seed = static_cast<unsigned>(std::stoul(clock.out.substr(prefix.size())));
  EXPECT_TRUE(seed == before || seed == after || (seed > before && seed < after)) << seed;

  // A quiet run writes its report and no seed line.
  const ProcessResult quietRun = run({"-q", "--seed", "3", "-i", "in.nwk"});
  EXPECT_TRUE(isReport(quietRun.out));
}

}  // namespace
