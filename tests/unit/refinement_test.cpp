// The cheapest refinement of a polytomy against brute force over every
// binary refinement: its cost is the least, and the refinement it returns,
// recounted by the direct count, has exactly the counts it claims; a whole
// non-binary gene tree, rooted or not, at its cheapest rooting and
// refinement likewise.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>
#include <tuple>

#include "reconcile/gene_tree_refiner.hpp"
#include "reconcile/polytomy_refinement.hpp"
#include "support/model_trees.hpp"

using namespace dls;

namespace {

using Joins = std::vector<RefinementJoin>;

std::vector<std::string> speciesNames(int n) {
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i) names.push_back("S" + std::to_string(i));
  return names;
}

// A species tree in the program's form, with the relevant tree of a gene
// tree whose leaves are of the species `labels`: the whole species tree, or
// restricted to those species.
struct Species {
  TreeInput input;
  SpeciesIndex index;
  RelevantTree relevant;
  PlainTree plain;  // for the direct count: the tree, or its restriction to the labels

  Species(const PlainTree& tree, const std::vector<std::string>& labels, bool limit, std::mt19937& random) {
    input = readInput(readableNewick(tree) + "\n" + readableNewick(randomTree(random, labels)), true);
    const SpeciesTree& species = *input.speciesTree;
    input.speciesTree->coverNames(input.names.size());
    index.rebuild(species);
    plain = limit ? restrictTo(tree, std::set<std::string>(labels.begin(), labels.end())) : tree;
    if (!limit) {
      relevant.buildWhole(species, index);
      return;
    }
    const GeneTree& gene = input.geneTrees[0];
    std::vector<NodeId> map(gene.size(), kNoNode);
    for (NodeId leaf : gene.leaves()) map[leaf] = species.leafByName()[gene.name(leaf)];
    relevant.buildRestricted(species, index, gene, map.data());
  }
  NodeId leaf(const std::string& name) const { return input.speciesTree->leafByName()[input.names.find(name)]; }
  NodeId lca(const std::vector<NodeId>& nodes) const {
    NodeId m = nodes[0];
    for (NodeId v : nodes) m = index.lca(m, v);
    return m;
  }
};

// The counts of a refinement's joins over items mapped to `items`, by the
// program's rules (which the reconciliation tests hold to the direct count).
Counts joinCounts(const Species& s, std::vector<NodeId> items, const Joins& joins) {
  Counts counts;
  for (const RefinementJoin& j : joins) {
    const NodeId a = items[j.a], b = items[j.b], m = s.index.lca(a, b);
    counts.duplications += isDuplication<false>(m, a, b) ? 1 : 0;
    counts.losses += lossesBelow<false>(s.relevant, m, a, b);
    items.push_back(m);
  }
  return counts;
}

// Every rooted binary tree on k labelled items, each once, as joins: item t
// goes onto one of the 2t - 1 edges of the tree on items 0 .. t-1 (the one
// above its root included).
std::vector<Joins> allRefinements(std::size_t k) {
  std::vector<Joins> result;
  std::vector<std::size_t> choice(k, 0);
  for (;;) {
    std::vector<int> parent(2 * k - 1, -1);
    std::vector<std::array<int, 2>> child(2 * k - 1, {-1, -1});
    int root = 0;
    for (std::size_t t = 1; t < k; ++t) {
      const int e = choice[t] < t ? static_cast<int>(choice[t]) : static_cast<int>(k + choice[t] - t);
      const int w = static_cast<int>(k + t - 1), up = parent[e];
      child[w] = {e, static_cast<int>(t)};
      parent[w] = up;
      parent[e] = parent[t] = w;
      if (up < 0) root = w;
      if (up >= 0) child[up][child[up][0] == e ? 0 : 1] = w;
    }
    Joins joins;
    std::function<std::uint32_t(int)> item = [&](int v) -> std::uint32_t {
      if (v < static_cast<int>(k)) return static_cast<std::uint32_t>(v);
      const std::uint32_t a = item(child[v][0]), b = item(child[v][1]);
      joins.push_back({a, b});
      return static_cast<std::uint32_t>(k + joins.size() - 1);
    };
    item(root);
    result.push_back(joins);
    std::size_t t = 1;
    while (t < k && ++choice[t] == 2 * t - 1) choice[t++] = 0;
    if (t >= k) return result;
  }
}

