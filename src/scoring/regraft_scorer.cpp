#include "scoring/regraft_scorer.hpp"

#include "common/errors.hpp"
#include "reconcile/reconciliation.hpp"
#include "reconcile/rootings.hpp"

namespace dls {

void RegraftScorer::begin(const SpeciesTree& species, const SpeciesIndex& index, NodeId x) {
  species_ = &species;
  index_ = &index;
  x_ = x;
  root_ = species.root();
  r_ = species.sibling(x);
  const std::size_t n = species.size();
  treeDuplications_.assign(n, DuplicationCounters());
  treeLosses_.assign(n, LossCounters());
  if (scope_ == LossScope::wholeSpeciesTree && !partial_) {
    wholeTree_.buildWhole(species, index);
    leafInRemaining_ = species.leafByName();
    for (NodeId& leaf : leafInRemaining_)
      if (leaf != kNoNode && !index.contains(r_, leaf)) leaf = kNoNode;
  }
  counted_.clear();
  restart();
}

void RegraftScorer::restart() {
  const std::size_t n = species_->size();
  scores_.assign(n, Scores());
  accumulatedDuplications_.assign(n, DuplicationCounters());
  if (scope_ == LossScope::wholeSpeciesTree && !partial_) {
    accumulatedLosses_.assign(n, LossCounters());
  } else {
    lossInSubtree_.assign(n, 0);
  }
  accumulatedDuplicationBase_ = accumulatedLossBase_ = 0;
  accumulatedAny_ = false;
}

void RegraftScorer::countInto(bool accumulated, bool accumulatedLosses, double weight) {
  dup_ = accumulated ? accumulatedDuplications_.data() : treeDuplications_.data();
  duplicationAmount_ = accumulated ? weight : 1;
  loss_ = accumulatedLosses ? accumulatedLosses_.data() : treeLosses_.data();
  lossAmount_ = accumulatedLosses ? weight : 1;
}

void RegraftScorer::addGeneTree(const GeneTree& tree, const RootEdge& edge, double weight) {
  if (partial_)
    addAtPresentRooting<true>(tree, edge, weight);
  else
    addAtPresentRooting<false>(tree, edge, weight);
}

template <bool kPartial>
void RegraftScorer::addAtPresentRooting(const GeneTree& tree, const RootEdge& edge, double weight) {
  scratch_.fit(tree.size());
  if (secondary_.size() < tree.size()) secondary_.resize(tree.size());
  const GeneRooting& rooting = scratch_.rootAt(tree, edge);
  mapGeneTree<kPartial>(tree, rooting, scratch_.turned, species_->leafByName().data(), *index_, scratch_.map.data());
  const RelevantTree* relevant = &wholeTree_;
  if (kPartial || scope_ == LossScope::geneSpeciesOnly) {
    scratch_.relevant.buildRestricted(*species_, *index_, tree, scratch_.map.data());
    relevant = &scratch_.relevant;
  }
  countInto(true, relevant->whole(), weight);
  accumulatedAny_ = true;
  scoreRooting<kPartial>(rooting, *relevant, weight, Combine::accumulate);
}

void RegraftScorer::addGeneTreeAtEveryRooting(const GeneTree& tree, const RootEdge& edge, double weight) {
  if (scope_ == LossScope::wholeSpeciesTree) {
    addAtCheapestRootings(tree, edge, weight);
    return;
  }
  if (secondary_.size() < tree.size()) secondary_.resize(tree.size());
  const RelevantTree& relevant = reconcileEveryDirection(tree, edge, *species_, *index_, scope_, wholeTree_, scratch_);
  // Losses counted in the tree restricted to the gene tree's species: a
  // pass over the species tree per rooting.
  countInto(false, false, 1);
  scoreRooting<false>(scratch_.rooting, relevant, weight, Combine::replace);
  forEachOtherRooting(scratch_, [&](const RootEdge&) {
    for (NodeId v : relevant.preorder()) clearLossCounters(v);
    scoreRooting<false>(scratch_.rooting, relevant, weight, Combine::keepCheaper);
  });
  // The rootings leave loss changes on positions outside the restricted tree.
  for (NodeId v = 0; v < static_cast<NodeId>(treeLosses_.size()); ++v) clearLossCounters(v);
  const std::vector<NodeId>& order = index_->preorder();
  for (std::uint32_t i = index_->begin(r_); i < index_->end(r_); ++i) {
    Scores& s = scores_[at(order[i])];
    s.duplications += s.rootingDuplications;
    s.losses += s.rootingLosses;
  }
}

// --- Unrooted gene trees at their cheapest rooting per position ----------------------
//
// For a fixed species tree the cheapest rootings of an unrooted gene tree
// form a connected region, and the cost grows along every path away from it
// (Górecki and Tiuryn 2007; Górecki, Eulenstein and Tiuryn 2013): from any
// rooting, moving the root across an edge to a cheaper rooting while there
// is one ends at a cheapest rooting. That holds for any weights of
// duplications and losses as long as losses weigh more than 0; without,
// duplications alone may stay level away from the cheapest rootings, and
// fewer losses decide between equal duplications (see cheaper()).
//
// Moving the root from edge {a, b} to {b, w} changes only the root's and
// b's children, so the step costs O(1): with A, W, W' the sides of a, w and
// b's third neighbour w' away from b, the root's children go from
// (A, W + W') to (W, A + W'), b's from (W, W') to (A, W'). The present
// rooting is counted for every position by one pass; each position then
// walks from it.

RegraftScorer::Side RegraftScorer::sideOf(NodeId mapping, NodeId remaining) const {
  Side side{mapping, remaining, Lies::both, 0, 0};
  if (mapping != root_) {
    side.lies = index_->contains(x_, mapping) ? Lies::inX : Lies::remaining;
    side.depth = index_->depth(mapping);
  }
  side.number = index_->number(side.lies == Lies::both ? remaining : mapping);
  return side;
}

RegraftScorer::Side RegraftScorer::side(const GeneRooting& rooting, NodeId n, NodeId toward) const {
  const GeneRooting::Node& node = rooting.node(n);
  const NodeId top = rooting.root();
  for (int k = 0; k < 3; ++k) {
    const NodeId neighbour = node.neighbour[k];
    const NodeId far = neighbour != top ? neighbour : rooting.child(top, rooting.child(top, 0) == n ? 1 : 0);
    if (far == toward) return sideOf(scratch_.directed[at(n)][k], remainingDirected_[at(n)][k]);
  }
  throw InternalError("gene tree neighbour not found");
}

RegraftScorer::Moves RegraftScorer::movesAcross(const GeneRooting& rooting, NodeId from, NodeId over) const {
  Moves moves{};
  moves.from = from;
  moves.over = over;
  moves.fromSide = side(rooting, from, over);
  moves.overSide = side(rooting, over, from);
  const NodeId top = rooting.root();
  int count = 0;
  for (NodeId neighbour : rooting.node(over).neighbour) {
    const NodeId far = neighbour != top ? neighbour : rooting.child(top, rooting.child(top, 0) == over ? 1 : 0);
    if (far != kNoNode && far != from && count < 2) moves.to[count++] = far;
  }
  moves.any = count == 2;
  for (int k = 0; moves.any && k < 2; ++k) {
    moves.toSide[k] = side(rooting, moves.to[k], over);
    moves.joined[k] = side(rooting, over, moves.to[k]);
  }
  return moves;
}

RegraftScorer::Mapped RegraftScorer::mapped(const Side& s, const Position& at) const {
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
  if (inY) return {root_, at.depth};
  const NodeId lca = index_->lca(s.remaining, at.y);
  return {lca, index_->depth(lca)};
}

GeneTreeCost RegraftScorer::nodeCost(const Mapped& m, const Mapped& m0, const Mapped& m1) {
  GeneTreeCost cost;
  const bool as0 = m.node == m0.node, as1 = m.node == m1.node;
  cost.duplications = as0 || as1 ? 1 : 0;
  if (as0 && as1) return cost;
  cost.losses = as0 ? m1.depth - m.depth : as1 ? m0.depth - m.depth : m0.depth + m1.depth - 2 * m.depth - 2;
  return cost;
}

void RegraftScorer::addAtCheapestRootings(const GeneTree& tree, const RootEdge& edge, double weight) {
  if (secondary_.size() < tree.size()) secondary_.resize(tree.size());
  if (remainingDirected_.size() < tree.size()) {
    remainingDirected_.resize(tree.size());
    remainingMap_.resize(tree.size());
    remainingUp_.resize(tree.size());
  }
  // The present rooting, accumulated as a gene tree at a fixed rooting;
  // each position then adds the change to its cheapest rooting.
  reconcileEveryDirection(tree, edge, *species_, *index_, scope_, wholeTree_, scratch_);
  countInto(true, true, weight);
  accumulatedAny_ = true;
  scoreRooting<false>(scratch_.rooting, wholeTree_, weight, Combine::accumulate);
  // Only sides with species on both sides of the root need their
  // remaining species mapped; there are none unless the whole tree has.
  if (scratch_.map[at(tree.root())] == root_)
    mapEveryDirection<true>(tree, leafInRemaining_.data(), *index_, remainingMap_.data(), remainingDirected_.data(),
                            remainingUp_.data());
  const GeneRooting& rooting = scratch_.rooting;
  const NodeId top = rooting.root();
  // The root's side: all the gene leaves.
  const Side all = sideOf(scratch_.map[at(top)], remainingMap_[at(top)]);
  // The moves from the present root edge, the same at every position.
  const NodeId a0 = rooting.child(top, 0), b0 = rooting.child(top, 1);
  Moves start[2] = {};
  if (a0 != kNoNode) start[0] = movesAcross(rooting, a0, b0), start[1] = movesAcross(rooting, b0, a0);
  if (equalWeights_)
    walkToCheapest<true>(all, start, weight);
  else
    walkToCheapest<false>(all, start, weight);
}

template <bool kEqualWeights>
void RegraftScorer::walkToCheapest(const Side& all, const Moves (&start)[2], double weight) {
  const GeneRooting& rooting = scratch_.rooting;
  const NodeId a0 = rooting.child(rooting.root(), 0);
  const std::vector<NodeId>& order = index_->preorder();
  for (std::uint32_t i = index_->begin(r_); i < index_->end(r_); ++i) {
    const NodeId y = order[i];
    const Position position{y, index_->depth(y), index_->first(y), index_->last(y)};
    GeneTreeCost total;  // the counts' change from the present rooting
    Moves moves[2] = {start[0], start[1]};
    // The root edge is {moves[0].from, moves[0].over}; a leaf tree has none.
    const Mapped allMapped = mapped(all, position);
    while (a0 != kNoNode) {
      // moves[0].fromSide is moves[1].overSide, and the other way round.
      const Mapped fromMapped = mapped(moves[0].fromSide, position), overMapped = mapped(moves[0].overSide, position);
      const GeneTreeCost root = nodeCost(allMapped, fromMapped, overMapped);
      GeneTreeCost best;         // the change of the counts by the best step; none: no step
      std::int64_t bestSum = 0;  // its sum
      const Moves* bestMoves = nullptr;
      int bestK = 0;
      for (int e = 0; e < 2; ++e) {
        const Moves& across = moves[e];
        if (!across.any) continue;
        const Mapped& acrossFrom = e == 0 ? fromMapped : overMapped;
        const Mapped& acrossOver = e == 0 ? overMapped : fromMapped;
        const Mapped to[2] = {mapped(across.toSide[0], position), mapped(across.toSide[1], position)};
        const GeneTreeCost over = nodeCost(acrossOver, to[0], to[1]);
        for (int k = 0; k < 2; ++k) {
          const Mapped joined = mapped(across.joined[k], position);
          const GeneTreeCost newRoot = nodeCost(allMapped, to[k], joined);
          const GeneTreeCost newOver = nodeCost(joined, acrossFrom, to[1 - k]);
          const GeneTreeCost change{newRoot.duplications + newOver.duplications - root.duplications - over.duplications,
                                    newRoot.losses + newOver.losses - root.losses - over.losses};
          if (kEqualWeights ? change.duplications + change.losses < bestSum : cheaper(total, change, best)) {
            best = change;
            bestSum = change.duplications + change.losses;
            bestMoves = &across;
            bestK = k;
          }
        }
      }
      if (bestMoves == nullptr) break;  // no neighbour is cheaper: a cheapest rooting
      total.duplications += best.duplications;
      total.losses += best.losses;
      const NodeId over = bestMoves->over, to = bestMoves->to[bestK];
      moves[0] = movesAcross(rooting, over, to);
      moves[1] = movesAcross(rooting, to, over);
    }
    if (total.duplications == 0 && total.losses == 0) continue;
    Scores& s = scores_[at(y)];
    s.duplications += static_cast<double>(total.duplications) * weight;
    s.losses += static_cast<double>(total.losses) * weight;
  }
}

// The accumulated gene trees: one pass down the remaining tree gives every
// position their duplications and, over the whole species tree, their loss
// changes; over restricted trees the changes are known already, per node
// and per subtree.
void RegraftScorer::finish() {
  if (!accumulatedAny_) return;
  accumulatedAny_ = false;
  dup_ = accumulatedDuplications_.data();
  const double duplicationBase = accumulatedDuplicationBase_, lossBase = accumulatedLossBase_;
  if (scope_ == LossScope::wholeSpeciesTree && !partial_) {
    loss_ = accumulatedLosses_.data();
    convertSiblingCounters(wholeTree_, r_);
    sumDown(wholeTree_, r_, [&](NodeId v) {
      Scores& s = scores_[at(v)];
      s.duplications += duplicationValueAt(v, duplicationBase, 1);
      s.losses += lossBase + loss_[at(v)].lossDelta;
    });
    return;
  }
  const std::vector<NodeId>& order = index_->preorder();
  for (std::uint32_t i = index_->begin(r_); i < index_->end(r_); ++i) {
    const NodeId v = order[i];
    if (v != r_) lossInSubtree_[at(v)] += lossInSubtree_[at(species_->parent(v))];
    Scores& s = scores_[at(v)];
    s.duplications += duplicationValueAt(v, duplicationBase, 1);
    s.losses += lossBase + lossInSubtree_[at(v)];
  }
}

// --- One rooting of one gene tree ---------------------------------------------------

template <bool kPartial>
void RegraftScorer::scoreRooting(const GeneRooting& rooting, const RelevantTree& relevant, double weight,
                                 Combine combine) {
  countFrontier<kPartial>(rooting);
  // Over the whole species tree losses change with the regraft; in a tree
  // restricted to the gene tree's species only when it has species on both
  // sides of the root, which is then relevant.
  const bool lossesChange = relevant.relevant(root_);
  const GeneTreeCost cost =
      countCost<kPartial>(rooting, scratch_.map.data(), relevant, [&](NodeId g, NodeId c0, NodeId c1) {
        if (lossesChange) lossCountersAt<kPartial>(relevant, g, c0, c1);
      });
  const double duplicationBase = static_cast<double>(cost.duplications) * weight;
  const double lossBase = static_cast<double>(cost.losses) * weight;
  // start: the root's relevant child on the remaining tree's side.
  const NodeId start = relevant.child(root_, species_->child(root_, 0) == x_ ? 1 : 0);
  if (combine == Combine::accumulate) {
    accumulatedDuplicationBase_ += duplicationBase;
    accumulatedLossBase_ += lossBase;
    if (lossesChange && !relevant.whole()) accumulateLossChanges(relevant, start, weight);
    return;
  }
  // Rooting by rooting: restricted trees only (over the whole tree the
  // rootings are walked, see addAtCheapestRootings).
  if (combine != Combine::keepCheaper) walkDuplicationValues(duplicationBase, lossBase, weight, combine);
  if (lossesChange) {
    convertSiblingCounters(relevant, start);
    sumDown(relevant, start, [](NodeId) {});
    transferLossChanges(relevant, start, weight, combine);
  }
  if (combine == Combine::keepCheaper) walkDuplicationValues(duplicationBase, lossBase, weight, combine);
}

// --- Duplications ------------------------------------------------------------------
//
// The secondary mapping of a gene node is its mapping with x taken out: the
// LCA, in the remaining tree, of its species outside x (kNoNode if it has
// none). Only nodes mapped to the species root have species on both sides;
// the frontier is made of the highest gene nodes whose species all lie in
// the remaining tree. Where x is regrafted decides whether a frontier node's
// parent stays a duplication, which the three counters record.

template <bool kPartial>
void RegraftScorer::countFrontier(const GeneRooting& rooting) {
  clearDuplicationCounters();
  const NodeId* map = scratch_.map.data();
  NodeId* secondary = secondary_.data();
  const NodeId top = rooting.root();
  if (map[top] != root_) return;  // all species on one side: the same value everywhere
  // Down through the nodes mapped to the species root; the walk stops at
  // the others, which keep their mapping (outside x) or lose it (inside x).
  frontier_.clear();
  region_.clear();
  tour_.preorder(
      top, [&](NodeId g, int i) { return map[g] == root_ ? rooting.child(g, i) : kNoNode; },
      [&](NodeId g) {
        const NodeId m = map[g];
        if (m == root_) {
          region_.push_back(g);
          return;
        }
        const bool outside = m != kNoNode && !index_->contains(x_, m);
        secondary[g] = outside ? m : kNoNode;
        if (outside) frontier_.push_back(g);
      });
  for (auto it = region_.rbegin(); it != region_.rend(); ++it)  // children first
    secondary[*it] = joinMappings<true>(*index_, secondary[rooting.child(*it, 0)], secondary[rooting.child(*it, 1)]);

  for (NodeId g : frontier_) {
    const NodeId q = rooting.parent(g);
    const NodeId h = rooting.child(q, 0) == g ? rooting.child(q, 1) : rooting.child(q, 0);
    const NodeId sg = secondary[g];
    const NodeId sh = secondary[h];
    if (sh == kNoNode) {
      // The sibling lies below x: q stays a duplication exactly for the
      // regrafts below sg.
      countDuplication(sg, &DuplicationCounters::here);
      continue;
    }
    // q is a duplication at m unless x is regrafted into the side of one of
    // them; the counter of the side holding h is taken off there.
    const NodeId m = secondary[q];
    const std::uint32_t nh = index_->number(sh), nm = index_->number(m), ng = index_->number(sg);
    if (nh < nm && nm < ng)
      countDuplication(m, &DuplicationCounters::child0);
    else if (ng < nm && nm < nh)
      countDuplication(m, &DuplicationCounters::child1);
  }
}

void RegraftScorer::countDuplication(NodeId v, double DuplicationCounters::*counter) {
  dup_[at(v)].*counter += duplicationAmount_;
  if (dup_ == treeDuplications_.data()) counted_.push_back(v);
}

void RegraftScorer::clearDuplicationCounters() {
  for (NodeId v : counted_) {
    DuplicationCounters& c = treeDuplications_[at(v)];
    c.here = c.child0 = c.child1 = 0;
  }
  counted_.clear();
}

// The duplication value of a position, called parents first from r: the
// gene tree's own count at r, then along each edge the frontier counters of
// the upper node.
double RegraftScorer::duplicationValueAt(NodeId v, double duplicationBase, double weight) {
  double value = duplicationBase;
  if (v != r_) {
    const NodeId p = species_->parent(v);
    const DuplicationCounters& up = dup_[at(p)];
    value = up.value + step(p, species_->child(p, 0) == v ? up.child0 : up.child1, weight);
  }
  dup_[at(v)].value = value;
  return value;
}

// Every position of the remaining tree gets its duplication value, and the
// loss count of a restricted tree as the base of its loss value.
void RegraftScorer::walkDuplicationValues(double duplicationBase, double lossBase, double weight, Combine combine) {
  const std::vector<NodeId>& order = index_->preorder();
  for (std::uint32_t i = index_->begin(r_); i < index_->end(r_); ++i) {
    const NodeId v = order[i];
    combineAt(v, duplicationValueAt(v, duplicationBase, weight), lossBase, weight, combine);
  }
}

void RegraftScorer::combineAt(NodeId v, double duplicationValue, double lossBase, double weight, Combine combine) {
  Scores& s = scores_[at(v)];
  const double delta = loss_[at(v)].lossDelta;
  switch (combine) {
    case Combine::accumulate:
      break;
    case Combine::replace:
      s.rootingDuplications = duplicationValue;
      s.rootingLosses = lossBase;
      break;
    case Combine::keepCheaper: {
      // Equal costs keep the rooting tried first.
      const double candidate =
          weights_.loss * (weight * delta) + (weights_.loss * lossBase + weights_.duplication * duplicationValue);
      if (weights_.of(s.rootingDuplications, s.rootingLosses) > candidate) {
        s.rootingDuplications = duplicationValue;
        s.rootingLosses = delta * weight + lossBase;
      }
      break;
    }
  }
}

// --- Losses --------------------------------------------------------------------------
//
// lossDelta(y) is the change of the gene tree's loss count when x is
// regrafted above y instead of above r. Everything below happens in the
// relevant tree; d is its depth, measured from r for the remaining tree (so
// d(r) = 1), M(g) is a gene node's mapping, S(g) its secondary mapping, and
// "y >= a" means y is a or one of its ancestors. Three kinds of counter
// carry the changes, summed down the relevant tree afterwards (sumDown):
//   local(u):          lossDelta(u) += 1;
//   inheritedPlus(u):  lossDelta(y) += 1 for every y in u's subtree (Minus: -1);
//   depth(u):          lossDelta(y) += d(y) - d(u) + 1 for every y in u's subtree.
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
void RegraftScorer::lossCountersAt(const RelevantTree& relevant, NodeId g, NodeId c0, NodeId c1) {
  const NodeId* map = scratch_.map.data();
  const NodeId* secondary = secondary_.data();
  const NodeId mg = map[g], m0 = map[c0], m1 = map[c1];
  if (kPartial && (mg == kNoNode || m0 == kNoNode || m1 == kNoNode)) return;
  auto inX = [this](NodeId s) { return index_->contains(x_, s); };

  if (mg != root_) {
    // Case 1: all of g's species on one side. Only depths can change: a
    // child edge gains one loss when p lands on it, that is for y on the
    // path from M(c) up to (not including) M(g). Inside x nothing changes
    // (and no position is there).
    climb(relevant, m0, mg, &LossCounters::local);
    climb(relevant, m1, mg, &LossCounters::local);
    return;
  }
  const NodeId sg = secondary[g];
  if (m0 == root_ && m1 == root_) {
    // Case 2: g and both children span both sides, so g is a duplication
    // without losses now. For a child c with a = S(c) below b = S(g), the
    // edge gains one loss for every node u on the path [a, b) with y in
    // u's subtree: for y on that path, g maps to b and c to p (d(y) - d(b)
    // losses); for y below it, c maps to lca(a, y) (d(lca) - d(b)); for y
    // elsewhere g stays a loss-free duplication.
    if (secondary[c0] != sg) climb(relevant, secondary[c0], sg, &LossCounters::inheritedPlus);
    if (secondary[c1] != sg) climb(relevant, secondary[c1], sg, &LossCounters::inheritedPlus);
    return;
  }
  if (m0 == root_ || m1 == root_) {
    const NodeId m = m0 == root_ ? c0 : c1;   // the child on both sides
    const NodeId mn = m0 == root_ ? m1 : m0;  // the other child's mapping
    const NodeId sm = secondary[m];
    if (!inX(mn)) {
      // Case 3: the other child lies in the remaining tree. Now g is a
      // duplication with d(M(n)) - 1 losses. Let s = S(g) = lca(S(m), M(n)).
      // For y >= s, g and m map to p: change -(d(y) - 1). For y off s's
      // subtree, leaving it at z, g and m map to z: change -d(z). rootPath(s)
      // gives both, and -(d(s) - 1) to all of s's subtree, where the rest
      // depends on which of S(m) and M(n) equal s:
      rootPath(relevant, sg);
      if (sg != sm && sg != mn) {
        // Both strictly below s, in different subtrees c and c' of s. g
        // becomes a speciation at s: y on the path [S(m), s) sees
        // d(y) - 2 d(s) - 2, y below that path d(lca(S(m), y)) - 2 d(s) - 2,
        // y on [M(n), s) sees 1 - d(s), the rest of s's subtree -d(s).
        addBelow(relevant, sg, &LossCounters::inheritedMinus);
        const NodeId c = climbBelow(relevant, sm, sg, &LossCounters::inheritedPlus);
        add(c, &LossCounters::inheritedMinus);
        climb(relevant, mn, sg, &LossCounters::local);
      } else if (sg == sm && sg != mn) {
        // M(n) below S(m) = s: y on [M(n), s) sees 1 - d(s), the rest of
        // s's subtree -d(s).
        addBelow(relevant, sg, &LossCounters::inheritedMinus);
        climb(relevant, mn, sg, &LossCounters::local);
      } else if (sg == sm) {
        // Both at s: g stays a duplication at s below it, -d(s).
        addBelow(relevant, sg, &LossCounters::inheritedMinus);
      } else {
        // S(m) below M(n) = s, on c's side: g stays a duplication with n at
        // s. y on [S(m), s) sees d(y) - 2 d(s), y below that path
        // d(lca(S(m), y)) - 2 d(s), the other side of s -d(s).
        const NodeId c = climbBelow(relevant, sm, sg, &LossCounters::inheritedPlus);
        add(other(relevant, sg, c), &LossCounters::inheritedMinus);
      }
    } else {
      // Case 4: the other child lies in x. g is a duplication with m, and
      // its losses are those of the edge into x, d_x(M(n)), as long as g
      // maps to p (y >= s, s = S(g) = S(m)). Otherwise g and m map to
      // z = lca(s, y) and p lies d(y) - d(z) levels below: for y below s,
      // depth(children of s); for y leaving the path above s at w,
      // siblingDepth(s).
      if (sg != sm) throw InternalError("Problem in case 4!!");
      if (relevant.parent(sg) != root_) add(sg, &LossCounters::siblingDepth);
      addBelow(relevant, sg, &LossCounters::depth);
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
  if (inX(m0) == inX(m1)) throw InternalError("Shouldn't be here at all!!");
  const NodeId a = inX(m0) ? m1 : m0;
  if (sg != a) throw InternalError("Problem in case 5!!");
  if (relevant.parent(a) != root_) add(a, &LossCounters::sibling);
  addBelow(relevant, a, &LossCounters::depth);
  addBelow(relevant, a, &LossCounters::inheritedPlus);
}

void RegraftScorer::climb(const RelevantTree& relevant, NodeId a, NodeId b, Counter counter) {
  for (; a != b; a = relevant.parent(a)) add(a, counter);
}

NodeId RegraftScorer::climbBelow(const RelevantTree& relevant, NodeId a, NodeId b, Counter counter) {
  for (; relevant.parent(a) != b; a = relevant.parent(a)) add(a, counter);
  return a;
}

void RegraftScorer::addBelow(const RelevantTree& relevant, NodeId s, Counter counter) {
  for (int i = 0; i < 2; ++i)
    if (relevant.child(s, i) != kNoNode) add(relevant.child(s, i), counter);
}

// From s up to start: -1 for the subtrees of each node on the way and of
// its sibling, that is for everything below each of s's proper ancestors.
void RegraftScorer::rootPath(const RelevantTree& relevant, NodeId s) {
  for (NodeId v = s, u = relevant.parent(s); u != root_; v = u, u = relevant.parent(u)) {
    add(v, &LossCounters::inheritedMinus);
    add(other(relevant, u, v), &LossCounters::inheritedMinus);
  }
}

// Children before parents: sums the sibling counters up the relevant tree
// and hands each node's sums to its sibling and to itself.
void RegraftScorer::convertSiblingCounters(const RelevantTree& relevant, NodeId start) {
  const std::vector<NodeId>& order = relevant.preorder();
  for (std::uint32_t i = relevant.end(start); i-- > relevant.begin(start);) {
    const NodeId v = order[i];
    if (v == start) continue;
    LossCounters& c = loss_[at(v)];
    if (relevant.child(v, 0) != kNoNode) {
      const LossCounters& a = loss_[at(relevant.child(v, 0))];
      const LossCounters& b = loss_[at(relevant.child(v, 1))];
      c.sibling += a.sibling + b.sibling;
      c.siblingDepth += a.siblingDepth + b.siblingDepth;
    }
    LossCounters& o = loss_[at(other(relevant, relevant.parent(v), v))];
    o.depth += c.sibling + c.siblingDepth;
    o.inheritedMinus += c.sibling;
    c.inheritedMinus += c.sibling;
  }
}

// Parents before children: k sums the inherited counters, k1 the depth
// counters and k2 the k1 values, so that lossDelta(y) is final when
// visit(y) is called.
template <class Visit>
void RegraftScorer::sumDown(const RelevantTree& relevant, NodeId start, Visit&& visit) {
  const std::vector<NodeId>& order = relevant.preorder();
  for (std::uint32_t i = relevant.begin(start); i < relevant.end(start); ++i) {
    const NodeId v = order[i];
    LossCounters& c = loss_[at(v)];
    double k = 0, k1 = 0, k2 = 0;
    if (v == start) {
      // Nothing changes for a regraft above start: the climbs all stop
      // below it.
      if (c.inheritedPlus != 0 || c.local != 0 || c.inheritedMinus != 0)
        throw InternalError("root-child counters not 0!!");
      if (c.depth != 0) throw InternalError("root-child counter 3 not 0!!");
    } else {
      const LossCounters& up = loss_[at(relevant.parent(v))];
      k = up.k;
      k1 = up.k1;
      k2 = up.k2;
    }
    k += c.inheritedPlus - c.inheritedMinus;
    k1 += c.depth;
    k2 += k1;
    c.lossDelta += k + c.local + k2;
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
// node the climb came from): it takes that node's change. atNode(v, delta,
// copied) gets each relevant node below start and each node on the paths
// up from them, atSubtree(s, delta) each subtree s off those paths; every
// position of the remaining tree is in exactly one of them.
template <class AtNode, class AtSubtree>
void RegraftScorer::forEachLossChange(const RelevantTree& relevant, NodeId start, AtNode&& atNode,
                                      AtSubtree&& atSubtree) {
  const std::vector<NodeId>& order = relevant.preorder();
  for (std::uint32_t i = relevant.begin(start); i < relevant.end(start); ++i) {
    const NodeId v = order[i];
    const double delta = loss_[at(v)].lossDelta;
    atNode(v, delta, false);
    if (species_->parent(v) == root_) continue;
    for (NodeId u = species_->parent(v); u != kNoNode && !relevant.relevant(u); u = species_->parent(u)) {
      atNode(u, delta, true);
      // u has the gene tree's species on v's side only.
      const NodeId c0 = species_->child(u, 0);
      atSubtree(index_->contains(c0, v) ? species_->child(u, 1) : c0, delta);
    }
  }
}

// A gene tree's loss changes, from its own counters into the accumulated
// ones, in the gene tree's size: the positions that take a relevant node's
// change (see forEachLossChange) are the subtree of the top of its path up
// to its relevant parent, less those of its relevant children. So the
// change less the relevant parent's, added at that top, sums down to every
// such position in finish(). Its counters are cleared behind.
void RegraftScorer::accumulateLossChanges(const RelevantTree& relevant, NodeId start, double weight) {
  convertSiblingCounters(relevant, start);
  sumDown(relevant, start, [](NodeId) {});
  const std::vector<NodeId>& order = relevant.preorder();
  for (std::uint32_t i = relevant.begin(start); i < relevant.end(start); ++i) {
    const NodeId v = order[i];
    const NodeId up = relevant.parent(v);  // the root for start
    const double above = v == start ? 0 : loss_[at(up)].lossDelta;
    const NodeId c0 = species_->child(up, 0);
    const NodeId top = index_->contains(c0, v) ? c0 : species_->child(up, 1);
    lossInSubtree_[at(top)] += (loss_[at(v)].lossDelta - above) * weight;
  }
  for (NodeId v : relevant.preorder()) clearLossCounters(v);
}

void RegraftScorer::transferLossChanges(const RelevantTree& relevant, NodeId start, double weight, Combine combine) {
  auto atNode = [&](NodeId v, double delta, bool copied) {
    if (combine == Combine::replace)
      scores_[at(v)].rootingLosses += delta * weight;
    else if (copied)
      loss_[at(v)].lossDelta = delta;
  };
  const std::vector<NodeId>& order = index_->preorder();
  forEachLossChange(relevant, start, atNode, [&](NodeId s, double delta) {
    for (std::uint32_t j = index_->begin(s); j < index_->end(s); ++j) atNode(order[j], delta, true);
  });
}

void RegraftScorer::clearLossCounters(NodeId v) {
  LossCounters& c = loss_[at(v)];
  c.local = c.inheritedPlus = c.inheritedMinus = c.depth = c.sibling = c.siblingDepth = c.lossDelta = 0;
}

template void RegraftScorer::addAtPresentRooting<true>(const GeneTree&, const RootEdge&, double);
template void RegraftScorer::addAtPresentRooting<false>(const GeneTree&, const RootEdge&, double);

}  // namespace dls
