#pragma once
// An unrooted gene tree counts, at every regraft position, at its cheapest
// rooting for the tree the regraft makes. For a fixed species tree the
// cheapest rootings form a connected region, and the cost grows along
// every path away from it (Górecki and Tiuryn 2007; Górecki, Eulenstein
// and Tiuryn 2013): from any rooting, moving the root across an edge to a
// cheaper rooting while there is one ends at a cheapest rooting. So a
// position walks from the gene tree's present rooting, each step costing
// O(1) (the sides it reads are mapped in O(1), each once per tree and
// pruning), and adds the change of the counts to its scores; positions
// where the first steps read the same mappings are decided together, and only
// those where a walk can move are walked (see the .cpp). Over the whole
// species tree only (losses in restricted trees are counted rooting by
// rooting instead).

#include <cstdint>
#include <vector>

#include "reconcile/cost_model.hpp"
#include "reconcile/gene_scratch.hpp"
#include "reconcile/reconciliation.hpp"
#include "scoring/regraft_context.hpp"
#include "tree/gene_tree.hpp"

namespace dls {

class CheapestRootingWalk {
 public:
  explicit CheapestRootingWalk(const CostWeights& weights)
      : weights_(weights), equalWeights_(weights.duplication == weights.loss) {}

  // The pruning the walks are for.
  void begin(const RegraftContext& context);
  // Adds to scores[y] of every position y the change of the counts of the
  // gene tree from its present rooting (its links: rooting) to its
  // cheapest one there. map: the mapping of every gene node at the present
  // rooting with x at the root; remaining: for the nodes mapped to the
  // root, the mapping of their species outside x. The sides the walks
  // read are joined from these (see the .cpp).
  void addChanges(const GeneRooting& rooting, const NodeId* map, const NodeId* remaining, PositionScores* scores);

  // A first step of the walk from the present rooting, in the unpruned
  // species tree: the change of the counts, and the mappings of the root's
  // child that the step joins with another (before: the over node's side,
  // after: the new joined side); all: the mapping of every gene leaf.
  struct FirstStep {
    GeneTreeCost change;
    NodeId before = kNoNode, after = kNoNode;
  };
  struct FirstSteps {
    NodeId all = kNoNode;
    int count = 0;
    FirstStep step[4];
  };
  // The first steps of an unrooted gene tree, reconciled in every
  // direction in the unpruned species tree (scratch) whose depths `whole`
  // gives; whether any of them can be taken at some position of a pruning
  // of a subtree that holds none of the tree's species (see the .cpp). If
  // none can, the tree counts at its present rooting, as a rooted one.
  bool firstSteps(const GeneScratch& scratch, const RelevantTree& whole, FirstSteps& steps) const;
  // Adds to scores[y] the change of the counts to its cheapest rooting of
  // a gene tree without species of x, at the positions where a first step
  // of firstSteps can be taken; the tree rooted at its present rooting,
  // map: its mappings there in the unpruned tree, which hold here (x's
  // species are not among them). formerSibling: x's sibling in the
  // unpruned tree.
  void addChangesWithoutPrunedSpecies(const GeneRooting& rooting, const NodeId* map, const FirstSteps& steps,
                                      NodeId formerSibling, PositionScores* scores);

