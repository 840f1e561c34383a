#pragma once
// The annotations of a run's species tree, node by node, as the annotated
// report forms, the branch table and the picture show them: the node's
// number, the supports of the branch above it, and the events on it.
//
// Keys, in this order, each where the summary has it for the node:
//   node                    1, 2, ... in pre-order (child 0's subtree first):
//                           the order of the nodes in the Newick text
//   bootstrap               percentage of the bootstrap replicates with the clade
//   family_support          of the gene trees that tell the three trees around
//   family_alt1             the branch apart (deciding_families), the percentage
//   family_alt2             that prefer the tree's clade, the first alternative
//   family_ties             (the node's first child with its sibling), the second
//   deciding_families       (its second child with its sibling), or two of them
//   delta_cost_alt1         the weighted cost of each alternative less the tree's
//   delta_cost_alt2
//   duplications, losses    on the branch above the node
//   families                gene trees with a copy on that branch
//   weighted_duplications,  the same events times their gene trees' weights,
//   weighted_losses         when some weight is not 1

#include <string>
#include <vector>

#include "report/run_summary.hpp"
#include "tree/species_tree.hpp"

namespace dls {

struct Annotation {
  std::string key, value;
};

// The node numbers the outputs show, by node.
std::vector<int> nodeNumbers(const SpeciesTree& tree);

// Every node's annotations, by node.
std::vector<std::vector<Annotation>> nodeAnnotations(const RunSummary& summary);

// A node's annotations as a comment after it: none, FigTree's and BEAST's
// "[&key=value,...]", or NHX's "[&&NHX:key=value:...]"; empty when there
// are none.
enum class NoteStyle { none, figTree, nhx };
std::string nodeComment(const std::vector<Annotation>& annotations, NoteStyle style);

// The share in percent (to a tenth) of the deciding gene trees that prefer
// topology k of a branch (0: the tree's, 1 and 2: the alternatives', 3:
// ties); empty when none decides.
std::string familyShare(const BranchSupport& support, int k);
// The share that prefers the tree's own clade as a whole percentage, as
// labels and the picture show it; empty when none decides.
std::string familyLabel(const BranchSupport& support);

}  // namespace dls
