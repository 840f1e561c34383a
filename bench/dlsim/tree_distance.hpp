#pragma once
// How far a found species tree lies from the generating one: two distances
// between trees on the same leaves (n of them), over the inner nodes as
// written, so a multifurcation counts as the clades it has.
//
// - Unrooted (normalised Robinson-Foulds): the splits of the leaves by an
//   edge, both sides of at least two leaves, found in one tree only, over
//   2(n - 3), the most that two binary trees can differ by.
// - Rooted: the clades (leaves below a node, 2 to n - 1 of them) found in
//   one tree only, over 2(n - 2).
// Both are 0 for trees too small to differ (n < 4 unrooted, n < 3 rooted).
//
// Header-only: the benchmark programs, linked with the core library alone,
// and the tests share it.

#include <algorithm>
#include <bitset>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace dlsim {

class TreeTextError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A tree as written: every node's parent (-1 at the root), parents before
// their children; leaves have names, inner nodes none.
struct WrittenTree {
  std::vector<int> parent;
  std::vector<std::string> name;
};

// Reads the Newick tree that starts at text[at] (after blanks and comments)
// and leaves `at` after its ";": names bare or in single quotes ('' for a
// quote), inner-node labels, branch lengths and [comments] skipped, nodes of
// any number of children. Iterative.
inline WrittenTree readNewick(const std::string& text, std::size_t& at) {
  WrittenTree tree;
  std::vector<int> open;  // inner nodes whose ")" is still to come
  const auto fail = [&](const std::string& what) {
    throw TreeTextError(what + " (at character " + std::to_string(at + 1) + ")");
  };
  const auto skipBlanks = [&] {
    for (;;) {
      while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
      if (at >= text.size() || text[at] != '[') return;
      const std::size_t end = text.find(']', at);
      if (end == std::string::npos) fail("a comment is not closed");
      at = end + 1;
    }
  };
  // A label, then its branch length, if any.
  const auto readLabel = [&] {
    std::string label;
    skipBlanks();
    if (at < text.size() && text[at] == '\'') {
      for (++at;; ++at) {
        if (at >= text.size()) fail("a quoted name is not closed");
        if (text[at] == '\'' && (at + 1 >= text.size() || text[at + 1] != '\'')) break;
        if (text[at] == '\'') ++at;
        label += text[at];
      }
      ++at;
    } else {
      while (at < text.size() && !std::isspace(static_cast<unsigned char>(text[at])) &&
             std::string("()[]':;,").find(text[at]) == std::string::npos)
        label += text[at++];
    }
    skipBlanks();
    if (at < text.size() && text[at] == ':') {
      ++at;
      skipBlanks();
      while (at < text.size() && std::string("0123456789.eE+-").find(text[at]) != std::string::npos) ++at;
      skipBlanks();
    }
    return label;
  };
  const auto addNode = [&](const std::string& name) {
    tree.parent.push_back(open.empty() ? -1 : open.back());
    tree.name.push_back(name);
    return static_cast<int>(tree.parent.size()) - 1;
  };
  skipBlanks();
  if (at >= text.size() || text[at] != '(') fail("no Newick tree: a tree starts with \"(\"");
  for (bool nodeNext = true;;) {
    skipBlanks();
    if (at >= text.size()) fail("the tree ends before its \";\"");
    const char c = text[at];
    if (nodeNext && c == '(') {
      ++at;
      open.push_back(addNode(""));
    } else if (nodeNext) {
      const std::string name = readLabel();
      if (name.empty()) fail("a leaf without a name");
      addNode(name);
      nodeNext = false;
    } else if (c == ',' && !open.empty()) {
      ++at;
      nodeNext = true;
    } else if (c == ')' && !open.empty()) {
      ++at;
      open.pop_back();
      readLabel();
    } else if (c == ';' && open.empty()) {
      ++at;
      return tree;
    } else {
      fail(std::string("unexpected \"") + c + "\"");
    }
  }
}

// The first Newick tree of the text.
inline WrittenTree readNewick(const std::string& text) {
  std::size_t at = 0;
  return readNewick(text, at);
}

// Every Newick tree of the text, such as a file of one tree per line.
inline std::vector<WrittenTree> readNewickTrees(const std::string& text) {
  std::vector<WrittenTree> trees;
  for (std::size_t at = 0;;) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    if (at >= text.size()) return trees;
    trees.push_back(readNewick(text, at));
  }
}

// The text of a tree given on a command line: the argument itself when it
// starts with "(", else the content of the file it names.
inline std::string treeText(const std::string& fileOrTree) {
  if (!fileOrTree.empty() && fileOrTree[0] == '(') return fileOrTree;
  std::ifstream in(fileOrTree);
  std::stringstream text;
  text << in.rdbuf();
  if (!in) throw TreeTextError("cannot read " + fileOrTree);
  return text.str();
}

struct TreeDistance {
  int leaves = 0;
  long unrootedDiffer = 0, unrootedMost = 0;  // splits in one tree only; 2(n - 3)
  long rootedDiffer = 0, rootedMost = 0;      // clades in one tree only; 2(n - 2)

  double unrooted() const { return unrootedMost > 0 ? static_cast<double>(unrootedDiffer) / unrootedMost : 0.0; }
  double rooted() const { return rootedMost > 0 ? static_cast<double>(rootedDiffer) / rootedMost : 0.0; }
};

