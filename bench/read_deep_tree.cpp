// Reading and writing time of large Newick trees: a 100,000-leaf caterpillar
// (the deepest shape) and a balanced tree of the same size.

#include <chrono>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "common/console.hpp"
#include "common/random.hpp"
#include "tree/gene_tree.hpp"
#include "tree/newick_reader.hpp"
#include "tree/newick_writer.hpp"
#include "tree/text_reader.hpp"

using namespace dls;

namespace {

std::string caterpillar(int leaves) {
  std::string text(static_cast<std::size_t>(leaves - 1), '(');
  text += "L1";
  for (int i = 2; i <= leaves; ++i) text += ",L" + std::to_string(i) + ")";
  return text + ";";
}

void balanced(std::string& text, int first, int count) {
  if (count == 1) {
    text += "L" + std::to_string(first);
    return;
  }
  text += '(';
  balanced(text, first, count / 2);
  text += ',';
  balanced(text, first + count / 2, count - count / 2);
  text += ')';
}

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void measure(const char* label, const std::string& newick, int repeats) {
  double readTime = 0, writeTime = 0;
  Console console(std::cout, std::cerr);
  Random random(1);
  for (int r = 0; r < repeats; ++r) {
    std::istringstream text(newick);
    TextReader in(text);
    NameTable names;
    NewickReader reader(in, names, random, console);
    GeneTree tree(true, 1.0);
    auto start = std::chrono::steady_clock::now();
    reader.read(tree, GeneTreeRooting::rooted);
    readTime += seconds(start);
    std::ostringstream out;
    start = std::chrono::steady_clock::now();
    NewickWriter(names).write(out, tree);
    writeTime += seconds(start);
  }
  std::printf("%-28s %9zu chars  read %8.2f ms  write %8.2f ms\n", label, newick.size(), 1000 * readTime / repeats,
              1000 * writeTime / repeats);
}

}  // namespace

int main() {
  measure("caterpillar 100000 leaves", caterpillar(100000), 5);
  std::string tree;
  balanced(tree, 1, 100000);
  measure("balanced 100000 leaves", tree + ";", 5);
  return 0;
}
