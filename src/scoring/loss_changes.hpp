#pragma once
// How a regraft changes the losses of one gene tree, counted on the nodes
// of its relevant species tree in time linear in the gene tree: each gene
// node's change for every regraft position is left as a few counters on
// the species nodes, which one pass down the relevant tree turns into the
// change of every position (lossDelta). The counters of many gene trees
// can be added up (weighted) before that pass, when they share a relevant
// tree. See loss_changes.cpp for the cases.

#include <cstdint>
#include <vector>

#include "common/errors.hpp"
#include "reconcile/relevant_tree.hpp"
#include "scoring/regraft_context.hpp"

namespace dls {

// Counters of one species node (see loss_changes.cpp), the change they sum
// to, and the values carried down the pass.
struct LossCounters {
  double inheritedPlus = 0, inheritedMinus = 0, depth = 0, sibling = 0, siblingDepth = 0, crossing = 0, pathPlus = 0,
         pathMinus = 0;
  double lossDelta = 0;  // change of the loss count for a regraft above this node
  double k = 0, k1 = 0, k2 = 0;

  void clear() {
    inheritedPlus = inheritedMinus = depth = sibling = siblingDepth = crossing = pathPlus = pathMinus = lossDelta = 0;
  }
};
using LossCounter = double LossCounters::*;

// Where a gene tree's loss counts go: counters per species node, each count
// adding `amount` (the tree's weight into a sum of trees, 1 into its own).
struct LossTarget {
  LossCounters* counters;
  double amount;
  void add(NodeId v, LossCounter counter) const { counters[static_cast<std::size_t>(v)].*counter += amount; }
  void subtract(NodeId v, LossCounter counter) const { counters[static_cast<std::size_t>(v)].*counter -= amount; }
};

// The counting of one gene tree's loss changes, on its relevant tree,
// given every gene node's mapping and secondary mapping (its mapping with
// x taken out), into a target.
class LossChanges {
 public:
  LossChanges(const RegraftContext& context, const RelevantTree& relevant, const NodeId* map, const NodeId* secondary,
              const LossTarget& to)
      : context_(context), relevant_(relevant), map_(map), secondary_(secondary), to_(to) {}

  // Counts the change of the losses on the two child edges of gene node g
  // (children c0 and c1). Partial: nodes with a child of a species not in
  // the tree yet count nothing.
  template <bool kPartial>
  void countAt(NodeId g, NodeId c0, NodeId c1) const;

  // Children before parents: turns the sibling counters into the others.
  static void convertSiblingCounters(const RelevantTree& relevant, NodeId start, LossCounters* counters);
  // Parents before children, from start (the root's relevant child on the
  // remaining tree's side): lossDelta(y) is final when visit(y) is called.
  template <class Visit>
  static void sumDown(const RelevantTree& relevant, NodeId start, LossCounters* counters, Visit&& visit);
  // Every position of the remaining tree takes the change of a relevant
  // node (see loss_changes.cpp): atNode(v, delta, copied) gets each
  // relevant node below start and each node on the paths up from them,
  // atSubtree(s, delta) each subtree s off those paths.
  template <class AtNode, class AtSubtree>
  static void forEachChange(const RegraftContext& context, const RelevantTree& relevant, NodeId start,
                            const LossCounters* counters, AtNode&& atNode, AtSubtree&& atSubtree);

 private:
  void countWithChildInRemaining(NodeId sg, NodeId sm, NodeId mn) const;
  // One crossing counter at below, minus one at above (an ancestor).
  void cross(NodeId below, NodeId above) const;
  // inheritedPlus on the path from a up to, not including, its ancestor b;
  // climbBelow: up to, not including, b's child on that path (returned).
  void climb(NodeId a, NodeId b) const;
  NodeId climbBelow(NodeId a, NodeId b) const;
  void addBelow(NodeId s, LossCounter counter) const;
  void rootPath(NodeId s) const;
  static NodeId other(const RelevantTree& relevant, NodeId u, NodeId v) {
    return relevant.child(u, 0) == v ? relevant.child(u, 1) : relevant.child(u, 0);
  }

  const RegraftContext& context_;
  const RelevantTree& relevant_;
  const NodeId* map_;
  const NodeId* secondary_;
  const LossTarget to_;
};

// --- Passes over the counters ----------------------------------------------------------

// k sums the inherited counters, k1 the depth counters and k2 the k1
// values down the relevant tree.
template <class Visit>
void LossChanges::sumDown(const RelevantTree& relevant, NodeId start, LossCounters* counters, Visit&& visit) {
  const std::vector<NodeId>& order = relevant.preorder();
  for (std::uint32_t i = relevant.begin(start); i < relevant.end(start); ++i) {
    const NodeId v = order[i];
    LossCounters& c = counters[static_cast<std::size_t>(v)];
    double k = 0, k1 = 0, k2 = 0;
    if (v == start) {
      // Nothing changes for a regraft above start: the climbs all stop
      // below it.
      if (c.inheritedPlus != 0 || c.inheritedMinus != 0 || c.depth != 0)
        throw InternalError("a loss counter was set at the top of the remaining tree, where no regraft changes a loss");
    } else {
      const LossCounters& up = counters[static_cast<std::size_t>(relevant.parent(v))];
      k = up.k;
      k1 = up.k1;
      k2 = up.k2;
    }
    k += c.inheritedPlus - c.inheritedMinus;
    k1 += c.depth;
    k2 += k1;
    // The crossing counters of start's subtree sum to 0 there: every
    // counted path lies below start.
    c.lossDelta += k + k2 + (v == start ? 0 : c.crossing);
    c.k = k;
    c.k1 = k1;
    c.k2 = k2;
    visit(v);
  }
}

// A position that is not relevant: below it the gene tree has species on
// one side only, or none. Regrafted there, x joins the restricted tree
// where it would join it regrafted above the highest relevant node below
// (or, over a subtree without the gene tree's species, above the relevant
// node the climb came from): it takes that node's change. Every position
// of the remaining tree is in exactly one of the nodes and subtrees given.
template <class AtNode, class AtSubtree>
void LossChanges::forEachChange(const RegraftContext& context, const RelevantTree& relevant, NodeId start,
                                const LossCounters* counters, AtNode&& atNode, AtSubtree&& atSubtree) {
  const SpeciesTree& species = *context.species;
  const std::vector<NodeId>& order = relevant.preorder();
  for (std::uint32_t i = relevant.begin(start); i < relevant.end(start); ++i) {
    const NodeId v = order[i];
    const double delta = counters[static_cast<std::size_t>(v)].lossDelta;
    atNode(v, delta, false);
    if (species.parent(v) == context.root) continue;
    for (NodeId u = species.parent(v); u != kNoNode && !relevant.relevant(u); u = species.parent(u)) {
      atNode(u, delta, true);
      // u has the gene tree's species on v's side only.
      const NodeId c0 = species.child(u, 0);
      atSubtree(context.index->contains(c0, v) ? species.child(u, 1) : c0, delta);
    }
  }
}

}  // namespace dls
