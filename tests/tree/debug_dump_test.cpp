// Indented debug dumps of subtrees, nodes and tree sets.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "builder/leafadd_tree_set.hpp"
#include "driver/globals.hpp"
#include "report/report_trees.hpp"
#include "search/search_tree_set.hpp"
#include "support/tree_text.hpp"

namespace {


std::string addressOf(const void* p) {
  std::ostringstream out;
  out << p;
  return out.str();
}

const std::string nil = addressOf(nullptr);
const std::string leafTail = "children:{" + nil + ", " + nil + "}";

// Replaces every node address of the tree by "@" and the node's name, or
// "@I" and its position on the nodes list for unnamed nodes.
template <class T>
std::string symbolic(T& tree, const std::string& text) {
  std::map<std::string, std::string> label;
  for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
    auto* named = dynamic_cast<typename T::NamedNode*>(tree.nodes[i]);
    label[addressOf(tree.nodes[i])] = "@" + (named ? named->name() : "I" + std::to_string(i));
  }
  std::string out;
  for (std::size_t at = 0, next; at < text.size(); at = next) {
    next = text.find("0x", at);
    out += text.substr(at, next - at);
    if (next == std::string::npos) break;
    const std::size_t end = text.find_first_not_of("0123456789abcdefABCDEFx", next);
    const std::string address = text.substr(next, end - next);
    out += label.count(address) ? label[address] : "@?";
    next = end;
  }
  return out;
}

// Cuts each node line's record fields (after the structure's "}"), so that
// the structure can be compared across stages.
std::string structureOnly(std::string text) {
  for (std::size_t at = 0; (at = text.find('}', at)) != std::string::npos;) {
    std::size_t end = text.find('\n', at);
    if (end >= 2 && text.compare(end - 2, 2, " (") == 0) end -= 2;
    text.erase(at + 1, end - at - 1);
    ++at;
  }
  return text;
}

// Node texts ("addr:" to the end of the node's line) reduced to "N", for
// dumps of several trees.
std::string skeleton(std::string text) {
  text = structureOnly(text);
  for (std::size_t at; (at = text.find("addr:")) != std::string::npos;)
    text.replace(at, text.find('}', at) + 1 - at, "N");
  return text;
}

template <class T>
std::string dump(T& tree, typename T::Node* node, int depth) {
  std::ostringstream out;
  tree.outputSubtree(out, node, depth);
  return symbolic(tree, structureOnly(out.str()));
}

template <class T>
void expectWholeTreeDump() {
  T tree;
  parseInto(tree, "((A,B),C);");
  EXPECT_EQ(dump(tree, tree.root, 0),
            "addr:@I0, parent:" + nil + ", children:{@I1, @C} (\n"
            "  addr:@I1, parent:@I0, children:{@A, @B} (\n"
            "    name:A, addr:@A, parent:@I1, " + leafTail + "\n"
            "    name:B, addr:@B, parent:@I1, " + leafTail + "\n"
            "  )\n"
            "  name:C, addr:@C, parent:@I0, " + leafTail + "\n"
            ")\n");
}

TEST(DebugDumpSubtree, WholeTreeInEveryStage) {
  expectWholeTreeDump<genedupreport::GeneTreeRooted>();
  expectWholeTreeDump<genedupreport::GeneTreeUnrooted>();
  expectWholeTreeDump<genedupreport::SpeciesTree>();
  expectWholeTreeDump<localsearch::SpeciesTree>();
  expectWholeTreeDump<buildtree::LEAFADD::GeneTreeUnrooted>();
  expectWholeTreeDump<buildtree::LEAFADD::SpeciesTree>();
  expectWholeTreeDump<buildtree::LEAFADD::GeneTreeRooted>();
}

