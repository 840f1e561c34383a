// Golden reports: fixed seeds on small generated inputs (and the bundled
// example), whose exact reports are stored in tests/golden. Any change of a
// result, also one that an optimisation was not meant to make, shows here.
// Each stored report's cost is also checked against a direct recount, so a
// golden file cannot hold a wrong result unnoticed.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"
#include "e2e/report_recount.hpp"

namespace {

struct GoldenCase {
  std::string report;  // tests/golden/<report>.out
  std::string input;   // relative to the source directory
  std::vector<std::string> args;
  bool limitLosses;
};

// The inputs come from dlsim (see tests/golden/README.md).
const std::vector<GoldenCase> kCases = {
    {"sim12_default", "tests/golden/sim12.nwk", {"--seed", "5", "--genetrees"}, false},
    {"sim12_default_limit", "tests/golden/sim12.nwk", {"--seed", "5", "--genetrees", "--limit"}, true},
    {"sim12_given_species_tree", "tests/golden/sim12_species.nwk", {"-g", "0", "--seed", "5", "--genetrees"}, false},
    {"sim20_default_nexus", "tests/golden/sim20.nwk", {"--seed", "9", "--genetrees", "--oformat", "nexus"}, false},
    {"sim20_default_seed10", "tests/golden/sim20.nwk", {"--seed", "10"}, false},
    {"sim20_given_species_tree_limit", "tests/golden/sim20_species.nwk", {"-g", "0", "--seed", "9", "--limit"}, true},
    {"sim12_caterpillar_start", "tests/golden/sim12_caterpillar.nwk", {"-g", "0", "--seed", "3", "--genetrees"}, false},
    {"example_default", "examples/genetrees.nwk", {"--seed", "1", "--genetrees"}, false},
};

// The report of the species tree alone, up to the end of its tree line,
// with a NEXUS tree line ("tree NAME = ...") reduced to its Newick text.
std::string speciesReport(const std::string& report) {
  const std::size_t totals = report.find("[Total number of gene duplications + losses: ");
  if (totals == std::string::npos) return report;
  const std::size_t treeStart = report.find('\n', totals) + 1;
  const std::size_t treeEnd = report.find('\n', treeStart);
  std::string tree = report.substr(treeStart, treeEnd == std::string::npos ? std::string::npos : treeEnd - treeStart);
  if (tree.rfind("tree ", 0) == 0) tree = tree.substr(tree.find("= ") + 2);
  return report.substr(0, treeStart) + tree + "\n";
}

TEST(Golden, ReportsAreUnchanged) {
  TempDir dir;
  for (const GoldenCase& c : kCases) {
    SCOPED_TRACE(c.report);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-q", "-i", kSourceDir + "/" + c.input, "-o", "out.txt"});
    const ProcessResult r = runDlspecies(args, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    const std::string expected = readFile(kSourceDir + "/tests/golden/" + c.report + ".out");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(dir.read("out.txt"), expected);
  }
}

TEST(Golden, StoredCostsAgreeWithARecount) {
  for (const GoldenCase& c : kCases) {
    SCOPED_TRACE(c.report);
    std::string input = readFile(kSourceDir + "/" + c.input);
    // With -g 0 the first tree of the input is the species tree, not a gene tree.
    if (c.args[0] == "-g") input = input.substr(input.find(';') + 1);
    EXPECT_TRUE(agreesWithRecount(speciesReport(readFile(kSourceDir + "/tests/golden/" + c.report + ".out")), input,
                                  c.limitLosses));
  }
}

}  // namespace
