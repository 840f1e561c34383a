// End-to-end tests of the command line: what a run writes and how it ends,
// the safety of the output file, and the data generator's command line.

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"

namespace {

const std::string kNested =
    "ERROR: The constraints are either contradictory or nested! This program can only handle non-nested "
    "constraints!\nSpecies 'Chimp' is in two constraints.\nTerminating...\n";

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.write("in.nwk", source("examples/genetrees.nwk"));
    ASSERT_EQ(link(dir.file("in.nwk").c_str(), dir.file("hard.nwk").c_str()), 0);
    dir.write("cons.txt", "Human,Chimp;\nMouse,Rat;\n");
    dir.write("yeti.txt", "Human,Yeti;\nMouse,Rat;\n");
    dir.write("nested.txt", "Human,Chimp;Chimp,Rat;\n");
  }
  TempDir dir;
};

// Arguments and standard input; the exact standard output (its start only
// when that ends with the help's first line), standard error and status.
struct Outcome {
  std::vector<std::string> args;
  std::string in, out, err;
  int status;
};

// The report's comment lines; weights: "D, per loss: L" unless the default.
std::string report(const std::string& size, const std::string& cost, const std::string& counts,
                   const std::string& weights = "") {
  return "[Species tree]\n[Size: " + size + "]\n[Weighted reconciliation cost: " + cost + "]\n" +
         (weights.empty() ? "" : "[Cost per duplication: " + weights + "]\n") +
         "[Total number of gene duplications + losses: " + counts + "]\n";
}

