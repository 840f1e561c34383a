#include "reconcile/reconciliation.hpp"

namespace dls {

void mapEveryDirection(const GeneTree& tree, const NodeId* leafByName, const SpeciesIndex& index, NodeId* map,
                       std::array<NodeId, 3>* directed, NodeId* up) {
  const GeneRooting& rooting = tree.rooting();
  // Toward the present root: the mappings of the present rooting.
  mapGeneTree<false>(tree, leafByName, index, map);
  for (NodeId n = 0; n < static_cast<NodeId>(tree.size()); ++n) directed[n][rooting.parentSlot(n)] = map[n];
  // Away from it, parents first: a child's side of the edge to its parent
  // holds the parent's other child and everything beyond the parent.
  const std::vector<NodeId>& inner = tree.innerPostorder();
  for (auto it = inner.rbegin(); it != inner.rend(); ++it) {
    const NodeId g = *it;
    for (int i = 0; i < 2; ++i) {
      const NodeId c = rooting.child(g, i);
      const NodeId other = rooting.child(g, 1 - i);
      const NodeId side = g == tree.root() ? map[other] : joinMappings<false>(index, map[other], up[g]);
      directed[g][rooting.childSlot(g, i)] = side;
      up[c] = side;
    }
  }
}

}  // namespace dls
