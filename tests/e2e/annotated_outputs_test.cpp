// End-to-end tests of the events per branch, the support from the gene
// trees and the annotated forms: the branch table adds up to the report's
// totals and, node by node, to the direct recount of the gene trees as the
// report roots them (rooted and unrooted, weighted, --limit, a given tree);
// on data without gene-tree error every branch of the true tree costs more
// to change either way; the annotated forms hold the plain forms' trees,
// the provenance even under -q, and a tag per gene node.

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"
#include "e2e/report_recount.hpp"

using namespace dls;

namespace {

// A tab-separated table as rows of cells by column name.
std::vector<std::map<std::string, std::string>> readTable(const std::string& text) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.emplace_back();
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) lines.back().push_back(cell);
    if (!line.empty() && line.back() == '\t') lines.back().emplace_back();
  }
  std::vector<std::map<std::string, std::string>> rows;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    rows.emplace_back();
    for (std::size_t k = 0; k < lines[0].size() && k < lines[i].size(); ++k) rows.back()[lines[0][k]] = lines[i][k];
  }
  return rows;
}

std::string lineWith(const std::string& text, const std::string& start) {
  const std::size_t at = text.find(start);
  return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
}

TEST(BranchTable, AddsUpToTheReportAndToTheRecountNodeByNode) {
  TempDir dir;
  const std::vector<std::string> data = {"-n", "11", "-m", "120", "--seed", "2", "--swaps", "1"};
  dir.write("genes.nwk", runProgram(concat({kDlsim}, data)).out);
  dir.write("mixed.nwk", runProgram(concat({kDlsim, "--unrooted", "0.4", "--weighted", "0.5"}, data)).out);
  dir.write("start.nwk", runProgram(concat({kDlsim, "--species-tree", "--unrooted", "0.4"}, data)).out);
  const std::vector<std::vector<std::string>> runs = {
      {"-i", "genes.nwk"},
      {"-i", "mixed.nwk", "--loss-weight", "0.5"},
      {"-i", "mixed.nwk", "--limit"},
      {"-i", "start.nwk", "-g", "0", "--evaluate", "--limit", "--dup-weight", "2"},
  };
  for (const std::vector<std::string>& run : runs) {
    SCOPED_TRACE(::testing::PrintToString(run));
    const ProcessResult r =
        runDlspecies(concat(run, {"-q", "--seed", "3", "--genetrees", "--branch-table", "t.tsv"}), dir.path());
    ASSERT_EQ(r.err + std::to_string(r.status), "0");
    const bool limit = std::find(run.begin(), run.end(), "--limit") != run.end();
    // The report's trees: the species tree, then each gene tree at its rooting.
    const std::vector<InputTree> trees = inputTrees(r.out);
    const PlainTree species = PlainTree::parse(trees.at(0).newick);
    const std::vector<std::set<std::string>> clades = dls::clades(species);
    std::map<std::string, std::vector<double>> expected;  // by clade: D, L, families, weighted D, weighted L
    for (std::size_t s = 0; s < clades.size(); ++s) {
      std::string clade;
      for (const std::string& name : clades[s]) clade += (clade.empty() ? "" : ",") + name;
      std::vector<double>& sums = expected[clade];
      sums.assign(5, 0);
      for (std::size_t g = 1; g < trees.size(); ++g) {
        const NodeCounts counts = directNodeCounts(species, PlainTree::parse(trees[g].newick), limit);
        const double perTree[3] = {static_cast<double>(counts.duplications[s]), static_cast<double>(counts.losses[s]),
                                   static_cast<double>(counts.copies[s])};
        for (int k = 0; k < 3; ++k) sums[k] += perTree[k];
        sums[3] += trees[g].weight * perTree[0];
        sums[4] += trees[g].weight * perTree[1];
      }
    }
    long duplications = 0, losses = 0;
    const std::vector<std::map<std::string, std::string>> rows = readTable(dir.read("t.tsv"));
    ASSERT_EQ(rows.size(), clades.size());
    const bool weighted = rows[0].count("weighted_duplications") != 0;
    EXPECT_EQ(weighted, run[1] == "mixed.nwk");
    for (const auto& row : rows) {
      const std::vector<double>& sums = expected.at(row.at("clade"));
      EXPECT_EQ(std::stod(row.at("duplications")), sums[0]) << row.at("clade");
      EXPECT_EQ(std::stod(row.at("losses")), sums[1]) << row.at("clade");
      EXPECT_EQ(std::stod(row.at("families")), sums[2]) << row.at("clade");
      if (weighted) {
        EXPECT_TRUE(nearCost(std::stod(row.at("weighted_duplications")), sums[3]) &&
                    nearCost(std::stod(row.at("weighted_losses")), sums[4]))
            << row.at("clade");
      }
      duplications += std::stol(row.at("duplications"));
      losses += std::stol(row.at("losses"));
    }
    EXPECT_EQ(lineWith(r.out, "[Total"),
              "[Total number of gene duplications + losses: " + std::to_string(duplications) + " + " +
                  std::to_string(losses) + " = " + std::to_string(duplications + losses) + "]");
  }
}

