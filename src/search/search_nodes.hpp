#pragma once
// Node classes of the SPR search stage.

#include <cstdint>
#include <ostream>

#include "reconcile/gene_nodes.hpp"
#include "reconcile/order.hpp"
#include "tree/labelled_node.hpp"
#include "tree/tree_node.hpp"

namespace localsearch {

// Duplication side of the all-regraft scoring, per species node.
class GeneDuplication {
 public:
  // For the gene tree being processed: frontier gene nodes mapped here whose
  // sibling has no species outside the pruned subtree, and frontier pairs
  // split here with the frontier node on child 1's side (countChild0) or on
  // child 0's side (countChild1).
  std::uint32_t countHere = 0;
  std::uint32_t countChild0 = 0;
  std::uint32_t countChild1 = 0;
  double score = 0;      // weighted duplications for a regraft above this node
  double tempScore = 0;  // the cheapest rooting's part, per unrooted gene tree
};

// Loss side: the relevant species tree of one gene tree and the counters
// that turn its loss count into the change for every regraft position.
class GeneLoss {
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
  double score = 0;            // weighted losses for a regraft above this node
  double tempScore = 0;        // the cheapest rooting's part, per unrooted gene tree
  bool isRelevant = false;
};

class SpeciesNode : public TreeNodeRooted<SpeciesNode>, public Order, public GeneDuplication, public GeneLoss {
 public:
  std::int32_t idx = 0;  // position in the species tree's node list
  // Constraint colour: that of the nearest "[&CONSTRAINT]"-marked
  // ancestor-or-self, 0 when unconstrained.
  std::uint32_t color = 0;
  // Links of the relevant tree: nearest relevant proper ancestor, and the
  // relevant nodes directly below (child 0's side first).
  SpeciesNode* relevantParent = nullptr;
  SpeciesNode* relevantChild0 = nullptr;
  SpeciesNode* relevantChild1 = nullptr;

  // Clears what belongs to one gene tree (the scores stay).
  void resetRelevant() {
    leafCount = localCount = inheritedPlus = depthCount = siblingDepthCount = siblingCount = inheritedMinus =
        lossDelta = 0;
    depth = 0;
    isRelevant = false;
    relevantParent = relevantChild0 = relevantChild1 = nullptr;
  }
};
using NamedSpeciesNode = Labelled<SpeciesNode>;

using GeneNodeRooted = GeneNodeRootedOf<SpeciesNode>;
using NamedGeneNodeRooted = Labelled<GeneNodeRooted>;

using GeneNodeUnrooted = GeneNodeUnrootedOf<SpeciesNode>;
using NamedGeneNodeUnrooted = Labelled<GeneNodeUnrooted>;

std::ostream& operator<<(std::ostream& out, const GeneDuplication& record);
std::ostream& operator<<(std::ostream& out, const GeneLoss& record);
std::ostream& operator<<(std::ostream& out, SpeciesNode& node);

}  // namespace localsearch