TEST_F(CommandLine, Outcomes) {
  const std::string zzz = "ERROR: Unknown argument --zzz\n" + kTry, valueOf = "ERROR: invalid value of argument ";
  const std::string seeds = " (allowed: 0 to 4294967295)\n", generators = " (allowed: 0 or 1)\n";
  const std::string decimals = " (allowed: a decimal number >= 0)\n";
  const std::string overwrites = " would overwrite the input file\n", size4 = "7 nodes 4 leaves";
  const std::string against = "((Human,Mouse),(Chimp,Rat));\n((Human,Mouse),(Chimp,Rat));\n(Human,Mouse);\n";
  const std::vector<std::string> quiet0 = {"-q", "-g", "0", "--seed", "7"};
  const std::vector<Outcome> table = {
      // Version, help, unknown arguments, values.
      {{"-v"}, "", "2.0\n", "", 0},
      {{"--zzz", "--version"}, "", "2.0\n", "", 0},
      {{"--help"}, "", kUsage, "", 0},
      {{"-h", "--zzz"}, "", "", zzz, 1},
      {{"trees.nwk", "more.nwk"}, "", "", "ERROR: Unknown argument trees.nwk\n" + kTry, 1},
      {{"-q", "trees.nwk"}, "", "", "ERROR: Unknown argument trees.nwk\n" + kTry, 1},
      {{"--genetrees", "extra", "-q", "-i", "in.nwk"}, "", "", "ERROR: Unknown argument extra\n" + kTry, 1},
      {{"--genetrees=extra"}, "", "", "ERROR: --genetrees doesn't need a value\n", 1},
      {{"-i", "a", "-i", "b"}, "", "", "ERROR: more than one argument -i\n", 1},
      {{"--seed", "-5"}, "", "", "ERROR: argument --seed needs a value" + seeds, 1},
      {{"--seed=4294967296"}, "", "", valueOf + "--seed 4294967296" + seeds, 1},
      {{"--generator=one"}, "", "", valueOf + "--generator one" + generators, 1},
      {{"-t", "0"}, "", "", valueOf + "-t 0 (allowed: 1 to 1024)\n", 1},
      {{"--bootstrap=-2"}, "", "", valueOf + "--bootstrap -2 (allowed: 1 to 100000)\n", 1},
      {{"--bootstrap", "0", "--starts", "2"}, "", "", valueOf + "--bootstrap 0 (allowed: 1 to 100000)\n", 1},
      {{"--dup-weight", "-1"}, "", "", "ERROR: argument --dup-weight needs a value" + decimals, 1},
      {{"--loss-weight=-0.5"}, "", "", valueOf + "--loss-weight -0.5" + decimals, 1},
      {{"--dup-weight=0", "--loss-weight=-0"},
       "",
       "",
       "ERROR: --dup-weight and --loss-weight are both 0: every species tree would cost 0\n",
       1},
      {{"--output="}, "", "", "ERROR: argument --output needs a file name\n", 1},
      {{"--oformat", "NEXUS"},
       "",
       "",
       "ERROR: --oformat has a wrong argument: newick, nexus, tree, annotated or nhx\n",
       1},
      {{"-v", "-i", "nope.nwk"}, "", "Input file: nope.nwk\n", "ERROR: input file nope.nwk not found\n", 1},
      {{"--constraints", "no.txt"}, "", "Constraints file: no.txt\n", "ERROR: constraints file no.txt not found\n", 1},
      {{"-g", "0", "--constraints", "cons.txt", "-v"},
       "",
       "Constraints file: cons.txt\n2.0\n",
       "WARNING: --constraints does not apply to generator 0\n",
       0},
      {{"-g", "2", "--constraints", "cons.txt", "--seed", "1"}, "", "", valueOf + "-g 2" + generators, 1},
      {{"--generator=5", "-q"}, "(A", "", valueOf + "--generator 5" + generators, 1},
      // The output file is checked after the whole command line.
      {{"-v", "-o", "nodir/x"}, "", "Output file: nodir/x\n2.0\n", "", 0},
      {{"-o", "nodir/x", "--zzz"}, "", "Output file: nodir/x\n", zzz, 1},
      {{"-h", "-o", "nodir/x"}, "", "Output file: nodir/x\n" + kUsage, "", 0},
      {{"--seed", "1", "-o", "nodir/x"}, "", "Output file: nodir/x\n", "ERROR: Output file nodir/x not created\n", 1},
      {{"-i", "in.nwk", "-o", "in.nwk"},
       "",
       "Input file: in.nwk\nOutput file: in.nwk\n",
       "ERROR: Output file in.nwk" + overwrites,
       1},
      {{"-q", "-i", "in.nwk", "-o", "./in.nwk"}, "", "", "ERROR: Output file ./in.nwk" + overwrites, 1},
      {{"-q", "-i", "in.nwk", "-o", "hard.nwk"}, "", "", "ERROR: Output file hard.nwk" + overwrites, 1},
      {{"-q", "--constraints", "cons.txt", "-i", "in.nwk", "-o", "cons.txt"},
       "",
       "",
       "ERROR: Output file cons.txt would overwrite the constraints file\n",
       1},
      {{"-q", "-i", "in.nwk", "-o", "/dev/full"}, "", "", "ERROR: Output file /dev/full could not be written\n", 1},
      // Whole runs. A cost has up to 12 significant digits.
      {{"-g", "0", "--seed=12"},
       "",
       "Random seed: 12\n" + kUserTreeLines,
       "ERROR: missing input for species tree line 1 column 1\n",
       1},
      {{"--seed", "1"},
       "[&WEIGHT=100000.5](A,A);\n[&WEIGHT=200000.3]((A,B),B);\n",
       "Random seed: 1\n" + kLeafAddLine +
           "2 input gene trees total\nLeaf set size: 2\nBuilding Starting triplet ...\n"
           "Species placed: 2 of 2\nInitial species tree with 2 leaves computed. Starting local search...\n\n"
           "Using SPR local search heuristic to infer final species tree\n2 rooted and 0 unrooted input gene trees "
           "total\n"
           "Computing...\nCycle 1: pruned 2/2, best score 300000.8 + 200000.3 = 500001.1, elapsed #s\n"
           "Cycle 2: pruned 2/2, best score 300000.8 + 200000.3 = 500001.1, elapsed #s\n"
           "Cycle 3: pruned 2/2, best score 300000.8 + 200000.3 = 500001.1, elapsed #s\n"
           "Number of rSPR tree edit operations: 1\n"
           "Final weighted reconciliation cost: 500001.1\nTime taken for search heuristic: #s\n" +
           report("3 nodes 2 leaves", "500001.1", "2 + 1 = 3") + "(A,B);\n",
       "",
       0},
      {quiet0, "(A);\n(A,A);\n", report("1 nodes 1 leaves", "1", "1 + 0 = 1") + "A;\n", "", 0},
      {concat(quiet0, {"--genetrees"}), "((A,B),(C,D));\n(B);\n[&U](A,D);\n",
       report("5 nodes 3 leaves", "0", "0 + 0 = 0") +
           "(B,(A,D));\n\n[Gene trees]\n[Rooted gene tree 1]\n"
           "[Size: 1 nodes 1 leaves]\n[Gene duplications + Losses: 0 + 0 = 0]\nB;\n\n[Rooted gene tree 2 (unrooted in "
           "input)]\n[Size: 3 nodes 2 leaves]\n[Gene duplications + Losses: 0 + 0 = 0]\n(A,D);\n",
       "WARNING: species \"C\" is not covered by any gene tree - species ignored\n", 0},
      {{"--quiet", "--seed", "1"}, "(,A);", "", "ERROR: missing leaf name in the tree expression line 1 column 2\n", 1},
      // Constraints keep clades together against the gene trees; their
      // species are the gene trees' leaf names.
      {{"-q", "--seed", "5"}, against, report(size4, "0", "0 + 0 = 0") + "((Chimp,Rat),(Human,Mouse));\n", "", 0},
      {{"-q", "--seed", "5", "--constraints", "cons.txt"},
       against,
       report(size4, "12", "2 + 10 = 12") + "((Chimp,Human),(Rat,Mouse));\n",
       "",
       0},
      {{"-q", "--seed", "5", "--constraints", "yeti.txt"},
       "((Human,Mouse)Yeti,(Chimp,Rat));\n" + against,
       report(size4, "16", "3 + 13 = 16") + "(Chimp,(Human,(Rat,Mouse)));\n",
       "WARNING: species 'Yeti' listed in constraints input was not found in taxa set - species ignored\n"
       "WARNING: constraint has to contain at least 2 species - constraint ignored\n",
       0},
      {{"-q", "--seed", "5", "--constraints", "nested.txt"}, against, "", kNested, 1},
      {quiet0, "((A,B)[&CONSTRAINT],(C,D));\n((A,C),(B,D));\n((A,C),D);\n",
       report(size4, "6", "1 + 5 = 6") + "(((A,B),C),D);\n", "", 0},
      {quiet0, "((A,B),(C,D));\n((A,C),(B,D));\n((A,C),D);\n", report(size4, "1", "0 + 1 = 1") + "((A,C),(B,D));\n", "",
       0},
      // A given tree scored as it is, an unrooted gene tree at its cheapest rooting.
      {concat(quiet0, {"--evaluate"}), "((A,B),(C,D));\n((A,C),(B,D));\n[&U][&WEIGHT=2]((A,B),(C,D));\n",
       report(size4, "5", "1 + 4 = 5") + "((A,B),(C,D));\n", "", 0},
      // Costs by the weights of a duplication and a loss; the totals count.
      {concat(quiet0, {"--evaluate", "--dup-weight", "2.5", "--loss-weight", "0"}),
       "((A,B),(C,D));\n((A,C),(B,D));\n[&U][&WEIGHT=2]((A,B),(C,D));\n",
       report(size4, "2.5", "1 + 4 = 5", "2.5, per loss: 0") + "((A,B),(C,D));\n", "", 0},
      {{"-q", "-i", "in.nwk", "--seed", "1", "--loss-weight", "0"},
       "",
       report("15 nodes 8 leaves", "21", "21 + 88 = 109", "1, per loss: 0") +
           "(((Rat,Mouse),Dog),(Macaque,(Orangutan,(Gorilla,(Chimp,Human)))));\n",
       "",
       0},
      {{"--evaluate"},
       "",
       "",
       "ERROR: --evaluate needs -g 0: it scores the species tree given first in the input\n",
       1},
      {{"-g", "0", "--evaluate", "--rounds", "2"}, "", "", "ERROR: --evaluate does not search: it takes no --rounds\n", 1},
      // Costs that differ only by the rounding of weights such as 0.7 are
      // equal: no move is made for them.
      {{"-q", "--seed", "1", "-t", "1"},
       "[&U][&WEIGHT=0.7](S0,(S4,S1));\n[&U](((S3,(S0,(S0,S4))),((S3,((S1,S4),((S2,S4),(S4,S1)))),(S4,(S4,S0)))),"
       "(S2,((S0,S0),(S4,(S4,S3)))));\n[&U](S1,S0);\n",
       report("9 nodes 5 leaves", "34.7", "11 + 24 = 35") + "(S3,(S0,(S4,(S1,S2))));\n",
       "",
       0},
  };
  for (const Outcome& c : table) {
    // c.out is what the run shows, progress then results: the results go
    // to standard output, the progress with the warnings and errors (c.err)
    // to standard error.
    const ProcessResult r = runDlspecies(c.args, dir.path(), c.in);
    const std::string what = ::testing::PrintToString(c.args);
    const std::string results = c.out.substr(resultsStart(c.out)), progress = c.out.substr(0, resultsStart(c.out));
    const bool help = c.out.find(kUsage) != std::string::npos;
    EXPECT_EQ(help ? r.out.substr(0, results.size()) : r.out, results) << what;
    bool found = false;
    EXPECT_EQ(withoutTime(withoutLines(r.err, c.err, found)), progress) << what;
    EXPECT_TRUE(found) << what << "\n" << r.err;
    EXPECT_EQ(r.status, c.status) << what;
  }
}

