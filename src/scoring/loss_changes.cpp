#include "scoring/loss_changes.hpp"

namespace dls {

// lossDelta(y) is the change of the gene tree's loss count when x is
// regrafted above y instead of above r. Everything below happens in the
// relevant tree; d is its depth, measured from r for the remaining tree (so
// d(r) = 1), M(g) is a gene node's mapping, S(g) its secondary mapping, and
// "y >= a" means y is a or one of its ancestors. Three kinds of counter
// carry the changes, summed down the relevant tree afterwards (sumDown):
//   inheritedPlus(u):  lossDelta(y) += 1 for every y in u's subtree (Minus: -1);
//   depth(u):          lossDelta(y) += d(y) - d(u) + 1 for every y in u's subtree;
//   crossing(u):       lossDelta(y) += 1 for every y whose subtree holds u
//                      (summed up the tree by convertSiblingCounters).
// A path from a up to, not including, an ancestor b is marked at its two
// ends, summed up the tree by convertSiblingCounters: pathPlus, +1 at a
// and -1 at b, gives inheritedPlus(v) for every v on it; pathMinus(a)
// gives inheritedMinus(v) and inheritedMinus(sibling of v) for every v
// from a up to, not including, start.
// sibling(a) and siblingDepth(a) stand for a whole path: for every v from a
// up to, not including, start, siblingDepth adds depth(sibling of v), and
// sibling adds that, inheritedMinus(sibling of v) and inheritedMinus(v)
// (convertSiblingCounters). Their net effect: siblingDepth(a) gives a
// position y that leaves the path at w = lca(a, y) the change d(y) - d(w);
// sibling(a) gives d(y) - 2 d(w) there, -(d(a) - 1) inside a's subtree and
// -(d(y) - 1) on the path itself.
//
// Regrafted above y, x's parent p takes y's depth and y's subtree moves one
// level down. A gene node keeps its mapping unless it has species on both
// sides (M = species root); its mapping is then p when y >= S, else
// lca(S, y). Each case adds the change of the node's own losses (on its two
// child edges) for every y.

template <bool kPartial>
void LossChanges::countAt(NodeId g, NodeId c0, NodeId c1) const {
  const NodeId* map = map_;
  const NodeId* secondary = secondary_;
  const RelevantTree& relevant = relevant_;
  const NodeId mg = map[g], m0 = map[c0], m1 = map[c1];
  if (kPartial && (mg == kNoNode || m0 == kNoNode || m1 == kNoNode)) return;
  const NodeId root = context_.root;
  auto inX = [this](NodeId s) { return context_.inX(s); };

  if (mg != root) {
    // Case 1: all of g's species on one side. Only depths can change: a
    // child edge gains one loss when p lands on it, that is for y on the
    // path from M(c) up to (not including) M(g): the positions whose
    // subtree holds M(c) but not M(g), one crossing counter up and one
    // down. Inside x nothing changes (and no position is there).
    cross(m0, mg);
    cross(m1, mg);
    return;
  }
  const NodeId sg = secondary[g];
  if (m0 == root && m1 == root) {
    // Case 2: g and both children span both sides, so g is a duplication
    // without losses now. For a child c with a = S(c) below b = S(g), the
    // edge gains one loss for every node u on the path [a, b) with y in
    // u's subtree: for y on that path, g maps to b and c to p (d(y) - d(b)
    // losses); for y below it, c maps to lca(a, y) (d(lca) - d(b)); for y
    // elsewhere g stays a loss-free duplication.
    climb(secondary[c0], sg);
    climb(secondary[c1], sg);
    return;
  }
  if (m0 == root || m1 == root) {
    const NodeId m = m0 == root ? c0 : c1;   // the child on both sides
    const NodeId mn = m0 == root ? m1 : m0;  // the other child's mapping
    const NodeId sm = secondary[m];
    if (!inX(mn)) {
      countWithChildInRemaining(sg, sm, mn);
    } else {
      // Case 4: the other child lies in x. g is a duplication with m, and
      // its losses are those of the edge into x, d_x(M(n)), as long as g
      // maps to p (y >= s, s = S(g) = S(m)). Otherwise g and m map to
      // z = lca(s, y) and p lies d(y) - d(z) levels below: for y below s,
      // depth(children of s); for y leaving the path above s at w,
      // siblingDepth(s).
      if (sg != sm)
        throw InternalError(
            "a gene node on both sides of the root, with one child in the pruned subtree, is not mapped with the "
            "pruned subtree taken out like its other child");
      if (relevant.parent(sg) != root) to_.add(sg, &LossCounters::siblingDepth);
      addBelow(sg, &LossCounters::depth);
    }
    return;
  }
  // Case 5: neither child spans both sides; one lies in x, the other, n,
  // in the remaining tree with a = M(n) = S(g). g is a speciation at the
  // root now, losses d_x(M(x-child)) + d(a) - 2. For y >= a it stays a
  // speciation at p: change 1 - d(y). For y strictly below a, g becomes a
  // duplication at a: d(y) - 2 d(a) + 2. For y leaving a's path at w, a
  // speciation at w: d(y) - 2 d(w). sibling(a) gives all three except, below
  // a, d(y) - d(a) + 1 more, from depth and inheritedPlus at a's children.
  if (inX(m0) == inX(m1)) throw InternalError("a gene node on both sides of the root has no child on either side");
  const NodeId a = inX(m0) ? m1 : m0;
  if (sg != a)
    throw InternalError(
        "a gene node on both sides of the root, with one child on each, is not mapped with the pruned subtree taken "
        "out like its child in the remaining tree");
  if (relevant.parent(a) != root) to_.add(a, &LossCounters::sibling);
  addBelow(a, &LossCounters::depth);
  addBelow(a, &LossCounters::inheritedPlus);
}

// Case 3 of countAt: g spans both sides through its child m, and its other
// child n lies in the remaining tree (sg = S(g), sm = S(m), mn = M(n)).
void LossChanges::countWithChildInRemaining(NodeId sg, NodeId sm, NodeId mn) const {
  // Now g is a duplication with d(M(n)) - 1 losses. Let s = S(g) = lca(S(m), M(n)).
  // For y >= s, g and m map to p: change -(d(y) - 1). For y off s's
  // subtree, leaving it at z, g and m map to z: change -d(z). rootPath(s)
  // gives both, and -(d(s) - 1) to all of s's subtree, where the rest
  // depends on which of S(m) and M(n) equal s:
  rootPath(sg);
  if (sg != sm && sg != mn) {
    // Both strictly below s, in different subtrees c and c' of s. g
    // becomes a speciation at s: y on the path [S(m), s) sees
    // d(y) - 2 d(s) - 2, y below that path d(lca(S(m), y)) - 2 d(s) - 2,
    // y on [M(n), s) sees 1 - d(s), the rest of s's subtree -d(s).
    addBelow(sg, &LossCounters::inheritedMinus);
    const NodeId c = climbBelow(sm, sg);
    to_.add(c, &LossCounters::inheritedMinus);
    cross(mn, sg);
  } else if (sg == sm && sg != mn) {
    // M(n) below S(m) = s: y on [M(n), s) sees 1 - d(s), the rest of
    // s's subtree -d(s).
    addBelow(sg, &LossCounters::inheritedMinus);
    cross(mn, sg);
  } else if (sg == sm) {
    // Both at s: g stays a duplication at s below it, -d(s).
    addBelow(sg, &LossCounters::inheritedMinus);
  } else {
    // S(m) below M(n) = s, on c's side: g stays a duplication with n at
    // s. y on [S(m), s) sees d(y) - 2 d(s), y below that path
    // d(lca(S(m), y)) - 2 d(s), the other side of s -d(s).
    const NodeId c = climbBelow(sm, sg);
    to_.add(other(relevant_, sg, c), &LossCounters::inheritedMinus);
  }
}

void LossChanges::cross(NodeId below, NodeId above) const {
  if (below == above) return;
  to_.add(below, &LossCounters::crossing);
  to_.subtract(above, &LossCounters::crossing);
}

void LossChanges::climb(NodeId a, NodeId b) const {
  if (a == b) return;
  to_.add(a, &LossCounters::pathPlus);
  to_.subtract(b, &LossCounters::pathPlus);
}

NodeId LossChanges::climbBelow(NodeId a, NodeId b) const {
  const NodeId c0 = relevant_.child(b, 0);
  const NodeId c = context_.index->contains(c0, a) ? c0 : relevant_.child(b, 1);
  climb(a, c);
  return c;
}

void LossChanges::addBelow(NodeId s, LossCounter counter) const {
  for (int i = 0; i < 2; ++i)
    if (relevant_.child(s, i) != kNoNode) to_.add(relevant_.child(s, i), counter);
}

// From s up to start: -1 for the subtrees of each node on the way and of
// its sibling, that is for everything below each of s's proper ancestors.
void LossChanges::rootPath(NodeId s) const { to_.add(s, &LossCounters::pathMinus); }

// Children before parents: sums the sibling, crossing and path counters up
// the relevant tree and hands each node's sums to its sibling and to itself.
void LossChanges::convertSiblingCounters(const RelevantTree& relevant, NodeId start, LossCounters* counters) {
  const std::vector<NodeId>& order = relevant.preorder();
  for (std::uint32_t i = relevant.end(start); i-- > relevant.begin(start);) {
    const NodeId v = order[i];
    if (v == start) continue;
    LossCounters& c = counters[static_cast<std::size_t>(v)];
    if (relevant.child(v, 0) != kNoNode) {
      const LossCounters& a = counters[static_cast<std::size_t>(relevant.child(v, 0))];
      const LossCounters& b = counters[static_cast<std::size_t>(relevant.child(v, 1))];
      c.sibling += a.sibling + b.sibling;
      c.siblingDepth += a.siblingDepth + b.siblingDepth;
      c.crossing += a.crossing + b.crossing;
      c.pathPlus += a.pathPlus + b.pathPlus;
      c.pathMinus += a.pathMinus + b.pathMinus;
    }
    LossCounters& o = counters[static_cast<std::size_t>(other(relevant, relevant.parent(v), v))];
    o.depth += c.sibling + c.siblingDepth;
    o.inheritedMinus += c.sibling + c.pathMinus;
    c.inheritedMinus += c.sibling + c.pathMinus;
    c.inheritedPlus += c.pathPlus;
  }
}

template void LossChanges::countAt<true>(NodeId, NodeId, NodeId) const;
template void LossChanges::countAt<false>(NodeId, NodeId, NodeId) const;

}  // namespace dls
