#pragma once
// Scoring every regraft position of a pruned species subtree at once.
//
// The pruned node x hangs from the species root; r, the root's other child,
// is the remaining tree. Each gene tree is reconciled once with this tree;
// per-node counters then turn that single result into the duplication and
// loss counts of every tree obtained by regrafting x onto the edge above a
// node y of the remaining tree, accumulated in y's scores.
//
// Written once for the SPR search (weighted, double scores) and the
// leaf-adding builder (unweighted, integer scores, where gene leaves of
// species not yet in the tree map to null and are skipped).

#include <cstdint>
#include <iostream>
#include <type_traits>
#include <vector>

#include "driver/globals.hpp"
#include "reconcile/mapping_records.hpp"
#include "reconcile/relevant_tree.hpp"

// Internal consistency failures of the loss counters.
[[noreturn]] void lossCounterFailure(const char* message, int status);

template <class TreeSetT, class Score, bool NullMappings>
class RegraftScoring : public TreeSetT {
 public:
  using SpeciesNode = typename TreeSetT::SpeciesNode;
  using Counter = std::int32_t SpeciesNode::*;

  // Starts scoring the regrafts of x, which hangs from the species root:
  // numbers the tree, prepares the LCA queries and clears the scores.
  // Returns r, the root of the remaining tree.
  SpeciesNode* beginScoring(SpeciesNode* x) {
    SpeciesNode* root = this->speciesTree->root;
    SpeciesNode* r = root->child(0) == x ? root->child(1) : root->child(0);
    std::uint32_t counter = 0;
    this->speciesTree->establishOrderDFS(root, counter);
    this->speciesTree->preprocessLCA();
    speciesTreeChanged();
    resetGeneDuplications(r);
    resetLossStuff(root);
    return r;
  }

  // Ends the scoring of the regrafts of one pruned node, once every gene
  // tree is scored: no duplication counter stays set (the leaf-adding
  // builder may destroy species nodes before the next scoring).
  void endScoring() {
    resetDuplicationCounters();
    this->speciesTree->postprocessLCA();
  }

  // --- Duplications ---------------------------------------------------------

  // Duplication score 0 on the subtree of v.
  void resetGeneDuplications(SpeciesNode* v) {
    for (; v != nullptr; v = v->child(1)) {
      v->GeneDuplication::score = 0;
      resetGeneDuplications(v->child(0));
    }
  }

  // Loss score and its per-rooting part 0 on the subtree of v.
  void resetLossStuff(SpeciesNode* v) {
    for (; v != nullptr; v = v->child(1)) {
      v->GeneLoss::score = 0;
      v->GeneLoss::tempScore = 0;
      resetLossStuff(v->child(0));
    }
  }

  // Clears the duplication counters of the previous gene tree: only the
  // nodes it counted at hold any.
  void resetDuplicationCounters() {
    for (SpeciesNode* v : countedNodes) v->countHere = v->countChild0 = v->countChild1 = 0;
    countedNodes.clear();
  }

  // Counts, from both frontier lists, where each frontier gene node and its
  // sibling part in the remaining tree.
  void computeGeneDuplicationsTripleAdd() {
    auto add = [this](auto* g) {
      auto* q = g->parent();
      auto* h = q->child(0) == g ? q->child(1) : q->child(0);
      SpeciesNode* sg = g->secondaryMapping;
      SpeciesNode* sh = h->secondaryMapping;
      if (sh == nullptr) {
        ++sg->countHere;
        countedNodes.push_back(sg);
        return;
      }
      SpeciesNode* m = q->secondaryMapping;
      if (sh->number < m->number && m->number < sg->number) {
        ++m->countChild0;
        countedNodes.push_back(m);
      } else if (sg->number < m->number && m->number < sh->number) {
        ++m->countChild1;
        countedNodes.push_back(m);
      }
    };
    for (auto* g : this->secondaryFrontierRooted) add(g);
    for (auto* g : this->secondaryFrontierUnrooted) add(g);
  }

