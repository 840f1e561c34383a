// End-to-end tests of the input formats that other programs write: labels
// of any printable character, supports and branch lengths, byte-order marks
// and CRLF, NEXUS, gene-to-species maps and delimiters, unrooted input. Each
// input must give the report of the same trees written as plain Newick over
// species names.

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"
#include "e2e/report_recount.hpp"

using namespace dls;

namespace {

// The report: standard output from "[Species tree]" on.
std::string reportOf(const ProcessResult& r) {
  const std::size_t at = r.out.find("[Species tree]");
  return at == std::string::npos ? "no report: " + r.err : r.out.substr(at);
}

// The text with every "_g" and the digits after it taken out: gene labels
// "S001_g3" become species names.
std::string speciesOnly(std::string text) {
  for (std::size_t at = text.find("_g"); at != std::string::npos; at = text.find("_g", at))
    text.erase(at, text.find_first_not_of("0123456789", at + 2) - at);
  return text;
}

struct FormatCase {
  std::string name, input;
  std::vector<std::string> args;
  std::string plain;  // the same trees as plain Newick over species names
  std::vector<std::pair<std::string, std::string>> files = {};
};

const char* const kNexus =
    "#NEXUS\n[written by hand]\nBEGIN TAXA;\n  DIMENSIONS NTAX=4;\n  TAXLABELS A B C 'D d';\nEND;\n"
    "begin trees;\n [a [nested; comment] with tree x = (A,B);]\n  translate\n    1 A,\n    2 B,\n    3 C,\n    4 'D "
    "d'\n  ;\n"
    "  tree one = [&U] ((1:0.1,2:0.2)0.9:0.3,(3,4));\n  tree * 'two=;' [&R] = [&WEIGHT=2] ((1,3),(2,4));\n"
    "  utree three=((1,4),2,3);\nend;\n";
const char* const kNexusPlain = "[&U]((A,B),(C,'D d'));\n[&WEIGHT=2]((A,C),(B,'D d'));\n[&U]((A,'D d'),B,C);\n";

// Unrooted trees as maximum-likelihood programs write them.
const char* const kThreeWay = "((A,B),C,(D,E));\n(A,(B,C),D);\n((A,E),(B,D));\n";

TEST(InputFormats, ReadLikeTheirPlainNewickForm) {
  const std::vector<FormatCase> table = {
      {"labels, supports, lengths",
       "((Phoebe-hunanensis,ENSP00000354587.3)0.95:0.1,Hsap|gene1:2.08e-06);\n"
       "((Phoebe-hunanensis:1E-3,Hsap|gene1)99.3/100:.01,(ENSP00000354587.3:5.,x+y#z@w*=v/1));\n"
       "((x+y#z@w*=v/1,'O''Brien')100,(\"O''Brien\",a!$%&~?<>{}^`\\b));\n",
       {},
       "(('Phoebe-hunanensis','ENSP00000354587.3'),'Hsap|gene1');\n"
       "(('Phoebe-hunanensis','Hsap|gene1'),('ENSP00000354587.3','x+y#z@w*=v/1'));\n"
       "(('x+y#z@w*=v/1',\"O''Brien\"),(\"O''Brien\",'a!$%&~?<>{}^`\\b'));\n"},
      {"byte-order mark and CRLF", "\xEF\xBB\xBF((A,B),C);\r\n((A,C),(B,D));\r\n", {}, "((A,B),C);\n((A,C),(B,D));\n"},
      {"NEXUS with TRANSLATE", kNexus, {}, kNexusPlain},
      {"NEXUS read back as a start tree",
       "#nexus\nbegin data; format missing=';'; matrix 'x;y' A; end;\nbegin trees;\n[Species tree]\n"
       "tree speciestree1 = ((A,B),(C,D));\nend;\nBegin Trees;\nTree genetree1 = ((A,C),(B,D));\n"
       "tree genetree2 = ((A,D),B);\nENDBLOCK;\n",
       {"-g", "0"},
       "((A,B),(C,D));\n((A,C),(B,D));\n((A,D),B);\n"},
      {"--unrooted",
       "((A,B),(C,D));\n[&R]((A,C),(B,D));\n((A,D),(B,C));\n",
       {"--unrooted"},
       "[&U]((A,B),(C,D));\n((A,C),(B,D));\n[&U]((A,D),(B,C));\n"},
      {"three-way roots", kThreeWay, {}, "[&U]((A,B),C,(D,E));\n[&U](A,(B,C),D);\n((A,E),(B,D));\n"},
      {"--rooted", kThreeWay, {"--rooted"}, "[&R]((A,B),C,(D,E));\n[&R](A,(B,C),D);\n((A,E),(B,D));\n"},
      {"delimiter, last field",
       "((g1|A,g2|B),g3|C);\n((g4|A,g5|C),(g6|B,g7|D));\n",
       {"--species-delimiter", "|", "--species-field", "last"},
       "((A,B),C);\n((A,C),(B,D));\n"},
      {"map of gene and species lines",
       "((a1,b1),c1);\n((a2,c.1),(b2,d1));\n",
       {"-a", "map"},
       "((A,B),C);\n((A,C),(B,D));\n",
       {{"map", "\xEF\xBB\xBF# gene species\na1 A\nb1\tB\n\nc1   C\r\na2 A\nc.1 C\nb2 B\nd1 D\na1 A\nunused X\n"}}},
  };
  TempDir dir;
  for (const FormatCase& c : table) {
    for (const auto& [name, text] : c.files) dir.write(name, text);
    const std::vector<std::string> seed = {"-q", "--seed", "4"};
    const ProcessResult r = runDlspecies(concat(seed, c.args), dir.path(), c.input);
    const ProcessResult plain = runDlspecies(
        concat(seed, !c.args.empty() && c.args[0] == "-g" ? c.args : std::vector<std::string>{}), dir.path(), c.plain);
    EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
    EXPECT_EQ(reportOf(r), reportOf(plain)) << c.name;
  }
}

// Gene labels and a map from the generator, in each layout, or the
// species taken from the labels: the same result as over species names, the
// costs those of a direct recount, and gene trees written with their labels.
TEST(InputFormats, GeneLabelsWithAMapGiveTheResultOfSpeciesLabels) {
  TempDir dir;
  const std::vector<std::string> data = {kDlsim, "-n",         "12",  "-m",         "60", "--seed",
                                         "5",    "--unrooted", "0.3", "--weighted", "0.3"};
  const auto generate = [&](const std::vector<std::string>& more) { runProgram(concat(data, more), "", dir.path()); };
  generate({"-o", "plain.nwk"});
  for (const std::string layout : {"pairs", "comma", "semicolon"})
    generate({"-o", "genes.nwk", "--map", layout + ".map", "--map-format", layout});
  const std::string plainInput = dir.read("plain.nwk");
  const std::vector<std::string> run = {"-q", "--seed", "2", "--genetrees"};
  const std::string expected = reportOf(runDlspecies(concat(run, {"-i", "plain.nwk"}), dir.path()));
  ASSERT_TRUE(agreesWithRecount(expected, plainInput));
  for (const std::vector<std::string>& species : std::vector<std::vector<std::string>>{
           {"-a", "pairs.map"}, {"--map", "comma.map"}, {"--map=semicolon.map"}, {"--species-delimiter", "_"}}) {
    const std::string report = reportOf(runDlspecies(concat(concat(run, species), {"-i", "genes.nwk"}), dir.path()));
    EXPECT_TRUE(agreesWithRecount(report, plainInput)) << species[0];
    EXPECT_NE(report.find("S001_g"), std::string::npos) << species[0];
    EXPECT_EQ(speciesOnly(report), expected) << species[0];
  }
  // The program's own output read back whole as start tree and weighted
  // gene trees, and the tree form in front of the input: the same cost.
  const std::string cost = expected.substr(0, expected.find("\n(")),
                    count = std::to_string(inputTrees(plainInput).size());
  for (const std::string format : {"nexus", "newick", "tree"}) {
    const bool tree = format == "tree";
    const std::vector<std::string> output = {"-i", "plain.nwk", "--oformat", format, "-o", "out.txt"};
    runDlspecies(concat(tree ? std::vector<std::string>{"-q", "--seed", "2"} : run, output), dir.path());
    const ProcessResult back =
        runDlspecies({"--seed", "2", "-g", "0"}, dir.path(), dir.read("out.txt") + (tree ? plainInput : ""));
    EXPECT_TRUE(tree || back.err.find("\n" + count + " rooted and 0 unrooted") != std::string::npos) << back.err;
    EXPECT_EQ(reportOf(back).substr(0, cost.size()), cost) << format;
    EXPECT_EQ(back.err.find("WARNING") + back.status, std::string::npos) << back.err;
  }
}

#ifdef DLS_ZLIB
constexpr bool kZlib = true;
#else
constexpr bool kZlib = false;
#endif

std::string gzip(const std::string& text) { return runProgram({"/bin/gzip", "-c", "-n"}, text).out; }

// Gene trees split over files (in a folder, a list, a families file whose
// families have maps of their own genes; every other file gzip-compressed)
// give the report of the files' concatenation with the one map.
TEST(InputFormats, ManyFilesGiveTheReportOfTheirConcatenation) {
  TempDir dir;
  runProgram({kDlsim, "-n", "9", "-m", "13", "--seed", "8", "--unrooted", "0.3", "--weighted", "0.3", "--species-tree",
              "--map", "genes.map", "-o", "all.nwk"},
             "", dir.path());
  for (const char* folder : {"genes", "maps", "lists"}) std::filesystem::create_directory(dir.file(folder));
  std::istringstream lines(dir.read("all.nwk"));
  std::string list = "# two trees a file\n", families = "[FAMILIES]\n";
  for (int k = 0; lines.peek() != EOF; ++k) {
    std::string trees, line;
    for (int i = 0; i < 2 && std::getline(lines, line); ++i) trees += line + "\n";
    const bool compressed = k % 2 == 1 && kZlib;
    const std::string name = "f0" + std::to_string(k) + (compressed ? ".nwk.gz" : ".nwk");
    dir.write("genes/" + name, compressed ? gzip(trees) : trees);
    std::istringstream map(dir.read("genes.map"));
    std::string own;
    for (std::string pair; std::getline(map, pair);) {
      const std::string gene = pair.substr(0, pair.find(' '));
      if (trees.find(gene + ",") != std::string::npos || trees.find(gene + ")") != std::string::npos)
        own += pair + "\n";
    }
    dir.write("maps/" + name, own);
    list += "\n../genes/" + name + "\n";
    families += "- family " + std::to_string(k) + "\nstarting_gene_tree = genes/" + name +
                "\nalignment = none.fasta\nmapping = maps/" + name + "\n";
  }
  dir.write("lists/trees.txt", list);
  dir.write("families.txt", kZlib ? gzip(families) : families);
  const std::vector<std::string> run = {"-q", "--seed", "5", "-g", "0", "--genetrees"};
  const std::string expected = runDlspecies(concat(run, {"-i", "all.nwk", "-a", "genes.map"}), dir.path()).out;
  ASSERT_NE(expected.find("[Gene trees]"), std::string::npos);
  for (const std::vector<std::string>& input :
       std::vector<std::vector<std::string>>{{"--families", "families.txt"},
                                             {"-i", "genes", "-a", "genes.map"},
                                             {"--input-list", "lists/trees.txt", "-a", "genes.map"}}) {
    const ProcessResult r = runDlspecies(concat(run, input), dir.path());
    EXPECT_EQ(r.err + std::to_string(r.status), "0") << input[0];
    EXPECT_TRUE(r.out == expected) << input[0];
  }
}

TEST(InputFormats, BadFilesGiveExactErrors) {
  struct ErrorCase {
    std::string input;
    std::vector<std::string> args;
    std::string error;
  };
  const std::string trees = "((a1,b1),c1);\n((a2,c2),(b2,d1));\n";
  const std::string nexus = "#NEXUS\nbegin trees;\n";
  const std::vector<ErrorCase> table = {
      {trees, {"-a", "conflict"}, "gene \"b1\" mapped to species \"B\" and \"C\" in map file conflict line 3"},
      {trees, {"-a", "pairs"}, "expected \"gene species\" in map file pairs line 2"},
      {trees, {"-a", "lists"}, "expected \"species:gene1,gene2,...\" in map file lists line 2"},
      {trees,
       {"-a", "partial"},
       "6 gene labels not in map file partial: \"b1\", \"c1\", \"a2\", \"c2\", \"b2\" and 1 more"},
      {trees, {"-a", "lists.ok"}, "1 gene label not in map file lists.ok: \"d1\""},
      {trees, {"-a", "none"}, "map file none not found"},
      {"((A_1,B_2),_3);\n(C-4,D_5_x);",
       {"--species-delimiter", "_"},
       "2 gene labels without a species before the first \"_\": \"_3\", \"C-4\""},
      {"((1_A,2_B),3_);",
       {"--species-delimiter=_", "--species-field=last"},
       "1 gene label without a species after the last \"_\": \"3_\""},
      {trees,
       {"--species-delimiter", "_", "--species-field", "middle"},
       "--species-field has a wrong argument: first or last"},
      {trees, {"--species-field", "last"}, "--species-field needs --species-delimiter"},
      {trees, {"--species-delimiter", "__"}, "--species-delimiter needs a single character"},
      {trees, {"-a", "lists.ok", "--species-delimiter", "_"}, "--map and --species-delimiter exclude each other"},
      {"#NEX\n(A,B);", {}, "problem in the tree expression line 1 column 2 #this"},
      {nexus + "tree x ((A,B),C);\nend;", {}, "missing '=' in NEXUS tree statement line 3 column 17"},
      {nexus + "tree x", {}, "unexpected end in NEXUS tree statement line 3 column 7"},
      {nexus + "tree x = ((A,B),C)\nend;", {}, "missing ';' in tree expression line 4 column 1"},
      {nexus + "tree x = [&U]", {}, "unexpected end in the tree expression line 3 column 14"},
      {nexus + "translate 1 A 2 B;", {}, "expected ',' or ';' in NEXUS TRANSLATE command line 3 column 15"},
      {nexus + "translate 1 A, 2 ;", {}, "missing label in NEXUS TRANSLATE command line 3 column 18"},
      {nexus + "end;\n", {}, "missing input for gene trees line 3 column 5"},
      // Many files: the file named, with its place; each family's map for its own trees.
      {"", {"--input-list", "many/list"}, "input file many/none.nwk not found (input list many/list line 3)"},
      {"", {"-i", "many"}, "missing ')' in input tree expression line 2 column 13 of many/b.nwk"},
      {"", {"--families", "fam"}, "family two in families file fam line 5 has no starting_gene_tree"},
      {"",
       {"--families", "fam.twice"},
       "family one in families file fam.twice line 4 is listed before, line 2: its trees would count twice"},
      {"", {"--input-list", "many/folders"}, "cannot read many/.: Is a directory (input list many/folders line 1)"},
      {"", {"--families", "fam.maps"}, "3 gene labels not in map file partial: \"a2\", \"b2\", \"c2\""},
      {"",
       {"-i", "many", "--families", "fam"},
       "-i, --input-list and --families exclude each other: give the trees by one of them"},
  };
  TempDir dir;
  dir.write("conflict", "a1 A\nb1 B\nb1 C\n");
  dir.write("pairs", "a1 A\nb1 B C\n");
  dir.write("lists", "A:a1,a2\nB b1\n");
  dir.write("partial", "a1 A\n");
  dir.write("lists.ok", "A: a1, a2;\nB:b1;b2\nC:c1,c2\n");
  std::filesystem::create_directory(dir.file("many"));
  dir.write("many/a.nwk", "((a1,b1),c1);\n");
  dir.write("many/b.nwk", "((a2,b2),c2);\n((A,D),(B,C);\n");
  dir.write("many/c.nwk", "((a2,b2),c2);\n");
  dir.write("many/list", "a.nwk\n\nnone.nwk\n");
  dir.write("fam", "[FAMILIES]\n- one\nstarting_gene_tree = many/a.nwk\n\n- two\nmapping = lists.ok\n");
  dir.write("fam.twice",
            "[FAMILIES]\n- one\nstarting_gene_tree = many/a.nwk\n- one\nstarting_gene_tree = many/c.nwk\n");
  dir.write("many/folders", ".\n");
  dir.write("fam.maps",
            "[FAMILIES]\n- one\nstarting_gene_tree = many/a.nwk\nmapping = lists.ok\n- two\n"
            "starting_gene_tree = many/c.nwk\nmapping = partial\n");
  for (const ErrorCase& c : table) {
    const ProcessResult r = runDlspecies(concat({"-q"}, c.args), dir.path(), c.input);
    EXPECT_EQ(r.err + std::to_string(r.status), "ERROR: " + c.error + "\n1") << c.input;
  }
}

}  // namespace
