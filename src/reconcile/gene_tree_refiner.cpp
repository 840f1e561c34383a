#include "reconcile/gene_tree_refiner.hpp"

#include <algorithm>
#include <utility>

#include "common/errors.hpp"

namespace dls {

GeneTreeRefiner::GeneTreeRefiner(const SpeciesTree& species, const CostModel& model)
    : species_(species), model_(model), order_(model.weights) {
  index_.rebuild(species);
  if (model.scope == LossScope::wholeSpeciesTree) wholeTree_.buildWhole(species, index_);
}

GeneTreeCost GeneTreeRefiner::refine(const GeneTree& tree, Random* ties, GeneTreeResolution* resolution) {
  if (tree.size() == 1) {  // a single gene: nothing to refine or root
    if (resolution != nullptr) *resolution = {{{kNoNode, kNoNode}}, tree.root()};
    return {};
  }
  scratch_.fit(tree.size());
  NodeId* map = scratch_.map.data();
  mapEveryDirection(tree, species_.leafByName().data(), index_, map, scratch_.directed.data(), scratch_.up.data());
  relevant_ = &wholeTree_;
  if (model_.scope == LossScope::geneSpeciesOnly) {
    scratch_.relevant.buildRestricted(species_, index_, tree, map);
    relevant_ = &scratch_.relevant;
  }
  findRegions(tree);
  const Rooting rooting = cheapestRooting(tree);
  if (resolution != nullptr) resolve(tree, rooting, ties, *resolution);
  return rooting.cost;
}

// Regions: a node made by the reader belongs to its parent's region, unless
// the parent is the root of an unrooted tree, which is no node of it (its
// two children are neighbours): made children of that root belong together.
// Every other node is a region of its own. A region's edges lead to the
// others; the side beyond each maps to the LCA of its gene leaves, read
// from the mappings of every direction.
void GeneTreeRefiner::findRegions(const GeneTree& tree) {
  const GeneRooting& rooting = tree.rooting();
  const NodeId top = tree.root();
  const bool unrooted = !tree.rooted();
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  regionOf_.assign(tree.size(), kNone);
  regions_.clear();
  const auto newRegion = [&](NodeId v) {
    regionOf_[static_cast<std::size_t>(v)] = regions_.size();
    regions_.emplace_back();
  };
  scratch_.tour.preorder(
      top, [&](NodeId n, int i) { return rooting.child(n, i); },
      [&](NodeId v) {
        const NodeId p = rooting.parent(v);
        if (p == kNoNode) {
          if (!unrooted) newRegion(v);
          return;
        }
        const bool belowRoot = unrooted && p == top;
        const NodeId sibling = rooting.child(p, rooting.child(p, 0) == v ? 1 : 0);
        if (tree.created(v) && !belowRoot)
          regionOf_[static_cast<std::size_t>(v)] = regionOf_[static_cast<std::size_t>(p)];
        else if (tree.created(v) && belowRoot && tree.created(sibling) &&
                 regionOf_[static_cast<std::size_t>(sibling)] != kNone)
          regionOf_[static_cast<std::size_t>(v)] = regionOf_[static_cast<std::size_t>(sibling)];
        else
          newRegion(v);
      });
  for (NodeId v = 0; v < static_cast<NodeId>(tree.size()); ++v) {
    const std::size_t region = regionOf_[static_cast<std::size_t>(v)];
    if (region == kNone) continue;
    regions_[region].members.push_back(v);
    for (const NodeId neighbour : rooting.node(v).neighbour) {
      if (neighbour == kNoNode) continue;
      // Across the root of an unrooted tree: its other child, whose side
      // away from the root is the side away from v.
      NodeId outer = neighbour, through = v;
      if (unrooted && neighbour == top) {
        outer = rooting.child(top, rooting.child(top, 0) == v ? 1 : 0);
        through = top;
      }
      const std::size_t outerRegion = regionOf_[static_cast<std::size_t>(outer)];
      if (outerRegion == region) continue;
      int slot = 0;
      while (rooting.node(outer).neighbour[slot] != through) ++slot;
      regions_[region].edges.push_back(
          {v, outer, outerRegion, scratch_.directed[static_cast<std::size_t>(outer)][static_cast<std::size_t>(slot)]});
    }
  }
  for (Region& region : regions_) {
    region.cost.assign(region.edges.size() + 1, GeneTreeCost());
    region.known.assign(region.edges.size() + 1, 0);
  }
}

void GeneTreeRefiner::childrenOf(std::size_t region, std::size_t parentEdge, std::vector<std::size_t>& edges,
                                 std::vector<NodeId>& mappings) const {
  edges.clear();
  mappings.clear();
  const Region& z = regions_[region];
  for (std::size_t e = 0; e < z.edges.size(); ++e) {
    if (e == parentEdge) continue;
    edges.push_back(e);
    mappings.push_back(z.edges[e].sideMapping);
  }
}

// A leaf region below its parent costs nothing; a binary node what its
// mapping and its children's give; a polytomy its cheapest refinement.
const GeneTreeCost& GeneTreeRefiner::costOf(std::size_t region, std::size_t parentEdge) {
  Region& z = regions_[region];
  const std::size_t at = parentEdge == kAsRoot ? z.edges.size() : parentEdge;
  if (z.known[at]) return z.cost[at];
  childrenOf(region, parentEdge, childEdges_, mappings_);
  const std::size_t k = mappings_.size();
  GeneTreeCost cost;
  if (k == 1) throw InternalError("a region of a gene tree has a single child");
  if (k >= 2) {
    NodeId m = mappings_[0];
    for (std::size_t c = 1; c < k; ++c) m = index_.lca(m, mappings_[c]);
    if (k == 2)
      cost = {isDuplication<false>(m, mappings_[0], mappings_[1]) ? 1 : 0,
              lossesBelow<false>(*relevant_, m, mappings_[0], mappings_[1])};
    else
      cost = polytomies_.refine(*relevant_, m, mappings_.data(), k, model_.weights);
  }
  z.known[at] = 1;
  z.cost[at] = cost;
  return z.cost[at];
}

namespace {

GeneTreeCost operator+(const GeneTreeCost& a, const GeneTreeCost& b) {
  return {a.duplications + b.duplications, a.losses + b.losses};
}

}  // namespace

// The root's own cost when it stands on the edge of region z toward the
// other region: a join of the two sides.
GeneTreeCost GeneTreeRefiner::edgeRootCost(std::size_t z, std::size_t edge) const {
  const Boundary& toOther = regions_[z].edges[edge];
  const auto& back = regions_[toOther.outerRegion].edges;
  std::size_t e = 0;
  while (back[e].outerRegion != z) ++e;
  const NodeId a = toOther.sideMapping, b = back[e].sideMapping, m = index_.lca(a, b);
  return {isDuplication<false>(m, a, b) ? 1 : 0, lossesBelow<false>(*relevant_, m, a, b)};
}

// Over the tree of regions from a first one: down[z], what z and the
// regions beyond it cost oriented toward the first; up[z], what the regions
// on the first's side of z cost oriented toward z. A rooting on the edge
// above z costs down[z] + up[z] and the root's own join; z as root, its own
// cost as root, the down of its children and its up.
GeneTreeRefiner::Rooting GeneTreeRefiner::cheapestRooting(const GeneTree& tree) {
  const GeneRooting& rooting = tree.rooting();
  const std::size_t count = regions_.size();
  if (tree.rooted() || count == 1) {
    // The root's region, or the one region of a one-leaf tree.
    const std::size_t root = tree.rooted() ? regionOf_[static_cast<std::size_t>(tree.root())] : 0;
    GeneTreeCost total;
    std::vector<std::pair<std::size_t, std::size_t>> stack = {{root, kAsRoot}};
    while (!stack.empty()) {
      const auto [z, parentEdge] = stack.back();
      stack.pop_back();
      total = total + (count == 1 ? GeneTreeCost() : costOf(z, parentEdge));
      for (std::size_t e = 0; e < regions_[z].edges.size(); ++e) {
        if (e == parentEdge) continue;
        const std::size_t child = regions_[z].edges[e].outerRegion;
        const auto& back = regions_[child].edges;
        std::size_t toParent = 0;
        while (back[toParent].outerRegion != z) ++toParent;
        stack.emplace_back(child, toParent);
      }
    }
    return {root, kAsRoot, total};
  }
  // Regions in pre-order from the region of the root's first child, each
  // with the edge toward its parent, and the parent's edge toward it.
  const NodeId first = rooting.child(tree.root(), 0), second = rooting.child(tree.root(), 1);
  const std::size_t start = regionOf_[static_cast<std::size_t>(first)];
  std::vector<std::size_t> order, parentEdge(count, kAsRoot), edgeFromParent(count, kAsRoot);
  std::vector<std::size_t> parentOf(count, kAsRoot);
  order.push_back(start);
  for (std::size_t i = 0; i < order.size(); ++i) {
    const std::size_t z = order[i];
    for (std::size_t e = 0; e < regions_[z].edges.size(); ++e) {
      const std::size_t child = regions_[z].edges[e].outerRegion;
      if (child == parentOf[z]) continue;
      parentOf[child] = z;
      edgeFromParent[child] = e;
      const auto& back = regions_[child].edges;
      std::size_t toParent = 0;
      while (back[toParent].outerRegion != z) ++toParent;
      parentEdge[child] = toParent;
      order.push_back(child);
    }
  }
  std::vector<GeneTreeCost> down(count), up(count), childrenDown(count);
  for (std::size_t i = count; i-- > 0;) {
    const std::size_t z = order[i];
    if (z != start) down[z] = costOf(z, parentEdge[z]) + childrenDown[z];
    if (z != start) childrenDown[parentOf[z]] = childrenDown[parentOf[z]] + down[z];
  }
  for (const std::size_t z : order) {
    if (z == start) continue;
    const std::size_t p = parentOf[z];
    // p oriented toward z, p's other children, and what lies beyond p.
    const GeneTreeCost beyond = p == start ? GeneTreeCost() : up[p];
    const GeneTreeCost others = {childrenDown[p].duplications - down[z].duplications,
                                 childrenDown[p].losses - down[z].losses};
    up[z] = costOf(p, edgeFromParent[z]) + others + beyond;
  }
  // The present rooting first: on the edge between the root's children,
  // or in their common region; then every other, kept only when cheaper.
  const std::size_t secondRegion = regionOf_[static_cast<std::size_t>(second)];
  const auto asRoot = [&](std::size_t z) {
    return costOf(z, kAsRoot) + childrenDown[z] + (z == start ? GeneTreeCost() : up[z]);
  };
  const auto onEdge = [&](std::size_t z) { return down[z] + up[z] + edgeRootCost(z, parentEdge[z]); };
  Rooting best = secondRegion == start ? Rooting{start, kAsRoot, asRoot(start)}
                                       : Rooting{secondRegion, parentEdge[secondRegion], onEdge(secondRegion)};
  for (const std::size_t z : order) {
    if (regions_[z].edges.size() >= 3) {
      const GeneTreeCost cost = asRoot(z);
      if (order_.compare(cost, best.cost) < 0) best = {z, kAsRoot, cost};
    }
    if (z != start) {
      const GeneTreeCost cost = onEdge(z);
      if (order_.compare(cost, best.cost) < 0) best = {z, parentEdge[z], cost};
    }
  }
  return best;
}

// The regions oriented by the rooting, children first: each region's
// joins on its own nodes (its original node, or the root, last: it tops
// them), its children the tops of the regions below.
void GeneTreeRefiner::resolve(const GeneTree& tree, const Rooting& rooting, Random* ties, GeneTreeResolution& out) {
  const NodeId top = tree.root();
  out.children.assign(tree.size(), {kNoNode, kNoNode});
  out.root = top;
  const std::size_t count = regions_.size();
  std::vector<std::size_t> parentEdge(count, kAsRoot), order;
  std::vector<char> seen(count, 0);
  const std::size_t edgeRooted =
      rooting.edge == kAsRoot ? kAsRoot : regions_[rooting.region].edges[rooting.edge].outerRegion;
  order.push_back(rooting.region);
  seen[rooting.region] = 1;
  parentEdge[rooting.region] = rooting.edge;
  if (edgeRooted != kAsRoot) {
    const auto& back = regions_[edgeRooted].edges;
    std::size_t toOther = 0;
    while (back[toOther].outerRegion != rooting.region) ++toOther;
    parentEdge[edgeRooted] = toOther;
    order.push_back(edgeRooted);
    seen[edgeRooted] = 1;
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    const std::size_t z = order[i];
    for (std::size_t e = 0; e < regions_[z].edges.size(); ++e) {
      const std::size_t child = regions_[z].edges[e].outerRegion;
      if (seen[child]) continue;
      seen[child] = 1;
      const auto& back = regions_[child].edges;
      std::size_t toParent = 0;
      while (back[toParent].outerRegion != z) ++toParent;
      parentEdge[child] = toParent;
      order.push_back(child);
    }
  }
  std::vector<NodeId> topOf(count, kNoNode), nodes;
  for (std::size_t i = order.size(); i-- > 0;) {
    const std::size_t z = order[i];
    const Region& region = regions_[z];
    childrenOf(z, parentEdge[z], childEdges_, mappings_);
    const std::size_t k = mappings_.size();
    if (k == 0) {
      topOf[z] = region.members.front();
      continue;
    }
    // The region's own nodes, the one that tops them last.
    nodes = region.members;
    if (parentEdge[z] == kAsRoot && !tree.rooted()) nodes.push_back(top);
    const auto last = std::find_if(nodes.begin(), nodes.end(),
                                   [&](NodeId v) { return parentEdge[z] == kAsRoot ? v == top : !tree.created(v); });
    if (last != nodes.end()) std::iter_swap(last, nodes.end() - 1);
    joins_.clear();
    if (k == 2) {
      joins_.push_back({0, 1});
    } else {
      NodeId m = mappings_[0];
      for (std::size_t c = 1; c < k; ++c) m = index_.lca(m, mappings_[c]);
      polytomies_.refine(*relevant_, m, mappings_.data(), k, model_.weights, ties, &joins_);
    }
    if (joins_.size() != nodes.size())
      throw InternalError("a gene-tree region has not one node for each join of its refinement");
    const auto item = [&](std::uint32_t i) {
      return i < k ? topOf[regions_[z].edges[childEdges_[i]].outerRegion] : nodes[i - k];
    };
    for (std::size_t t = 0; t < joins_.size(); ++t)
      out.children[static_cast<std::size_t>(nodes[t])] = {item(joins_[t].a), item(joins_[t].b)};
    topOf[z] = nodes.back();
  }
  // The root on an edge: the side beyond the edge first, as the present
  // rooting has it.
  if (edgeRooted != kAsRoot) out.children[static_cast<std::size_t>(top)] = {topOf[edgeRooted], topOf[rooting.region]};
}

}  // namespace dls