 private:
  // A side of a gene-tree edge: the mapping of its gene leaves with x at the
  // root, and that of those in the remaining tree (kNoNode unless the side
  // has species on both sides of the root); and what placing x asks of
  // them: where the mapping lies, the in-order number of the mapping (of
  // the remaining one when it spans both), and the mapping's depth with x
  // at the root.
  enum class Lies : std::uint8_t { remaining, inX, both };
  struct Side {
    NodeId mapping, remaining;
    Lies lies;
    std::uint32_t number;
    std::int64_t depth;
  };
  // The moves of the root from the edge {from, over} across over, to
  // {over, to[k]}: the sides of to[k] and of over away from to[k]; with
  // the sides of the edge's ends, and of over's other neighbours.
  struct Moves {
    NodeId from, over, to[2];
    Side fromSide, overSide, toSide[2], joined[2];
    bool any;  // over is an inner node
  };
  // A regraft position y with what the walk asks of it.
  struct Position {
    NodeId y;
    std::int64_t depth;
    std::uint32_t first, last;  // in-order numbers of y's subtree
    // The spine nodes at or above y, or above the spine node y hangs
    // below, as bits (see numberSpine); 0 when the spine is not numbered.
    std::uint64_t spineAbove;
  };
  Side sideOf(NodeId mapping, NodeId remaining) const;
  // A side's anchor (see the .cpp): its mapping, or that of its remaining
  // species if it spans both sides; kNoNode inside x.
  static NodeId anchorOf(const Side& side) {
    return side.lies == Lies::remaining ? side.mapping : side.lies == Lies::both ? side.remaining : kNoNode;
  }
  // n's neighbour in slot k, across the root node: there a root child's
  // neighbour is the other child.
  static NodeId neighbourAcrossRoot(const GeneRooting& rooting, NodeId n, int k);
  // The slot of n's neighbour toward.
  static int slotToward(const GeneRooting& rooting, NodeId n, NodeId toward);
  // The side of n's gene leaves below it at the present rooting.
  Side sideBelow(NodeId n) const;
  // The side of the gene leaves of both sides.
  Side joinSides(const Side& a, const Side& b) const;
  // The moves across over, from its parent from (across the root node for
  // its children), the sides of the edge's ends given.
  Moves movesAcross(NodeId from, NodeId over, const Side& fromSide, const Side& overSide) const;
  // movesAcross, made once per tree and pruning: walks at nearby positions
  // often take the same steps.
  const Moves& cachedMoves(NodeId from, NodeId over, const Side& fromSide, const Side& overSide);
  // A new tree to walk: its links and mappings at the present rooting.
  void startTree(const GeneRooting& rooting, const NodeId* map, const NodeId* remaining);
  // Walks from the present rooting at positions first .. last (startTree
  // made).
  void walkAt(NodeId allMapping, const NodeId* first, const NodeId* last, PositionScores* scores);
  // Walks at every position where a first step can be taken, and at
  // enough others to know where (see the .cpp).
  void walkWhereSidesDiffer(NodeId allMapping, PositionScores* scores);
  void walkClass(const Side& all, const Moves (&start)[2], NodeId q, PositionScores* scores);
  void addToClass(const NodeId* hanging, int count, const GeneTreeCost& shallow, std::int64_t slope,
                  PositionScores* scores) const;
  // The moves from the present root edge, the same at every position.
  void firstMoves(Moves (&start)[2]) const;
  // Lists in positions_ the nodes of the remaining tree from the side's
  // mapping (its remaining species' if it spans both sides) up to the
  // first node listed already.
  void listPathUp(const Side& side);
  void nextStamp();
  // Numbers the spine, positions_[0, spine), for the LCAs on it.
  void numberSpine(std::size_t spine);
  // A side's mapping and its depth with x regrafted above y (x's new
  // parent stands as root_).
  struct Mapped {
    NodeId node;
    std::int64_t depth;
  };
  [[gnu::always_inline]] inline Mapped mapped(const Side& s, const Position& at) const;
  // The duplication and losses of a gene node mapped to m, its children to
  // m0 and m1.
  static GeneTreeCost nodeCost(const Mapped& m, const Mapped& m0, const Mapped& m1);
  // The change of the counts when the root's and over's costs go from
  // (root, over) to (newRoot, newOver).
  static GeneTreeCost stepChange(const GeneTreeCost& root, const GeneTreeCost& over, const GeneTreeCost& newRoot,
                                 const GeneTreeCost& newOver) {
    return {newRoot.duplications + newOver.duplications - root.duplications - over.duplications,
            newRoot.losses + newOver.losses - root.losses - over.losses};
  }
  // over's two neighbours other than from (across the root node); false if
  // over is a leaf.
  static bool otherNeighbours(const GeneRooting& rooting, NodeId over, NodeId from, NodeId (&to)[2]);
  // The side of all the gene leaves, mapped to allMapping.
  Side allSide(NodeId allMapping) const {
    return sideOf(allMapping, allMapping == context_->root ? remaining_[at(rooting_->root())] : kNoNode);
  }
  // Whether the root's step that changes the counts by a, from a rooting
  // whose counts differ by total from the present one's, leads to a
  // cheaper rooting than the step of change b (no change: staying), under
  // unequal weights (under equal ones the changes' sums decide, as whole
  // numbers), in the order of cheaperCounts.
  bool cheaper(const GeneTreeCost& total, const GeneTreeCost& a, const GeneTreeCost& b) const {
    return cheaperCounts(weights_, {total.duplications + a.duplications, total.losses + a.losses},
                         {total.duplications + b.duplications, total.losses + b.losses});
  }
  // Whether the walk takes a first step that changes the counts by this.
  bool stepTaken(const GeneTreeCost& change) const {
    return equalWeights_ ? change.duplications + change.losses < 0 : cheaper({}, change, {});
  }
  // The walk at one position of a class (see the .cpp): the steps it
  // took, as the edges the root moved to, the change of the counts, and
  // whether a side it read has its anchor below one of the class's
  // hanging nodes, or lies inside x.
  struct Trace {
    const NodeId* hanging = nullptr;
    int hangingCount = 0;
    std::vector<RootEdge> steps;
    GeneTreeCost total;
    bool readsInside = false;
    bool readsInX = false;  // a side inside x: its depth follows y's
  };
  bool anchoredInside(const Side& side, const Trace& trace) const;
  // Records in the trace what the sides of the moves are.
  void noteReads(const Moves& moves, Trace& trace) const;
  // Every position of first .. last walks from the present rooting, whose
  // side of all gene leaves and first moves are given, to a cheapest
  // rooting, and adds the change of the counts to its scores (scores null:
  // none added); whether any moved. hangsBelow: the spine node the
  // positions hang below, if they are a class's; trace: for one position,
  // what its walk did.
  template <bool kEqualWeights>
  bool walkToCheapest(const Side& all, const Moves (&start)[2], const NodeId* first, const NodeId* last,
                      PositionScores* scores, NodeId hangsBelow, Trace* trace);
  bool walkFrom(const Side& all, const Moves (&start)[2], const NodeId* first, const NodeId* last,
                PositionScores* scores, NodeId hangsBelow = kNoNode, Trace* trace = nullptr) {
    return equalWeights_ ? walkToCheapest<true>(all, start, first, last, scores, hangsBelow, trace)
                         : walkToCheapest<false>(all, start, first, last, scores, hangsBelow, trace);
  }

