// End-to-end tests of costs under weights far apart: the reported cost is
// the weighted sum of the reported counts, the same as --evaluate gives
// for the tree found; a cost beyond the range of numbers is an error (a
// bootstrap replicate's, that replicate's alone); and the labels of a
// given tree stay on their clades.

#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"
#include "e2e/report_recount.hpp"

using namespace dls;

namespace {

const std::string kNotFinite = "ERROR: the weighted cost is not finite: the weights are too large\n";

// The line of the report that starts with the text.
std::string lineOf(const std::string& report, const std::string& start) {
  const std::size_t at = report.find(start);
  return at == std::string::npos ? std::string() : report.substr(at, report.find('\n', at) - at);
}

struct WeightCase {
  std::string species;  // the given tree (-g 0), or empty
  std::string genes;
  std::vector<std::string> args;
  std::string err;  // the error, or empty: a report to check
  double lossWeight = 1;
};

TEST(ExactCosts, AreTheSumOfTheReportedCountsWhateverTheWeights) {
  TempDir dir;
  const std::string families = runProgram({kDlsim, "-n", "20", "-m", "40", "--seed", "5", "--ordered-names"}).out;
  const std::string three = "((a,b),c);\n";
  const std::vector<WeightCase> table = {
      // A heavy tree beside ordinary ones: its weight cancelled theirs.
      {"", families + "[&WEIGHT=1e18](S001,S002);\n", {}, ""},
      {"", families + "[&WEIGHT=1e300](S001,S002);\n", {}, ""},
      {"", families + "[&WEIGHT=1e-20](S003,(S004,S005));\n", {}, ""},
      {"",
       families + "[&WEIGHT=1e-9](S003,(S004,S005));\n[&WEIGHT=0.7](S001,S002);\n",
       {"--loss-weight", "0.3"},
       "",
       0.3},
      {three, "[&WEIGHT=1e-20](a,(b,c));\n", {"--evaluate"}, ""},
      {three, "[&WEIGHT=1e308](a,(b,c));\n", {}, ""},  // (b,c) is a clade of the tree found
      // Costs beyond the range of numbers.
      {three, "[&WEIGHT=1e308](a,(b,c));\n", {"--evaluate"}, kNotFinite},
      {three, "[&WEIGHT=1e-310](a,(b,c));\n", {"--evaluate", "--loss-weight", "1e308"}, kNotFinite},
  };
  for (const WeightCase& c : table) {
    std::vector<std::string> run = concat({"-q", "--seed", "1", "-t", "2", "-i", "in.nwk"}, c.args);
    if (!c.species.empty()) run = concat(run, {"-g", "0"});
    dir.write("in.nwk", c.species + c.genes);
    const ProcessResult r = runDlspecies(run, dir.path());
    SCOPED_TRACE(c.genes.substr(c.genes.size() - std::min<std::size_t>(c.genes.size(), 60)));
    if (!c.err.empty()) {
      EXPECT_EQ(r.err + std::to_string(r.status), c.err + "1");
      continue;
    }
    ASSERT_EQ(r.status, 0) << r.err;
    const CostWeights weights{1, c.lossWeight};
    EXPECT_TRUE(agreesWithRecount(r.out, c.genes, false, weights));
    // The tree found, scored as it is, costs what the search reported.
    if (c.args == std::vector<std::string>{"--evaluate"}) continue;
    const std::string tree = r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1);
    dir.write("found.nwk", tree + c.genes);
    const std::vector<std::string> evaluate = concat({"-q", "-g", "0", "--evaluate", "-i", "found.nwk"}, c.args);
    const ProcessResult scored = runDlspecies(evaluate, dir.path());
    EXPECT_EQ(lineOf(scored.out, "[Weighted"), lineOf(r.out, "[Weighted")) << scored.err;
  }
}

// A replicate drawing the tree of weight 1e308 twice costs beyond the range
// of numbers: it is left out, with a warning, and the others count.
TEST(ExactCosts, AReplicateBeyondTheRangeFailsAlone) {
  TempDir dir;
  dir.write("in.nwk", "[&WEIGHT=1e308]((A,B),C);\n((A,B),(C,D));\n((A,B),(C,D));\n((A,C),(B,D));\n");
  const ProcessResult r = runDlspecies({"-q", "--seed", "2", "--bootstrap", "8", "-i", "in.nwk"}, dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("left out: its weighted cost is not finite"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find(" replicates of 8 ("), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" left out: cost not finite)]\n"), std::string::npos) << r.out;
}

// The labels of a given tree belong to their clades: after the search they
// stay only where the clade survives.
TEST(GivenTreeLabels, StayOnTheirClades) {
  TempDir dir;
  const std::string genes = "((((Human,Gorilla),Chimp),Macaque),(Dog,Mouse));\n";
  dir.write("in.nwk", "(((((Human,Chimp)100,Gorilla)97,Macaque)88,Mouse)100,Dog);\n" + genes + genes);
  const ProcessResult r = runDlspecies({"-q", "-g", "0", "--seed", "1", "-t", "1", "-i", "in.nwk"}, dir.path());
  EXPECT_EQ(r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1),
            "(((Chimp,(Human,Gorilla))97,Macaque)88,(Dog,Mouse));\n");
}

}  // namespace
