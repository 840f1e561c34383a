// The report's text, line by line, in both notations.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "driver/globals.hpp"
#include "report/report.hpp"
#include "tree/input.hpp"

namespace {

const std::string kSpecies = "((a,b),c);";
const std::string kRooted = "((a,c),b);(a,b);";  // 1 + 3 and 0 + 0
const std::string kUnrooted = "[&U]((a,c),b);";  // cheapest on the edge above c: 0 + 0

std::string lines(const std::vector<std::string>& all) {
  std::string text;
  for (const std::string& line : all) text += line + "\n";
  return text;
}

const std::string kRootedSection = lines({
    "[Rooted gene tree 1]", "[Size: 5 nodes 3 leaves]", "[Gene duplications + Losses: 1 + 3 = 4]", "((a,c),b);", "",
    "[Rooted gene tree 2]", "[Size: 3 nodes 2 leaves]", "[Gene duplications + Losses: 0 + 0 = 0]", "(a,b);", ""});

struct TextCase {
  std::string what;
  std::string input;
  float weightedCost;
  bool reroot, withGeneTrees, withCosts;
  Format format;
  std::string expected;
};

TEST(ReportText, LineByLine) {
  quiet = true;
  const std::string speciesHead = lines({"[Species tree]", "[Size: 5 nodes 3 leaves]"});
  const std::vector<TextCase> cases = {
      {"newick, species tree only", kSpecies + kRooted + kUnrooted, 12.5F, true, false, true, NEWICK,
       speciesHead + lines({"[Weighted reconciliation cost: 12.5]",
                            "[Total number of gene duplications + losses: 1 + 3 = 4]", "((a,b),c);"})},
      {"nexus, species tree only", kSpecies + kRooted, 3.0F, true, false, true, NEXUS,
       "begin trees;\n" + speciesHead +
           lines({"[Weighted reconciliation cost: 3]", "[Total number of gene duplications + losses: 1 + 3 = 4]",
                  "tree speciestree4 = ((a,b),c);", "end;"})},
      {"large cost in six digits", kSpecies + kRooted, 1234567.0F, true, false, true, NEWICK,
       speciesHead + lines({"[Weighted reconciliation cost: 1.23457e+06]",
                            "[Total number of gene duplications + losses: 1 + 3 = 4]", "((a,b),c);"})},
      {"without costs", kSpecies + kRooted, 4.0F, true, false, false, NEWICK, speciesHead + "((a,b),c);\n"},
      {"newick, mixed gene trees", kSpecies + kUnrooted + kRooted, 4.0F, true, true, true, NEWICK,
       speciesHead +
           lines({"[Weighted reconciliation cost: 4]", "[Total number of gene duplications + losses: 1 + 3 = 4]",
                  "((a,b),c);", "", "[Gene trees]"}) +
           kRootedSection +
           lines({"[Rooted gene tree 3 (unrooted in input)]", "[Size: 5 nodes 3 leaves]",
                  "[Gene duplications + Losses: 0 + 0 = 0]", "((b,a),c);"})},
      {"nexus, mixed gene trees", kSpecies + kRooted + kUnrooted, 4.0F, true, true, true, NEXUS,
       "begin trees;\n" + speciesHead +
           lines({"[Weighted reconciliation cost: 4]", "[Total number of gene duplications + losses: 1 + 3 = 4]",
                  "tree speciestree4 = ((a,b),c);", "end;", "", "[Gene trees]", "begin trees;",
                  "[Rooted gene tree 1]", "[Size: 5 nodes 3 leaves]", "[Gene duplications + Losses: 1 + 3 = 4]",
                  "tree genetree1 = ((a,c),b);", "", "[Rooted gene tree 2]", "[Size: 3 nodes 2 leaves]",
                  "[Gene duplications + Losses: 0 + 0 = 0]", "tree genetree2 = (a,b);", "",
                  "[Rooted gene tree 3 (unrooted in input)]", "[Size: 5 nodes 3 leaves]",
                  "[Gene duplications + Losses: 0 + 0 = 0]", "tree genetree3 = ((b,a),c);", "end;"})},
      {"rooted only: the section ends with an empty line", kSpecies + kRooted, 4.0F, true, true, true, NEWICK,
       speciesHead +
           lines({"[Weighted reconciliation cost: 4]", "[Total number of gene duplications + losses: 1 + 3 = 4]",
                  "((a,b),c);", "", "[Gene trees]"}) +
           kRootedSection},
      {"unrooted only: numbered from 1, empty line between", kSpecies + kUnrooted + "[&U](a,c);", 1.0F, true, true,
       true, NEWICK,
       speciesHead +
           lines({"[Weighted reconciliation cost: 1]", "[Total number of gene duplications + losses: 0 + 1 = 1]",
                  "((a,b),c);", "", "[Gene trees]", "[Rooted gene tree 1 (unrooted in input)]",
                  "[Size: 5 nodes 3 leaves]", "[Gene duplications + Losses: 0 + 0 = 0]", "((b,a),c);", "",
                  "[Rooted gene tree 2 (unrooted in input)]", "[Size: 3 nodes 2 leaves]",
                  "[Gene duplications + Losses: 0 + 1 = 1]", "(a,c);"})},
      {"without rerooting: input rooting, no label", kSpecies + kUnrooted, 4.0F, false, true, true, NEWICK,
       speciesHead +
           lines({"[Weighted reconciliation cost: 4]", "[Total number of gene duplications + losses: 1 + 3 = 4]",
                  "((a,b),c);", "", "[Gene trees]", "[Rooted gene tree 1]", "[Size: 5 nodes 3 leaves]",
                  "[Gene duplications + Losses: 1 + 3 = 4]", "((a,c),b);"})},
      {"gene trees without costs", kSpecies + "(a,(b,c));", 0.0F, true, true, false, NEWICK,
       speciesHead + lines({"((a,b),c);", "", "[Gene trees]", "[Rooted gene tree 1]", "[Size: 5 nodes 3 leaves]",
                            "(a,(b,c));", ""})},
  };
  for (const TextCase& c : cases) {
    WEIGHTED_RECON_COST = c.weightedCost;
    std::istringstream stream(c.input);
    Input in(stream);
    genedupreport::Report report;
    report.readTrees(in);
    std::ostringstream out;
    report.createReportInComment(out, c.reroot, 4, c.withGeneTrees, c.withCosts, c.format);
    EXPECT_EQ(out.str(), c.expected) << c.what;
  }
  WEIGHTED_RECON_COST = 0;
}

TEST(ReportText, UncoveredSpeciesIsWarnedAndLeftOut) {
  quiet = true;
  std::istringstream stream("(((a,b),c),(d,e));((a,b),d);");
  Input in(stream);
  genedupreport::Report report;
  report.readTrees(in);
  std::ostringstream out;
  testing::internal::CaptureStderr();
  report.createReportInComment(out, true, 1, false, false, NEWICK);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "WARNING: species \"c\" is not covered by any gene tree - species ignored\n"
            "WARNING: species \"e\" is not covered by any gene tree - species ignored\n");
  EXPECT_EQ(out.str(), "[Species tree]\n[Size: 5 nodes 3 leaves]\n((a,b),d);\n");
}

}  // namespace
