#include "reconcile/polytomy_refinement.hpp"

#include <algorithm>
#include <utility>

#include "common/errors.hpp"

namespace dls {

// The dynamic programme of Lafond, Swenson & El-Mabrouk 2012 (with the
// arbitrary weights of Lafond, Noutahi & El-Mabrouk 2016), whose structure
// Zheng & Zhang 2014 use for a linear-time bound.
//
// A refinement of the polytomy is a forest growing from the children up to
// one node mapped to r. Cut at the branch into a species node s (just above
// s), it leaves some number of gene lineages there, each the root of a
// subtree whose leaves are children mapped inside s. C_s[k] is the least
// cost of the joins below that cut when k lineages cross it, counting every
// duplication and loss inside. Losses are counted where they happen: a
// lineage that goes through s without a join there (an implicit speciation)
// loses one copy in the other child of s. For a join mapped to m above a
// lineage rooted at q, that is exactly lossesBelow's d(q) - d(m) - 1 below
// a speciation and d(q) - d(m) below a duplication.

namespace {

GeneTreeCost plus(const GeneTreeCost& c, std::int64_t duplications, std::int64_t losses) {
  return {c.duplications + duplications, c.losses + losses};
}

GeneTreeCost sum(const GeneTreeCost& a, const GeneTreeCost& b) {
  return {a.duplications + b.duplications, a.losses + b.losses};
}

// Fills keys[0 .. count] with draws that order equal costs, or with 0.
void drawKeys(std::vector<std::uint32_t>& keys, std::size_t count, Random* ties) {
  if (keys.size() < count + 1) keys.resize(count + 1);
  for (std::size_t i = 0; i <= count; ++i) keys[i] = ties != nullptr ? ties->next() : 0;
}

template <class T>
void fit(std::vector<T>& v, std::size_t size) {
  if (v.size() < size) v.resize(size);
}

}  // namespace

GeneTreeCost PolytomyRefiner::refine(const RelevantTree& relevant, NodeId r, const NodeId* childMappings, std::size_t k,
                                     const CostWeights& weights, Random* ties, std::vector<RefinementJoin>* joins) {
  if (k == 0) throw InternalError("polytomy refinement: a polytomy has at least one child");
  collectNodes(relevant, r, childMappings, k);
  // Children before parents: every table below s is final when s is solved.
  for (Node& s : nodes_) solve(s, weights, ties);
  // The polytomy's node is the single lineage left above r, and mapped to
  // r: r has two sides in the programme, or children mapped to it and
  // lineages from below to merge with them.
  const GeneTreeCost cost = best_[nodes_.back().offset];
  if (joins != nullptr) rebuild(k, ties, *joins);
  return cost;
}

// S_X, the union of the relevant-tree paths from every mapping up to r,
// marked by a walk up from each mapping that stops at the first marked
// node; then a post-order walk over S_X keeps the nodes that need a table.
void PolytomyRefiner::collectNodes(const RelevantTree& relevant, NodeId r, const NodeId* childMappings, std::size_t k) {
  const std::size_t positions = relevant.preorder().size();
  if (stamp_.size() < positions) {
    stamp_.resize(positions, 0);
    here_.resize(positions);
    representative_.resize(positions);
  }
  if (++currentStamp_ == 0) {
    std::fill(stamp_.begin(), stamp_.end(), 0);
    currentStamp_ = 1;
  }
  const auto mark = [&](NodeId v) {
    stamp_[relevant.begin(v)] = currentStamp_;
    here_[relevant.begin(v)] = 0;
  };
  if (r == kNoNode || !relevant.relevant(r))
    throw InternalError("polytomy refinement: the polytomy maps to a node of the relevant tree");
  mark(r);
  for (std::size_t c = 0; c < k; ++c) {
    const NodeId m = childMappings[c];
    if (m == kNoNode || !relevant.relevant(m) || relevant.begin(m) < relevant.begin(r) ||
        relevant.begin(m) >= relevant.end(r))
      throw InternalError(
          "polytomy refinement: every child maps to a node of the relevant tree below the polytomy's mapping");
    // Below r every node has its relevant parent, and r is marked: the walk
    // ends there at the latest.
    for (NodeId v = m; !marked(relevant, v); v = relevant.parent(v)) mark(v);
    ++here_[relevant.begin(m)];
  }

  nodes_.clear();
  const auto onPaths = [&](NodeId v, int i) {
    const NodeId c = relevant.child(v, i);
    return marked(relevant, c) ? c : kNoNode;
  };
  tour_.run(r, onPaths, [&](NodeId v, TourStep step) {
    if (step != TourStep::leave) return;
    const std::uint32_t position = relevant.begin(v);
    NodeId below[2] = {kNoNode, kNoNode};
    std::uint32_t count = 0;
    for (int i = 0; i < 2; ++i)
      if (onPaths(v, i) != kNoNode) below[count++] = onPaths(v, i);
    // One side on the paths and no child mapped here: the lineages from
    // below only pass through s, each losing its copy in the other child.
    // The node above counts that as a passing level.
    if (count == 1 && here_[position] == 0) {
      if (v == r) throw InternalError("polytomy refinement: the polytomy maps to the LCA of its children's mappings");
      representative_[position] = representative_[relevant.begin(below[0])];
      return;
    }
    // Here s is a mapping of some child or the meeting of two paths (or
    // both); every node marked on a path holds a mapping below, so a node
    // with no side on the paths is a mapping.
    Node s{};
    s.species = v;
    s.here = here_[position];
    s.size = s.here;
    s.below = count;
    for (std::uint32_t i = 0; i < count; ++i) {
      const Node& under = nodes_[representative_[relevant.begin(below[i])]];
      s.child[i] = representative_[relevant.begin(below[i])];
      s.skipped[i] = static_cast<std::int64_t>(relevant.depth(under.species)) - relevant.depth(v) - 1;
      s.size += under.size;
    }
    representative_[position] = static_cast<std::uint32_t>(nodes_.size());
    nodes_.push_back(s);
  });

  // Tables and children by node, in the order of the nodes.
  std::uint32_t tables = 0, children = 0;
  for (Node& s : nodes_) {
    s.offset = tables;
    s.firstChild = children;
    tables += s.size;
    children += s.here;
    s.demand = 0;  // a cursor while the children are placed
  }
  fit(best_, tables);
  fit(mergedFrom_, tables);
  for (std::vector<std::uint32_t>& side : fromSide_) fit(side, tables);
  fit(childrenAt_, k);
  for (std::size_t c = 0; c < k; ++c) {
    Node& s = nodes_[representative_[relevant.begin(childMappings[c])]];
    childrenAt_[s.firstChild + s.demand++] = static_cast<std::uint32_t>(c);
  }
}

// C_s from the tables below s, in two steps: (a) the lineages arriving at
// s, F_s[m], before any join mapped to s merges them; (b) the duplications
// at s, which merge lineages two at a time.
void PolytomyRefiner::solve(Node& s, const CostWeights& weights, Random* ties) {
  const CostOrder order(weights);
  const std::uint32_t n = s.here, size = s.size;
  fit(arriving_, size + 1);
  GeneTreeCost* f = arriving_.data();
  // (a) F_s[m] is defined for m in [lowest, size]: at least one lineage
  // comes from every side on the paths, and the n children mapped to s are
  // lineages of their own that only a duplication at s can join.
  std::uint32_t lowest = n + 1;
  if (s.below == 0) {
    // No side on the paths: s is a mapping, and the n children mapped to it
    // are all there is. F_s[n] = 0.
    f[n] = {};
    lowest = n;
  } else if (s.below == 1) {
    // One side a on the paths, children mapped to s (n > 0): every lineage
    // from a passes the skipped levels and s itself without a join, losing
    // a copy at each: F_s[n + j] = C_a[j] + λ j (skipped + 1).
    const Node& a = nodes_[s.child[0]];
    const std::int64_t perLineage = s.skipped[0] + 1;
    for (std::uint32_t j = 1; j <= a.size; ++j)
      f[n + j] = plus(best_[a.offset + j - 1], 0, perLineage * static_cast<std::int64_t>(j));
  } else {
    combineTwo(s, weights, ties);
  }

  // (b) C_s[k] = min over m >= k of F_s[m] + δ (m - k): m - k duplications
  // at s, which lose nothing (their lineages' losses are counted already).
  // One pass down from m = size with the running minimum of F_s[m] + δ m.
  // Equal costs keep the smaller m: fewer duplications at s.
  drawKeys(tieKey_[2], size, ties);
  GeneTreeCost running{};
  std::uint32_t runningM = 0;
  for (std::uint32_t m = size; m >= 1; --m) {
    if (m >= lowest) {
      const GeneTreeCost candidate = plus(f[m], m, 0);
      if (runningM == 0 || !order.before(running, tieKey_[2][runningM], candidate, tieKey_[2][m])) {
        running = candidate;
        runningM = m;
      }
    }
    // Here running is the least F_s[m'] + δ m' over m' >= m, reached at
    // runningM: C_s[m] is it less δ m.
    best_[s.offset + m - 1] = plus(running, -static_cast<std::int64_t>(m), 0);
    mergedFrom_[s.offset + m - 1] = runningM;
  }
}

// (a) with two sides a and b on the paths: F_s[n + m] = min over i <= N(a),
// j <= N(b), max(i, j) <= m <= i + j of C'_a[i] + C'_b[j] + λ (2m - i - j),
// where C' adds a loss per lineage for every skipped level: i + j - m
// speciations at s pair an a-lineage with a b-lineage; each of the other
// 2m - i - j lineages goes through s alone and loses a copy there.
// Written as 2λm + min over i, j <= m, i + j >= m of α[i] + β[j] with
// α[i] = C'_a[i] - λi and β[j] = C'_b[j] - λj: for each i the j allowed
// for m form the window [max(1, m - i), min(m, N(b))], which slides right
// as m grows, so a monotone queue finds the least β in it. With a the
// smaller side this takes O(N(a) N(b)) at s, O(k^2) over the polytomy.
void PolytomyRefiner::combineTwo(const Node& s, const CostWeights& weights, Random* ties) {
  const CostOrder order(weights);
  const int small = nodes_[s.child[0]].size <= nodes_[s.child[1]].size ? 0 : 1;
  const Node* sides[2] = {&nodes_[s.child[small]], &nodes_[s.child[1 - small]]};
  const std::int64_t skipped[2] = {s.skipped[small], s.skipped[1 - small]};
  for (int t = 0; t < 2; ++t) {
    fit(side_[t], sides[t]->size + 1);
    for (std::uint32_t i = 1; i <= sides[t]->size; ++i)
      side_[t][i] = plus(best_[sides[t]->offset + i - 1], 0, (skipped[t] - 1) * static_cast<std::int64_t>(i));
    drawKeys(tieKey_[t], sides[t]->size, ties);
  }
  const GeneTreeCost* alpha = side_[0].data();
  const GeneTreeCost* beta = side_[1].data();
  const std::uint32_t* alphaKey = tieKey_[0].data();
  const std::uint32_t* betaKey = tieKey_[1].data();
  const std::uint32_t na = sides[0]->size, nb = sides[1]->size, n = s.here;
  GeneTreeCost* f = arriving_.data();
  std::uint32_t* first = &fromSide_[small][s.offset];  // the count from the smaller side, for m at m - 1
  std::uint32_t* second = &fromSide_[1 - small][s.offset];
  for (std::uint32_t m = 1; m <= na + nb; ++m) first[m - 1] = 0;  // none yet
  fit(window_, nb + 1);
  std::uint32_t* window = window_.data();

  for (std::uint32_t i = 1; i <= na; ++i) {
    // The queue window[head .. tail) holds positions j in increasing order
    // with β increasing (by cost, then key): its head is the least β of
    // the window.
    std::uint32_t head = 0, tail = 0, next = 1;
    for (std::uint32_t m = i; m <= i + nb; ++m) {
      const std::uint32_t hi = std::min(m, nb), lo = m - i > 1 ? m - i : 1;
      for (; next <= hi; ++next) {
        while (tail > head &&
               order.before(beta[next], betaKey[next], beta[window[tail - 1]], betaKey[window[tail - 1]]))
          --tail;
        window[tail++] = next;
      }
      while (window[head] < lo) ++head;
      // Here lo <= hi (m <= i + nb, and i >= 1), the window is not empty,
      // and its head j is the cheapest partner of i for m lineages.
      const std::uint32_t j = window[head];
      const GeneTreeCost candidate = plus(sum(alpha[i], beta[j]), 0, 2 * static_cast<std::int64_t>(m));
      const std::uint32_t held = first[m - 1];
      if (held == 0 || order.before(candidate, alphaKey[i], f[n + m], alphaKey[held])) {
        f[n + m] = candidate;
        first[m - 1] = i;
        second[m - 1] = j;
      }
    }
  }
  // Here every m in [1, N(a) + N(b)] has a candidate: i = min(m, N(a)) and
  // j = max(1, m - i) are allowed.
}

// The refinement behind C_r[1]: first down the nodes, how many lineages
// each hands up (its demand) and how many arrive at it; then up the nodes,
// the joins. Pairing an a-lineage with a b-lineage at s is a speciation;
// merging two lineages at s is a duplication.
void PolytomyRefiner::rebuild(std::size_t k, Random* ties, std::vector<RefinementJoin>& joins) {
  joins.clear();
  nodes_.back().demand = 1;
  for (auto it = nodes_.rbegin(); it != nodes_.rend(); ++it) {
    const Node& s = *it;
    const std::uint32_t fromBelow = mergedFrom_[s.offset + s.demand - 1] - s.here;
    for (std::uint32_t i = 0; i < s.below; ++i)
      nodes_[s.child[i]].demand = s.below == 1 ? fromBelow : fromSide_[i][s.offset + fromBelow - 1];
  }

  auto join = [&](std::uint32_t a, std::uint32_t b) {
    joins.push_back({a, b});
    return static_cast<std::uint32_t>(k + joins.size() - 1);
  };
  auto draw = [&](std::size_t length) { return ties->scaledIndex(length); };
  lineageStack_.clear();
  for (const Node& s : nodes_) {
    // Here the top of the stack holds the lineages handed up by the sides
    // of s, child 0's side first (the post-order put them there).
    lineages_.clear();
    if (s.below == 2) {
      const std::uint32_t i = nodes_[s.child[0]].demand, j = nodes_[s.child[1]].demand;
      const std::uint32_t arriving = mergedFrom_[s.offset + s.demand - 1] - s.here;
      const std::uint32_t pairs = i + j - arriving;
      std::uint32_t* a = &lineageStack_[lineageStack_.size() - i - j];
      std::uint32_t* b = a + i;
      for (std::uint32_t q = 0; q < pairs; ++q) {
        if (ties != nullptr) {
          std::swap(a[q], a[q + draw(i - q)]);
          std::swap(b[q], b[q + draw(j - q)]);
        }
        lineages_.push_back(join(a[q], b[q]));
      }
      lineages_.insert(lineages_.end(), a + pairs, a + i);
      lineages_.insert(lineages_.end(), b + pairs, b + j);
      lineageStack_.resize(lineageStack_.size() - i - j);
    } else if (s.below == 1) {
      const std::uint32_t i = nodes_[s.child[0]].demand;
      lineages_.insert(lineages_.end(), lineageStack_.end() - i, lineageStack_.end());
      lineageStack_.resize(lineageStack_.size() - i);
    }
    lineages_.insert(lineages_.end(), childrenAt_.begin() + s.firstChild, childrenAt_.begin() + s.firstChild + s.here);
    // Here lineages_ holds the m lineages arriving at s; duplications at s
    // merge them down to the demand.
    while (lineages_.size() > s.demand) {
      if (ties != nullptr) {
        const std::size_t x = draw(lineages_.size());
        std::size_t y = draw(lineages_.size() - 1);
        y += y >= x ? 1 : 0;
        lineages_[x] = join(lineages_[x], lineages_[y]);
        lineages_[y] = lineages_.back();
      } else {
        lineages_[lineages_.size() - 2] = join(lineages_[lineages_.size() - 2], lineages_.back());
      }
      lineages_.pop_back();
    }
    lineageStack_.insert(lineageStack_.end(), lineages_.begin(), lineages_.end());
  }
  if (lineageStack_.size() != 1 || joins.size() != k - 1)
    throw InternalError("polytomy refinement: the rebuilt joins make one tree of the polytomy's children");
}

}  // namespace dls
