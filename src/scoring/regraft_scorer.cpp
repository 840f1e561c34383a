#include "scoring/regraft_scorer.hpp"

#include <algorithm>

#include "common/errors.hpp"
#include "reconcile/reconciliation.hpp"
#include "reconcile/rootings.hpp"

namespace dls {

void RegraftScorer::begin(const SpeciesTree& species, const SpeciesIndex& index, NodeId x) {
  context_.set(species, index, x);
  const std::size_t n = species.size();
  treeDuplications_.assign(n, DuplicationCounters());
  treeLosses_.assign(n, LossCounters());
  if (scope_ == LossScope::wholeSpeciesTree && !partial_) {
    wholeTree_.buildWhole(species, index);
    walk_.begin(context_);
  }
  counted_.clear();
  restart();
}

void RegraftScorer::restart() {
  const std::size_t n = context_.species->size();
  scores_.assign(n, PositionScores());
  if (keepFixed_) {
    if (scope_ != LossScope::wholeSpeciesTree || partial_)
      throw InternalError("scores at fixed rootings were asked of a scoring in restricted trees");
    fixedScores_.assign(n, PositionScores());
  }
  if (scope_ != LossScope::wholeSpeciesTree || partial_) rootingScores_.resize(n);
  groupsInUse_ = 0;
}

RegraftScorer::WeightGroup& RegraftScorer::groupOf(double weight) {
  for (std::size_t g = groupsInUse_; g-- > 0;)
    if (groups_[g].weight == weight) return groups_[g];
  if (groupsInUse_ == kMaxGroups) finish();
  if (groups_.size() == groupsInUse_) groups_.emplace_back();
  WeightGroup& group = groups_[groupsInUse_++];
  const std::size_t n = context_.species->size();
  group.weight = weight;
  group.duplications.assign(n, DuplicationCounters());
  if (scope_ == LossScope::wholeSpeciesTree && !partial_)
    group.losses.assign(n, LossCounters());
  else
    group.lossInSubtree.assign(n, 0);
  group.changes.assign(n, PositionScores());
  group.duplicationBase = group.lossBase = 0;
  return group;
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
  const SpeciesTree& species = *context_.species;
  const GeneRooting& rooting = scratch_.rootAt(tree, edge);
  mapGeneTree<kPartial>(tree, rooting, scratch_.turned, species.leafByName().data(), *context_.index,
                        scratch_.map.data());
  const RelevantTree* relevant = &wholeTree_;
  if (kPartial || scope_ == LossScope::geneSpeciesOnly) {
    scratch_.relevant.buildRestricted(species, *context_.index, tree, scratch_.map.data());
    relevant = &scratch_.relevant;
  }
  // Over the whole tree, the loss counters of the gene trees of a weight add
  // up; over a restricted one, a tree's own are turned into changes at once.
  WeightGroup& group = groupOf(weight);
  const LossTarget losses = relevant->whole() ? LossTarget{group.losses.data(), 1} : LossTarget{treeLosses_.data(), 1};
  scoreRooting<kPartial>(rooting, *relevant, Combine::accumulate, {group.duplications.data(), losses}, group);
}

void RegraftScorer::addGeneTreeAtEveryRooting(const GeneTree& tree, const RootEdge& edge, double weight) {
  if (scope_ == LossScope::wholeSpeciesTree) {
    addAtCheapestRootings(tree, edge, weight);
    return;
  }
  if (secondary_.size() < tree.size()) secondary_.resize(tree.size());
  const RelevantTree& relevant =
      reconcileEveryDirection(tree, edge, *context_.species, *context_.index, scope_, wholeTree_, scratch_);
  // Losses counted in the tree restricted to the gene tree's species: a
  // pass over the species tree per rooting, the tree's own counts.
  WeightGroup& group = groupOf(weight);
  const CounterTarget own{treeDuplications_.data(), {treeLosses_.data(), 1}};
  scoreRooting<false>(scratch_.rooting, relevant, Combine::replace, own, group);
  forEachOtherRooting(scratch_, [&](const RootEdge&) {
    for (NodeId v : relevant.preorder()) treeLosses_[at(v)].clear();
    scoreRooting<false>(scratch_.rooting, relevant, Combine::keepCheaper, own, group);
  });
  // The rootings leave loss changes on positions outside the restricted tree.
  for (LossCounters& counters : treeLosses_) counters.clear();
  const SpeciesIndex& index = *context_.index;
  const std::vector<NodeId>& order = index.preorder();
  for (std::uint32_t i = index.begin(context_.r); i < index.end(context_.r); ++i) {
    PositionScores& s = group.changes[at(order[i])];
    const PositionScores& kept = rootingScores_[at(order[i])];
    s.duplications += kept.duplications;
    s.losses += kept.losses;
  }
}

void RegraftScorer::addAtCheapestRootings(const GeneTree& tree, const RootEdge& edge, double weight) {
  if (secondary_.size() < tree.size()) secondary_.resize(tree.size());
  // The present rooting, accumulated as a gene tree at a fixed rooting;
  // each position then adds the change to its cheapest rooting.
  reconcileEveryDirection(tree, edge, *context_.species, *context_.index, scope_, wholeTree_, scratch_);
  WeightGroup& group = groupOf(weight);
  scoreRooting<false>(scratch_.rooting, wholeTree_, Combine::accumulate,
                      {group.duplications.data(), {group.losses.data(), 1}}, group);
  // The frontier's pass left the secondary mappings of the nodes mapped to
  // the root.
  walk_.addChanges(scratch_.rooting, scratch_.map.data(), secondary_.data(), group.changes.data());
}

// --- Gene trees counted from the unpruned tree ----------------------------------------
//
// U is the species tree before x was pruned, x's parent p then above s (the
// former sibling); R the remaining tree; T_y the tree of the regraft above
// y, so T_s = U and T_r the tree scored here. Call a gene node clean when
// all its species lie in R. The LCA of species of R is the same node in R,
// in U and in every T_y (p is the LCA only of sets that hold a species of
// x), so a clean node maps alike in all of them, and so do its children,
// which are clean too: it is a duplication in every T_y exactly when it is
// in U. The losses on the edge from a clean g to a child c are
// d(M(c)) - d(M(g)) (one less below a speciation); in T_y, p lies on the
// branch above y, which lengthens the species path from M(c) up to M(g) by
// one exactly when that path takes the branch: M(c) in y's subtree, M(g)
// not. So such an edge costs its losses in R plus crossing(y), the number
// of edges whose lower end but not upper end lies in y's subtree, that is
// the sum over y's subtree of (edges with lower end there) - (edges with
// upper end there): crossing counters, whole numbers per weight. In U = T_s
// it costs its losses in R plus crossing(s); at r, where the scores start,
// nothing crosses. The gene root has no edge above it. Hence, summed over a
// block's trees of one weight: the duplications in U, the losses in U less
// crossing(s) at r, and the crossing counters, carried down the remaining
// tree with the loss changes, give every position.
//
// The nodes that are not clean are the ancestors of the gene leaves in x:
// for them (their duplications, the losses of their child edges, and those
// edges' crossing counters and share of crossing(s)) the counts in U are
// taken off, and they are counted here as in any gene tree: the frontier,
// the loss changes (cases 2 to 5 of LossChanges; case 1 lies inside x
// then), read from their mappings here and their clean children's in U. A
// gene tree without a gene of x has no such node and costs nothing more.
//
// Losses in restricted trees (--limit): in a gene tree without species of
// x, p never joins two of its species, so its restricted tree, mappings
// and counts are those of U wherever x goes; a tree with species of x is
// counted whole (its restricted tree changes), after its counts in U are
// taken off. The builder's partial trees are counted whole too.
//
// Unrooted gene trees at a fixed rooting are rooted trees here. Over the
// whole species tree, at their cheapest rooting per position, each
// rooting's losses change by its own crossing counts, so even without
// species of x the cheapest rooting may differ from one position to the
// next. Such a tree is counted here at its present rooting, as a rooted
// one. When x holds some of its species, walks from there add the change
// to its cheapest rooting at every position; they read its mappings in U
// with the spanning nodes set to the root, and those nodes' secondary
// mappings (see countFrontier). Without such species, a walk from its
// present rooting moves it only at the positions
// CheapestRootingWalk::firstSteps finds (it derives which), and the walks
// there add the changes.

void RegraftScorer::addUnpruned(UnprunedCounts& counts, const UnprunedTree& unpruned,
                                const std::vector<NodeId>& prunedLeaves, NodeId formerSibling) {
  if (partial_) throw InternalError("the builder's partial gene trees were to be counted from an unpruned tree");
  addUnprunedGroups(counts, formerSibling);
  touched_.clear();
  touchedRuns_.assign(1, 0);
  for (NodeId leaf : prunedLeaves) {
    touched_.insert(touched_.end(), counts.occurrencesBegin(leaf), counts.occurrencesEnd(leaf));
    if (touched_.size() > touchedRuns_.back()) touchedRuns_.push_back(touched_.size());
  }
  mergeTouchedRuns();
  addTouchedFamilies(counts, unpruned, formerSibling);
  // The unrooted trees without species of x that may move to another
  // rooting somewhere: the walks where they may.
  std::size_t t = 0;
  for (const UnprunedCounts::Walked& walked : counts.walked()) {
    while (t < touched_.size() && touched_[t].family < walked.family) ++t;
    if (t < touched_.size() && touched_[t].family == walked.family) continue;
    const UnprunedCounts::Family& family = counts.family(walked.family);
    walk_.addChangesWithoutPrunedSpecies(counts.rooting(family), counts.map(family), walked.steps, formerSibling,
                                         groupOf(family.weight).changes.data());
  }
}

// Each species' gene leaves are in family order already: the runs of
// touched_ are merged pairwise, pass after pass, into one.
void RegraftScorer::mergeTouchedRuns() {
  const auto byFamily = [](const UnprunedCounts::Occurrence& a, const UnprunedCounts::Occurrence& b) {
    return a.family < b.family;
  };
  while (touchedRuns_.size() > 2) {
    merged_.resize(touched_.size());
    mergedRuns_.assign(1, 0);
    for (std::size_t run = 0; run + 1 < touchedRuns_.size(); run += 2) {
      const auto begin = touched_.begin() + static_cast<std::ptrdiff_t>(touchedRuns_[run]);
      const auto middle = touched_.begin() + static_cast<std::ptrdiff_t>(touchedRuns_[run + 1]);
      const auto end = run + 2 < touchedRuns_.size()
                           ? touched_.begin() + static_cast<std::ptrdiff_t>(touchedRuns_[run + 2])
                           : middle;
      std::merge(begin, middle, middle, end, merged_.begin() + (begin - touched_.begin()), byFamily);
      mergedRuns_.push_back(static_cast<std::size_t>(end - touched_.begin()));
    }
    touched_.swap(merged_);
    touchedRuns_.swap(mergedRuns_);
  }
}

void RegraftScorer::addUnprunedGroups(const UnprunedCounts& counts, NodeId formerSibling) {
  const bool whole = scope_ == LossScope::wholeSpeciesTree;
  const SpeciesIndex& index = *context_.index;
  const std::vector<NodeId>& order = index.preorder();
  const std::uint32_t begin = index.begin(context_.r), end = index.end(context_.r);
  for (const UnprunedCounts::Group& counted : counts.groups()) {
    WeightGroup& group = groupOf(counted.weight);
    group.duplicationBase += counted.duplications;
    group.lossBase += counted.losses;
    if (!whole) continue;
    group.lossBase -= counted.crossingBelow[at(formerSibling)];
    LossCounters* losses = group.losses.data();
    for (std::uint32_t i = begin; i < end; ++i) losses[at(order[i])].crossing += counted.crossing[at(order[i])];
  }
}

void RegraftScorer::addTouchedFamilies(UnprunedCounts& counts, const UnprunedTree& unpruned, NodeId formerSibling) {
  for (std::size_t i = 0; i < touched_.size();) {
    std::size_t j = i + 1;
    while (j < touched_.size() && touched_[j].family == touched_[i].family) ++j;
    if (j < touched_.size()) counts.prefetch(counts.family(touched_[j].family));
    const UnprunedCounts::Family& family = counts.family(touched_[i].family);
    WeightGroup& group = groupOf(family.weight);
    if (scope_ == LossScope::wholeSpeciesTree) {
      addChangedNodes(counts, family, &touched_[i], &touched_[i] + (j - i), unpruned, formerSibling, group);
      // At its present rooting so far; each position then adds the change
      // to its cheapest rooting, from the mappings here.
      NodeId* map = counts.map(family);
      if (family.everyRooting) walk_.addChanges(counts.rooting(family), map, secondary_.data(), group.changes.data());
      for (std::size_t k = 0; k < spanning_.size(); ++k) map[spanning_[k]] = saved_[k];
    } else {
      group.duplicationBase -= static_cast<double>(family.cost.duplications);
      group.lossBase -= static_cast<double>(family.cost.losses);
      addAtPresentRooting<false>(*family.tree, family.edge, family.weight);
    }
    i = j;
  }
}

void RegraftScorer::markChanged(const GeneRooting& rooting, const NodeId* map, const UnprunedCounts::Occurrence* first,
                                const UnprunedCounts::Occurrence* last) {
  if (changedStamp_.size() < rooting.size()) changedStamp_.resize(rooting.size(), 0);
  if (++stamp_ == 0) {  // the stamps wrapped around: none is current
    std::fill(changedStamp_.begin(), changedStamp_.end(), 0);
    stamp_ = 1;
  }
  spanning_.clear();
  for (const UnprunedCounts::Occurrence* o = first; o != last; ++o) {
    for (NodeId n = o->leaf; n != kNoNode && changedStamp_[at(n)] != stamp_; n = rooting.parent(n)) {
      changedStamp_[at(n)] = stamp_;
      if (!context_.inX(map[n])) spanning_.push_back(n);
    }
  }
}

// The counts in U of the inner gene nodes in spanning_ (their mappings in
// U: map) taken off the group's: their duplications, the losses of their
// child edges less those edges' share of crossing(s), and the crossing
// counters the edges left.
void RegraftScorer::takeOffUnprunedCounts(const GeneRooting& rooting, const NodeId* map, const UnprunedTree& unpruned,
                                          NodeId formerSibling, WeightGroup& group) {
  const SpeciesIndex& index = *context_.index;
  LossCounters* losses = group.losses.data();
  // The share of an edge (upper end m, lower end a, in U) in crossing(s).
  const auto crossesAtSibling = [&](NodeId a, NodeId m) {
    return a == m ? 0 : (index.contains(formerSibling, a) ? 1 : 0) - (index.contains(formerSibling, m) ? 1 : 0);
  };
  std::int64_t duplications = 0, lossCount = 0;
  for (NodeId g : spanning_) {
    const NodeId m = map[g], a = map[rooting.child(g, 0)], b = map[rooting.child(g, 1)];
    duplications += isDuplication<false>(m, a, b) ? 1 : 0;
    lossCount += lossesBelow<false>(unpruned.whole, m, a, b) - crossesAtSibling(a, m) - crossesAtSibling(b, m);
    losses[at(a)].crossing -= 1;
    losses[at(b)].crossing -= 1;
    losses[at(m)].crossing += 2;
  }
  group.duplicationBase -= static_cast<double>(duplications);
  group.lossBase -= static_cast<double>(lossCount);
}

// The changed nodes with species of x alone map inside x, in U as here, and
// so do their children: their counts and the crossing counters they leave
// in R are the same, and they are left as they are. The others, spanning
// both sides, map to the root here; their children keep their mappings in
// U. So the family's mappings in U serve here, the spanning nodes' set to
// the root; the caller puts their mappings in U (saved_) back. The
// frontier's pass leaves the spanning nodes' secondary mappings.
void RegraftScorer::addChangedNodes(UnprunedCounts& counts, const UnprunedCounts::Family& family,
                                    const UnprunedCounts::Occurrence* first, const UnprunedCounts::Occurrence* last,
                                    const UnprunedTree& unpruned, NodeId formerSibling, WeightGroup& group) {
  const GeneRooting& rooting = counts.rooting(family);
  NodeId* map = counts.map(family);
  if (secondary_.size() < rooting.size()) secondary_.resize(rooting.size());
  markChanged(rooting, map, first, last);
  takeOffUnprunedCounts(rooting, map, unpruned, formerSibling, group);
  LossCounters* losses = group.losses.data();
  std::int64_t duplications = 0, lossCount = 0;
  saved_.clear();
  for (NodeId g : spanning_) {
    saved_.push_back(map[g]);
    map[g] = context_.root;
  }
  const LossChanges changes(context_, wholeTree_, map, secondary_.data(), {losses, 1});
  const CounterTarget to{group.duplications.data(), {losses, 1}};
  countFrontier<false>(rooting, map, to);
  for (NodeId g : spanning_) {  // and here
    const NodeId c0 = rooting.child(g, 0), c1 = rooting.child(g, 1);
    duplications += isDuplication<false>(context_.root, map[c0], map[c1]) ? 1 : 0;
    lossCount += lossesBelow<false>(wholeTree_, context_.root, map[c0], map[c1]);
    changes.countAt<false>(g, c0, c1);
  }
  group.duplicationBase += static_cast<double>(duplications);
  group.lossBase += static_cast<double>(lossCount);
}

void RegraftScorer::finish() {
  for (std::size_t g = 0; g < groupsInUse_; ++g) addToScores(groups_[g]);
  groupsInUse_ = 0;
}

// One pass down the remaining tree gives every position the duplications
// of the group's trees and, over the whole species tree, their loss
// changes; over restricted trees the changes are known already, per node
// and per subtree. Whole counts so far; the weight multiplies them here.
void RegraftScorer::addToScores(WeightGroup& group) {
  DuplicationCounters* duplications = group.duplications.data();
  const double duplicationBase = group.duplicationBase, lossBase = group.lossBase, weight = group.weight;
  const NodeId r = context_.r;
  const auto add = [&](NodeId v, double groupDuplications, double groupLosses) {
    PositionScores& s = scores_[at(v)];
    const PositionScores& change = group.changes[at(v)];
    s.duplications += weight * (groupDuplications + change.duplications);
    s.losses += weight * (groupLosses + change.losses);
    if (keepFixed_) {
      PositionScores& fixed = fixedScores_[at(v)];
      fixed.duplications += weight * groupDuplications;
      fixed.losses += weight * groupLosses;
    }
  };
  if (scope_ == LossScope::wholeSpeciesTree && !partial_) {
    LossCounters* losses = group.losses.data();
    LossChanges::convertSiblingCounters(wholeTree_, r, losses);
    LossChanges::sumDown(wholeTree_, r, losses, [&](NodeId v) {
      add(v, duplicationValueAt(v, duplicationBase, duplications), lossBase + losses[at(v)].lossDelta);
    });
    return;
  }
  const SpeciesIndex& index = *context_.index;
  const std::vector<NodeId>& order = index.preorder();
  std::vector<double>& lossInSubtree = group.lossInSubtree;
  for (std::uint32_t i = index.begin(r); i < index.end(r); ++i) {
    const NodeId v = order[i];
    if (v != r) lossInSubtree[at(v)] += lossInSubtree[at(context_.species->parent(v))];
    add(v, duplicationValueAt(v, duplicationBase, duplications), lossBase + lossInSubtree[at(v)]);
  }
}

// --- One rooting of one gene tree ---------------------------------------------------

template <bool kPartial>
void RegraftScorer::scoreRooting(const GeneRooting& rooting, const RelevantTree& relevant, Combine combine,
                                 const CounterTarget& to, WeightGroup& group) {
  countFrontier<kPartial>(rooting, scratch_.map.data(), to);
  const NodeId root = context_.root;
  // Over the whole species tree losses change with the regraft; in a tree
  // restricted to the gene tree's species only when it has species on both
  // sides of the root, which is then relevant.
  const bool lossesChange = relevant.relevant(root);
  const NodeId* map = scratch_.map.data();
  const LossChanges losses(context_, relevant, map, secondary_.data(), to.losses);
  const GeneTreeCost cost = countCost<kPartial>(rooting, map, relevant, [&](NodeId g, NodeId c0, NodeId c1) {
    if (lossesChange) losses.countAt<kPartial>(g, c0, c1);
  });
  const double duplicationBase = static_cast<double>(cost.duplications);
  const double lossBase = static_cast<double>(cost.losses);
  // start: the root's relevant child on the remaining tree's side.
  const NodeId start = relevant.child(root, context_.species->child(root, 0) == context_.x ? 1 : 0);
  if (combine == Combine::accumulate) {
    group.duplicationBase += duplicationBase;
    group.lossBase += lossBase;
    if (lossesChange && !relevant.whole()) accumulateLossChanges(relevant, start, to.losses.counters, group);
    return;
  }
  // Rooting by rooting: restricted trees only (over the whole tree the
  // rootings are walked, see addAtCheapestRootings).
  if (combine != Combine::keepCheaper) walkDuplicationValues(duplicationBase, lossBase, combine, to);
  if (lossesChange) {
    LossChanges::convertSiblingCounters(relevant, start, to.losses.counters);
    LossChanges::sumDown(relevant, start, to.losses.counters, [](NodeId) {});
    transferLossChanges(relevant, start, combine, to.losses.counters);
  }
  if (combine == Combine::keepCheaper) walkDuplicationValues(duplicationBase, lossBase, combine, to);
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
void RegraftScorer::countFrontier(const GeneRooting& rooting, const NodeId* map, const CounterTarget& to) {
  const SpeciesIndex& index = *context_.index;
  const NodeId root = context_.root;
  clearDuplicationCounters();
  NodeId* secondary = secondary_.data();
  const NodeId top = rooting.root();
  if (map[top] != root) return;  // all species on one side: the same value everywhere
  // Down through the nodes mapped to the species root; the walk stops at
  // the others, which keep their mapping (outside x) or lose it (inside x).
  frontier_.clear();
  region_.clear();
  tour_.preorder(
      top, [&](NodeId g, int i) { return map[g] == root ? rooting.child(g, i) : kNoNode; },
      [&](NodeId g) {
        const NodeId m = map[g];
        if (m == root) {
          region_.push_back(g);
          return;
        }
        const bool outside = m != kNoNode && !context_.inX(m);
        secondary[g] = outside ? m : kNoNode;
        if (outside) frontier_.push_back(g);
      });
  for (auto it = region_.rbegin(); it != region_.rend(); ++it)  // children first
    secondary[*it] = joinMappings<true>(index, secondary[rooting.child(*it, 0)], secondary[rooting.child(*it, 1)]);

  for (NodeId g : frontier_) {
    const NodeId q = rooting.parent(g);
    const NodeId h = rooting.child(q, 0) == g ? rooting.child(q, 1) : rooting.child(q, 0);
    const NodeId sg = secondary[g];
    const NodeId sh = secondary[h];
    if (sh == kNoNode) {
      // The sibling lies below x: q stays a duplication exactly for the
      // regrafts below sg.
      countDuplication(sg, &DuplicationCounters::here, to);
      continue;
    }
    // q is a duplication at m unless x is regrafted into the side of one of
    // them; the counter of the side holding h is taken off there.
    const NodeId m = secondary[q];
    const std::uint32_t nh = index.number(sh), nm = index.number(m), ng = index.number(sg);
    if (nh < nm && nm < ng)
      countDuplication(m, &DuplicationCounters::child0, to);
    else if (ng < nm && nm < nh)
      countDuplication(m, &DuplicationCounters::child1, to);
  }
}

void RegraftScorer::countDuplication(NodeId v, double DuplicationCounters::*counter, const CounterTarget& to) {
  to.duplications[at(v)].*counter += 1;
  if (to.duplications == treeDuplications_.data()) counted_.push_back(v);
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
double RegraftScorer::duplicationValueAt(NodeId v, double duplicationBase, DuplicationCounters* counters) const {
  double value = duplicationBase;
  if (v != context_.r) {
    const NodeId p = context_.species->parent(v);
    const DuplicationCounters& up = counters[at(p)];
    value = up.value + (up.here - (context_.species->child(p, 0) == v ? up.child0 : up.child1));
  }
  counters[at(v)].value = value;
  return value;
}

// Every position of the remaining tree gets its duplication value, and the
// loss count of a restricted tree as the base of its loss value.
void RegraftScorer::walkDuplicationValues(double duplicationBase, double lossBase, Combine combine,
                                          const CounterTarget& to) {
  const SpeciesIndex& index = *context_.index;
  const std::vector<NodeId>& order = index.preorder();
  for (std::uint32_t i = index.begin(context_.r); i < index.end(context_.r); ++i) {
    const NodeId v = order[i];
    combineAt(v, duplicationValueAt(v, duplicationBase, to.duplications), lossBase, combine, to.losses.counters);
  }
}

void RegraftScorer::combineAt(NodeId v, double duplicationValue, double lossBase, Combine combine,
                              const LossCounters* losses) {
  PositionScores& s = rootingScores_[at(v)];
  const double delta = losses[at(v)].lossDelta;
  switch (combine) {
    case Combine::accumulate:
      break;
    case Combine::replace:
      s.duplications = duplicationValue;
      s.losses = lossBase;
      break;
    case Combine::keepCheaper: {
      // Equal costs keep the rooting tried first.
      const double losses = delta + lossBase;
      if (weights_.of(s.duplications, s.losses) > weights_.of(duplicationValue, losses)) {
        s.duplications = duplicationValue;
        s.losses = losses;
      }
      break;
    }
  }
}

// --- Loss changes into the scores ------------------------------------------------------

// A gene tree's loss changes, from its own counters into the accumulated
// ones, in the gene tree's size: the positions that take a relevant node's
// change (see LossChanges::forEachChange) are the subtree of the top of its path up
// to its relevant parent, less those of its relevant children. So the
// change less the relevant parent's, added at that top, sums down to every
// such position in finish(). Its counters are cleared behind.
void RegraftScorer::accumulateLossChanges(const RelevantTree& relevant, NodeId start, LossCounters* losses,
                                          WeightGroup& group) {
  LossChanges::convertSiblingCounters(relevant, start, losses);
  LossChanges::sumDown(relevant, start, losses, [](NodeId) {});
  const SpeciesTree& species = *context_.species;
  const std::vector<NodeId>& order = relevant.preorder();
  for (std::uint32_t i = relevant.begin(start); i < relevant.end(start); ++i) {
    const NodeId v = order[i];
    const NodeId up = relevant.parent(v);  // the root for start
    const double above = v == start ? 0 : losses[at(up)].lossDelta;
    const NodeId c0 = species.child(up, 0);
    const NodeId top = context_.index->contains(c0, v) ? c0 : species.child(up, 1);
    group.lossInSubtree[at(top)] += losses[at(v)].lossDelta - above;
  }
  for (NodeId v : relevant.preorder()) losses[at(v)].clear();
}

void RegraftScorer::transferLossChanges(const RelevantTree& relevant, NodeId start, Combine combine,
                                        LossCounters* losses) {
  auto atNode = [&](NodeId v, double delta, bool copied) {
    if (combine == Combine::replace)
      rootingScores_[at(v)].losses += delta;
    else if (copied)
      losses[at(v)].lossDelta = delta;
  };
  const SpeciesIndex& index = *context_.index;
  const std::vector<NodeId>& order = index.preorder();
  LossChanges::forEachChange(context_, relevant, start, losses, atNode, [&](NodeId s, double delta) {
    for (std::uint32_t j = index.begin(s); j < index.end(s); ++j) atNode(order[j], delta, true);
  });
}

template void RegraftScorer::addAtPresentRooting<true>(const GeneTree&, const RootEdge&, double);
template void RegraftScorer::addAtPresentRooting<false>(const GeneTree&, const RootEdge&, double);

}  // namespace dls