  // Adds to every node y below v its duplication value: base plus, along
  // the path down from v, countHere of each node less its counter for the
  // child taken, times the weight. The gene tree's loss count at the
  // present species tree, lossBase, goes to every loss score in the same
  // walk.
  void computeGeneDuplicationsAdd(SpeciesNode* v, Score base, Score lossBase, Score weight) {
    for (; v != nullptr;) {
      v->GeneDuplication::score += base;
      v->GeneLoss::score += lossBase;
      computeGeneDuplicationsAdd(v->child(0), base + step(v, v->countChild0, weight), lossBase, weight);
      base += step(v, v->countChild1, weight);
      v = v->child(1);
    }
  }

  // --- Relevant tree and base loss count ------------------------------------

  // Builds the relevant tree of a gene tree with its links, and lists its
  // nodes. It depends only on the species of the gene leaves, so every
  // rooting of a gene tree shares it. When losses count over the whole
  // species tree, every node is relevant for every gene tree: that tree is
  // built once per species tree, and scoreWholeTree leaves its counters
  // clear for the next gene tree.
  template <class GeneTree>
  void buildRelevantTree(GeneTree& tree) {
    SpeciesNode* root = this->speciesTree->root;
    const bool whole = wholeTreeRelevant();
    if (whole && wholeRelevantTreeBuilt) return;
    resetRelevantTree(root);
    if (!whole) countGeneLeaves(tree);
    doPostOrder(root, whole);
    relevantNodes.clear();
    linkRelevantTree(root, nullptr, 1);
    wholeRelevantTreeBuilt = whole;
  }

  // To be called whenever the species tree changes shape.
  void speciesTreeChanged() { wholeRelevantTreeBuilt = false; }

  // Pre-order: every relevant node gets its depth and is linked to its
  // nearest relevant proper ancestor (the child 0 side first).
  void linkRelevantTree(SpeciesNode* v, SpeciesNode* relevantAbove, std::uint32_t depth) {
    for (; v != nullptr; v = v->child(1)) {
      if (v->isRelevant) {
        v->depth = depth++;
        relevantNodes.push_back(v);
        if (relevantAbove != nullptr) {
          v->relevantParent = relevantAbove;
          (relevantAbove->relevantChild0 == nullptr ? relevantAbove->relevantChild0
                                                    : relevantAbove->relevantChild1) = v;
        }
        relevantAbove = v;
      }
      linkRelevantTree(v->child(0), relevantAbove, depth);
    }
  }

  // Clears the loss counters of the relevant tree for another rooting of
  // the same gene tree (the tree itself stays).
  void resetLossCounters() {
    for (SpeciesNode* v : relevantNodes) clearLossCounters(v);
  }

  static void clearLossCounters(SpeciesNode* v) {
    v->localCount = v->inheritedPlus = v->depthCount = v->siblingDepthCount = v->siblingCount = v->inheritedMinus =
        v->lossDelta = 0;
  }

  static void clearLossCountersBelow(SpeciesNode* v) {
    for (; v != nullptr; v = v->child(1)) {
      clearLossCounters(v);
      clearLossCountersBelow(v->child(0));
    }
  }

  // --- Loss counters ----------------------------------------------------------

  // Phase 1: one pass over the gene tree's inner nodes sets the counters.
  template <class GeneTree>
  void computeGeneLossCounters(GeneTree& tree, SpeciesNode* x) {
    for (auto* g : tree.nodes) lossCountersAt(g, x);
  }

