#include "scoring/cheapest_rooting_walk.hpp"

#include <algorithm>

#include "common/errors.hpp"

namespace dls {

void CheapestRootingWalk::begin(const RegraftContext& context) {
  context_ = &context;
  // A deepest node below each node of the remaining tree, children first.
  const SpeciesIndex& index = *context.index;
  const SpeciesTree& species = *context.species;
  deepest_.resize(species.size());
  for (std::uint32_t i = index.end(context.r); i-- > index.begin(context.r);) {
    const NodeId v = index.preorder()[i];
    NodeId deepest = v;
    for (int k = 0; k < 2; ++k) {
      const NodeId c = species.child(v, k);
      if (c != kNoNode && index.depth(deepest_[at(c)]) > index.depth(deepest)) deepest = deepest_[at(c)];
    }
    deepest_[at(v)] = deepest;
  }
}

void CheapestRootingWalk::addChanges(const GeneRooting& rooting, const NodeId* map, const NodeId* remaining,
                                     PositionScores* scores) {
  startTree(rooting, map, remaining);
  walkWhereSidesDiffer(map[at(rooting.root())], scores);
}

void CheapestRootingWalk::firstMoves(Moves (&start)[2]) const {
  const GeneRooting& rooting = *rooting_;
  const NodeId top = rooting.root();
  const NodeId a0 = rooting.child(top, 0), b0 = rooting.child(top, 1);
  start[0] = start[1] = Moves{};
  if (a0 == kNoNode) return;
  const Side a = sideBelow(a0), b = sideBelow(b0);
  start[0] = movesAcross(a0, b0, a, b);
  start[1] = movesAcross(b0, a0, b, a);
}

void CheapestRootingWalk::walkAt(NodeId allMapping, const NodeId* first, const NodeId* last, PositionScores* scores) {
  const Side all = allSide(allMapping);
  Moves start[2];
  firstMoves(start);
  walkFrom(all, start, first, last, scores);
}

// Where x is regrafted changes a side's mapping only as mapped() says: a
// side with a remaining species (its anchor: its mapping, or that of its
// remaining species if it spans both sides) maps elsewhere or deeper only
// when y is its anchor or above it; otherwise it keeps its mapping and
// depth, or, spanning both, maps to the LCA of its anchor and y. A side
// inside x maps to the same node at depth(y) plus its own.
//
// Call the spine the anchors of the sides the first steps read and the
// nodes above them. A position y off the spine hangs below a lowest spine
// node q; the LCA of an anchor and y is then that of the anchor and q, the
// same for all of q's hanging positions. So at those positions every side
// of a first step maps to the same node, at a depth that is its own or
// depth(y) plus its own: each first step changes the counts by the same
// duplications and by losses a + b depth(y). Whether the walk takes a
// step is then decided, for all of them, at the shallowest and the
// deepest (a cost linear in depth(y) is below 0 in between only if it is
// at one of the two). The walk runs on the spine, at those two of each
// class, and on every position of a class only where one of the two moves;
// a class whose first walk reads no side that depends on y (see walkClass)
// takes that walk's change everywhere.
void CheapestRootingWalk::walkWhereSidesDiffer(NodeId allMapping, PositionScores* scores) {
  const Side all = allSide(allMapping);
  Moves start[2];
  firstMoves(start);
  if (!start[0].any && !start[1].any) return;  // no step from the root edge
  nextStamp();
  positions_.clear();
  listPathUp(all);
  for (const Moves& moves : start) {
    listPathUp(moves.fromSide);
    listPathUp(moves.overSide);
    for (int k = 0; moves.any && k < 2; ++k) {
      listPathUp(moves.toSide[k]);
      listPathUp(moves.joined[k]);
    }
  }
  const std::size_t spine = positions_.size();
  numberSpine(spine);
  firstReadInX_ = all.lies == Lies::inX;
  for (const Moves& moves : start) {
    Trace trace;
    noteReads(moves, trace);
    firstReadInX_ = firstReadInX_ || trace.readsInX;
  }
  walkFrom(all, start, positions_.data(), positions_.data() + spine, scores);
  // The classes: the positions below each spine node off the spine, or,
  // with no spine, all of them.
  if (spine == 0) walkClass(all, start, kNoNode, scores);
  for (std::size_t i = 0; i < spine; ++i) walkClass(all, start, positions_[i], scores);
}

// The class of the positions hanging below spine node q (q kNoNode: all
// positions, with no spine).
void CheapestRootingWalk::walkClass(const Side& all, const Moves (&start)[2], NodeId q, PositionScores* scores) {
  const SpeciesIndex& index = *context_->index;
  const SpeciesTree& species = *context_->species;
  const NodeId r = context_->r;
  const NodeId* order = index.preorder().data();
  NodeId hanging[2] = {kNoNode, kNoNode};
  NodeId deepest = kNoNode;
  int count = 0;
  for (int k = 0; k < 2; ++k) {
    const NodeId c = q == kNoNode ? (k == 0 ? r : kNoNode) : species.child(q, k);
    if (c == kNoNode || listed_[at(c)] == stamp_) continue;
    hanging[count++] = c;
    if (deepest == kNoNode || index.depth(deepest_[at(c)]) > index.depth(deepest)) deepest = deepest_[at(c)];
  }
  if (count == 0) return;
  // The walks at the shallowest and the deepest positions of the class.
  Trace* traces[2] = {&shallowTrace_, &deepTrace_};
  const NodeId probes[2] = {hanging[0], deepest};
  bool moved = false;
  for (int p = 0; p < 2; ++p) {
    *traces[p] = Trace{hanging, count, std::move(traces[p]->steps), {}, false, false};
    traces[p]->steps.clear();
    moved = walkFrom(all, start, &probes[p], &probes[p] + 1, nullptr, q, traces[p]) || moved;
    // If the first walk read no side inside x and none anchored inside the
    // class, every side it read maps alike at every position of the class:
    // the others walk the same steps, for any weights.
    if (p == 0 && !shallowTrace_.readsInside && !shallowTrace_.readsInX) {
      if (moved) addToClass(hanging, count, shallowTrace_.total, 0, scores);
      return;
    }
  }
  if (!moved) return;
  // Under equal weights, if both walks took the same steps and read only
  // sides anchored outside the class, every walk of the class does: each
  // step's change is linear in depth(y), and so is every comparison
  // along the way. The change of the counts is then linear in depth(y).
  const std::int64_t span = index.depth(deepest) - index.depth(hanging[0]);
  const GeneTreeCost& low = shallowTrace_.total;
  const GeneTreeCost& high = deepTrace_.total;
  if (equalWeights_ && !shallowTrace_.readsInside && !deepTrace_.readsInside &&
      shallowTrace_.steps == deepTrace_.steps && low.duplications == high.duplications &&
      (span == 0 ? low.losses == high.losses : (high.losses - low.losses) % span == 0)) {
    addToClass(hanging, count, low, span == 0 ? 0 : (high.losses - low.losses) / span, scores);
    return;
  }
  for (int k = 0; k < count; ++k)
    walkFrom(all, start, order + index.begin(hanging[k]), order + index.end(hanging[k]), scores, q);
}

// Adds to each position y of the class the change shallow of its
// shallowest position, the losses growing by slope per level below it.
void CheapestRootingWalk::addToClass(const NodeId* hanging, int count, const GeneTreeCost& shallow, std::int64_t slope,
                                     PositionScores* scores) const {
  const SpeciesIndex& index = *context_->index;
  const NodeId* order = index.preorder().data();
  for (int k = 0; k < count; ++k) {
    for (std::uint32_t i = index.begin(hanging[k]); i < index.end(hanging[k]); ++i) {
      const NodeId y = order[i];
      PositionScores& s = scores[at(y)];
      s.duplications += static_cast<double>(shallow.duplications);
      s.losses += static_cast<double>(shallow.losses + slope * (index.depth(y) - index.depth(hanging[0])));
    }
  }
}

void CheapestRootingWalk::noteReads(const Moves& moves, Trace& trace) const {
  const auto note = [&](const Side& side) {
    trace.readsInside = trace.readsInside || anchoredInside(side, trace);
    trace.readsInX = trace.readsInX || side.lies == Lies::inX;
  };
  note(moves.fromSide);
  note(moves.overSide);
  for (int k = 0; moves.any && k < 2; ++k) {
    note(moves.toSide[k]);
    note(moves.joined[k]);
  }
}

bool CheapestRootingWalk::anchoredInside(const Side& side, const Trace& trace) const {
  const NodeId anchor = anchorOf(side);
  if (anchor == kNoNode) return false;
  for (int k = 0; k < trace.hangingCount; ++k)
    if (context_->index->contains(trace.hanging[k], anchor)) return true;
  return false;
}

void CheapestRootingWalk::listPathUp(const Side& side) {
  const NodeId r = context_->r;
  NodeId v = anchorOf(side);
  for (; v != kNoNode && listed_[at(v)] != stamp_; v = v == r ? kNoNode : context_->species->parent(v)) {
    listed_[at(v)] = stamp_;
    positions_.push_back(v);
  }
}

void CheapestRootingWalk::nextStamp() {
  if (listed_.size() < context_->species->size()) {
    listed_.assign(context_->species->size(), 0);
    spineAbove_.assign(context_->species->size(), 0);
  }
  if (++stamp_ == 0) {  // the stamps wrapped around: none is current
    std::fill(listed_.begin(), listed_.end(), 0);
    stamp_ = 1;
  }
  spineNumbered_ = false;
}

// Every path listed goes up to r or to a node listed already, so every
// node above a spine node is on the spine. Each path is numbered from its
// top down, in the order listed: every node after the nodes above it. The
// spine nodes above both of two spine nodes form a chain from r down to
// their LCA, which holds the highest bit of the two sets' intersection.
void CheapestRootingWalk::numberSpine(std::size_t spine) {
  if (spine == 0 || spine > kSpineBits) return;
  const SpeciesTree& species = *context_->species;
  const NodeId r = context_->r;
  std::size_t number = 0;
  for (std::size_t first = 0, end = 0; first < spine; first = end) {
    // A path is listed from its lowest node up, each node's parent next.
    for (end = first + 1;
         end < spine && positions_[end - 1] != r && species.parent(positions_[end - 1]) == positions_[end]; ++end) {
    }
    for (std::size_t k = end; k-- > first; ++number) {
      const NodeId v = positions_[k];
      spineNode_[number] = v;
      spineDepth_[number] = context_->index->depth(v);
      spineAbove_[at(v)] = (v == r ? 0 : spineAbove_[at(species.parent(v))]) | std::uint64_t{1} << number;
    }
  }
  spineNumbered_ = true;
}

// The walk reaches a cheapest rooting for any weights of duplications and
// losses as long as losses weigh more than 0; without,
// duplications alone may stay level away from the cheapest rootings, and
// fewer losses decide between equal duplications (see cheaper()).
//
// Moving the root from edge {a, b} to {b, w} changes only the root's and
// b's children, so the step costs O(1) given the sides' mappings: with A,
// W, W' the sides of a, w and b's third neighbour w' away from b, the
// root's children go from (A, W + W') to (W, A + W'), b's from (W, W') to
// (A, W'). The present rooting is counted for every position by one
// pass; each position then walks from it.

CheapestRootingWalk::Side CheapestRootingWalk::sideOf(NodeId mapping, NodeId remaining) const {
  Side side{mapping, remaining, Lies::both, 0, 0};
  if (mapping != context_->root) {
    side.lies = context_->index->contains(context_->x, mapping) ? Lies::inX : Lies::remaining;
    side.depth = context_->index->depth(mapping);
  }
  side.number = context_->index->number(side.lies == Lies::both ? remaining : mapping);
  return side;
}

NodeId CheapestRootingWalk::neighbourAcrossRoot(const GeneRooting& rooting, NodeId n, int k) {
  const NodeId neighbour = rooting.node(n).neighbour[k];
  const NodeId top = rooting.root();
  return neighbour != top ? neighbour : rooting.child(top, rooting.child(top, 0) == n ? 1 : 0);
}

bool CheapestRootingWalk::otherNeighbours(const GeneRooting& rooting, NodeId over, NodeId from, NodeId (&to)[2]) {
  int count = 0;
  to[0] = to[1] = kNoNode;
  for (int k = 0; k < 3; ++k) {
    const NodeId far = neighbourAcrossRoot(rooting, over, k);
    if (far != kNoNode && far != from && count < 2) to[count++] = far;
  }
  return count == 2;
}

int CheapestRootingWalk::slotToward(const GeneRooting& rooting, NodeId n, NodeId toward) {
  for (int k = 0; k < 3; ++k)
    if (neighbourAcrossRoot(rooting, n, k) == toward) return k;
  throw InternalError("a gene node is asked for its side toward a node that is not its neighbour");
}

// A walk only moves the root away from the present one (see
// walkToCheapest): from the root edge across one of its ends, and from
// there on down. So every move crosses a node `over` from its parent (or,
// for a child of the root node, from the other child): the sides of its
// children `to` are their gene leaves below, mapped at the present
// rooting, and over's side away from one child joins the sides of the
// edge's far end and of the other child. No side away from the root is
// read by going up the tree.
CheapestRootingWalk::Side CheapestRootingWalk::sideBelow(NodeId n) const {
  const NodeId mapping = map_[at(n)];
  return sideOf(mapping, mapping == context_->root ? remaining_[at(n)] : kNoNode);
}

// With x at the root, species on both sides of it join at the root; the
// species outside x of such a side join as in the remaining tree.
CheapestRootingWalk::Side CheapestRootingWalk::joinSides(const Side& a, const Side& b) const {
  const NodeId root = context_->root;
  const auto outsideX = [&](const Side& s) { return s.lies == Lies::inX ? kNoNode : anchorOf(s); };
  if (a.lies != Lies::both && b.lies != Lies::both && (a.lies == Lies::inX) == (b.lies == Lies::inX))
    return sideOf(context_->index->lca(a.mapping, b.mapping), kNoNode);
  return sideOf(root, joinMappings<true>(*context_->index, outsideX(a), outsideX(b)));
}

CheapestRootingWalk::Moves CheapestRootingWalk::movesAcross(NodeId from, NodeId over, const Side& fromSide,
                                                            const Side& overSide) const {
  Moves moves{};
  moves.from = from;
  moves.over = over;
  moves.fromSide = fromSide;
  moves.overSide = overSide;
  moves.any = otherNeighbours(*rooting_, over, from, moves.to);
  for (int k = 0; moves.any && k < 2; ++k) moves.toSide[k] = sideBelow(moves.to[k]);
  for (int k = 0; moves.any && k < 2; ++k) moves.joined[k] = joinSides(fromSide, moves.toSide[1 - k]);
  return moves;
}

const CheapestRootingWalk::Moves& CheapestRootingWalk::cachedMoves(NodeId from, NodeId over, const Side& fromSide,
                                                                   const Side& overSide) {
  // over's parent is from (across the root node for its children): the
  // moves are over's alone.
  const std::size_t i = at(over);
  if (movesMade_[i] != movesRound_) {
    movesCache_[i] = movesAcross(from, over, fromSide, overSide);
    movesMade_[i] = movesRound_;
  }
  return movesCache_[i];
}

void CheapestRootingWalk::startTree(const GeneRooting& rooting, const NodeId* map, const NodeId* remaining) {
  rooting_ = &rooting;
  map_ = map;
  remaining_ = remaining;
  if (movesMade_.size() < rooting.size()) {
    movesCache_.resize(rooting.size());
    movesMade_.resize(rooting.size(), 0);
  }
  if (++movesRound_ == 0) {  // the rounds wrapped around: none is current
    std::fill(movesMade_.begin(), movesMade_.end(), 0);
    movesRound_ = 1;
  }
}

inline CheapestRootingWalk::Mapped CheapestRootingWalk::mapped(const Side& s, const Position& at) const {
  // Regrafted above y, x's parent takes y's depth, y's subtree moves one
  // level down and x's subtree hangs below x's parent. Species on both
  // sides of the root have their LCA at x's parent when y holds the
  // remaining ones, else at the LCA of those with y, above y.
  const bool inY = at.first <= s.number && s.number <= at.last;
  switch (s.lies) {
    case Lies::remaining:
      return {s.mapping, s.depth + (inY ? 1 : 0)};
    case Lies::inX:
      return {s.mapping, at.depth + s.depth};
    case Lies::both:
      break;
  }
  if (inY) return {context_->root, at.depth};
  if (at.spineAbove != 0 && listed_[static_cast<std::size_t>(s.remaining)] == stamp_) {
    // On the spine, its LCA with y is that with the node y hangs below (y
    // itself on the spine): the deepest spine node above both.
    const std::uint64_t both = spineAbove_[static_cast<std::size_t>(s.remaining)] & at.spineAbove;
    const int deepest = 63 - __builtin_clzll(both);
    return {spineNode_[deepest], spineDepth_[deepest]};
  }
  const NodeId lca = context_->index->lca(s.remaining, at.y);
  return {lca, context_->index->depth(lca)};
}

inline GeneTreeCost CheapestRootingWalk::nodeCost(const Mapped& m, const Mapped& m0, const Mapped& m1) {
  GeneTreeCost cost;
  const bool as0 = m.node == m0.node, as1 = m.node == m1.node;
  cost.duplications = as0 || as1 ? 1 : 0;
  if (as0 && as1) return cost;
  cost.losses = as0 ? m1.depth - m.depth : as1 ? m0.depth - m.depth : m0.depth + m1.depth - 2 * m.depth - 2;
  return cost;
}

template <bool kEqualWeights>
bool CheapestRootingWalk::walkToCheapest(const Side& all, const Moves (&start)[2], const NodeId* first,
                                         const NodeId* last, PositionScores* scores, NodeId hangsBelow, Trace* trace) {
  bool moved = false;
  const GeneRooting& rooting = *rooting_;
  const SpeciesIndex& index = *context_->index;
  if (rooting.child(rooting.root(), 0) == kNoNode) return false;  // a leaf tree has no edge
  for (const NodeId* position = first; position != last; ++position) {
    const NodeId y = *position;
    const std::uint64_t spineAbove = spineNumbered_ ? spineAbove_[at(hangsBelow == kNoNode ? y : hangsBelow)] : 0;
    const Position here{y, index.depth(y), index.first(y), index.last(y), spineAbove};
    GeneTreeCost total;  // the counts' change from the present rooting
    // The root edge is {moves[0]->from, moves[0]->over}; moves[0]->fromSide
    // is moves[1]->overSide, and the other way round. After a step only
    // moves[0] leads on (see below).
    const Moves* moves[2] = {&start[0], &start[1]};
    int directions = 2;
    if (trace != nullptr) trace->readsInX = firstReadInX_;  // the first sides' anchors are on the spine
    const Mapped allMapped = mapped(all, here);
    Mapped fromMapped = mapped(start[0].fromSide, here), overMapped = mapped(start[0].overSide, here);
    GeneTreeCost root = nodeCost(allMapped, fromMapped, overMapped);
    for (;;) {
      GeneTreeCost best;         // the change of the counts by the best step; none: no step
      std::int64_t bestSum = 0;  // its sum
      const Moves* bestMoves = nullptr;
      int bestK = 0;
      Mapped bestTo{}, bestJoined{};
      GeneTreeCost bestRoot;
      for (int e = 0; e < directions; ++e) {
        const Moves& across = *moves[e];
        if (!across.any) continue;
        const Mapped& acrossFrom = e == 0 ? fromMapped : overMapped;
        const Mapped& acrossOver = e == 0 ? overMapped : fromMapped;
        const Mapped to[2] = {mapped(across.toSide[0], here), mapped(across.toSide[1], here)};
        const GeneTreeCost over = nodeCost(acrossOver, to[0], to[1]);
        for (int k = 0; k < 2; ++k) {
          const Mapped joined = mapped(across.joined[k], here);
          const GeneTreeCost newRoot = nodeCost(allMapped, to[k], joined);
          const GeneTreeCost newOver = nodeCost(joined, acrossFrom, to[1 - k]);
          const GeneTreeCost change = stepChange(root, over, newRoot, newOver);
          if (kEqualWeights ? change.duplications + change.losses < bestSum : cheaper(total, change, best)) {
            best = change;
            bestSum = change.duplications + change.losses;
            bestMoves = &across;
            bestK = k;
            bestTo = to[k], bestJoined = joined, bestRoot = newRoot;
          }
        }
      }
      if (bestMoves == nullptr) break;  // no neighbour is cheaper: a cheapest rooting
      total.duplications += best.duplications;
      total.losses += best.losses;
      // The root moves to {over, to}: its children's sides are the joined
      // side and to's, mapped already. Of the moves from there, those
      // across over lead back to the rooting left, which was dearer, or
      // to the one beside it, {over, to'}, weighed in the same round: the
      // step taken was at or below every candidate of its round, and the
      // comparison from here is on the same totals. Neither is ever
      // taken; only the moves across to are weighed.
      const NodeId over = bestMoves->over, to = bestMoves->to[bestK];
      moves[0] = &cachedMoves(over, to, bestMoves->joined[bestK], bestMoves->toSide[bestK]);
      directions = 1;
      fromMapped = bestJoined, overMapped = bestTo, root = bestRoot;
      if (trace != nullptr) {
        trace->steps.push_back({over, to});
        noteReads(*moves[0], *trace);
      }
    }
    if (trace != nullptr) trace->total = total;
    if (total.duplications == 0 && total.losses == 0) continue;
    moved = true;
    if (scores == nullptr) continue;
    PositionScores& s = scores[at(y)];
    s.duplications += static_cast<double>(total.duplications);
    s.losses += static_cast<double>(total.losses);
  }
  return moved;
}

// A gene tree without species of x maps every side alike in U, in R and in
// every tree T_y of a regraft (see regraft_scorer.cpp), and so has the same
// duplications at every rooting in all of them. Its losses at a rooting e
// in T_y are those in U, less K_s(e), plus K_y(e), where K_z(e) counts the
// edges of the tree rooted at e whose lower end's species all lie in z's
// subtree and whose upper end's do not (the edges that cross the branch
// above z): removing x's parent p from above s shortens their paths, and
// putting it above y lengthens them. At r nothing crosses.
//
// A step of the walk moves the root from {a, b} to {b, w}; call A, W and
// W' the sides of a, w and b's third neighbour away from b, and α, ω, ω'
// whether each lies all in z's subtree. Only the root's and b's child
// edges change. Unless all three lie in z's subtree (then nothing crosses
// at any rooting), before the step those edges cross α + ω + ω' - ω ω'
// times, after it ω + α + ω' - α ω': the step changes K_z by
// t_z = ω'(ω - α). That is +1 when z's subtree holds W + W' (b's side
// before the step) but not all the gene leaves, -1 when it holds A + W'
// (b's side after it) but not all, else 0.
//
// So the step's losses in T_y are its losses in U plus t_y - t_s. That is
// at least -1: -2 would need A and W' in y's subtree but not W, and W and
// W' in s's subtree but not A. Then the two subtrees share the species of
// W', so one holds the other, and either way A or W lies in both.
//
// Hence a first step that the walk does not take with one loss fewer than
// in U is taken at no position of any such pruning. Given s, one that is
// not taken with t_y = 0 is taken at most where t_y = -1: on the path up
// from the mapping of A + W' to below that of all the gene leaves.
bool CheapestRootingWalk::firstSteps(const GeneScratch& scratch, const RelevantTree& whole, FirstSteps& steps) const {
  const GeneRooting& rooting = scratch.rooting;
  const NodeId top = rooting.root();
  const NodeId a0 = rooting.child(top, 0), b0 = rooting.child(top, 1);
  steps.all = scratch.map[at(top)];
  steps.count = 0;
  if (a0 == kNoNode || b0 == kNoNode) return false;
  // The mapping of n's side away from its neighbour toward.
  const auto sideOf = [&](NodeId n, NodeId toward) { return scratch.directed[at(n)][slotToward(rooting, n, toward)]; };
  const auto mapped = [&](NodeId m) { return Mapped{m, whole.depth(m)}; };
  bool anyTaken = false;
  for (int e = 0; e < 2; ++e) {
    const NodeId from = e == 0 ? a0 : b0, over = e == 0 ? b0 : a0;
    NodeId to[2];
    if (!otherNeighbours(rooting, over, from, to)) continue;
    const NodeId joined = sideOf(over, from);
    const Mapped all = mapped(steps.all), a = mapped(sideOf(from, over)), oldJoined = mapped(joined);
    const Mapped w[2] = {mapped(sideOf(to[0], over)), mapped(sideOf(to[1], over))};
    const GeneTreeCost root = nodeCost(all, a, oldJoined), below = nodeCost(oldJoined, w[0], w[1]);
    for (int k = 0; k < 2; ++k) {
      const NodeId newJoined = sideOf(over, to[k]);
      const Mapped joinedAfter = mapped(newJoined);
      const GeneTreeCost newRoot = nodeCost(all, w[k], joinedAfter), newBelow = nodeCost(joinedAfter, a, w[1 - k]);
      FirstStep& step = steps.step[steps.count++];
      step.change = stepChange(root, below, newRoot, newBelow);
      step.before = joined;
      step.after = newJoined;
      anyTaken = anyTaken || stepTaken({step.change.duplications, step.change.losses - 1});
    }
  }
  return anyTaken;
}

void CheapestRootingWalk::addChangesWithoutPrunedSpecies(const GeneRooting& rooting, const NodeId* map,
                                                         const FirstSteps& steps, NodeId formerSibling,
                                                         PositionScores* scores) {
  const SpeciesIndex& index = *context_->index;
  const NodeId r = context_->r;
  // t_z of a step (see above).
  const auto crossings = [&](NodeId z, const FirstStep& step) {
    if (index.contains(z, steps.all)) return 0;
    return (index.contains(z, step.before) ? 1 : 0) - (index.contains(z, step.after) ? 1 : 0);
  };
  nextStamp();
  positions_.clear();
  bool everywhere = false;
  for (int i = 0; i < steps.count && !everywhere; ++i) {
    const FirstStep& step = steps.step[i];
    GeneTreeCost change = step.change;
    change.losses -= crossings(formerSibling, step);
    if (stepTaken(change)) {
      everywhere = true;
      break;
    }
    change.losses -= 1;
    if (!stepTaken(change)) continue;
    for (NodeId v = step.after; index.contains(r, v) && !index.contains(v, steps.all);
         v = context_->species->parent(v)) {
      if (listed_[at(v)] == stamp_) break;  // the path above is listed already
      listed_[at(v)] = stamp_;
      positions_.push_back(v);
    }
  }
  if (!everywhere && positions_.empty()) return;
  startTree(rooting, map, nullptr);  // no side maps to the root: no remaining mappings are read
  if (everywhere) {
    const NodeId* order = index.preorder().data();
    walkAt(steps.all, order + index.begin(r), order + index.end(r), scores);
  } else {
    walkAt(steps.all, positions_.data(), positions_.data() + positions_.size(), scores);
  }
}

}  // namespace dls
