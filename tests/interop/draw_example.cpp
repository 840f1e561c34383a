// Draws the first species tree of a Newick file as SVG on standard output,
// with made-up duplications, losses and support, for the picture checks:
//   draw_example FILE [TITLE]
// Inner labels of the file are drawn as support; other inner nodes get
// made-up numbers. The events follow the node numbers, with a burst of
// duplications below the root and a weighted-looking sum of losses above it.

#include <fstream>
#include <iostream>

#include "common/console.hpp"
#include "common/errors.hpp"
#include "common/random.hpp"
#include "report/svg_writer.hpp"
#include "tree/newick_reader.hpp"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: draw_example FILE [TITLE]\n";
    return 1;
  }
  try {
    std::ifstream file(argv[1]);
    dls::TextReader in(file, argv[1]);
    dls::NameTable names;
    dls::Random random(1);
    dls::Console console(std::cerr, std::cerr);
    dls::SpeciesTree tree;
    if (!dls::NewickReader(in, names, random, console).read(tree)) throw dls::InputError("no tree in the file");
    dls::SpeciesTreePicture picture;
    picture.title =
        argc == 3 ? argv[2] : "draw_example: made-up events, " + std::to_string(tree.leaves().size()) + " species";
    for (dls::NodeId v = 0; v < static_cast<dls::NodeId>(tree.size()); ++v) {
      const bool named = tree.name(v) != dls::kNoName;
      picture.support.push_back(tree.isLeaf(v) ? ""
                                : named        ? names.text(tree.name(v))
                                               : std::to_string(50 + v * 7 % 51));
      picture.duplications.push_back(v % 4 == 0 ? 0 : v % 3 + 1);
      picture.losses.push_back(v * 7 % 11 * 0.75);
    }
    const auto root = static_cast<std::size_t>(tree.root());
    if (!tree.isLeaf(tree.root())) picture.duplications[static_cast<std::size_t>(tree.child(tree.root(), 0))] = 40;
    picture.losses[root] = 12345.6;
    dls::writeSvg(std::cout, tree, names, picture);
  } catch (const std::exception& error) {
    std::cerr << "ERROR: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