// Without gene-tree error the true species tree is the cheapest: each
// interchange around each of its branches costs more, and most gene trees
// that decide prefer the true clade.
TEST(FamilySupport, EveryTrueBranchCostsMoreToChangeWithoutGeneTreeError) {
  TempDir dir;
  for (const char* seed : {"1", "2"}) {
    dir.write("true.nwk",
              runProgram({kDlsim, "-n", "14", "-m", "150", "--seed", seed, "--species-tree", "--unrooted", "0.3"}).out);
    const ProcessResult r = runDlspecies(
        {"-q", "-g", "0", "--evaluate", "-i", "true.nwk", "--support", "families", "--branch-table", "t.tsv"},
        dir.path());
    ASSERT_EQ(r.err + std::to_string(r.status), "0");
    int branches = 0;
    for (const auto& row : readTable(dir.read("t.tsv"))) {
      if (row.at("delta_cost_alt1").empty()) continue;
      ++branches;
      EXPECT_GT(std::stod(row.at("delta_cost_alt1")), 0) << seed << " " << row.at("clade");
      EXPECT_GT(std::stod(row.at("delta_cost_alt2")), 0) << seed << " " << row.at("clade");
      EXPECT_GT(std::stod(row.at("family_support")), 50) << seed << " " << row.at("clade");
    }
    EXPECT_EQ(branches, 14 - 2) << seed;
  }
}

// The annotated forms: the plain forms' trees once the node comments are
// taken out, the provenance under -q, and each gene tree's duplications
// tagged.
TEST(AnnotatedForms, HoldThePlainTreesTheProvenanceAndTaggedGeneNodes) {
  TempDir dir;
  dir.write("in.nwk", runProgram({kDlsim, "-n", "9", "-m", "25", "--seed", "4", "--unrooted", "0.5"}).out);
  const std::vector<std::string> run = {"-q", "-i", "in.nwk", "-t", "2", "--genetrees", "--seed", "8"};
  const auto withoutNodeComments = [](std::string text) {
    for (std::size_t at = text.find("[&"); at != std::string::npos; at = text.find("[&", at)) {
      const std::size_t end = text.find(']', at);
      const bool treeMark = text.compare(at, 4, "[&W ") == 0 || text.compare(at, 9, "[&WEIGHT=") == 0;
      if (treeMark)
        at = end;
      else
        text.erase(at, end + 1 - at);
    }
    return text;
  };
  for (const auto& [annotated, plain] :
       {std::pair<std::string, std::string>{"annotated", "nexus"}, {"nhx", "newick"}}) {
    const std::string out = runDlspecies(concat(run, {"--oformat", annotated}), dir.path()).out;
    std::string line = kBinary;
    for (const std::string& argument : concat(run, {"--oformat", annotated})) line += " " + argument;
    const std::string header = "[dlspecies 2.0]\n[Command line: " + line +
                               "]\n[Seed: 8; threads: 2]\n[Cost per duplication: 1, per loss: 1; gene tree "
                               "weights: all 1]\n";
    ASSERT_NE(out.find(header), std::string::npos) << out.substr(0, 400);
    std::string body = withoutNodeComments(out);
    body.erase(body.find("[dlspecies"), header.size());
    EXPECT_EQ(body, runDlspecies(concat(run, {"--oformat", plain}), dir.path()).out);
    // Per gene tree, as many nodes tagged duplications as it has.
    for (std::size_t at = out.find("[Gene duplications + Losses: "); at != std::string::npos;
         at = out.find("[Gene duplications + Losses: ", at + 1)) {
      const std::size_t treeAt = out.find('\n', at) + 1;
      const std::string tree = out.substr(treeAt, out.find('\n', treeAt) - treeAt);
      long tagged = 0;
      for (std::size_t t = tree.find("event=duplication"); t != std::string::npos;
           t = tree.find("event=duplication", t + 1))
        ++tagged;
      EXPECT_EQ(std::to_string(tagged), out.substr(at + 29, out.find(' ', at + 29) - at - 29)) << tree;
    }
  }
}

}  // namespace
