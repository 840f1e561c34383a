#pragma once
// The species node of the stages that score all regraft (or insertion)
// positions at once: the SPR search (weighted, double scores) and the
// leaf-adding builder (integer scores).

#include <cstdint>
#include <ostream>
#include <type_traits>

#include "reconcile/order.hpp"
#include "tree/node_dump.hpp"
#include "tree/tree_node.hpp"

// Duplication side, per species node.
template <class Score>
class GeneDuplicationRecord {
 public:
  // For the gene tree being processed: frontier gene nodes mapped here whose
  // sibling has no species outside the pruned subtree, and frontier pairs
  // split here with the frontier node on child 1's side (countChild0) or on
  // child 0's side (countChild1).
  std::uint32_t countHere = 0;
  std::uint32_t countChild0 = 0;
  std::uint32_t countChild1 = 0;
  Score score = 0;      // duplication total for a regraft above this node
  Score tempScore = 0;  // the cheapest rooting's part, per unrooted gene tree
};

// Loss side: the relevant species tree of one gene tree and the counters
// that turn its loss count into the change for every regraft position.
template <class Score>
class GeneLossRecord {
 public:
  std::int32_t leafCount = 0;
  std::int32_t localCount = 0;
  std::int32_t inheritedPlus = 0;
  std::int32_t depthCount = 0;
  std::int32_t siblingDepthCount = 0;
  std::int32_t siblingCount = 0;
  std::int32_t inheritedMinus = 0;
  std::int32_t lossDelta = 0;  // change of the loss count for a regraft above this node
  std::uint32_t depth = 0;     // relevant nodes from the root down to here
  Score score = 0;             // loss total for a regraft above this node
  Score tempScore = 0;         // the cheapest rooting's part, per unrooted gene tree
  bool isRelevant = false;
};

template <class Score, class Colour>
class RegraftSpeciesNode : public TreeNodeRooted<RegraftSpeciesNode<Score, Colour>>,
                           public Order,
                           public GeneDuplicationRecord<Score>,
                           public GeneLossRecord<Score> {
 public:
  using GeneDuplication = GeneDuplicationRecord<Score>;
  using GeneLoss = GeneLossRecord<Score>;

  std::int32_t idx = 0;  // position in the species tree's node list
  // Constraint colour: nodes of one constraint clade share it; a node whose
  // colour differs from its parent's is the top of a clade.
  Colour color = 0;
  // Links of the relevant tree: nearest relevant proper ancestor, and the
  // relevant nodes directly below (child 0's side first).
  RegraftSpeciesNode* relevantParent = nullptr;
  RegraftSpeciesNode* relevantChild0 = nullptr;
  RegraftSpeciesNode* relevantChild1 = nullptr;

  // Clears what belongs to one gene tree (the scores stay).
  void resetRelevant() {
    this->leafCount = this->localCount = this->inheritedPlus = this->depthCount = this->siblingDepthCount =
        this->siblingCount = this->inheritedMinus = this->lossDelta = 0;
    this->depth = 0;
    this->isRelevant = false;
    relevantParent = relevantChild0 = relevantChild1 = nullptr;
  }
};

template <class Score>
std::ostream& operator<<(std::ostream& out, const GeneDuplicationRecord<Score>& r) {
  out << (std::is_floating_point_v<Score> ? "score:" : "genedup:");
  return out << r.score << "(" << r.countChild0 << "[" << r.countHere << "]" << r.countChild1 << ")";
}

template <class Score>
std::ostream& operator<<(std::ostream& out, const GeneLossRecord<Score>& r) {
  return out << "Losses:" << r.leafCount << " " << r.isRelevant << " " << r.localCount << "  " << r.inheritedPlus
             << " " << r.depthCount << " " << r.siblingDepthCount << " " << r.siblingCount << " "
             << r.inheritedMinus << " : " << r.score;
}

template <class Score, class Colour>
std::ostream& operator<<(std::ostream& out, RegraftSpeciesNode<Score, Colour>& node) {
  return dumpStructure(out, node) << ", idx:" << node.idx << ", " << static_cast<Order&>(node) << ", "
                                  << static_cast<GeneDuplicationRecord<Score>&>(node);
}
