#include "support/direct_count.hpp"

#include <algorithm>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <stdexcept>

namespace dls {

int PlainTree::addNode(int parentNode) {
  parent.push_back(parentNode);
  child.push_back({-1, -1});
  label.emplace_back();
  const int v = static_cast<int>(parent.size()) - 1;
  if (parentNode >= 0) child[parentNode][child[parentNode][0] < 0 ? 0 : 1] = v;
  return v;
}

std::vector<int> PlainTree::leaves() const {
  std::vector<int> result;
  for (int v = 0; v < static_cast<int>(parent.size()); ++v)
    if (isLeaf(v)) result.push_back(v);
  return result;
}

std::string PlainTree::newick() const {
  std::function<std::string(int)> write = [&](int v) -> std::string {
    if (isLeaf(v)) return label[v];
    return "(" + write(child[v][0]) + "," + write(child[v][1]) + ")";
  };
  return write(root) + ";";
}

PlainTree PlainTree::parse(const std::string& text) {
  PlainTree tree;
  std::size_t at = 0;
  std::function<int(int)> node = [&](int parentNode) -> int {
    const int v = tree.addNode(parentNode);
    if (text[at] == '(') {
      ++at;
      node(v);
      if (text[at++] != ',') throw std::runtime_error("expected ,");
      node(v);
      if (text[at++] != ')') throw std::runtime_error("expected )");
    } else {
      while (at < text.size() && text[at] != ',' && text[at] != ')' && text[at] != ';') tree.label[v] += text[at++];
    }
    return v;
  };
  tree.root = node(-1);
  return tree;
}

namespace {

using Clade = std::set<std::string>;

}  // namespace

std::vector<Clade> clades(const PlainTree& tree) {
  std::vector<Clade> result(tree.parent.size());
  std::function<void(int)> fill = [&](int v) {
    if (tree.isLeaf(v)) {
      result[v].insert(tree.label[v]);
      return;
    }
    for (int c : tree.child[v]) {
      fill(c);
      result[v].insert(result[c].begin(), result[c].end());
    }
  };
  fill(tree.root);
  return result;
}

namespace {

bool includes(const Clade& big, const Clade& small) {
  return std::includes(big.begin(), big.end(), small.begin(), small.end());
}

bool intersects(const Clade& a, const Clade& b) {
  for (const std::string& s : a)
    if (b.count(s)) return true;
  return false;
}

}  // namespace

Counts directCount(const PlainTree& species, const PlainTree& gene, bool limitLosses) {
  const std::vector<Clade> speciesClades = clades(species);
  const std::vector<Clade> geneClades = clades(gene);
  const Clade present = geneClades[gene.root];

  // Map: the species node with the smallest clade holding the gene clade.
  std::vector<int> map(gene.parent.size(), -1);
  for (std::size_t g = 0; g < gene.parent.size(); ++g) {
    for (std::size_t s = 0; s < species.parent.size(); ++s)
      if (includes(speciesClades[s], geneClades[g]) &&
          (map[g] < 0 || speciesClades[s].size() < speciesClades[map[g]].size()))
        map[g] = static_cast<int>(s);
  }

  // Species nodes counted in depths: all, or the restricted tree's nodes
  // (present leaves and nodes joining present species from both sides).
  auto counted = [&](int s) {
    if (!limitLosses) return true;
    if (species.isLeaf(s)) return present.count(species.label[s]) > 0;
    return intersects(speciesClades[species.child[s][0]], present) &&
           intersects(speciesClades[species.child[s][1]], present);
  };
  auto depth = [&](int s) {
    long d = 0;
    for (int v = s; v >= 0; v = species.parent[v]) d += counted(v) ? 1 : 0;
    return d;
  };

  Counts counts;
  for (std::size_t g = 0; g < gene.parent.size(); ++g) {
    if (gene.isLeaf(static_cast<int>(g))) continue;
    const int a = map[g], b = map[gene.child[g][0]], c = map[gene.child[g][1]];
    const bool duplication = a == b || a == c;
    counts.duplications += duplication ? 1 : 0;
    // Each child edge: the levels skipped, less the one a speciation explains.
    for (int x : {b, c}) counts.losses += depth(x) - depth(a) - (duplication ? 0 : 1);
  }
  return counts;
}

NodeCounts directNodeCounts(const PlainTree& species, const PlainTree& gene, bool limitLosses) {
  const std::vector<Clade> speciesClades = clades(species);
  const std::vector<Clade> geneClades = clades(gene);
  const Clade present = geneClades[gene.root];
  const int n = static_cast<int>(species.parent.size());
  std::vector<int> map(gene.parent.size(), -1);
  for (std::size_t g = 0; g < gene.parent.size(); ++g)
    for (int s = 0; s < n; ++s)
      if (includes(speciesClades[s], geneClades[g]) &&
          (map[g] < 0 || speciesClades[s].size() < speciesClades[map[g]].size()))
        map[g] = s;
  auto counted = [&](int s) {
    if (!limitLosses) return true;
    if (species.isLeaf(s)) return present.count(species.label[s]) > 0;
    return intersects(speciesClades[species.child[s][0]], present) &&
           intersects(speciesClades[species.child[s][1]], present);
  };
  auto countedParent = [&](int s) {
    int p = species.parent[s];
    while (p >= 0 && !counted(p)) p = species.parent[p];
    return p;
  };
  // a holds b (a is b or an ancestor of it).
  auto holds = [&](int a, int b) { return includes(speciesClades[a], speciesClades[b]); };
  NodeCounts counts{std::vector<long>(n, 0), std::vector<long>(n, 0), std::vector<int>(n, 0)};
  for (std::size_t g = 0; g < gene.parent.size(); ++g) {
    if (gene.isLeaf(static_cast<int>(g))) continue;
    const int a = map[g];
    const bool duplication = a == map[gene.child[g][0]] || a == map[gene.child[g][1]];
    counts.duplications[a] += duplication ? 1 : 0;
    for (const int c : gene.child[g]) {
      const int x = map[c];
      for (int y = 0; y < n; ++y) {
        const int p = counted(y) ? countedParent(y) : -1;
        if (p >= 0 && !holds(y, x) && holds(p, x) && p != x && holds(a, p) && (duplication || p != a))
          ++counts.losses[y];
      }
    }
  }
  for (int s = 0; s < n; ++s) counts.copies[s] = intersects(speciesClades[s], present) && holds(map[gene.root], s);
  return counts;
}

std::vector<PlainTree> allRootings(const PlainTree& gene, std::vector<std::pair<int, int>>* edgesOut) {
  // The unrooted tree: every parent-child edge, except that the root's two
  // child edges form the one edge between those children.
  const int n = static_cast<int>(gene.parent.size());
  const int r0 = gene.child[gene.root][0], r1 = gene.child[gene.root][1];
  std::vector<std::vector<int>> adjacent(static_cast<std::size_t>(n));
  std::vector<std::pair<int, int>> edges{{r0, r1}};
  adjacent[r0].push_back(r1);
  adjacent[r1].push_back(r0);
  for (int v = 0; v < n; ++v) {
    const int u = gene.parent[v];
    if (v == gene.root || u == gene.root) continue;
    adjacent[u].push_back(v);
    adjacent[v].push_back(u);
    edges.emplace_back(u, v);
  }

  std::vector<PlainTree> rootings;
  for (const auto& [a, b] : edges) {
    PlainTree tree;
    tree.root = tree.addNode(-1);
    std::function<void(int, int, int)> hang = [&](int v, int from, int parentNode) {
      const int copy = tree.addNode(parentNode);
      tree.label[copy] = gene.label[v];
      for (int w : adjacent[v])
        if (w != from) hang(w, v, copy);
    };
    hang(a, b, tree.root);
    hang(b, a, tree.root);
    rootings.push_back(tree);
  }
  if (edgesOut != nullptr) *edgesOut = edges;
  return rootings;
}

Counts cheapestRooting(const PlainTree& species, const PlainTree& gene, bool limitLosses, const CostWeights& weights) {
  if (gene.isLeaf(gene.root)) return directCount(species, gene, limitLosses);
  Counts best;
  double bestCost = std::numeric_limits<double>::infinity();
  for (const PlainTree& rooting : allRootings(gene)) {
    const Counts counts = directCount(species, rooting, limitLosses);
    if (counts.cost(weights) < bestCost) {
      best = counts;
      bestCost = counts.cost(weights);
    }
  }
  return best;
}

PlainTree randomTree(std::mt19937& random, std::vector<std::string> labels) {
  std::shuffle(labels.begin(), labels.end(), random);
  // Grow by inserting each new leaf on the edge above a random node.
  PlainTree tree;
  tree.root = tree.addNode(-1);
  tree.label[tree.root] = labels[0];
  for (std::size_t i = 1; i < labels.size(); ++i) {
    const int target = static_cast<int>(random() % tree.parent.size());
    const int up = tree.parent[target];
    const int joint = tree.addNode(-1);
    if (up >= 0) {
      tree.child[up][tree.child[up][0] == target ? 0 : 1] = joint;
      tree.parent[joint] = up;
    } else {
      tree.root = joint;
    }
    tree.parent[target] = joint;
    tree.child[joint][0] = target;
    const int leaf = tree.addNode(joint);
    tree.label[leaf] = labels[i];
    if (random() % 2) std::swap(tree.child[joint][0], tree.child[joint][1]);
  }
  return tree;
}

PlainTree restrictTo(const PlainTree& tree, const std::set<std::string>& kept) {
  PlainTree result;
  // Returns the copy of the subtree below v in result (-1 when empty).
  std::function<int(int)> copy = [&](int v) -> int {
    if (tree.isLeaf(v)) {
      if (!kept.count(tree.label[v])) return -1;
      const int leaf = result.addNode(-1);
      result.label[leaf] = tree.label[v];
      return leaf;
    }
    const int a = copy(tree.child[v][0]);
    const int b = copy(tree.child[v][1]);
    if (a < 0 || b < 0) return a < 0 ? b : a;
    const int joint = result.addNode(-1);
    result.child[joint] = {a, b};
    result.parent[a] = result.parent[b] = joint;
    return joint;
  };
  result.root = copy(tree.root);
  return result;
}

std::vector<PlainTree> sprNeighbours(const PlainTree& tree) {
  const int n = static_cast<int>(tree.parent.size());
  auto below = [&](int v, int top) {
    for (; v >= 0; v = tree.parent[v])
      if (v == top) return true;
    return false;
  };
  std::vector<PlainTree> result;
  for (int x = 0; x < n; ++x) {
    if (x == tree.root) continue;
    for (int y = 0; y < n; ++y) {
      const int p = tree.parent[x];
      if (below(y, x) || y == p) continue;
      PlainTree t = tree;
      // Prune p: x's sibling takes p's place.
      const int s = t.child[p][0] == x ? t.child[p][1] : t.child[p][0];
      const int g = t.parent[p];
      t.parent[s] = g;
      if (g >= 0)
        t.child[g][t.child[g][0] == p ? 0 : 1] = s;
      else
        t.root = s;
      // Regraft p on the edge above y.
      const int q = t.parent[y];
      if (q >= 0)
        t.child[q][t.child[q][0] == y ? 0 : 1] = p;
      else
        t.root = p;
      t.parent[p] = q;
      t.parent[y] = p;
      t.child[p][t.child[p][0] == x ? 1 : 0] = y;
      result.push_back(t);
    }
  }
  return result;
}

}  // namespace dls