  // Phase 1 at one gene node g.
  template <class GeneNode>
  void lossCountersAt(GeneNode* g, SpeciesNode* x) {
    SpeciesNode* root = this->speciesTree->root;
    auto inX = [x](SpeciesNode* s) { return x->subtreeFirst <= s->number && s->number <= x->subtreeLast; };
    GeneNode* c0 = g->child(0);
    GeneNode* c1 = g->child(1);
    if (c0 == nullptr || c1 == nullptr) return;
    SpeciesNode* mg = currentMapping(g);
    SpeciesNode* m0 = currentMapping(c0);
    SpeciesNode* m1 = currentMapping(c1);
    if (NullMappings && (mg == nullptr || m0 == nullptr || m1 == nullptr)) return;

    if (mg != root) {  // case 1
      climb(m0, mg, &SpeciesNode::localCount);
      climb(m1, mg, &SpeciesNode::localCount);
      return;
    }
    SpeciesNode* sg = g->secondaryMapping;
    if (m0 == root && m1 == root) {  // case 2
      if (c0->secondaryMapping != sg) climb(c0->secondaryMapping, sg, &SpeciesNode::inheritedPlus);
      if (c1->secondaryMapping != sg) climb(c1->secondaryMapping, sg, &SpeciesNode::inheritedPlus);
      return;
    }
    if (m0 == root || m1 == root) {
      GeneNode* m = m0 == root ? c0 : c1;
      SpeciesNode* mn = m0 == root ? m1 : m0;
      SpeciesNode* sm = m->secondaryMapping;
      if (!inX(mn)) {  // case 3
        rootPath(sg);
        if (sg != sm && sg != mn) {
          addBelow(sg, &SpeciesNode::inheritedMinus);
          SpeciesNode* c = climbBelow(sm, sg, &SpeciesNode::inheritedPlus);
          ++c->inheritedMinus;
          climb(mn, sg, &SpeciesNode::localCount);
        } else if (sg == sm && sg != mn) {
          addBelow(sg, &SpeciesNode::inheritedMinus);
          climb(mn, sg, &SpeciesNode::localCount);
        } else if (sg == sm) {
          addBelow(sg, &SpeciesNode::inheritedMinus);
        } else {
          SpeciesNode* c = climbBelow(sm, sg, &SpeciesNode::inheritedPlus);
          ++other(sg, c)->inheritedMinus;
        }
      } else {  // case 4
        if (sg != sm) lossCounterFailure("Problem in case 4!!", 1);
        if (sg->relevantParent != root) ++sg->siblingDepthCount;
        addBelow(sg, &SpeciesNode::depthCount);
      }
      return;
    }
    // case 5
    if (inX(m0) == inX(m1)) lossCounterFailure("Shouldn't be here at all!!", 1);
    SpeciesNode* a = inX(m0) ? m1 : m0;
    if (sg != a) lossCounterFailure("Problem in case 5!!", 1);
    if (a->relevantParent != root) ++a->siblingCount;
    addBelow(a, &SpeciesNode::depthCount);
    addBelow(a, &SpeciesNode::inheritedPlus);
  }

  // With losses over the whole species tree, one pass over the gene tree
  // gives its duplications and losses at the present rooting and runs
  // phase 1 (the relevant tree built, the secondary mappings set).
  template <class GeneTree>
  void countWholeTree(GeneTree& tree, SpeciesNode* x, std::int32_t& duplications, std::int32_t& losses) {
    for (auto* g : tree.nodes) {
      if (this->isDuplication(g)) ++duplications;
      losses += lossesBelow<std::int32_t>(g);
      lossCountersAt(g, x);
    }
  }

  // Phase 2, first step (post-order over the relevant subtree of v): the
  // sibling counters summed up the relevant tree, each node's sum passed to
  // its sibling (and its own inheritedMinus).
  void convertCounters(SpeciesNode* v) {
    if (v == nullptr) return;
    convertCounters(v->relevantChild0);
    convertCounters(v->relevantChild1);
    if (v->relevantParent == this->speciesTree->root) return;
    if (v->relevantChild0 != nullptr) {
      v->siblingCount += v->relevantChild0->siblingCount + v->relevantChild1->siblingCount;
      v->siblingDepthCount += v->relevantChild0->siblingDepthCount + v->relevantChild1->siblingDepthCount;
    }
    const std::int32_t t = v->siblingCount;
    SpeciesNode* o = other(v->relevantParent, v);
    o->depthCount += t + v->siblingDepthCount;
    o->inheritedMinus += t;
    v->inheritedMinus += t;
  }

  // The visitor of phase 2 when nothing is done per node.
  struct NoVisit {};

