#include "gene_family.hpp"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace dlsim {

namespace {

struct GeneCopy {
  int child[2] = {-1, -1};
  int species = -1;   // species leaf of a surviving copy; -1 inside the tree or when lost
  double time = 0.0;  // when the copy split, or the present for a surviving copy
};

std::size_t at(int node) { return static_cast<std::size_t>(node); }

int& slotOf(GeneTree& tree, int parentNode, int node) {
  std::array<int, 2>& up = tree.child[at(parentNode)];
  return up[0] == node ? up[0] : up[1];
}

// Puts the tree's node in the place of node `was` below `above` (-1: at the root).
void replace(GeneTree& tree, int above, int was, int node) {
  tree.parent[at(node)] = above;
  (above < 0 ? tree.root : slotOf(tree, above, was)) = node;
}

// Gene-tree error: each leaf, with the given chance, is taken out with its
// parent p and p is put onto the edge above a node drawn uniformly from
// the rest of the tree, the leaf keeping its slot in p. The edge above the
// leaf's sibling is left out (the move would change nothing), the edge
// above the root is not. Returns the leaves moved.
int moveLeaves(GeneTree& tree, double chance, SimRandom& random) {
  const int size = static_cast<int>(tree.size());
  if (!(chance > 0.0) || size < 5) return 0;  // two leaves or fewer: no move changes the tree
  std::vector<int>& parent = tree.parent;
  std::vector<std::array<int, 2>>& child = tree.child;
  int moved = 0;
  for (int leaf = 0; leaf < size; ++leaf) {
    if (child[at(leaf)][0] >= 0 || !(random.uniform() < chance)) continue;
    const int p = parent[at(leaf)];
    const int side = child[at(p)][0] == leaf ? 0 : 1;
    const int sibling = child[at(p)][1 - side];
    replace(tree, parent[at(p)], p, sibling);
    int skipped[3] = {leaf, p, sibling};
    std::sort(skipped, skipped + 3);
    int target = static_cast<int>(random.below(static_cast<std::size_t>(size - 3)));
    for (int skip : skipped) target += target >= skip ? 1 : 0;
    replace(tree, parent[at(target)], target, p);
    child[at(p)][1 - side] = target;
    parent[at(target)] = p;
    ++moved;
  }
  return moved;
}

class FamilyBuilder {
 public:
  explicit FamilyBuilder(const YuleSpeciesTree& species) : species(species) {}

  int newCopy() {
    copies.emplace_back();
    return static_cast<int>(copies.size()) - 1;
  }

  // Splits a copy in two at the given time; the first new copy takes its place.
  int split(std::vector<int>& lineages, std::size_t at, double time) {
    const int parent = lineages[at];
    const int first = newCopy(), second = newCopy();
    GeneCopy& splitting = copies[static_cast<std::size_t>(parent)];
    splitting.child[0] = first;
    splitting.child[1] = second;
    splitting.time = time;
    lineages[at] = first;
    return second;
  }

  // Duplications and losses along a branch that starts at the given time.
  void alongBranch(std::vector<int>& lineages, double start, double length, const FamilyRates& rates,
                   SimRandom& random) {
    const double eventRate = rates.duplication + rates.loss;
    if (eventRate <= 0.0) return;
    for (double time = 0.0; !lineages.empty();) {
      time += random.exponential(eventRate * static_cast<double>(lineages.size()));
      if (time >= length) return;
      const std::size_t at = random.below(lineages.size());
      if (random.uniform() * eventRate < rates.duplication) {
        lineages.push_back(split(lineages, at, start + time));
      } else {
        lineages[at] = lineages.back();
        lineages.pop_back();
      }
    }
  }

