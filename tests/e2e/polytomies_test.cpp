// End-to-end tests of gene-tree polytomies scored at their cheapest
// refinement: the report's cost and counts are those of the refinements and
// rootings it prints, recounted directly; branches of weak support are
// contracted first; binary gene trees give what they give without; and the
// result is the same for any number of threads.

#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"
#include "e2e/report_recount.hpp"

using namespace dls;

namespace {

// Gene trees of six species with written polytomies, support labels (0-1
// and 0-100) and branch lengths, rooted and unrooted, multi-copy, weighted.
const std::string kGenes =
    "((A:0.1,B:0.2)0.95:0.1,(C,D)0.3,E,F);\n"
    "[&U]((A,C)0.2,(B,D)0.9,(E,F)0.4);\n"
    "[&WEIGHT=2](((A,A,B)80,(C,E)35)100,(D,F)12);\n"
    "[&U](A,B,C,D,E,F);\n"
    "((((A,B)0.6,C)0.1,D)0.7,(E,(F,F)0.99)0.45);\n"
    "[&U](((A,B),(C,D)),((E,F),(A,E)));\n";

// The report's gene trees, as printed: the refinements and rootings used.
std::string printedGeneTrees(const std::string& report) { return report.substr(report.find("[Gene trees]")); }

TEST(Polytomies, RefinedCostsAreThoseOfThePrintedRefinements) {
  TempDir dir;
  dir.write("in.nwk", kGenes);
  const struct {
    std::vector<std::string> options;
    bool limit;
    double lossWeight;
  } runs[] = {
      {{"--polytomies", "refine"}, false, 1},
      {{"--min-support", "0.5"}, false, 1},
      {{"--min-support", "50", "--limit"}, true, 1},
      {{"--polytomies", "refine", "--loss-weight", "0.5", "--rounds", "2"}, false, 0.5},
  };
  for (const auto& [options, limit, lossWeight] : runs) {
    const std::vector<std::string> run = concat({"-q", "--seed", "3", "-i", "in.nwk", "--genetrees"}, options);
    const ProcessResult one = runDlspecies(concat(run, {"-t", "1"}), dir.path());
    ASSERT_EQ(one.status, 0) << one.err;
    const CostWeights weights{1, lossWeight};
    EXPECT_TRUE(agreesWithRecount(one.out, printedGeneTrees(one.out), limit, weights)) << options[0];
    EXPECT_EQ(runDlspecies(concat(run, {"-t", "3"}), dir.path()).out, one.out) << options[0];
    // Scored as it is with the same options, the tree found costs the same.
    const std::string tree = one.out.substr(one.out.find("\n(") + 1);
    dir.write("given.nwk", tree.substr(0, tree.find('\n') + 1) + kGenes);
    std::vector<std::string> scoring = options;
    if (scoring.back() == "2") scoring.resize(scoring.size() - 2);  // --rounds: no search to repeat
    const ProcessResult scored =
        runDlspecies(concat({"-q", "--seed", "3", "-g", "0", "--evaluate", "-i", "given.nwk"}, scoring), dir.path());
    EXPECT_EQ(scored.out.substr(0, scored.out.find("\n(")), one.out.substr(0, one.out.find("\n(")));
  }
}

// Binary gene trees have nothing to refine: the same report either way.
TEST(Polytomies, BinaryGeneTreesGiveTheSameReport) {
  TempDir dir;
  dir.write("in.nwk", runProgram({kDlsim, "-n", "12", "-m", "30", "--seed", "4", "--unrooted", "0.5"}).out);
  const std::vector<std::string> run = {"-q", "--seed", "2", "-i", "in.nwk", "--genetrees"};
  EXPECT_EQ(runDlspecies(concat(run, {"--polytomies", "refine"}), dir.path()).out, runDlspecies(run, dir.path()).out);
}

// Contracted branches: only labels below the threshold count, compared as
// written; a polytomy left by them is refined, not resolved at random.
TEST(Polytomies, WeakBranchesAreContracted) {
  TempDir dir;
  dir.write("in.nwk", "((A,B)0.4,(C,D)0.6);\n((A,C)40,(B,D)60);\n((A,B)x,(C,D));\n");
  const ProcessResult r =
      runDlspecies({"--seed", "1", "-i", "in.nwk", "--min-support", "0.5", "--genetrees"}, dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("WARNING"), std::string::npos) << r.err;
  const ProcessResult wrong =
      runDlspecies({"-i", "in.nwk", "--min-support", "1", "--polytomies", "random"}, dir.path());
  EXPECT_EQ(wrong.err.substr(wrong.err.find("ERROR")) + std::to_string(wrong.status),
            "ERROR: --min-support needs --polytomies refine: contracted branches leave polytomies to refine\n1");
}

}  // namespace