TEST(DebugDumpSubtree, DepthIndentsEveryLine) {
  genedupreport::GeneTreeRooted tree;
  parseInto(tree, "((A,B)X,C);");
  EXPECT_EQ(dump(tree, tree.leaves[0], 2), "    name:A, addr:@A, parent:@X, " + leafTail + "\n");
  EXPECT_EQ(dump(tree, tree.root->child(0), 1),
            "  name:X, addr:@X, parent:@I0, children:{@A, @B} (\n"
            "    name:A, addr:@A, parent:@X, " + leafTail + "\n"
            "    name:B, addr:@B, parent:@X, " + leafTail + "\n"
            "  )\n");
  EXPECT_EQ(dump(tree, nullptr, 3), "      ");
}

// The record fields that follow the structure of each stage's nodes.
TEST(DebugDumpNode, RecordFieldsFollowTheStructure) {
  const std::string nullText = nil;
  auto tail = [](auto& node) {
    std::ostringstream out;
    out << node;
    const std::string text = out.str();
    return text.substr(text.find('}') + 1);
  };
  genedupreport::SpeciesNode reportSpecies;
  reportSpecies.idx = 4;
  reportSpecies.number = 2;
  reportSpecies.subtreeFirst = 1;
  reportSpecies.subtreeLast = 3;
  EXPECT_EQ(tail(reportSpecies), ", idx:4, order:(1<2<3), genedup:0(0[0]0)");
  localsearch::SpeciesNode searchSpecies;
  EXPECT_EQ(tail(searchSpecies), ", idx:0, order:(0<0<0), score:0(0[0]0)");
  genedupreport::GeneNodeRooted rooted;
  EXPECT_EQ(tail(rooted), ", 1st-map:" + nullText + ", 2nd-map:" + nullText);
  genedupreport::GeneNodeUnrooted unrooted;
  unrooted.primaryMappings[1] = &reportSpecies;
  EXPECT_EQ(tail(unrooted), ", 1st-map:{" + nullText + "," + addressOf(&reportSpecies) + "," + nullText +
                                "}, 2nd-map:" + nullText);
  genedupreport::GeneLoss loss;
  loss.leafCount = 3;
  loss.isRelevant = true;
  std::ostringstream lossText;
  lossText << loss;
  EXPECT_EQ(lossText.str(), "Losses:3 1");
}

struct StrangeNode : genedupreport::GeneNodeRooted {};

TEST(DebugDumpSubtree, UnknownNodeTypeIsFatal) {
  EXPECT_EXIT(
      {
        genedupreport::GeneTreeRooted tree;
        parseInto(tree, "(A,B);");
        tree.nodes.push_back(new StrangeNode);
        tree.root->child(1) = tree.nodes.back();
        std::ostringstream out;
        tree.outputSubtree(out, tree.root, 0);
      },
      testing::ExitedWithCode(1), testing::Eq(std::string("ERROR: treenode of unknown type\n")));
}

TEST(DebugDumpTreeSet, GeneTreesThenSpeciesTree) {
  quiet = true;
  localsearch::TreeSet set;
  std::istringstream text("((A,B),C);(D,E);[&U](F,G);(H,I);");
  Input in(text);
  set.readTrees(in);
  std::ostringstream out;
  out << set;
  EXPECT_EQ(skeleton(out.str()),
            "gene tree0:\nN (\n  name:D, N\n  name:E, N\n)\n\n"
            "gene tree1:\nN (\n  name:H, N\n  name:I, N\n)\n\n"
            "gene tree0:\nN (\n  name:F, N\n  name:G, N\n)\n\n"
            "species tree:\nN (\n  N (\n    name:A, N\n    name:B, N\n  )\n  name:C, N\n)\n\n");

  buildtree::LEAFADD::TreeSet leafAdding;  // its species tree is still empty
  std::istringstream genes("(A,B)X;");
  Input genesIn(genes);
  leafAdding.readTrees(genesIn);
  std::ostringstream empty;
  empty << leafAdding;
  EXPECT_EQ(skeleton(empty.str()),
            "gene tree0:\nname:X, N (\n  name:A, N\n  name:B, N\n)\n\nspecies tree:\n\n");
}

}  // namespace