// A refinement as the set of children below each join: equal for equal trees.
std::vector<std::uint32_t> clades(std::size_t k, const Joins& joins) {
  std::vector<std::uint32_t> below(k);
  for (std::size_t i = 0; i < k; ++i) below[i] = 1U << i;
  for (const RefinementJoin& j : joins) below.push_back(below[j.a] | below[j.b]);
  std::sort(below.begin(), below.end());
  return below;
}

// The Newick text (no ";") of the refinement over the children's texts.
std::string refined(std::vector<std::string> items, const Joins& joins) {
  for (const RefinementJoin& j : joins) items.push_back("(" + items[j.a] + "," + items[j.b] + ")");
  return items.back();
}

// Least first: by weighted cost, then by the count whose weight is 0.
std::tuple<double, long> rank(const Counts& c, const CostWeights& w) {
  return {c.cost(w), w.loss == 0 ? c.losses : w.duplication == 0 ? c.duplications : 0};
}

TEST(PolytomyRefinement, WorkedExample) {
  // S = ((A,B),C); children a1, a2, b, c1, c2. At δ = λ = 1 two shapes of
  // refinement cost 2; at λ = 0.5 only (((a,b),c),(a,c)), one duplication
  // and one loss; at δ = 0.5 only (((a,a),b),(c,c)), two duplications.
  struct Row {
    CostWeights weights;
    double cost;
    long duplications;  // -1: either shape
  } rows[] = {{{1, 1}, 2, -1}, {{1, 0.5}, 1.5, 1}, {{0.5, 1}, 1, 2}};
  std::mt19937 random(1);
  const Species s(PlainTree::parse("((A,B),C);"), {"A", "B", "C"}, false, random);
  const std::vector<NodeId> items = {s.leaf("A"), s.leaf("A"), s.leaf("B"), s.leaf("C"), s.leaf("C")};
  for (const Row& row : rows) {
    PolytomyRefiner refiner;
    Joins joins;
    const GeneTreeCost cost = refiner.refine(s.relevant, s.input.speciesTree->root(), items.data(), items.size(),
                                             row.weights, nullptr, &joins);
    const Counts counts{cost.duplications, cost.losses};
    EXPECT_DOUBLE_EQ(counts.cost(row.weights), row.cost);
    EXPECT_EQ(joinCounts(s, items, joins), counts);
    if (row.duplications >= 0) {
      EXPECT_EQ(counts.duplications, row.duplications);
    }
  }
}

TEST(PolytomyRefinement, RefusesAMappingThatIsNotTheChildrensLca) {
  std::mt19937 random(1);
  const Species s(PlainTree::parse("((A,B),C);"), {"A", "B", "C"}, false, random);
  const NodeId ab = s.index.lca(s.leaf("A"), s.leaf("B")), items[] = {s.leaf("A"), s.leaf("B"), s.leaf("C")};
  PolytomyRefiner refiner;
  EXPECT_THROW(refiner.refine(s.relevant, ab, items, 3, {1, 1}), InternalError);  // C lies outside
  EXPECT_THROW(refiner.refine(s.relevant, s.input.speciesTree->root(), items, 2, {1, 1}), InternalError);  // above
}