  // Phase 2, second step (pre-order down the relevant tree): k sums the
  // inherited counters; depthCount becomes its prefix sum k1, and k2 sums
  // those prefix sums again for the depth terms. Each node's lossDelta is
  // final when visit(v, dupBase) is called on it. When the relevant tree is
  // the whole species tree, dupBase is the duplication value of
  // computeGeneDuplicationsAdd, carried down the same way.
  template <class Visit>
  void PreOrderCounters(SpeciesNode* v, std::int32_t k, std::int32_t k1, std::int32_t k2, Score dupBase,
                        Score weight, Visit& visit) {
    for (; v != nullptr;) {
      if (v->relevantParent == this->speciesTree->root &&
          (v->inheritedPlus != 0 || v->localCount != 0 || v->inheritedMinus != 0))
        lossCounterFailure("root-child counters not 0!!", 0);
      if (!v->isRelevant) lossCounterFailure("isRelevant is false!", 0);
      if (v->relevantParent == this->speciesTree->root && v->depthCount != 0)
        lossCounterFailure("root-child counter 3 not 0!!", 0);
      k += v->inheritedPlus - v->inheritedMinus;
      k1 += v->depthCount;
      v->depthCount = k1;
      k2 += k1;
      v->lossDelta += k + v->localCount + k2;
      if constexpr (std::is_same_v<Visit, NoVisit>) {
        PreOrderCounters(v->relevantChild0, k, k1, k2, dupBase, weight, visit);
      } else {
        visit(v, dupBase);
        PreOrderCounters(v->relevantChild0, k, k1, k2, dupBase + step(v, v->countChild0, weight), weight, visit);
        dupBase += step(v, v->countChild1, weight);
      }
      v = v->relevantChild1;
    }
  }

  // Where phase 3 puts each relevant node's loss change.
  enum class Transfer { SCORE, TEMP_SCORE, LOSS_DELTA };

  // Phase 3: post-order over the species tree below v; each relevant node's
  // change also applies to the non-relevant nodes on the edge above it and
  // to their subtrees without gene leaves.
  template <Transfer mode>
  void transferLossScore(SpeciesNode* v, Score weight) {
    if (v == nullptr) return;
    transferLossScore<mode>(v->child(0), weight);
    transferLossScore<mode>(v->child(1), weight);
    if (!v->isRelevant) return;
    const std::int32_t delta = v->lossDelta;
    const Score amount = static_cast<Score>(delta) * weight;
    apply<mode>(v, amount, delta, false);
    SpeciesNode* root = this->speciesTree->root;
    if (v->parent() == root) return;
    for (SpeciesNode* u = v->parent(); u != nullptr && !u->isRelevant; u = u->parent()) {
      apply<mode>(u, amount, delta, true);
      SpeciesNode* leafless = u->child(0)->leafCount != 0 ? u->child(1) : u->child(0);
      transferLossScoreStep2<mode>(leafless, amount, delta);
    }
  }

  // Applies a value to every node of the subtree of v.
  template <Transfer mode>
  void transferLossScoreStep2(SpeciesNode* v, Score amount, std::int32_t delta) {
    for (; v != nullptr; v = v->child(1)) {
      apply<mode>(v, amount, delta, true);
      transferLossScoreStep2<mode>(v->child(0), amount, delta);
    }
  }

  // The phases 1 to 3 for one gene tree, after its relevant tree was built.
  template <Transfer mode, class GeneTree>
  void countLossChanges(GeneTree& tree, SpeciesNode* x, Score weight) {
    SpeciesNode* root = this->speciesTree->root;
    if (!root->isRelevant) return;
    computeGeneLossCounters(tree, x);
    SpeciesNode* start = root->child(0) == x ? root->relevantChild1 : root->relevantChild0;
    convertCounters(start);
    NoVisit nothing;
    PreOrderCounters(start, 0, 0, 0, Score(0), weight, nothing);
    transferLossScore<mode>(start, weight);
  }

  // The whole contribution of one gene tree at its present rooting (mapped
  // already) to the scores of every regraft position below r.
  template <class GeneTree>
  void scoreGeneTree(GeneTree& tree, SpeciesNode* x, SpeciesNode* r, Score weight) {
    countFrontier(tree, x);
    buildRelevantTree(tree);
    if (wholeTreeRelevant()) {
      std::int32_t duplications = 0, losses = 0;
      countWholeTree(tree, x, duplications, losses);
      // computeGeneDuplicationsAdd and the loss transfer, node by node.
      const Score lossBase = static_cast<Score>(losses) * weight;
      auto add = [lossBase, weight](SpeciesNode* v, Score dupBase) {
        v->GeneDuplication::score += dupBase;
        v->GeneLoss::score += lossBase;
        v->GeneLoss::score += static_cast<Score>(v->lossDelta) * weight;
      };
      scoreWholeTree(x, r, static_cast<Score>(duplications) * weight, weight, add);
    } else {
      std::int32_t duplications = 0;
      this->getScoreDFS(duplications, tree.root);
      const std::int32_t losses = computeGeneLossForRoot<std::int32_t>(tree);
      computeGeneDuplicationsAdd(r, static_cast<Score>(duplications) * weight, static_cast<Score>(losses) * weight,
                                 weight);
      countLossChanges<Transfer::SCORE>(tree, x, weight);
    }
    this->resetSecondaryMappingDFS(tree.root);
    this->secondaryFrontierRooted.clear();
    this->secondaryFrontierUnrooted.clear();
  }