namespace distance_detail {

using LeafSet = std::vector<std::uint64_t>;  // bit i: leaf number i

struct Bipartitions {
  std::vector<LeafSet> clades, splits;  // sorted, each once
};

// Numbers every leaf of the tree by the table, or fails naming the tree.
inline std::vector<int> leafNumbers(const WrittenTree& tree, const std::map<std::string, int>& number,
                                    const std::string& which) {
  std::vector<int> numbers(tree.parent.size(), -1);
  std::vector<bool> seen(number.size(), false);
  for (std::size_t v = 0; v < tree.parent.size(); ++v) {
    if (tree.name[v].empty()) continue;
    const auto found = number.find(tree.name[v]);
    if (found == number.end()) throw TreeTextError("leaf " + tree.name[v] + " is in the " + which + " tree only");
    if (seen[static_cast<std::size_t>(found->second)])
      throw TreeTextError("leaf " + tree.name[v] + " stands twice in the " + which + " tree");
    seen[static_cast<std::size_t>(found->second)] = true;
    numbers[v] = found->second;
  }
  for (const auto& entry : number)
    if (!seen[static_cast<std::size_t>(entry.second)])
      throw TreeTextError("leaf " + entry.first + " is missing from the " + which + " tree");
  return numbers;
}

inline Bipartitions bipartitions(const WrittenTree& tree, const std::vector<int>& numbers, int leaves) {
  const std::size_t words = static_cast<std::size_t>(leaves + 63) / 64;
  std::vector<LeafSet> below(tree.parent.size(), LeafSet(words, 0));
  Bipartitions found;
  // Children come after their parents: each set is whole before it is added to its parent's.
  for (std::size_t v = tree.parent.size(); v-- > 0;) {
    LeafSet& set = below[v];
    if (numbers[v] >= 0) set[static_cast<std::size_t>(numbers[v]) / 64] |= std::uint64_t{1} << (numbers[v] % 64);
    if (tree.parent[v] >= 0)
      for (std::size_t w = 0; w < words; ++w) below[static_cast<std::size_t>(tree.parent[v])][w] |= set[w];
    int count = 0;
    for (std::uint64_t word : set) count += static_cast<int>(std::bitset<64>(word).count());
    if (count >= 2 && count <= leaves - 1) found.clades.push_back(set);
    // A split is named by its side without leaf 0.
    LeafSet side = set;
    if (set[0] & 1) {
      for (std::uint64_t& word : side) word = ~word;
      if (leaves % 64 != 0) side.back() &= (std::uint64_t{1} << (leaves % 64)) - 1;
      count = leaves - count;
    }
    if (count >= 2 && count <= leaves - 2) found.splits.push_back(side);
  }
  for (std::vector<LeafSet>* sets : {&found.clades, &found.splits}) {
    std::sort(sets->begin(), sets->end());
    sets->erase(std::unique(sets->begin(), sets->end()), sets->end());
  }
  return found;
}

inline long inOneOnly(const std::vector<LeafSet>& a, const std::vector<LeafSet>& b) {
  std::vector<LeafSet> both;
  std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(both));
  return static_cast<long>(a.size() + b.size() - 2 * both.size());
}

}  // namespace distance_detail

// The distances between two trees; fails when their leaves differ or a
// leaf stands twice in one.
inline TreeDistance treeDistance(const WrittenTree& first, const WrittenTree& second) {
  using namespace distance_detail;
  std::map<std::string, int> number;
  for (const std::string& name : first.name)
    if (!name.empty()) number.emplace(name, 0);
  int leaves = 0;
  for (auto& entry : number) entry.second = leaves++;
  const Bipartitions a = bipartitions(first, leafNumbers(first, number, "first"), leaves);
  const Bipartitions b = bipartitions(second, leafNumbers(second, number, "second"), leaves);
  TreeDistance distance;
  distance.leaves = leaves;
  distance.unrootedDiffer = inOneOnly(a.splits, b.splits);
  distance.unrootedMost = leaves >= 4 ? 2L * (leaves - 3) : 0;
  distance.rootedDiffer = inOneOnly(a.clades, b.clades);
  distance.rootedMost = leaves >= 3 ? 2L * (leaves - 2) : 0;
  return distance;
}

inline TreeDistance treeDistance(const std::string& first, const std::string& second) {
  return treeDistance(readNewick(first), readNewick(second));
}

// The mean normalised unrooted RF distance between the trees of two lists,
// paired in order, over the pairs of four leaves or more (smaller trees
// cannot differ): between true and estimated gene trees, the gene-tree
// estimation error (GTEE). Fails when the lists differ in length.
struct MeanDistance {
  int pairs = 0;  // of four leaves or more
  double unrooted = 0.0;
};

inline MeanDistance meanUnrootedDistance(const std::vector<WrittenTree>& first,
                                         const std::vector<WrittenTree>& second) {
  if (first.size() != second.size())
    throw TreeTextError("the lists hold " + std::to_string(first.size()) + " and " + std::to_string(second.size()) +
                        " trees");
  MeanDistance mean;
  for (std::size_t i = 0; i < first.size(); ++i) {
    TreeDistance distance;
    try {
      distance = treeDistance(first[i], second[i]);
    } catch (const TreeTextError& error) {
      throw TreeTextError("tree " + std::to_string(i + 1) + ": " + error.what());
    }
    if (distance.unrootedMost == 0) continue;
    ++mean.pairs;
    mean.unrooted += distance.unrooted();
  }
  if (mean.pairs > 0) mean.unrooted /= mean.pairs;
  return mean;
}

}  // namespace dlsim