// Without --seed, runs started together draw different seeds (the same seed
// by chance once in 2^32 pairs) and print them.
TEST_F(CommandLine, SeedsDifferWithoutSeedOption) {
  const auto seed = [&](const char* out) {
    const std::string err = runDlspecies({"-i", "in.nwk", "-o", out}, dir.path()).err;
    return err.substr(err.find("Random seed: "), 25);
  };
  EXPECT_NE(seed("a.txt"), seed("b.txt"));
}

// A run that stops with status 1, or asks for help or the version, leaves
// the output file as it was, or does not create it, and leaves no temporary
// file. The commands go to the shell, BIN standing for the program and OUT
// for the output file.
TEST_F(CommandLine, OutputFileUntouchedUnlessTheRunSucceeds) {
  const std::vector<Outcome> table = {
      {{"BIN --typo -o OUT"}, "", "Output file: OUT\n", "ERROR: Unknown argument --typo\n" + kTry, 1},
      {{"BIN -h -o OUT >/dev/null"}, "", "Output file: OUT\n", "", 0},
      {{"BIN -o OUT -v"}, "", "Output file: OUT\n2.0\n", "", 0},
      {{"BIN -q -o OUT"}, "(A,B", "", "ERROR: unexpected end in the tree expression line 1 column 5\n", 1},
      {{"BIN -q -o OUT"},
       "[&WEIGHT=0](A,B);",
       "",
       "ERROR: the weight of each gene tree has to be greater than 0 at line 1 column 10\n",
       1},
      {{"BIN -q -i in.nwk --constraints nested.txt -o OUT"}, "", "", kNested, 1},
      // No room to write the report: a file size limit of 0.
      {{"trap '' XFSZ; ulimit -f 0; exec BIN -q -i in.nwk -o OUT"},
       "",
       "",
       "ERROR: Output file OUT could not be written\n",
       1},
      {{"BIN -q -o in.nwk < in.nwk"}, "", "", "ERROR: Output file in.nwk would overwrite the input file\n", 1},
      {{"BIN -q -i in.nwk >/dev/full"}, "", "", "ERROR: standard output could not be written\n", 1},
  };
  dir.write("out.txt", "old\n");
  const std::string files = dir.listing(), input = dir.read("in.nwk");
  for (const std::string out : {"out.txt", "fresh.txt"}) {
    const auto replace = [&](const std::string& text) {
      return replaceAll(replaceAll(text, "OUT", out), "BIN", "'" + kBinary + "'");
    };
    for (const Outcome& c : table) {
      const std::string command = replace(c.args[0]);
      const ProcessResult r = runProgram({"/bin/sh", "-c", command}, c.in, dir.path());
      EXPECT_EQ(r.err + r.out + std::to_string(r.status), replace(c.out + c.err) + std::to_string(c.status)) << command;
      EXPECT_EQ(dir.listing(), files) << command;
      EXPECT_EQ(dir.read("out.txt") + dir.read("in.nwk"), "old\n" + input) << command;
    }
  }
}