  GeneFamily run(const FamilyRates& rates, SimRandom& random, SimRandom& noise) {
    const int root = newCopy();
    std::vector<int> atRoot{root};
    for (int copy = 1; copy < rates.rootCopies; ++copy)
      atRoot.push_back(
          split(atRoot, random.below(atRoot.size()), -kRootStem * (rates.rootCopies - copy) / rates.rootCopies));

    // Species nodes in pre-order, each with the time its branch starts and
    // the copies entering it.
    struct Entering {
      int node;
      double start;
      std::vector<int> lineages;
    };
    std::vector<Entering> pending;
    pending.push_back({0, 0.0, std::move(atRoot)});
    while (!pending.empty()) {
      auto [node, start, lineages] = std::move(pending.back());
      pending.pop_back();
      const SpeciesBranch& branch = species.nodes[static_cast<std::size_t>(node)];
      alongBranch(lineages, start, branch.length, rates, random);
      const double end = start + branch.length;
      if (branch.child[0] < 0) {
        for (int copy : lineages) {
          copies[static_cast<std::size_t>(copy)].species = node;
          copies[static_cast<std::size_t>(copy)].time = end;
        }
        continue;
      }
      std::vector<int> left, right;
      for (std::size_t i = 0; i < lineages.size(); ++i) {
        right.push_back(split(lineages, i, end));
        left.push_back(lineages[i]);
      }
      pending.push_back({branch.child[1], end, std::move(right)});
      pending.push_back({branch.child[0], end, std::move(left)});
    }
    swapLeaves(rates.leafSwaps, random);
    GeneFamily family;
    family.evolved = contract(root);
    family.written = family.evolved;
    if (family.evolved.size() == 0) return family;
    family.moved = moveLeaves(family.written, rates.sprNoise, noise);
    family.leaves = static_cast<int>(family.evolved.size() + 1) / 2;
    return family;
  }

 private:
  void swapLeaves(int swaps, SimRandom& random) {
    std::vector<int> genes;
    for (std::size_t i = 0; i < copies.size(); ++i)
      if (copies[i].species >= 0) genes.push_back(static_cast<int>(i));
    if (genes.size() < 2) return;
    for (int swap = 0; swap < swaps; ++swap) {
      GeneCopy& first = copies[static_cast<std::size_t>(genes[random.below(genes.size())])];
      GeneCopy& second = copies[static_cast<std::size_t>(genes[random.below(genes.size())])];
      std::swap(first.species, second.species);
    }
  }

  // The tree of the surviving copies below root, contracting copies with
  // one surviving child.
  GeneTree contract(int root) const {
    // Surviving leaves below each copy; children have larger indices than parents.
    std::vector<int> surviving(copies.size(), 0);
    for (std::size_t i = copies.size(); i-- > 0;) {
      const GeneCopy& copy = copies[i];
      if (copy.child[0] >= 0)
        surviving[i] =
            surviving[static_cast<std::size_t>(copy.child[0])] + surviving[static_cast<std::size_t>(copy.child[1])];
      else
        surviving[i] = copy.species >= 0 ? 1 : 0;
    }
    GeneTree tree;
    if (surviving[static_cast<std::size_t>(root)] == 0) return tree;

    auto descend = [&](int copy) {  // skips copies with a single surviving child
      for (;;) {
        const GeneCopy& c = copies[static_cast<std::size_t>(copy)];
        if (c.child[0] < 0) return copy;
        const bool left = surviving[static_cast<std::size_t>(c.child[0])] > 0;
        const bool right = surviving[static_cast<std::size_t>(c.child[1])] > 0;
        if (left && right) return copy;
        copy = left ? c.child[0] : c.child[1];
      }
    };
    struct Pending {
      int copy, parent, side;  // the copy, and the tree node and slot it hangs from
    };
    std::vector<Pending> stack{{descend(root), -1, 0}};
    while (!stack.empty()) {
      const Pending next = stack.back();
      stack.pop_back();
      const int node = static_cast<int>(tree.parent.size());
      const GeneCopy& c = copies[static_cast<std::size_t>(next.copy)];
      tree.parent.push_back(next.parent);
      tree.child.push_back({-1, -1});
      tree.species.push_back(c.species);
      tree.time.push_back(c.time);
      if (next.parent >= 0) tree.child[static_cast<std::size_t>(next.parent)][next.side] = node;
      if (c.child[0] < 0) continue;
      stack.push_back({descend(c.child[1]), node, 1});
      stack.push_back({descend(c.child[0]), node, 0});
    }
    return tree;
  }

  const YuleSpeciesTree& species;
  std::vector<GeneCopy> copies;
};

}  // namespace

GeneFamily evolveFamily(const YuleSpeciesTree& species, const FamilyRates& rates, SimRandom& random, SimRandom& noise) {
  return FamilyBuilder(species).run(rates, random, noise);
}

}  // namespace dlsim