  static std::size_t at(NodeId v) { return static_cast<std::size_t>(v); }

  const CostWeights weights_;
  const bool equalWeights_;
  const RegraftContext* context_ = nullptr;
  // The gene tree walked: its links and mappings at the present rooting
  // (with x at the root, and of the species outside x where that is the
  // root).
  const GeneRooting* rooting_ = nullptr;
  const NodeId* map_ = nullptr;
  const NodeId* remaining_ = nullptr;
  std::vector<NodeId> positions_;  // where walks may move a tree (see the .cpp)
  std::vector<NodeId> deepest_;    // per node of the remaining tree: a deepest node of its subtree
  Trace shallowTrace_, deepTrace_;
  bool firstReadInX_ = false;          // whether a side the first steps read lies inside x
  std::vector<std::uint32_t> listed_;  // per species node: the stamp of the last tree listing it
  std::uint32_t stamp_ = 0;
  // The spine of the tree walked, numbered (see numberSpine) when it has
  // at most kSpineBits nodes: per spine node the bits of the spine nodes
  // at or above it (valid where listed_ holds the stamp, once the spine is
  // numbered), and per bit its node and depth.
  static constexpr std::size_t kSpineBits = 64;
  bool spineNumbered_ = false;
  std::vector<std::uint64_t> spineAbove_;
  NodeId spineNode_[kSpineBits] = {};
  std::int64_t spineDepth_[kSpineBits] = {};
  // cachedMoves: per gene node over.
  std::vector<Moves> movesCache_;
  std::vector<std::uint32_t> movesMade_;
  std::uint32_t movesRound_ = 0;
};

}  // namespace dls
