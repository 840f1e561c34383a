// The tree model: reading and writing Newick, constraint clades, SPR edits
// and re-rooting, on trees of any depth.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <set>

#include "reconcile/rootings.hpp"
#include "reconcile/species_index.hpp"
#include "support/model_trees.hpp"
#include "tree/tree_packing.hpp"

using namespace dls;

namespace {

TEST(Newick, ReadsAndWritesTreesAsTheyAreMeant) {
  const std::pair<const char*, const char*> cases[] = {
      {"((A,B),C);", "((A,B),C);"},
      {"(A,B)X;", "(A,B)X;"},
      {"(A B,C)D E;", "(AB,C)DE;"},  // white space and comments inside names
      {"(A[note]B,C);", "(AB,C);"},
      {"('Homo sapiens',\"x.y\")'root (1)';", "('Homo sapiens','x.y')'root (1)';"},
      {"((A,B):0.5,C:-1e-3)[&R]:7;", "((A,B),C);"},  // lengths and comments dropped
      {" \n( A ,\tB\n)\r\n;", "(A,B);"},
      {"((A),(B,(C)));", "(A,(B,C));"},  // single children give way
      {"(((A)));", "A;"},
      {"A;", "A;"},  // a single leaf needs no parentheses
      {" 'a b' [c]:0.5 ;", "'a b';"},
      // Labels of any printable character, supports, exponents, a byte-order mark.
      {"\xEF\xBB\xBF(Phoebe-hunanensis,x.y|z/1:2.08e-06)99.3/100:1E+2;", "('Phoebe-hunanensis','x.y|z/1')'99.3/100';"},
      {"('it''s',\"say \"\"x\"\"\")0.95;", "('it''s','say \"\"x\"\"')'0.95';"},
      {"('a\",\"b');", "(a,b);"},  // either quote closes
      {"('line\nbreak','(a,b):[c];')'x''\"\"y';", "('line\nbreak','(a,b):[c];')'x''\"\"y';"},
  };
  for (const auto& [text, written] : cases) {
    const TreeInput input = readInput(std::string(text) + "(A);", true);
    EXPECT_EQ(newickOf(*input.speciesTree, input.names), written) << text;
    // What is written reads back the same.
    const TreeInput again = readInput(std::string(written) + "(A);", true);
    EXPECT_EQ(newickOf(*again.speciesTree, again.names), written) << written;
  }
}

TEST(Newick, ResolvesMultifurcationsAtRandomButReproducibly) {
  std::set<std::string> seen;
  for (std::uint32_t seed = 1; seed <= 30; ++seed) {
    const TreeInput input = readInput("(A,B,C,D);", false, seed);
    const std::string written = newickOf(input.geneTrees[0], input.names);
    EXPECT_EQ(newickOf(readInput("(A,B,C,D);", false, seed).geneTrees[0], input.names), written);
    // Two drawn children go under a new node, the root's last child.
    EXPECT_EQ(written.substr(written.size() - 3), "));") << written;
    seen.insert(written);
  }
  EXPECT_GE(seen.size(), 5U);
}

TEST(SpeciesTree, ConstraintMarksMakeCladesThatRegraftsKeep) {
  // Clade 1 = {A, B, C}, clade 2 = {B, C} inside it; D outside.
  TreeInput input = readInput("((A,(B,C)[&CONSTRAINT])[&CONSTRAINT],D);(A);", true);
  const SpeciesTree& tree = *input.speciesTree;
  auto node = [&](const char* name) { return tree.leafByName()[static_cast<std::size_t>(input.names.find(name))]; };
  const NodeId a = node("A"), b = node("B"), c = node("C"), d = node("D");
  const NodeId bc = tree.parent(b), abc = tree.parent(a), root = tree.root();
  EXPECT_EQ(tree.clade(root), kNoClade);
  EXPECT_EQ(tree.clade(d), kNoClade);
  EXPECT_EQ(tree.clade(a), tree.clade(abc));
  EXPECT_EQ(tree.clade(c), tree.clade(bc));
  EXPECT_NE(tree.clade(bc), tree.clade(abc));
  // (y, remaining root, the moving subtree's clade): edges whose lower end
  // or upper end lies in the clade; above the remaining root only outside.
  const CladeId outer = tree.clade(abc), inner = tree.clade(bc);
  EXPECT_TRUE(tree.canRegraftAbove(a, abc, outer));
  EXPECT_TRUE(tree.canRegraftAbove(bc, abc, outer));
  EXPECT_FALSE(tree.canRegraftAbove(b, abc, outer));
  EXPECT_TRUE(tree.canRegraftAbove(b, abc, inner));
  EXPECT_FALSE(tree.canRegraftAbove(d, root, outer));
  EXPECT_TRUE(tree.canRegraftAbove(abc, root, kNoClade));
  EXPECT_FALSE(tree.canRegraftAbove(a, root, kNoClade));
  EXPECT_TRUE(tree.canRegraftAbove(abc, abc, kNoClade));  // beside a clade at the root
}

TEST(SpeciesTree, EditsKeepTheTreeWhole) {
  std::mt19937 random(3);
  std::vector<std::string> names;
  for (int i = 0; i < 9; ++i) names.push_back("S" + std::to_string(i));
  TreeInput input = readInput(randomTree(random, names).newick() + "(S0);", true);
  SpeciesTree& tree = *input.speciesTree;
  const std::string start = newickOf(tree, input.names);
  SpeciesIndex index;
  index.rebuild(tree);
  for (NodeId x = 0; x < static_cast<NodeId>(tree.size()); ++x) {
    if (x == tree.root()) continue;
    for (NodeId y = 0; y < static_cast<NodeId>(tree.size()); ++y) {
      if (index.contains(x, y) || y == tree.parent(x)) continue;
      const NodeId sibling = tree.sibling(x);
      tree.moveSubtree(x, y);
      EXPECT_EQ(tree.sibling(x), y);
      EXPECT_EQ(plainTree(tree, input.names).leaves().size(), names.size());
      tree.moveSubtree(x, sibling);
      ASSERT_EQ(newickOf(tree, input.names), start);
    }
  }
  tree.renumberInPreorder();
  EXPECT_EQ(newickOf(tree, input.names), start);
  for (NodeId v = 1; v < static_cast<NodeId>(tree.size()); ++v) EXPECT_LT(tree.parent(v), v);
  // Removing a leaf takes its parent along; the rest keep their order.
  const std::string gone = input.names.text(tree.name(tree.leaves()[3]));
  tree.removeLeaves({tree.leaves()[3]});
  EXPECT_EQ(tree.size(), 2 * names.size() - 3);
  EXPECT_EQ(tree.leafByName()[static_cast<std::size_t>(input.names.find(gone))], kNoNode);
  EXPECT_EQ(plainTree(tree, input.names).leaves().size(), names.size() - 1);
}

// A tree's text with the children of every node in sorted order.
std::string unordered(const PlainTree& tree, int v) {
  if (tree.isLeaf(v)) return tree.label[v];
  std::string a = unordered(tree, tree.child[v][0]), b = unordered(tree, tree.child[v][1]);
  return "(" + std::min(a, b) + "," + std::max(a, b) + ")";
}

// Every rooting is tried once; a rooting reached by moving the root from
// edge to edge has the same links, child order included, as the one made
// afresh from the tree as read.
TEST(GeneTree, EveryRootingIsTriedOnceAndMadeAlikeFromTheTreeAsRead) {
  std::mt19937 random(11);
  std::vector<std::string> labels;
  for (int i = 0; i < 12; ++i) labels.push_back("G" + std::to_string(i));
  TreeInput input = readInput("[&U]" + randomTree(random, labels).newick(), false);
  const GeneTree& tree = input.geneTrees[0];
  std::multiset<std::string> expected, tried;
  for (const PlainTree& rooting : allRootings(plainTree(tree, input.names)))
    expected.insert(unordered(rooting, rooting.root));
  tried.insert(unordered(plainTree(tree, input.names), plainTree(tree, input.names).root));
  GeneScratch scratch;
  scratch.fit(tree.size());
  scratch.rooting = tree.rooting();
  forEachOtherRooting(scratch, [&](const RootEdge& edge) {
    const std::string afresh = newickAt(tree, {edge.second, edge.first}, input.names);
    std::ostringstream reached;
    NewickWriter(input.names).write(reached, tree, scratch.rooting);
    EXPECT_EQ(reached.str() + ";", afresh);
    const PlainTree plain = PlainTree::parse(afresh);
    tried.insert(unordered(plain, plain.root));
  });
  EXPECT_EQ(tried, expected);
}

// A figure of /proc/PROCESS/status in KB ("VmRSS:", "VmHWM:"), 0 when unknown.
long statusKb(const std::string& process, const std::string& key) {
  std::ifstream status("/proc/" + process + "/status");
  for (std::string word; status >> word;)
    if (word == key && status >> word) return std::stol(word);
  return 0;
}

// What reading the text adds to the memory of a process of its own: the
// growth of its peak resident size in KB over the size it starts with, or
// -1 when the reading fails or passes limitKb (it is then stopped).
long readingGrowthKb(const std::string& text, long limitKb) {
  const long startKb = statusKb("self", "VmRSS:");
  const pid_t child = fork();
  if (child == 0) {
    try {
      readInput(text, true);
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  int status = 0;
  struct rusage usage {};
  while (wait4(child, &status, WNOHANG, &usage) != child) {
    if (statusKb(std::to_string(child), "VmHWM:") - startKb > limitKb) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return -1;
    }
    usleep(10000);
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss - startKb : -1;
}

// A chain of nodes of one child each, the comments after them and a
// constraint mark at the top: (((A,B))[x])...[&CONSTRAINT];
std::string chainWithComments(std::size_t depth) {
  std::string chain = std::string(depth, '(') + "(A,B)";
  for (std::size_t i = 1; i < depth; ++i) chain += ")[x]";
  return chain + ")[&CONSTRAINT]";
}

// The chain gives way to the node below it, which takes its mark; its
// comments cost memory in proportion to the text (each node handing them
// down to its child would cost the square).
TEST(Newick, ChainsOfSingleChildrenWithCommentsCostMemoryInProportion) {
  const TreeInput input = readInput("((" + chainWithComments(1000) + ",C),D);(A);", true);
  const SpeciesTree& tree = *input.speciesTree;
  const NodeId a = tree.leafByName()[static_cast<std::size_t>(input.names.find("A"))];
  EXPECT_EQ(newickOf(tree, input.names), "(((A,B),C),D);");
  EXPECT_NE(tree.clade(tree.parent(a)), kNoClade);
  EXPECT_EQ(tree.clade(tree.parent(tree.parent(a))), kNoClade);
  // About 1.25 MB of text: some 15 MB in a plain build, more under
  // sanitizers; the square would pass 1 GB early.
  EXPECT_GE(readingGrowthKb(chainWithComments(250000) + ";(A,B);", 1L << 20), 0) << "failed or passed 1 GB";
}

TEST(Trees, OfAnyDepthAreReadWrittenAndIndexedWithoutRecursion) {
  const int leaves = 200000;
  std::string text(leaves - 1, '(');
  text += "L1";
  for (int i = 2; i <= leaves; ++i) text += ",L" + std::to_string(i) + ")";
  text += ";";
  const TreeInput input = readInput(text + text, true);
  EXPECT_EQ(newickOf(*input.speciesTree, input.names), text);
  EXPECT_EQ(newickOf(input.geneTrees[0], input.names), text);
  SpeciesIndex index;
  index.rebuild(*input.speciesTree);
  const SpeciesTree& tree = *input.speciesTree;
  auto leaf = [&](const char* name) { return tree.leafByName()[static_cast<std::size_t>(input.names.find(name))]; };
  const NodeId l1 = leaf("L1"), l9 = leaf("L9");
  EXPECT_EQ(index.lca(l1, l9), tree.parent(l9));
  EXPECT_TRUE(index.contains(tree.root(), l1));
}

}  // namespace

// What travels between processes comes back exactly: names, a species tree
// with clades, gene trees with gene labels and weights.
TEST(TreePacking, GivesBackEveryTreeExactly) {
  TreeInput input = readInput(
      "((A,(B,C)[&CONSTRAINT]),D);[&U][&WEIGHT=0.1]((A,B),(C,D));(((A,B)x,C),D);[&U]((((A,B),C),D),A);", true);
  ByteWriter out;
  packNames(out, input.names);
  packTree(out, *input.speciesTree);
  for (const GeneTree& tree : input.geneTrees) packTree(out, tree);
  ByteReader in(out.bytes());
  const NameTable names = unpackNames(in);
  const SpeciesTree species = unpackSpeciesTree(in);
  EXPECT_EQ(newickOf(species, names), newickOf(*input.speciesTree, input.names));
  for (NodeId v = 0; v < static_cast<NodeId>(species.size()); ++v)
    EXPECT_EQ(species.clade(v), input.speciesTree->clade(v));
  for (const GeneTree& tree : input.geneTrees) {
    const GeneTree back = unpackGeneTree(in);
    EXPECT_EQ(newickOf(back, names), newickOf(tree, input.names));
    EXPECT_TRUE(back.rooted() == tree.rooted() && back.weight() == tree.weight() && back.leaves() == tree.leaves() &&
                back.innerPostorder() == tree.innerPostorder());
  }
  EXPECT_TRUE(in.atEnd());
  EXPECT_THROW(unpackGeneTree(in), InternalError);
}
