// Caterpillar trees of 100,000 leaves are read, written back and dumped
// without exhausting the stack: the recursive walks run on the large stack
// that the program itself uses.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "driver/globals.hpp"
#include "report/report.hpp"
#include "search/search_trees.hpp"
#include "tree/input.hpp"
#include "tree/large_stack.hpp"

namespace {

constexpr int kLeaves = 100000;

// Counts what is written to it and keeps nothing.
class CountingBuffer : public std::streambuf {
 public:
  long long characters = 0;
  long long lines = 0;

 protected:
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    characters += count;
    // Long pieces are indentation; only short ones can hold line ends.
    if (count < 1024)
      for (std::streamsize i = 0; i < count; ++i) lines += text[i] == '\n';
    return count;
  }
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) {
      ++characters;
      lines += c == '\n';
    }
    return traits_type::not_eof(c);
  }
};

// ((((L1,L2),L3),L4)...) or (L1,(L2,(L3,...))), without the ";".
std::string caterpillar(int leaves, bool leftDeep) {
  std::string text;
  if (leftDeep) {
    text.append(static_cast<std::size_t>(leaves - 1), '(');
    text += "L1";
    for (int i = 2; i <= leaves; ++i) text += ",L" + std::to_string(i) + ")";
  } else {
    for (int i = 1; i < leaves; ++i) text += "(L" + std::to_string(i) + ",";
    text += "L" + std::to_string(leaves);
    text.append(static_cast<std::size_t>(leaves - 1), ')');
  }
  return text;
}

TEST(DeepTrees, CaterpillarsReadWriteAndDumpOnTheLargeStack) {
  for (const bool leftDeep : {true, false}) {
    const std::string newick = caterpillar(kLeaves, leftDeep);
    const int status = runWithLargeStack([&]() {
      std::istringstream text(newick + ";");
      Input in(text);
      localsearch::GeneTreeRooted tree(1.0);
      if (!tree.stream2tree(in)) return 1;
      if (tree.leaves.size() != static_cast<std::size_t>(kLeaves)) return 2;
      if (tree.nodes.size() != static_cast<std::size_t>(2 * kLeaves - 1)) return 3;
      std::ostringstream written;
      tree.subtree2newickDFS(written, tree.root);
      if (written.str() != newick) return 4;
      // The dump indents by depth, so its size grows with the square of
      // the depth: count its characters instead of keeping them.
      CountingBuffer counter;
      std::ostream dump(&counter);
      tree.outputSubtree(dump, tree.root, 0);
      if (!dump || counter.lines != 2 * kLeaves - 1 + (kLeaves - 1)) return 5;
      return 0;
    });
    EXPECT_EQ(status, 0) << (leftDeep ? "left-deep" : "right-deep");
  }
}

// The species tree and gene trees are caterpillars of 100,000 leaves: the
// mappings and counts recurse once per level.
TEST(DeepTrees, CaterpillarsMapAndCount) {
  quiet = true;
  const int status = runWithLargeStack([&]() {
    const std::string input = caterpillar(kLeaves, true) + ";" + caterpillar(kLeaves, false) + ";" +
                              "[&U]" + caterpillar(kLeaves, true) + ";";
    std::istringstream text(input);
    Input in(text);
    genedupreport::Report report;
    report.readTrees(in);
    report.createLeafMapping();
    report.computeGeneDuplications(false);
    // The right-deep gene tree against the left-deep species tree: every
    // inner node but the lowest maps to the species root.
    const auto* rooted = report.rootedGeneTrees[0];
    const auto* unrooted = report.unrootedGeneTrees[0];
    if (rooted->duplications != static_cast<std::uint32_t>(kLeaves - 2)) return 1;
    if (unrooted->duplications != 0 || unrooted->losses != 0) return 2;
    // Every direction of the unrooted caterpillar.
    report.speciesTree->preprocessLCA();
    report.createPrimaryMappingUnrooted(*report.unrootedGeneTrees[0]);
    report.speciesTree->postprocessLCA();
    return 0;
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