// Random polytomies whose children are small subtrees (mapped to leaves
// and inner nodes), on random species trees, over the whole species tree
// and restricted to the gene tree's species, under the table of weights.
TEST(PolytomyRefinement, IsTheLeastOfEveryRefinementAndCountsItsOwnRefinement) {
  std::mt19937 random(23);
  PolytomyRefiner refiner;  // one for all rounds: its scratch is reused
  for (int round = 0; round < 400; ++round) {
    const std::vector<std::string> names = speciesNames(1 + static_cast<int>(random() % 8));
    const std::size_t k = 2 + random() % 6;
    std::vector<PlainTree> children;
    std::vector<std::string> labels;
    for (std::size_t c = 0; c < k; ++c) {
      std::vector<std::string> own(1 + (random() % 3 == 0 ? random() % 3 : 0));
      for (std::string& label : own) label = names[random() % names.size()];
      labels.insert(labels.end(), own.begin(), own.end());
      children.push_back(randomTree(random, own));
    }
    const bool limit = round % 2 == 1;
    const PlainTree speciesTree = randomTree(random, names);
    const Species s(speciesTree, labels, limit, random);
    const CostWeights weights = roundWeights(round / 2, random);
    std::vector<NodeId> items;
    std::vector<std::string> texts;
    Counts ownCounts;  // of the children's subtrees
    for (const PlainTree& child : children) {
      std::vector<NodeId> leaves;
      for (int leaf : child.leaves()) leaves.push_back(s.leaf(child.label[leaf]));
      items.push_back(s.lca(leaves));
      texts.push_back(child.newick().substr(0, child.newick().size() - 1));
      const Counts own = directCount(s.plain, child, false);
      ownCounts = {ownCounts.duplications + own.duplications, ownCounts.losses + own.losses};
    }

    const std::vector<Joins> every = allRefinements(k);
    Counts least = joinCounts(s, items, every[0]);
    for (const Joins& joins : every)
      if (rank(joinCounts(s, items, joins), weights) < rank(least, weights)) least = joinCounts(s, items, joins);
    Joins joins;
    const GeneTreeCost cost = refiner.refine(s.relevant, s.lca(items), items.data(), k, weights, nullptr, &joins);
    const Counts counts{cost.duplications, cost.losses};
    const std::string context = speciesTree.newick() + " " + refined(texts, joins) + " limit " + std::to_string(limit) +
                                " weights " + std::to_string(weights.duplication) + "/" + std::to_string(weights.loss);
    ASSERT_TRUE(nearCost(counts.cost(weights), least.cost(weights))) << context;
    if (weights.loss == 0 || weights.duplication == 0) {
      ASSERT_EQ(counts, least) << context;
    }
    ASSERT_EQ(joins.size(), k - 1);
    const Counts whole = directCount(speciesTree, PlainTree::parse(refined(texts, joins) + ";"), limit);
    ASSERT_EQ(whole, (Counts{counts.duplications + ownCounts.duplications, counts.losses + ownCounts.losses}))
        << context;
  }
}

// A gene tree with child lists; inner nodes of more than two children are
// polytomies.
struct MultiTree {
  std::vector<std::vector<int>> children;
  std::vector<std::string> label;
  int root = -1;
};

// A random binary tree with random inner edges contracted.
MultiTree randomMultiTree(std::mt19937& random, const std::vector<std::string>& labels) {
  const PlainTree binary = randomTree(random, labels);
  MultiTree tree;
  tree.children.resize(binary.parent.size());
  tree.label = binary.label;
  tree.root = binary.root;
  std::function<void(int, int)> hang = [&](int v, int onto) {
    for (int c : binary.child[v]) {
      if (c < 0) continue;
      const bool contract = !binary.isLeaf(c) && random() % 2 == 0;
      if (!contract) tree.children[onto].push_back(c);
      hang(c, contract ? onto : c);
    }
  };
  hang(binary.root, binary.root);
  return tree;
}

