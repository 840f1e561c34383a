// End-to-end tests of input meant to break the program: huge weights,
// comments left open, malformed numbers in weights and options, deep
// nesting, huge multifurcations, files that cannot be read, files of
// another kind (sequences, binaries), labels that give too few species,
// control bytes, outputs named twice. Each gives a right result or its
// exact error, never a crash or a silent loss.

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"

namespace {

struct HostileCase {
  std::vector<std::string> args;
  std::string input;
  std::string err;  // all of standard error
  int status;
  std::string out = "";  // a line that standard output must hold
};

// Ten multifurcation warnings on a line, every second column from 5, then
// the count of those resolved at random when reading ended, and of the
// warnings not shown.
std::string tenWarnings(int line, int more, int resolved = 0) {
  std::string text;
  for (int column = 5; column <= 23; column += 2)
    text +=
        "WARNING: multifurcation detected at line " + std::to_string(line) + " column " + std::to_string(column) + "\n";
  if (resolved > 0) text += resolvedAtRandom(resolved);
  return text + "WARNING: " + std::to_string(more) + " more warnings \"multifurcation detected\" not shown\n";
}

TEST(HostileInput, RightResultOrExactError) {
  const std::string tree = "((A,B),C);\n", valueOf = "ERROR: invalid value of argument ";
  const std::string three = "[&WEIGHT=1e9]((A,B),C);\n[&WEIGHT=1e9]((A,C),B);\n[&WEIGHT=1e9]((B,C),A);\n";
  std::string star = "(";  // of 100,001 children
  for (int i = 0; i < 25000; ++i) star += "A,B,C,D,";
  std::vector<HostileCase> table = {
      // A large weight is a weight like any other; a sum beyond double is an error.
      {{}, three, "", 0, "[Weighted reconciliation cost: 8000000000]"},
      {{},
       three + "[&WEIGHT=1e308]((A,B),C);[&WEIGHT=1e308]((A,C),B);",
       "ERROR: the weighted cost is not finite: the weights are too large\n",
       1},
      {{"--dup-weight", "1e308"}, three, "ERROR: the weighted cost is not finite: the weights are too large\n", 1},
      // A comment open at the end loses nothing silently.
      {{},
       "((A,B),C);((A,C),B);[ note\n((A,B),C);\n((B,C),A);\n((A,C),B);\n",
       "ERROR: unclosed comment starting at line 1 column 21\n",
       1},
      {{}, "[&WEIGHT=2 (A,(B,C));", "ERROR: unclosed comment starting at line 1 column 1\n", 1},
      {{"-g", "0"}, tree + "(A,B)[x", "ERROR: unclosed comment starting at line 2 column 6\n", 1},
      {{"--constraints", "open.txt"},
       tree,
       "ERROR: unclosed comment starting at line 2 column 1 in constraints input\n",
       1},
      // A weight in a nested NEXUS comment ends at its "]".
      {{},
       "#NEXUS\nbegin trees;\n tree t = [note [&WEIGHT=2]] ((A,B),(A,C));\nend;\n",
       "",
       0,
       "[Weighted reconciliation cost: 6]"},
      // Nested constraints and repeated species are named.
      {{"--constraints", "twice.txt"}, tree, "ERROR: species 'A' is listed twice in one constraint\n", 1},
      // Options: whole decimal numbers within range, each option once, unknown ones named.
      {{"--seed", "0x10"}, tree, valueOf + "--seed 0x10 (allowed: 0 to 4294967295)\n", 1},
      {{"--seed", "1e3"}, tree, valueOf + "--seed 1e3 (allowed: 0 to 4294967295)\n", 1},
      {{"--seed=-1"}, tree, valueOf + "--seed -1 (allowed: 0 to 4294967295)\n", 1},
      {{"-g", "0.5"}, tree, valueOf + "-g 0.5 (allowed: 0 or 1)\n", 1},
      {{"-g", "1x"}, tree, valueOf + "-g 1x (allowed: 0 or 1)\n", 1},
      {{"-i", "a", "--input", "b"}, tree, "ERROR: more than one argument --input\n", 1},
      {{"--seed", "4294967295"}, tree, "", 0, "[Species tree]"},
      // Files that cannot be read.
      {{"-i", "sub"}, "", "ERROR: no file in input folder sub (names beginning with \".\" are skipped)\n", 1},
      {{"--constraints", "."}, tree, "ERROR: cannot read .: Is a directory\n", 1},
      {{"-a", "."}, tree, "ERROR: cannot read .: Is a directory\n", 1},
      {{"-i", "/proc/self/mem"}, "", "ERROR: cannot read /proc/self/mem: Input/output error\n", 1},
      // Deep nesting ends with an error or a result; a huge multifurcation
      // with ten warnings and a count of the others.
      {{}, std::string(3000000, '('), "ERROR: unexpected end in the tree expression line 1 column 3000001\n", 1},
      {{"-g", "0"}, "(A,B);" + std::string(1000000, '(') + "B,A" + std::string(1000000, ')') + ";", "", 0, "(A,B);"},
      {{"-g", "0", "--seed", "1"},
       "((A,B),(C,D));\n" + star + "A);",
       tenWarnings(2, 99989, 1),
       0,
       "[Total number of gene duplications + losses: 67608 + 103301 = 170909]"},
  };
  // Malformed weights, of gene trees and of duplications.
  for (const std::string weight : {"2,5", "2 5", "2/5", "2x", "1e5x", "nan", "inf", "0x10", "1e-400", ""}) {
    table.push_back(
        {{}, "[&WEIGHT=" + weight + "]" + tree, "ERROR: bad weight " + weight + " at line 1 column 10\n", 1});
    if (!weight.empty())
      table.push_back({{"--dup-weight=" + weight},
                       tree,
                       valueOf + "--dup-weight " + weight + " (allowed: a decimal number >= 0)\n",
                       1});
  }
  // Files of another kind, by their first bytes, or sequences.
  const std::string notTrees = ", not trees: give gene trees in Newick or NEXUS\n";
  const std::vector<std::pair<std::string, std::string>> kinds = {
      {std::string("\x89PNG\r\n\x1A\n\0\0", 10), "a PNG image"},
      {"\x7F"
       "ELF\x02\x01",
       "an executable (ELF)"},
      {"%PDF-1.7\n", "a PDF document"},
      {"PK\x03\x04", "a ZIP archive"},
      {"BZh91AY&SY", "a bzip2-compressed file"},
      {std::string("\xFD"
                   "7zXZ\0",
                   6),
       "an xz-compressed file"},
      {"\x28\xB5\x2F\xFD", "a zstd-compressed file"},
      {std::string("((A,B),\0C);", 11), "a binary file (it holds NUL bytes)"},
      {"\n  >seq1 human\nACGT\n", "a FASTA file (sequences)"},
  };
  for (const auto& [start, looksLike] : kinds)
    table.push_back({{}, start + tree, "ERROR: the input looks like " + looksLike + notTrees, 1});
  const std::string notMap = ", not a map: give lines \"gene species\" or \"species:gene1,gene2,...\"\n";
  const std::string notGroups =
      ", not constraints: give groups of species names, such as \"Human,Chimp; Mouse,Rat;\"\n";
  const std::string mycoplasma = "((Mycoplasma_gallisepticum_1,Mycoplasma_pneumoniae_2),Mycoplasma_genitalium_3);\n";
  const std::vector<HostileCase> mistakes = {
      {{"-a", "seqs.fa"}, tree, "ERROR: map file seqs.fa looks like a FASTA file (sequences)" + notMap, 1},
      {{"-a", "image.png"}, tree, "ERROR: map file image.png looks like a PNG image" + notMap, 1},
      {{"--constraints", "seqs.fa"},
       tree,
       "ERROR: the constraints file looks like a FASTA file (sequences)" + notGroups,
       1},
      {{"--constraints", "nul.txt"},
       tree,
       "ERROR: the constraints file looks like a binary file (it holds NUL bytes)" + notGroups,
       1},
      // Labels that give fewer than three species by a delimiter or map;
      // without either, one or two species are a run like any other.
      {{"--species-delimiter", "_"},
       mycoplasma,
       "ERROR: the gene labels give 1 species, taken before the first \"_\": \"Mycoplasma_gallisepticum_1\" gives "
       "\"Mycoplasma\", \"Mycoplasma_pneumoniae_2\" gives \"Mycoplasma\"; a species tree needs at least 3\n",
       1},
      {{"-a", "two.map"},
       "((a1,a2),b1);\n(a1,a2);\n",
       "ERROR: the gene labels give 2 distinct species, taken in map file two.map: \"a1\" gives \"A\", \"b1\" gives "
       "\"B\"; a species tree needs at least 3\n",
       1},
      {{}, "((A,A),B);\n", "", 0, "\n(A,B);\n"},
      {{"-g", "0"}, "a;\n(a,a);\n", "", 0, "\na;\n"},  // as a run of one species writes it
      // One gene twice in a tree, when labels name genes (not species).
      {{"--species-delimiter", "_"},
       "((a_1,b_1),c_1);\n((a_1,b_1),\n (c_2,a_1));\n",
       "ERROR: gene label \"a_1\" twice in one gene tree: at line 2 column 3 and line 3 column 7\n",
       1},
      {{}, "((a_1,b_1),(c_1,a_1));\n", "", 0, "[Species tree]"},
      // Control bytes of the input are shown escaped.
      {{"-a", "two.map"},
       "((a1,'a3\x1b[2J'),b1);\n",
       "ERROR: 1 gene label not in map file two.map: \"a3\\x1b[2J\"\n",
       1},
      // Two outputs of one file by different names, new or not.
      {{"-o", "x", "--bootstrap", "2", "--bootstrap-trees", "./x"},
       tree,
       "ERROR: --bootstrap-trees ./x would overwrite the output file\n",
       1},
      {{"-a", "two.map", "-o", "sub/../two.map"},
       tree,
       "ERROR: Output file sub/../two.map would overwrite the map file\n",
       1},
      {{"-o", "x", "--svg", "./x"}, tree, "ERROR: --svg ./x would overwrite the output file\n", 1},
      {{"--svg", "p.svg", "--branch-table", "sub/../p.svg"},
       tree,
       "ERROR: --branch-table sub/../p.svg would overwrite the file of --svg\n",
       1},
      {{"-a", "two.map", "--branch-table", "two.map"},
       tree,
       "ERROR: --branch-table two.map would overwrite the map file\n",
       1},
  };
  table.insert(table.end(), mistakes.begin(), mistakes.end());
  TempDir dir;
  dir.write("twice.txt", "A,A;");
  dir.write("open.txt", "A,B;\n[open");
  dir.write("seqs.fa", ">s1\nACGT\n");
  dir.write("image.png", kinds[0].first + "IHDR");
  dir.write("nul.txt", std::string("A,B;\0", 5));
  dir.write("two.map", "a1 A\na2 A\nb1 B\n");
  ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
  // The count of warnings not shown comes before an error.
  table.push_back({{},
                   "(a,b,c,d,e,f,g,h,i,j,k,l,m,n);\n(a,b",
                   tenWarnings(1, 2) + "ERROR: unexpected end in the tree expression line 2 column 5\n",
                   1});
  for (const HostileCase& c : table) {
    const ProcessResult r = runDlspecies(concat({"-q"}, c.args), dir.path(), c.input);
    const std::string what = ::testing::PrintToString(c.args) + " " + c.input.substr(0, 60);
    EXPECT_EQ(r.status, c.status) << what;
    EXPECT_EQ(r.err, c.err) << what;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << what << "\n" << r.out.substr(0, 300);
  }
  EXPECT_EQ(dir.listing(), "image.png nul.txt open.txt seqs.fa sub twice.txt two.map");
}

// An output named through a chain of symbolic links, l1 -> l2 -> ../b/final,
// is made where the chain ends, the links kept; a loop of links is no
// output; the chain's end named again is the same file.
TEST(HostileInput, OutputsFollowChainsOfLinks) {
  TempDir dir;
  ASSERT_EQ(mkdir(dir.file("a").c_str(), 0755) + mkdir(dir.file("b").c_str(), 0755), 0);
  dir.write("a/in.nwk", "((A,B),C);\n((A,C),B);\n((A,B),C);\n");
  ASSERT_EQ(symlink("l2", dir.file("a/l1").c_str()) + symlink("../b/final", dir.file("a/l2").c_str()) +
                symlink("loop", dir.file("a/loop").c_str()),
            0);
  const std::vector<std::string> run = {"-q", "--seed", "1", "-i", "in.nwk", "-o"};
  const ProcessResult twice =
      runDlspecies(concat(run, {"l1", "--bootstrap", "2", "--bootstrap-trees", "../b/final"}), dir.file("a"));
  EXPECT_EQ(twice.err + std::to_string(twice.status),
            "ERROR: --bootstrap-trees ../b/final would overwrite the output file\n1");
  const ProcessResult loop = runDlspecies(concat(run, {"loop"}), dir.file("a"));
  EXPECT_EQ(loop.err + std::to_string(loop.status), "ERROR: Output file loop not created\n1");
  EXPECT_EQ(dir.listing(), "a b");
  const ProcessResult made = runDlspecies(concat(run, {"l1"}), dir.file("a"));
  EXPECT_EQ(made.err + std::to_string(made.status), "0");
  EXPECT_EQ(dir.read("b/final").substr(0, 14), "[Species tree]");
  struct stat entry {};
  EXPECT_TRUE(lstat(dir.file("a/l1").c_str(), &entry) == 0 && S_ISLNK(entry.st_mode));
  EXPECT_TRUE(lstat(dir.file("a/l2").c_str(), &entry) == 0 && S_ISLNK(entry.st_mode));
}

// Under a file size limit too small for the report (ulimit -f, the signal
// it sends left at its default), the run ends with the usual error and
// leaves the output as it was: a new file not made, an old one kept, one
// of two names (rewritten in place) not cut short.
TEST(HostileInput, AFileSizeLimitLeavesTheOutputAsItWas) {
  TempDir dir;
  dir.write("in.nwk", runProgram({kDlsim, "-n", "12", "-m", "30", "--seed", "3"}).out);
  dir.write("out.txt", "old\n");
  dir.write("twice.txt", "old\n");
  ASSERT_EQ(link(dir.file("twice.txt").c_str(), dir.file("second.txt").c_str()), 0);
  const std::string files = dir.listing();
  for (const std::string out : {"out.txt", "twice.txt", "fresh.txt"}) {
    const ProcessResult r = runProgram(
        {"/bin/sh", "-c", "ulimit -f 1; exec '" + kBinary + "' -q --genetrees -i in.nwk -o " + out}, "", dir.path());
    EXPECT_EQ(r.err + std::to_string(r.status), "ERROR: Output file " + out + " could not be written\n1");
    EXPECT_EQ(dir.listing(), files) << out;
    EXPECT_EQ(dir.read("out.txt") + dir.read("twice.txt") + dir.read("second.txt"), "old\nold\nold\n") << out;
  }
}

}  // namespace
