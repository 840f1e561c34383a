// Insertion scores of a new species against a direct recount: for every
// position, the totals left there must equal the duplications and losses,
// from the definitions, of the gene trees restricted to the species present
// in the tree with the new species inserted there (losses always counted in
// the restricted species tree).

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "builder/heuristic_leaf_add.hpp"
#include "driver/globals.hpp"
#include "support/direct_count.hpp"
#include "support/tree_text.hpp"

namespace {

using buildtree::LEAFADD::SpeciesNode;

class RecordingLeafAdd : public buildtree::HeuristicLeafAdd {
 public:
  std::map<SpeciesNode*, std::pair<int, int>> offered;
  void scoreComputed(SpeciesNode& position) override {
    offered[&position] = {position.GeneDuplication::score, position.GeneLoss::score};
  }
  void run(std::ostream&, ReRoot) override {}
};



TEST(LeafInsertion, EveryPositionAgreesWithTheDirectCount) {
  quiet = true;
  std::mt19937 random(8);
  for (int round = 0; round < 150; ++round) {
    const int present = 2 + round % 24;     // species already in the tree
    const int all = present + 1 + round % 4;  // and some not yet
    std::vector<std::string> names;
    for (int i = 0; i < all; ++i) names.push_back("S" + std::to_string(i));
    std::string input;
    for (int g = 0; g < 1 + round % 5; ++g) {
      std::vector<std::string> labels(1 + random() % (2 * all));
      for (std::string& label : labels) label = names[random() % names.size()];
      input += readableNewick(randomTree(random, labels)) + "\n";
    }
    input += readableNewick(randomTree(random, names)) + "\n";  // every species is named

    RecordingLeafAdd h;
    std::istringstream stream(input);
    Input in(stream);
    h.readTrees(in);
    const std::vector<std::string> inTree(names.begin(), names.begin() + present);
    parseInto(*h.speciesTree, randomTree(random, inTree).newick());
    if (HasFatalFailure()) return;

    // The new species hangs from a new root beside the current tree.
    auto& tree = *h.speciesTree;
    SpeciesNode* oldRoot = tree.root;
    auto* x = new buildtree::LEAFADD::NamedSpeciesNode(names[static_cast<std::size_t>(present)]);
    auto* top = new SpeciesNode();
    top->child(0) = x;
    top->child(1) = oldRoot;
    x->parent() = oldRoot->parent() = top;
    tree.nodes.push_back(x);
    tree.leaves.push_back(x);
    tree.nodes.push_back(top);
    tree.root = top;
    h.createLeafMapping();
    h.computeGeneDuplications(x, false);
    ASSERT_EQ(h.offered.size(), tree.nodes.size() - 2) << "every node of the current tree is offered";

    std::set<std::string> species(names.begin(), names.begin() + present + 1);
    for (const auto& [s, scores] : h.offered) {
      tree.moveSubtree(x, s);
      const PlainTree trial = plainTree(tree);
      Counts expected;
      for (auto* gene : h.rootedGeneTrees) {
        const PlainTree restricted = restrictTo(plainTree(*gene), species);
        if (restricted.root < 0) continue;
        const Counts c = directCount(trial, restricted, true);
        expected.duplications += c.duplications;
        expected.losses += c.losses;
      }
      EXPECT_EQ(scores.first, expected.duplications) << input << " trial " << trial.newick();
      EXPECT_EQ(scores.second, expected.losses) << input << " trial " << trial.newick();
      tree.moveSubtree(x, oldRoot);
      if (HasFailure()) return;
    }
  }
}

}  // namespace
