// Compares two trees on the same leaves: the normalised unrooted
// Robinson-Foulds distance and the rooted clade distance (how each is
// counted: bench/dlsim/tree_distance.hpp).
//
//   bench_tree_distance FIRST SECOND
//
// Each argument is a file whose first Newick tree is read (comments such as
// those of a dlspecies report are skipped), or a tree itself when it starts
// with "(". Prints the leaves, then each distance as differing splits or
// clades over the most possible, and its fraction.

#include "dlsim/tree_distance.hpp"

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: bench_tree_distance FIRST SECOND (Newick files, or trees starting with \"(\")\n";
    return 1;
  }
  try {
    dlsim::WrittenTree trees[2];
    for (int i = 0; i < 2; ++i) {
      try {
        trees[i] = dlsim::readNewick(dlsim::treeText(argv[i + 1]));
      } catch (const dlsim::TreeTextError& error) {
        throw dlsim::TreeTextError(std::string(i == 0 ? "first" : "second") + " tree: " + error.what());
      }
    }
    const dlsim::TreeDistance distance = dlsim::treeDistance(trees[0], trees[1]);
    char line[160];
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
