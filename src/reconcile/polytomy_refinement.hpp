#pragma once
// The cheapest binary refinement of a gene-tree polytomy under duplications
// and losses (Lafond, Swenson & El-Mabrouk 2012; Zheng & Zhang 2014).
//
// A node x with k >= 3 children c1..ck says "some binary resolution of
// these children". The LCA mapping of every original node is the same in
// every refinement, and polytomies do not interact: a gene tree's least
// cost over its refinements is the usual cost of its binary nodes plus, for
// every polytomy, the least cost of its joins. That least cost depends only
// on r = M(x) and the multiset X = {M(ci)}, and a dynamic programme over
// the species nodes between X and r finds it, with a refinement that
// reaches it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/random.hpp"
#include "common/tree_tour.hpp"
#include "reconcile/cost_model.hpp"
#include "reconcile/reconciliation.hpp"
#include "reconcile/relevant_tree.hpp"

namespace dls {

// How two (D, L) pairs compare under the weights: by the weighted cost,
// reckoned from the whole counts so that equal pairs always compare equal;
// when a weight is 0, by the other count first and this one next, so that
// the counts stay the least possible.
class CostOrder {
 public:
  explicit CostOrder(const CostWeights& weights) : weights_(weights) {}

  // Negative, zero or positive as a costs less than, as much as, or more
  // than b.
  int compare(const GeneTreeCost& a, const GeneTreeCost& b) const {
    if (weights_.loss == 0) return lexicographic(a.duplications, a.losses, b.duplications, b.losses);
    if (weights_.duplication == 0) return lexicographic(a.losses, a.duplications, b.losses, b.duplications);
    const double x = weights_.of(static_cast<double>(a.duplications), static_cast<double>(a.losses));
    const double y = weights_.of(static_cast<double>(b.duplications), static_cast<double>(b.losses));
    return x < y ? -1 : (y < x ? 1 : 0);
  }
  // Whether a (drawn key ka) goes before b (key kb): cheaper, or as cheap
  // with a smaller key. Without draws every key is 0 and the one held stays.
  bool before(const GeneTreeCost& a, std::uint32_t ka, const GeneTreeCost& b, std::uint32_t kb) const {
    const int c = compare(a, b);
    return c < 0 || (c == 0 && ka < kb);
  }

 private:
  static int lexicographic(std::int64_t a1, std::int64_t a2, std::int64_t b1, std::int64_t b2) {
    if (a1 != b1) return a1 < b1 ? -1 : 1;
    return a2 < b2 ? -1 : (b2 < a2 ? 1 : 0);
  }
  CostWeights weights_;
};

// One join of a refinement: items 0..k-1 are the polytomy's children in the
// order given; join t makes item k + t from items a and b. The last join's
// item is the polytomy's node itself.
struct RefinementJoin {
  std::uint32_t a, b;
};

// Refines polytomies one at a time; its scratch space grows to the largest
// polytomy and species tree met and is reused, so that a warmed-up refiner
// does not allocate.
class PolytomyRefiner {
 public:
  // The least cost (weights.duplication × D + weights.loss × L) of the joins
  // of a polytomy of k >= 1 children mapped to childMappings[0..k), the
  // polytomy mapped to r, their LCA: D counts the joins that are
  // duplications, L the losses on the edges below the joins (the edges into
  // the children included), in levels of the relevant tree as lossesBelow
  // counts them. Costs compare as whole counts: with a loss weight of 0 by
  // duplications, then losses; with a duplication weight of 0 by losses,
  // then duplications.
  //
  // When joins is given, it receives a refinement of that cost (k - 1
  // joins). Among refinements of equal cost, the choices are drawn with
  // ties when given, else made the same way on every call.
  //
  // Every mapping must be a node of the relevant tree, and r their LCA;
  // InternalError otherwise.
  GeneTreeCost refine(const RelevantTree& relevant, NodeId r, const NodeId* childMappings, std::size_t k,
                      const CostWeights& weights, Random* ties = nullptr, std::vector<RefinementJoin>* joins = nullptr);

 private:
  // A species node of the dynamic programme: a mapping of some child, a
  // node where the paths from two of them meet, or r. The others on the
  // paths (one child on the paths, no child mapped there) only pass
  // lineages up, each losing one copy there; they get no table.
  struct Node {
    NodeId species;
    std::uint32_t here;        // n(s): children mapped to s
    std::uint32_t size;        // N(s): children mapped inside the subtree of s
    std::uint32_t below;       // nodes of the programme directly below: 0, 1 or 2
    std::uint32_t child[2];    // those nodes, the one on the relevant tree's child 0 side first
    std::int64_t skipped[2];   // passing levels between s and each of them
    std::uint32_t offset;      // where the node's tables start
    std::uint32_t firstChild;  // where its children (by number) start in childrenAt_
    std::uint32_t demand;      // lineages the chosen refinement leaves on the branch into s
  };

  void collectNodes(const RelevantTree& relevant, NodeId r, const NodeId* childMappings, std::size_t k);
  void solve(Node& s, const CostWeights& weights, Random* ties);
  void combineTwo(const Node& s, const CostWeights& weights, Random* ties);
  void rebuild(std::size_t k, Random* ties, std::vector<RefinementJoin>& joins);
  bool marked(const RelevantTree& relevant, NodeId v) const {
    return v != kNoNode && stamp_[relevant.begin(v)] == currentStamp_;
  }

  // By position in the relevant tree's pre-order: the nodes of S_X (the
  // paths from every mapping up to r) carry the current stamp.
  std::vector<std::uint32_t> stamp_;
  std::vector<std::uint32_t> here_;            // n(s)
  std::vector<std::uint32_t> representative_;  // the programme's node whose lineages pass through s
  std::uint32_t currentStamp_ = 0;
  TreeTour tour_;

  std::vector<Node> nodes_;                // in post-order: r last
  std::vector<std::uint32_t> childrenAt_;  // the polytomy's children grouped by node
  // Per node s, entry offset + (k - 1): C_s[k], the cheapest forest of k
  // lineages on the branch into s that ends in the children below s; the
  // number m >= k of lineages before duplications at s merged them; and,
  // at a node with two below, how many of the m lineages come from each
  // side (less the children mapped to s).
  std::vector<GeneTreeCost> best_;
  std::vector<std::uint32_t> mergedFrom_;
  std::vector<std::uint32_t> fromSide_[2];

  // Scratch of one node: F_s[m], the sides' tables shifted for the
  // combination, the sliding window's positions and the draws that order
  // equal costs.
  std::vector<GeneTreeCost> arriving_;
  std::vector<GeneTreeCost> side_[2];
  std::vector<std::uint32_t> window_;
  std::vector<std::uint32_t> tieKey_[3];
  // Rebuilding: the lineages of finished nodes, those of the node at hand.
  std::vector<std::uint32_t> lineageStack_;
  std::vector<std::uint32_t> lineages_;
};

}  // namespace dls
