// Compares two trees on the same leaves: the normalised unrooted
// Robinson-Foulds distance and the rooted clade distance (how each is
// counted: bench/dlsim/tree_distance.hpp).
//
//   bench_tree_distance FIRST SECOND
//   bench_tree_distance --mean FIRST SECOND
//
// Each argument is a file whose first Newick tree is read (comments such as
// those of a dlspecies report are skipped), or a tree itself when it starts
// with "(". Prints the leaves, then each distance as differing splits or
// clades over the most possible, and its fraction. With --mean, every tree
// of each file is read, the trees are paired in order (such as true and
// estimated gene trees) and the mean unrooted distance over the pairs of
// four leaves or more is printed: the gene-tree estimation error.

#include "dlsim/tree_distance.hpp"

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  const bool mean = argc == 4 && std::string(argv[1]) == "--mean";
  if (argc != 3 && !mean) {
    std::cerr << "usage: bench_tree_distance [--mean] FIRST SECOND (Newick files, or trees starting with \"(\")\n";
    return 1;
  }
  try {
    std::vector<dlsim::WrittenTree> trees[2];
    for (int i = 0; i < 2; ++i) {
      try {
        const std::string text = dlsim::treeText(argv[i + 1 + (mean ? 1 : 0)]);
        trees[i] = mean ? dlsim::readNewickTrees(text) : std::vector<dlsim::WrittenTree>{dlsim::readNewick(text)};
      } catch (const dlsim::TreeTextError& error) {
        throw dlsim::TreeTextError(std::string(i == 0 ? "first" : "second") + " tree: " + error.what());
      }
    }
    char line[160];
    if (mean) {
      const dlsim::MeanDistance distance = dlsim::meanUnrootedDistance(trees[0], trees[1]);
      std::snprintf(line, sizeof line, "pairs: %zu, of four leaves or more: %d\nmean unrooted RF distance: %.4f\n",
                    trees[0].size(), distance.pairs, distance.unrooted);
      std::cout << line;
      return 0;
    }
    const dlsim::TreeDistance distance = dlsim::treeDistance(trees[0][0], trees[1][0]);
    std::snprintf(line, sizeof line, "leaves: %d\nunrooted RF distance: %ld / %ld = %.4f\n", distance.leaves,
                  distance.unrootedDiffer, distance.unrootedMost, distance.unrooted());
    std::cout << line;
    std::snprintf(line, sizeof line, "rooted clade distance: %ld / %ld = %.4f\n", distance.rootedDiffer,
                  distance.rootedMost, distance.rooted());
    std::cout << line;
  } catch (const std::exception& error) {
    std::cerr << "ERROR: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
