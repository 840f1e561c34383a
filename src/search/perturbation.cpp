#include "search/perturbation.hpp"

#include <vector>

#include "common/tree_tour.hpp"

namespace dls {

void perturb(SpeciesTree& tree, int moves, Random& random) {
  const NodeId count = static_cast<NodeId>(tree.size());
  if (count < 5) return;  // three leaves or fewer: nothing to move to
  std::vector<NodeId> targets;
  TreeTour tour;
  for (int move = 0, tries = 0; move < moves && tries < 16 * moves; ++tries) {
    const NodeId x = static_cast<NodeId>(random.next() % static_cast<std::uint32_t>(count));
    if (x == tree.root()) continue;
    // Pruned, x hangs from the root beside the remaining tree; its
    // parent's clade is the clade it must stay in.
    const NodeId sibling = tree.sibling(x);
    tree.moveSubtree(x, tree.root());
    const NodeId r = tree.sibling(x);
    const CladeId moving = tree.clade(tree.root());
    targets.clear();
    tour.preorder(
        r, [&](NodeId v, int i) { return tree.child(v, i); },
        [&](NodeId y) {
          if (y != sibling && tree.canRegraftAbove(y, r, moving)) targets.push_back(y);
        });
    if (targets.empty()) {
      tree.moveSubtree(x, sibling);
      continue;
    }
    tree.moveSubtree(x, targets[random.next() % targets.size()]);
    ++move;
  }
}

}  // namespace dls
