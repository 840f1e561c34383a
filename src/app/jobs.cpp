#include "app/jobs.hpp"

#include <algorithm>
#include <map>

#include "app/interrupt.hpp"
#include "common/decimal_text.hpp"
#include "common/errors.hpp"
#include "reconcile/species_index.hpp"
#include "scoring/gene_tree_counts.hpp"
#include "search/perturbation.hpp"
#include "search/refined_gene_trees.hpp"
#include "search/spr_search.hpp"
#include "start/leaf_adding_builder.hpp"

namespace dls {

namespace {

// Per gene tree read, in input order, from a list in summing order (of
// all of them, or of those a replicate drew).
template <class T>
std::vector<T> inInputOrder(const JobInput& in, const std::vector<ScoredGeneTree>& genes,
                            const std::vector<T>& values) {
  std::vector<T> ordered(in.input.trees.geneTrees.size());
  for (std::size_t i = 0; i < genes.size(); ++i) ordered[genes[i].input] = values[i];
  return ordered;
}

// A start tree built by leaf adding, every constraint group kept a clade.
SpeciesTree builtTree(const JobInput& in, const ScoringInput& scoring, const std::vector<NameId>& species,
                      Random& draws, const StageContext& context) {
  SpeciesTree tree = LeafAddingBuilder(scoring, species, draws, context).build(in.input.groups);
  if (in.options.startTree == StartTree::leafAdding) {
    context.console.line("Using SPR local search heuristic to infer final species tree");
    context.console.line(in.input.geneTreeSummary);
  }
  return tree;
}

// A label of the given tree belongs to its clade: on the tree a search
// made from it, a node keeps a label only where its clade is one that the
// label had in the given tree.
void keepLabelsOnTheirClades(const SpeciesTree& given, SpeciesTree& found) {
  std::map<std::vector<NameId>, NameId> labels;
  const std::vector<std::vector<NameId>> givenClades = cladesOf(given);
  for (NodeId v = 0; v < static_cast<NodeId>(given.size()); ++v)
    if (!given.isLeaf(v) && given.name(v) != kNoName) labels[givenClades[static_cast<std::size_t>(v)]] = given.name(v);
  const std::vector<std::vector<NameId>> foundClades = cladesOf(found);
  for (NodeId v = 0; v < static_cast<NodeId>(found.size()); ++v) {
    const auto label = labels.find(foundClades[static_cast<std::size_t>(v)]);
    found.setLabel(v, label == labels.end() ? kNoName : label->second);
  }
}

// The refined gene trees into a result: their rootings, and copies of
// the refined ones.
void keepRefinements(const JobInput& in, const std::vector<ScoredGeneTree>& genes, const RefinedGeneTrees& refined,
                     JobResult& result) {
  result.rootings = inInputOrder(in, genes, refined.rootings());
  result.refined = refined.copies();
  for (std::size_t position : refined.positions()) result.refinedAt.push_back(genes[position].input);
}

// A local search of the result's tree: to a local optimum of SPR moves,
// and, with polytomies refined, each at its cheapest refinement for the
// tree found. The search scores the gene trees at the resolution they were
// read with, which favours no species tree: refinements fitted to a tree
// favour it so much that a search with them stops where it starts.
void searchLocally(const JobInput& in, const std::vector<ScoredGeneTree>& genes, Random& draws,
                   const StageContext& context, JobResult& result) {
  const CostModel& model = in.options.costModel;
  SprSearch search(result.tree, {genes, in.input.trees.names, model}, draws, context, stopRequested());
  const SearchResult found = search.run();
  result.cost = found.cost;
  result.moves += found.moves;
  result.seconds += found.seconds;
  if (!in.options.refinePolytomies) {
    result.rootings = inInputOrder(in, genes, search.rootings());
    return;
  }
  RefinedGeneTrees refined(genes);
  result.cost = refined.refineFor(result.tree, model, draws.next(), context.team, context.processes);
  context.console.line("Weighted reconciliation cost with polytomies refined: " + formatCost(result.cost));
  keepRefinements(in, genes, refined, result);
}

// After the first local optimum, rounds of a random jump away from the best
// tree and a local search from there, the better tree kept, until so many
// rounds in a row find none better.
void searchInRounds(const JobInput& in, const std::vector<ScoredGeneTree>& genes, Random& draws,
                    const StageContext& context, JobResult& best) {
  const int moves = std::max(1, static_cast<int>(best.tree.leaves().size()) / 10);
  for (int round = 1, without = 0; without < in.options.rounds; ++round) {
    if (context.processes.anyRank(stopRequested().load())) break;
    JobResult candidate;
    candidate.tree = best.tree;
    perturb(candidate.tree, moves, draws);
    const bool quiet = context.console.quiet();
    context.console.setQuiet(true);
    searchLocally(in, genes, draws, context, candidate);
    context.console.setQuiet(quiet);
    const bool better = isLowerCost(candidate.cost, best.cost);
    candidate.moves += best.moves;
    candidate.seconds += best.seconds;
    if (better) std::swap(best, candidate);
    without = better ? 0 : without + 1;
    context.console.line("Round " + std::to_string(round) + ": cost " + formatCost(candidate.cost) + ", best " +
                         formatCost(best.cost));
  }
}

// The species tree searched from: the given one, else one built.
JobResult searched(const JobInput& in, bool fromGiven, const std::vector<ScoredGeneTree>& genes,
                   const std::vector<NameId>& species, Random& draws, const StageContext& context) {
  const ScoringInput scoring{genes, in.input.trees.names, in.options.costModel};
  JobResult result;
  result.tree = fromGiven ? *in.input.trees.speciesTree : builtTree(in, scoring, species, draws, context);
  context.console.summariseWarnings();
  searchLocally(in, genes, draws, context, result);
  if (in.options.rounds > 0) searchInRounds(in, genes, draws, context, result);
  if (fromGiven) keepLabelsOnTheirClades(*in.input.trees.speciesTree, result.tree);
  result.done = true;
  return result;
}

// Start s: the run of the seed (start 1) or of a seed derived from it.
JobResult runStart(const JobInput& in, int start, Console& console, WorkerTeam& team, ProcessGroup& searchers) {
  const std::uint32_t seed =
      start == 1 ? in.options.seed : derivedSeed(in.options.seed, static_cast<std::uint32_t>(start));
  Random draws = start == 1 ? in.afterReading : Random(seed);
  const std::vector<ScoredGeneTree> genes = scoringOrder(in.input.trees.geneTrees);
  const bool fromGiven = in.options.startTree == StartTree::given && start == 1;
  JobResult result = searched(in, fromGiven, genes, in.input.species, draws, {team, searchers, console});
  result.seed = seed;
  console.line("Time taken for search heuristic: " + formatElapsed(result.seconds));
  return result;
}

// Bootstrap replicate r: as many gene trees as were read, drawn with
// replacement (a tree drawn k times counts k times its weight) from the
// generator of seed derivedSeed(seed, 2^31 + r), and one start searched
// on them (the given tree with -g 0). An interrupted replicate does not
// count.
JobResult runReplicate(const JobInput& in, int replicate, Console& console, WorkerTeam& team) {
  const std::vector<GeneTree>& trees = in.input.trees.geneTrees;
  Random draws(derivedSeed(in.options.seed, 0x80000000U + static_cast<std::uint32_t>(replicate)));
  std::vector<int> drawn(trees.size(), 0);
  for (std::size_t i = 0; i < trees.size(); ++i) ++drawn[draws.next() % trees.size()];
  const std::vector<ScoredGeneTree> genes = scoringOrder(trees, &drawn);
  const std::vector<NameId> species = speciesOfGeneTrees(trees, in.input.trees.names, &drawn);
  // The replicate's own lines would drown the progress: one line for it.
  console.setQuiet(true);
  JobResult result;
  try {
    result =
        searched(in, in.options.startTree == StartTree::given, genes, species, draws, {team, soleProcess(), console});
    // A replicate reports its tree alone.
    result.rootings.clear();
    result.refined.clear();
    result.refinedAt.clear();
    result.done = !stopRequested();
  } catch (const CostNotFinite&) {
    result.costNotFinite = true;
  }
  console.setQuiet(in.options.quiet);
  return result;
}

// The given tree as it is, every unrooted gene tree at its cheapest rooting
// (its cost is the run summary's).
JobResult runScoring(const JobInput& in, Console& console, WorkerTeam& team, ProcessGroup& searchers) {
  console.summariseWarnings();
  const std::vector<ScoredGeneTree> genes = scoringOrder(in.input.trees.geneTrees);
  JobResult result;
  result.tree = *in.input.trees.speciesTree;
  const CostModel& model = in.options.costModel;
  if (in.options.refinePolytomies) {
    // Each tree at its cheapest refinement, ties drawn as a start's first.
    Random draws = in.afterReading;
    RefinedGeneTrees refined(genes);
    result.cost = refined.refineFor(result.tree, model, draws.next(), team, searchers);
    keepRefinements(in, genes, refined, result);
  } else {
    std::vector<RootEdge> rootings = rootingsAsRead(genes);
    rootAtCheapest(result.tree, genes, rootings, model, team);
    const std::vector<GeneTreeCost> counts = countAt(result.tree, genes, rootings, model, team);
    result.cost = weightedCost(genes, counts, model.weights, searchers);
    result.rootings = inInputOrder(in, genes, rootings);
    result.counts = inInputOrder(in, genes, counts);
  }
  result.done = true;
  return result;
}

}  // namespace

std::vector<Job> jobsOf(const Options& options) {
  if (options.evaluateOnly) return {{Job::Kind::evaluate, 1}};
  std::vector<Job> jobs;
  for (int start = 1; start <= options.starts; ++start) jobs.push_back({Job::Kind::start, start});
  for (int replicate = 1; replicate <= options.bootstrap; ++replicate)
    jobs.push_back({Job::Kind::replicate, replicate});
  return jobs;
}

JobResult runJob(const JobInput& in, const Job& job, Console& console, WorkerTeam& team, ProcessGroup& searchers) {
  switch (job.kind) {
    case Job::Kind::evaluate:
      return runScoring(in, console, team, searchers);
    case Job::Kind::start:
      return runStart(in, job.number, console, team, searchers);
    case Job::Kind::replicate:
      return runReplicate(in, job.number, console, team);
  }
  throw InternalError("a job of no known kind");
}

}  // namespace dls
