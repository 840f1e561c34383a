#include "report/report.hpp"

#include "driver/globals.hpp"
#include "reconcile/relevant_tree.hpp"
#include "reconcile/rerooting.hpp"

namespace genedupreport {

// Duplications and losses at the present rooting; the relevant species tree
// must have been built for this gene tree.
template <class GeneTreeT>
void Report::countAtPresentRooting(GeneTreeT& tree, std::uint32_t& duplications, std::uint32_t& losses) {
  duplications = 0;
  getScoreDFS(duplications, tree.root);
  losses = computeGeneLossForRoot<std::uint32_t>(tree);
}

void Report::computeGeneDuplications(bool reroot) {
  SpeciesNode* speciesRoot = speciesTree->root;
  std::uint32_t counter = 0;
  speciesTree->establishOrderDFS(speciesRoot, counter);
  speciesTree->preprocessLCA();
  const bool wholeSpeciesTree = !LIMIT_LOSSES;

  for (GeneTreeRooted* tree : rootedGeneTrees) {
    mapRootedTree(*tree);
    buildRelevantTree(speciesRoot, *tree, wholeSpeciesTree);
    countAtPresentRooting(*tree, tree->duplications, tree->losses);
  }

  for (GeneTreeUnrooted* tree : unrootedGeneTrees) {
    // The relevant tree depends only on the gene leaves: once per tree.
    if (!reroot) {
      mapUnrootedTreeAsRooted(*tree);
      buildRelevantTree(speciesRoot, *tree, wholeSpeciesTree);
      countAtPresentRooting(*tree, tree->duplications, tree->losses);
      continue;
    }
    createPrimaryMappingUnrooted(*tree);
    buildRelevantTree(speciesRoot, *tree, wholeSpeciesTree);
    countAtPresentRooting(*tree, tree->duplications, tree->losses);
    GeneNodeUnrooted* root = tree->root;
    GeneNodeUnrooted* first = root->child(0);
    GeneNodeUnrooted* second = root->child(1);
    if (first == nullptr || second == nullptr) continue;  // a single leaf has one rooting
    rootEdgeFirst = first;
    rootEdgeSecond = second;
    moveRoot(*tree, first, tree->duplications, tree->losses);
    moveRoot(*tree, second, tree->duplications, tree->losses);
    moveRootToEdge(*tree, rootEdgeFirst, rootEdgeSecond);
  }

  speciesTree->postprocessLCA();
}

void Report::moveRoot(GeneTreeUnrooted& tree, GeneNodeUnrooted* node, std::uint32_t& bestDuplications,
                      std::uint32_t& bestLosses) {
  forEachRootEdgeBelow(tree, node, [&](GeneNodeUnrooted* upper, GeneNodeUnrooted* lower) {
    std::uint32_t duplications, losses;
    countAtPresentRooting(tree, duplications, losses);
    if (duplications + losses < bestDuplications + bestLosses) {
      bestDuplications = duplications;
      bestLosses = losses;
      rootEdgeFirst = upper;
      rootEdgeSecond = lower;
    }
  });
}

namespace {

template <class TreeT>
void writeSizeLine(std::ostream& out, TreeT& tree) {
  out << "[Size: " << tree.nodes.size() << " nodes " << tree.leaves.size() << " leaves]" << std::endl;
}

// One gene tree of the gene-tree section, numbered k.
template <class GeneTreeT>
void writeGeneTree(std::ostream& out, GeneTreeT& tree, std::size_t k, const char* label, bool withCosts,
                   Format format) {
  out << "[Rooted gene tree " << k << label << "]" << std::endl;
  writeSizeLine(out, tree);
  if (withCosts)
    out << "[Gene duplications + Losses: " << tree.duplications << " + " << tree.losses << " = "
        << tree.duplications + tree.losses << "]" << std::endl;
  if (format == NEXUS) out << "tree genetree" << k << " = ";
  tree.subtree2newickDFS(out, tree.root);
  out << ";" << std::endl;
}

}  // namespace

void Report::createReportInComment(std::ostream& out, bool reroot, int treeNumber, bool withGeneTrees,
                                   bool withCosts, Format format) {
  createLeafMapping();
  computeGeneDuplications(reroot);

  if (format == NEXUS) out << "begin trees;" << std::endl;
  out << "[Species tree]" << std::endl;
  writeSizeLine(out, *speciesTree);
  if (withCosts) {
    std::uint32_t duplications = 0, losses = 0;
    for (GeneTreeRooted* tree : rootedGeneTrees) {
      duplications += tree->duplications;
      losses += tree->losses;
    }
    for (GeneTreeUnrooted* tree : unrootedGeneTrees) {
      duplications += tree->duplications;
      losses += tree->losses;
    }
    out << "[Weighted reconciliation cost: " << WEIGHTED_RECON_COST << "]" << std::endl;
    out << "[Total number of gene duplications + losses: " << duplications << " + " << losses << " = "
        << duplications + losses << "]" << std::endl;
  }
  if (format == NEWICK || format == NEXUS) {
    if (format == NEXUS) out << "tree speciestree" << treeNumber << " = ";
    speciesTree->subtree2newickDFS(out, speciesTree->root);
    out << ";" << std::endl;
    if (format == NEXUS) out << "end;" << std::endl;
  }

  if (!withGeneTrees) return;
  out << std::endl << "[Gene trees]" << std::endl;
  if (format == NEXUS) out << "begin trees;" << std::endl;
  std::size_t k = 0;
  for (GeneTreeRooted* tree : rootedGeneTrees) {
    writeGeneTree(out, *tree, ++k, "", withCosts, format);
    out << std::endl;
  }
  for (std::size_t i = 0; i < unrootedGeneTrees.size(); ++i) {
    if (i > 0) out << std::endl;
    writeGeneTree(out, *unrootedGeneTrees[i], ++k, reroot ? " (unrooted in input)" : "", withCosts, format);
  }
  if (format == NEXUS) out << "end;" << std::endl;
}

std::ostream& operator<<(std::ostream& out, Report& report) { return out << static_cast<TreeSet&>(report); }

}  // namespace genedupreport