// A run that succeeds replaces the file, keeping its permissions, or the
// file that a symbolic link points to (also one not there yet); a file of
// two names is rewritten for both. The report is the quiet run's.
TEST_F(CommandLine, OutputFileReplacedWhenTheRunSucceeds) {
  dir.write("out.txt", "old\n");
  ASSERT_EQ(chmod(dir.file("out.txt").c_str(), 0640), 0);
  dir.write("target.txt", "old\n");
  ASSERT_EQ(symlink("target.txt", dir.file("link.txt").c_str()), 0);
  ASSERT_EQ(symlink("new.txt", dir.file("dangling.txt").c_str()), 0);
  dir.write("twice.txt", "old\n");
  ASSERT_EQ(link(dir.file("twice.txt").c_str(), dir.file("second.txt").c_str()), 0);
  for (const std::string out : {"out.txt", "link.txt", "dangling.txt", "twice.txt", "fresh.txt"}) {
    const ProcessResult r = runDlspecies({"--seed", "1", "--genetrees", "-i", "in.nwk", "-o", out}, dir.path());
    EXPECT_EQ(r.out + std::to_string(r.status), "0") << out;
    EXPECT_EQ(r.err.rfind("Input file: in.nwk\nOutput file: " + out + "\nRandom seed: 1\n", 0), 0U) << r.err;
    EXPECT_EQ(r.err.find("WARNING"), std::string::npos) << out;
    EXPECT_EQ(dir.read(out), source("tests/golden/example_default.out")) << out;
  }
  struct stat st {};
  EXPECT_TRUE(stat(dir.file("out.txt").c_str(), &st) == 0 && (st.st_mode & 07777) == 0640);
  EXPECT_TRUE(lstat(dir.file("link.txt").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
  EXPECT_EQ(dir.read("new.txt") + dir.read("second.txt"), dir.read("target.txt") + dir.read("out.txt"));
  EXPECT_EQ(dir.listing(),
            "cons.txt dangling.txt fresh.txt hard.nwk in.nwk link.txt nested.txt new.txt out.txt second.txt target.txt "
            "twice.txt yeti.txt");
}

TEST(DlsimCommandLine, HelpErrorsAndOutputFile) {
  TempDir dir;
  const auto dlsim = [&](const std::vector<std::string>& a) { return runProgram(concat({kDlsim}, a), "", dir.path()); };
  const ProcessResult help = dlsim({"--help"}), unknown = dlsim({"--frobnicate"}), bad = dlsim({"-n", "0"});
  EXPECT_EQ(help.out.substr(0, 25) + std::to_string(help.status), "Usage: dlsim [OPTION]...\n0");
  EXPECT_EQ(unknown.err + std::to_string(unknown.status), "ERROR: unknown argument --frobnicate\nTry dlsim --help\n1");
  EXPECT_EQ(bad.err + std::to_string(bad.status), "ERROR: invalid value of -n: 0\nTry dlsim --help\n1");
  const std::vector<std::string> args = {"-n", "9", "-m", "12", "--seed", "4", "--unrooted", "0.5"};
  const ProcessResult toStdout = dlsim(args), toFile = dlsim(concat(args, {"-o", "x.nwk"}));
  EXPECT_EQ(toFile.out + std::to_string(toStdout.status + toFile.status), "0");
  EXPECT_EQ(dir.read("x.nwk"), toStdout.out);
}

}  // namespace

namespace {

// The option names a text lists, in order: from the help, the first word
// of every option line; from the README's usage table, the names of every
// row.
std::vector<std::string> optionNames(const std::string& text, bool readme) {
  std::vector<std::string> names;
  std::istringstream lines(text);
  bool inTable = false;
  for (std::string line; std::getline(lines, line);) {
    if (readme) {
      if (line.rfind("| Option |", 0) == 0) inTable = true;
      if (inTable && line.empty()) break;
      if (!inTable || line.rfind("| `-", 0) != 0) continue;
      const std::string cell = line.substr(2, line.find(" | ") - 2);
      for (std::size_t at = cell.find('`'); at != std::string::npos; at = cell.find('`', cell.find('`', at + 1) + 1)) {
        const std::string name = cell.substr(at + 1, cell.find_first_of(" `", at + 1) - at - 1);
        names.push_back(name);
      }
    } else if (line.find_first_not_of(' ') < 8 && line[line.find_first_not_of(' ')] == '-') {
      std::istringstream words(line);
      for (std::string word; words >> word && word[0] == '-';)
        names.push_back(word.back() == ',' ? word.substr(0, word.size() - 1) : word);
    }
  }
  return names;
}

}  // namespace

// Every option of the help is in the README's usage table, in the same
// order, by both names.
TEST(OptionTable, TheHelpAndTheReadmeListTheSameOptions) {
  TempDir dir;
  const std::vector<std::string> help = optionNames(runDlspecies({"-h"}, dir.path()).out, false);
  EXPECT_GT(help.size(), 20U);
  EXPECT_EQ(optionNames(source("README.md"), true), help);
}
