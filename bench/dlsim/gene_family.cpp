#include "gene_family.hpp"

#include <utility>
#include <vector>

namespace dlsim {

namespace {

struct GeneCopy {
  int child[2] = {-1, -1};
  int species = -1;  // species leaf of a surviving copy; -1 inside the tree or when lost
};

class FamilyBuilder {
 public:
  explicit FamilyBuilder(const YuleSpeciesTree& species) : species(species) {}

  int newCopy() {
    copies.emplace_back();
    return static_cast<int>(copies.size()) - 1;
  }

  // Splits a copy in two; the first new copy takes its place.
  int split(std::vector<int>& lineages, std::size_t at) {
    const int parent = lineages[at];
    const int first = newCopy(), second = newCopy();
    copies[static_cast<std::size_t>(parent)].child[0] = first;
    copies[static_cast<std::size_t>(parent)].child[1] = second;
    lineages[at] = first;
    return second;
  }

  // Duplications and losses along a branch of the given length.
  void alongBranch(std::vector<int>& lineages, double length, const FamilyRates& rates, SimRandom& random) {
    const double eventRate = rates.duplication + rates.loss;
    if (eventRate <= 0.0) return;
    for (double time = 0.0; !lineages.empty();) {
      time += random.exponential(eventRate * static_cast<double>(lineages.size()));
      if (time >= length) return;
      const std::size_t at = random.below(lineages.size());
      if (random.uniform() * eventRate < rates.duplication) {
        lineages.push_back(split(lineages, at));
      } else {
        lineages[at] = lineages.back();
        lineages.pop_back();
      }
    }
  }

  GeneFamily run(const FamilyRates& rates, SimRandom& random) {
    const int root = newCopy();
    std::vector<int> atRoot{root};
    for (int copy = 1; copy < rates.rootCopies; ++copy) atRoot.push_back(split(atRoot, random.below(atRoot.size())));

    // Species nodes in pre-order, each with the copies entering its branch.
    std::vector<std::pair<int, std::vector<int>>> pending;
    pending.emplace_back(0, std::move(atRoot));
    while (!pending.empty()) {
      auto [node, lineages] = std::move(pending.back());
      pending.pop_back();
      const SpeciesBranch& branch = species.nodes[static_cast<std::size_t>(node)];
      alongBranch(lineages, branch.length, rates, random);
      if (branch.child[0] < 0) {
        for (int copy : lineages) copies[static_cast<std::size_t>(copy)].species = node;
        continue;
      }
      std::vector<int> left, right;
      for (std::size_t i = 0; i < lineages.size(); ++i) {
        right.push_back(split(lineages, i));
        left.push_back(lineages[i]);
      }
      pending.emplace_back(branch.child[1], std::move(right));
      pending.emplace_back(branch.child[0], std::move(left));
    }
    swapLeaves(rates.leafSwaps, random);
    return write(root);
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

  // Newick text of the surviving copies below root, contracting copies with
  // one surviving child.
  GeneFamily write(int root) {
    // Surviving leaves below each copy; children have larger indices than parents.
    std::vector<int> surviving(copies.size(), 0);
    for (std::size_t i = copies.size(); i-- > 0;) {
      const GeneCopy& copy = copies[i];
      if (copy.child[0] >= 0)
        surviving[i] = surviving[static_cast<std::size_t>(copy.child[0])] +
                       surviving[static_cast<std::size_t>(copy.child[1])];
      else
        surviving[i] = copy.species >= 0 ? 1 : 0;
    }
    GeneFamily family;
    family.leaves = surviving[static_cast<std::size_t>(root)];
    if (family.leaves == 0) return family;

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
    std::vector<std::pair<int, int>> stack{{descend(root), 0}};
    while (!stack.empty()) {
      const int copy = stack.back().first;
      const GeneCopy& c = copies[static_cast<std::size_t>(copy)];
      if (c.child[0] < 0) {
        family.newick += species.nodes[static_cast<std::size_t>(c.species)].name;
        stack.pop_back();
      } else if (stack.back().second == 2) {
        family.newick += ')';
        stack.pop_back();
      } else {
        const int side = stack.back().second++;
        family.newick += side == 0 ? '(' : ',';
        stack.emplace_back(descend(c.child[side]), 0);
      }
    }
    if (family.leaves == 1) family.newick = "(" + family.newick + ")";
    family.newick += ';';
    return family;
  }

  const YuleSpeciesTree& species;
  std::vector<GeneCopy> copies;
};

}  // namespace

GeneFamily evolveFamily(const YuleSpeciesTree& species, const FamilyRates& rates, SimRandom& random) {
  return FamilyBuilder(species).run(rates, random);
}

}  // namespace dlsim
