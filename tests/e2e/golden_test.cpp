// Golden reports: fixed seeds on small dlsim inputs and on the bundled
// example (see tests/golden/README.md), compared byte for byte. Each stored
// report is recounted directly, so that a golden file cannot hold a wrong
// result unnoticed.

#include <algorithm>
#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"
#include "e2e/report_recount.hpp"

using namespace dls;

namespace {

TEST(Golden, ReportsAreUnchangedAndRecounted) {
  struct Case {
    std::string report, input;
    std::vector<std::string> args;
  };
  const std::vector<Case> table = {
      {"sim12_default", "sim12.nwk", {"--seed", "5", "--genetrees"}},
      {"sim12_default_limit", "sim12.nwk", {"--seed", "5", "--genetrees", "--limit"}},
      {"sim12_given_species_tree", "sim12_species.nwk", {"-g", "0", "--seed", "5", "--genetrees"}},
      {"sim20_default_nexus", "sim20.nwk", {"--seed", "9", "--genetrees", "--oformat", "nexus"}},
      {"sim20_default_seed10", "sim20.nwk", {"--seed", "10"}},
      {"sim20_given_species_tree_limit", "sim20_species.nwk", {"-g", "0", "--seed", "9", "--limit"}},
      {"sim12_caterpillar_start", "sim12_caterpillar.nwk", {"-g", "0", "--seed", "3", "--genetrees"}},
      {"example_default", "../../examples/genetrees.nwk", {"--seed", "1", "--genetrees"}},
      // Weights that binary fractions do not hold: the order of the sums shows.
      {"sim12_decimal_default", "sim12_decimal.nwk", {"--seed", "4", "--genetrees"}},
      {"sim12_decimal_groups",
       "sim12_decimal.nwk",
       {"--seed", "6", "--genetrees", "--constraints", kSourceDir + "/tests/golden/sim12_groups.txt"}},
      {"sim12_decimal_marked", "sim12_decimal_marked.nwk", {"-g", "0", "--seed", "3", "--genetrees"}},
  };
  TempDir dir;
  for (const Case& c : table) {
    const std::string input = kSourceDir + "/tests/golden/" + c.input;
    const ProcessResult r = runDlspecies(concat(c.args, {"-q", "-i", input, "-o", "out.txt"}), dir.path());
    EXPECT_EQ(r.out + r.err + std::to_string(r.status), "0") << c.report;
    const std::string expected = source("tests/golden/" + c.report + ".out");
    EXPECT_EQ(dir.read("out.txt"), expected) << c.report;
    std::string genes = readFile(input);
    if (c.args[0] == "-g") genes = genes.substr(genes.find(';') + 1);  // without the species tree
    const bool limit = std::find(c.args.begin(), c.args.end(), "--limit") != c.args.end();
    EXPECT_TRUE(agreesWithRecount(expected, genes, limit)) << c.report;
  }
}

// All a run writes: its progress lines on standard error, then the report
// on standard output. The sim14 searches move mostly unrooted gene trees
// under every rooting, and take the outcome of such cycles from the pass
// of the cycle before (with weights that sum exactly and with decimal
// ones), once with that cycle improving at fixed rootings after all.
TEST(Golden, StandardOutputIsUnchanged) {
  for (const char* name : {"sim12_decimal", "sim14_unrooted", "sim14_unrooted_decimal"}) {
    TempDir dir;
    const std::string input = "tests/golden/" + std::string(name);
    const ProcessResult r = runDlspecies({"--seed", "4"}, dir.path(), source(input + ".nwk"));
    EXPECT_EQ(r.status, 0) << name;
    EXPECT_EQ(r.out.rfind("[Species tree]\n", 0), 0U) << name;
    EXPECT_EQ(withoutTime(r.err) + r.out, source(input + "_default.stdout")) << name;
  }
}

// Gene trees are listed in input order, numbered by position, with their
// weight when it is not 1.
TEST(Golden, GeneTreesFollowTheInputOrder) {
  TempDir dir;
  const std::string out = runDlspecies({"-q", "-g", "0", "--seed", "1", "--genetrees"}, dir.path(),
                                       "((A,B),C);\n[&U]((A,B),C);\n[&WEIGHT=2.5]((A,C),B);\n[&U](A,(B,C));\n(A,B);\n")
                              .out;
  std::string headers;
  for (std::size_t at = out.find("\n[Rooted"); at != std::string::npos; at = out.find("\n[Rooted", at + 1))
    headers += out.substr(at + 1, out.find(']', at) - at);
  EXPECT_EQ(headers,
            "[Rooted gene tree 1 (unrooted in input)][Rooted gene tree 2][Rooted gene tree 3 (unrooted in input)]"
            "[Rooted gene tree 4]");
  EXPECT_NE(out.find("[Rooted gene tree 2]\n[Size: 5 nodes 3 leaves]\n[&WEIGHT=2.5]\n"), std::string::npos) << out;
}

}  // namespace