  // With the whole species tree relevant, after phase 1: phase 2 down the
  // remaining tree below r, calling visit(v, dupBase) on every node there
  // with its final lossDelta. Every loss counter is clear again afterwards.
  template <class Visit>
  void scoreWholeTree(SpeciesNode* x, SpeciesNode* r, Score duplications, Score weight, Visit& visit) {
    convertCounters(r);
    auto visitAndClear = [&visit](SpeciesNode* v, Score dupBase) {
      visit(v, dupBase);
      clearLossCounters(v);
    };
    PreOrderCounters(r, 0, 0, 0, duplications, weight, visitAndClear);
    clearLossCountersBelow(x);  // phase 1 also counts inside the pruned subtree
    clearLossCounters(this->speciesTree->root);
  }

  // The secondary mapping of a gene tree at its present rooting, and the
  // duplication counters set from its frontier.
  template <class GeneTree>
  void countFrontier(GeneTree& tree, SpeciesNode* x) {
    if (currentMapping(tree.root) == this->speciesTree->root) this->get2ndLCA(tree.root, *x);
    resetDuplicationCounters();
    computeGeneDuplicationsTripleAdd();
  }

  // Losses count over the whole species tree: every species node is
  // relevant for every gene tree, and the relevant tree is the species tree.
  static bool wholeTreeRelevant() { return !NullMappings && !LIMIT_LOSSES; }

 protected:
  std::vector<SpeciesNode*> countedNodes;   // nodes whose duplication counters are set
  std::vector<SpeciesNode*> relevantNodes;  // the relevant tree of the present gene tree
  bool wholeRelevantTreeBuilt = false;       // every node relevant, tree built for this species tree

  static Score step(SpeciesNode* v, std::uint32_t counter, Score weight) {
    return (static_cast<Score>(v->countHere) - static_cast<Score>(counter)) * weight;
  }

  // Adds 1 to counter f of every node from a up to (not including) b.
  static void climb(SpeciesNode* a, SpeciesNode* b, Counter f) {
    for (; a != b; a = a->relevantParent) ++(a->*f);
  }

  // The same, stopping at the node just below b (returned, not counted).
  static SpeciesNode* climbBelow(SpeciesNode* a, SpeciesNode* b, Counter f) {
    for (; a->relevantParent != b; a = a->relevantParent) ++(a->*f);
    return a;
  }

  static SpeciesNode* other(SpeciesNode* u, SpeciesNode* v) {
    return u->relevantChild0 == v ? u->relevantChild1 : u->relevantChild0;
  }

  // Adds 1 to counter f of both relevant children of s, if it has any.
  static void addBelow(SpeciesNode* s, Counter f) {
    if (s->relevantChild0 != nullptr) ++(s->relevantChild0->*f);
    if (s->relevantChild1 != nullptr) ++(s->relevantChild1->*f);
  }

  // From s up to the root's child: inheritedMinus of each node and of its
  // sibling in the relevant tree.
  void rootPath(SpeciesNode* s) {
    SpeciesNode* root = this->speciesTree->root;
    for (SpeciesNode *v = s, *u = s->relevantParent; u != root; v = u, u = u->relevantParent) {
      ++v->inheritedMinus;
      ++other(u, v)->inheritedMinus;
    }
  }

  template <Transfer mode>
  static void apply(SpeciesNode* v, Score amount, std::int32_t delta, bool copyDelta) {
    if constexpr (mode == Transfer::SCORE)
      v->GeneLoss::score += amount;
    else if constexpr (mode == Transfer::TEMP_SCORE)
      v->GeneLoss::tempScore += amount;
    else if (copyDelta)
      v->lossDelta = delta;
  }
};