// A whole non-binary gene tree, read with its polytomies kept, rooted or
// unrooted, under losses over the whole or the restricted species tree:
// the refiner's cost is the least over every rooting of every refinement,
// and the tree it returns recounts to exactly that.
TEST(GeneTreeRefiner, IsTheLeastOfEveryRootingAndRefinementAndCountsItsOwn) {
  std::mt19937 random(31);
  for (int round = 0; round < 160; ++round) {
    const std::vector<std::string> names = speciesNames(2 + static_cast<int>(random() % 5));
    std::vector<std::string> labels(3 + random() % 5);
    for (std::string& label : labels) label = names[random() % names.size()];
    const MultiTree gene = randomMultiTree(random, labels);
    const PlainTree speciesTree = randomTree(random, names);
    const bool limit = round % 2 == 1, unrooted = round % 4 >= 2;
    const CostWeights weights = roundWeights(round / 4, random);

    // Newick text of the gene tree, every inner node refined as given.
    std::vector<int> inner;
    std::function<void(int)> order = [&](int v) {
      for (int c : gene.children[v]) order(c);
      if (!gene.children[v].empty()) inner.push_back(v);
    };
    order(gene.root);
    const auto text = [&](const std::vector<Joins>* refinement) {
      std::vector<std::string> at(gene.label.size());
      for (int v = 0; v < static_cast<int>(gene.label.size()); ++v)
        if (gene.children[v].empty()) at[v] = gene.label[v];
      for (int v : inner) {
        std::vector<std::string> items;
        for (int c : gene.children[v]) items.push_back(at[c]);
        if (refinement != nullptr) {
          at[v] = refined(items, (*refinement)[v]);
        } else {
          at[v] = "(" + items[0];
          for (std::size_t i = 1; i < items.size(); ++i) at[v] += "," + items[i];
          at[v] += ")";
        }
      }
      return at[gene.root] + ";";
    };
    const std::string written = (unrooted ? "[&U]" : "[&R]") + text(nullptr);
    const TreeInput input = readInput(readableNewick(speciesTree) + "\n" + written, true, 1, true);
    input.speciesTree->coverNames(input.names.size());
    GeneTreeRefiner refiner(*input.speciesTree,
                            {limit ? LossScope::geneSpeciesOnly : LossScope::wholeSpeciesTree, weights});
    GeneTreeResolution resolution;
    const GeneTree& read = input.geneTrees[0];
    const GeneTreeCost cost = refiner.refine(read, nullptr, &resolution);
    const std::string found = newickOf(read.relinked(resolution.children, resolution.root), input.names);
    const std::string context = speciesTree.newick() + " " + written + " found " + found;
    ASSERT_EQ(directCount(speciesTree, PlainTree::parse(found), limit), (Counts{cost.duplications, cost.losses}))
        << context;

    // Brute force: every combination of refinements of the inner nodes,
    // each at every rooting when unrooted (when there are not too many).
    std::vector<std::vector<Joins>> options(gene.label.size());
    std::size_t combinations = 1;
    for (int v : inner) combinations *= (options[v] = allRefinements(gene.children[v].size())).size();
    if (combinations > 300) continue;
    std::vector<std::size_t> pick(gene.label.size(), 0);
    std::vector<Joins> refinement(gene.label.size());
    Counts least{1L << 40, 1L << 40};
    for (;;) {
      for (int v : inner) refinement[v] = options[v][pick[v]];
      const PlainTree tree = PlainTree::parse(text(&refinement));
      for (const PlainTree& rooting : unrooted ? allRootings(tree) : std::vector<PlainTree>{tree}) {
        const Counts c = directCount(speciesTree, rooting, limit);
        if (rank(c, weights) < rank(least, weights)) least = c;
      }
      std::size_t i = 0;
      while (i < inner.size() && ++pick[inner[i]] == options[inner[i]].size()) pick[inner[i++]] = 0;
      if (i == inner.size()) break;
    }
    ASSERT_TRUE(nearCost(Counts{cost.duplications, cost.losses}.cost(weights), least.cost(weights)))
        << context << " cost " << cost.duplications << "+" << cost.losses << " least " << least.duplications << "+"
        << least.losses << " weights " << weights.duplication << "," << weights.loss;
  }
}

