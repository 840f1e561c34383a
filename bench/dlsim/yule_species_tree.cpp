#include "yule_species_tree.hpp"

#include <utility>

namespace dlsim {

std::string speciesName(int number, int leaves) {
  std::size_t width = std::to_string(leaves).size();
  if (width < 3) width = 3;
  std::string digits = std::to_string(number);
  return "S" + std::string(width - digits.size(), '0') + digits;
}

YuleSpeciesTree growYuleTree(int leaves, SimRandom& random) {
  YuleSpeciesTree tree;
  std::vector<double> start{0.0};  // time at which each node's branch begins
  std::vector<double> end{0.0};
  tree.nodes.emplace_back();
  std::vector<int> lineages{0};
  double now = 0.0;
  while (static_cast<int>(lineages.size()) < leaves) {
    now += random.exponential(static_cast<double>(lineages.size()));
    const std::size_t pick = random.below(lineages.size());
    const int splitting = lineages[pick];
    end[static_cast<std::size_t>(splitting)] = now;
    for (int side = 0; side < 2; ++side) {
      const int child = static_cast<int>(tree.nodes.size());
      tree.nodes.emplace_back();
      tree.nodes.back().parent = splitting;
      tree.nodes[static_cast<std::size_t>(splitting)].child[side] = child;
      start.push_back(now);
      end.push_back(0.0);
      if (side == 0)
        lineages[pick] = child;
      else
        lineages.push_back(child);
    }
  }
  // The leaves live on for one more waiting time, so that no leaf branch has length 0.
  now += random.exponential(static_cast<double>(lineages.size()));
  for (int leaf : lineages) end[static_cast<std::size_t>(leaf)] = now;
  // Heights are measured from the root's split; the root has no branch.
  const double height = now - end[0];
  for (std::size_t i = 1; i < tree.nodes.size(); ++i) tree.nodes[i].length = (end[i] - start[i]) / height;

  // Name the leaves from left to right.
  std::vector<int> stack{0};
  while (!stack.empty()) {
    const int node = stack.back();
    stack.pop_back();
    if (tree.isLeaf(node)) {
      tree.nodes[static_cast<std::size_t>(node)].name = speciesName(++tree.leafCount, leaves);
    } else {
      stack.push_back(tree.nodes[static_cast<std::size_t>(node)].child[1]);
      stack.push_back(tree.nodes[static_cast<std::size_t>(node)].child[0]);
    }
  }
  return tree;
}

void shuffleNames(YuleSpeciesTree& tree, SimRandom& random) {
  std::vector<std::string> names;
  for (const SpeciesBranch& node : tree.nodes)
    if (node.child[0] < 0) names.push_back(node.name);
  random.shuffle(names);
  auto next = names.begin();
  for (SpeciesBranch& node : tree.nodes)
    if (node.child[0] < 0) node.name = *next++;
}

std::string YuleSpeciesTree::newick() const {
  return binaryNewick(
      0, [&](int node, int i) { return nodes[static_cast<std::size_t>(node)].child[i]; },
      [&](int node) { return nodes[static_cast<std::size_t>(node)].name; });
}

}  // namespace dlsim
