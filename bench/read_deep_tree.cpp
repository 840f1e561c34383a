// Reading and writing time of large Newick trees: a 100,000-leaf caterpillar
// (the deepest shape) and a balanced tree of the same size.

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>

#include "search/search_trees.hpp"
#include "tree/input.hpp"
#include "tree/large_stack.hpp"

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
  for (int r = 0; r < repeats; ++r) {
    std::istringstream text(newick);
    Input in(text);
    localsearch::GeneTreeRooted tree(1.0);
    auto start = std::chrono::steady_clock::now();
    tree.stream2tree(in);
    readTime += seconds(start);
    std::ostringstream out;
    start = std::chrono::steady_clock::now();
    tree.subtree2newickDFS(out, tree.root);
    writeTime += seconds(start);
  }
  std::printf("%-28s %9zu chars  read %8.2f ms  write %8.2f ms\n", label, newick.size(),
              1000 * readTime / repeats, 1000 * writeTime / repeats);
}

}  // namespace

int main() {
  return runWithLargeStack([]() {
    measure("caterpillar 100000 leaves", caterpillar(100000), 5);
    std::string tree;
    balanced(tree, 1, 100000);
    measure("balanced 100000 leaves", tree + ";", 5);
    return 0;
  });
}