// Drawn between optimal refinements: every one drawn is optimal, and where
// several exist more than one is drawn.
TEST(PolytomyRefinement, DrawsBetweenOptimalRefinements) {
  std::mt19937 random(47);
  const CostWeights exact[] = {{1, 1}, {1, 0.5}, {2, 1}, {1, 0}, {0, 1}};  // costs that sum exactly
  PolytomyRefiner refiner;
  int several = 0;
  for (int round = 0; round < 60; ++round) {
    const std::vector<std::string> names = speciesNames(1 + static_cast<int>(random() % 6));
    std::vector<std::string> labels(3 + random() % 4);
    for (std::string& label : labels) label = names[random() % names.size()];
    const Species s(randomTree(random, names), labels, round % 2 == 1, random);
    const CostWeights weights = exact[round % std::size(exact)];
    std::vector<NodeId> items;
    for (const std::string& label : labels) items.push_back(s.leaf(label));
    const NodeId r = s.lca(items);

    // Optimal under the order of costs: by weighted cost, then by the count
    // whose weight is 0.
    std::set<std::vector<std::uint32_t>> optimal, drawn;
    std::tuple<double, long> least{1e9, 0};
    for (const Joins& joins : allRefinements(items.size())) {
      const std::tuple<double, long> cost = rank(joinCounts(s, items, joins), weights);
      if (cost < least) optimal.clear();
      least = std::min(least, cost);
      if (cost == least) optimal.insert(clades(items.size(), joins));
    }
    Joins first, again;
    refiner.refine(s.relevant, r, items.data(), items.size(), weights, nullptr, &first);
    refiner.refine(s.relevant, r, items.data(), items.size(), weights, nullptr, &again);
    ASSERT_EQ(clades(items.size(), first), clades(items.size(), again));  // without draws, always the same
    for (std::uint32_t seed = 1; seed <= 100; ++seed) {
      Random ties(seed);
      Joins joins;
      const GeneTreeCost cost = refiner.refine(s.relevant, r, items.data(), items.size(), weights, &ties, &joins);
      ASSERT_EQ(rank(joinCounts(s, items, joins), weights), least);
      ASSERT_EQ((Counts{cost.duplications, cost.losses}), joinCounts(s, items, joins));
      drawn.insert(clades(items.size(), joins));
    }
    ASSERT_TRUE(std::includes(optimal.begin(), optimal.end(), drawn.begin(), drawn.end()));
    if (optimal.size() > 1) {
      EXPECT_GT(drawn.size(), 1U) << round;
    }
    several += optimal.size() > 1 ? 1 : 0;
  }
  EXPECT_GT(several, 20);
}

// Thousands of children on hundreds of species, the species tree random
// or a caterpillar (long paths): the refinement has the counts returned.
TEST(PolytomyRefinement, RefinesAStarOfThousandsOfLeaves) {
  std::mt19937 random(53);
  const std::vector<std::string> names = speciesNames(500);
  std::string caterpillar = names[0];
  for (std::size_t i = 1; i < names.size(); ++i) caterpillar = "(" + caterpillar + "," + names[i] + ")";
  for (const PlainTree& tree : {randomTree(random, names), PlainTree::parse(caterpillar + ";")}) {
    std::vector<std::string> labels(2000);
    for (std::string& label : labels) label = names[random() % names.size()];
    const Species s(tree, labels, false, random);
    std::vector<NodeId> items;
    for (const std::string& label : labels) items.push_back(s.leaf(label));
    PolytomyRefiner refiner;
    Joins joins;
    Random ties(3);
    const GeneTreeCost cost =
        refiner.refine(s.relevant, s.lca(items), items.data(), items.size(), {1, 1}, &ties, &joins);
    EXPECT_EQ(joinCounts(s, items, joins), (Counts{cost.duplications, cost.losses}));
  }
}

}  // namespace
