#pragma once
// What the run's tail adds to its summary for the annotated forms, the
// branch table and the picture: the events per branch and the support of
// the branches from the gene trees, counted by every process that holds a
// share of the gene trees; the labels of the plain forms; the provenance
// lines; and the outputs beside the report.

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/options.hpp"
#include "common/console.hpp"
#include "common/process_group.hpp"
#include "common/worker_team.hpp"
#include "report/run_summary.hpp"
#include "tree/gene_tree.hpp"
#include "tree/name_table.hpp"

namespace dls {

// Counts the events per branch (when an output shows them) and the support
// from the gene trees (when asked for) into the summary, from this
// process's gene trees as reported (refined, when their polytomies are), in
// input order, at the summary's outcomes (theirs, before they are
// gathered). Every process of `processes` calls it, each with its share.
// The support shows its progress, then its time.
void annotateBranches(const Options& options, const std::vector<ScoredGeneTree>& reported, WorkerTeam& team,
                      ProcessGroup& processes, Console& console, RunSummary& summary);

// The inner labels of the plain forms, from the summary's bootstrap and
// family supports (whole percentages): either one, or both as "95/62"; none
// without either.
std::vector<std::string> innerLabels(const RunSummary& summary);

// The header lines of the annotated forms: the program and its version,
// the command line (each argument quoted as a shell would need it; control
// bytes and square brackets as "\x5b"), the seed, the threads, the cost
// weights and the gene trees' weights.
std::vector<std::string> provenanceLines(const Options& options, const std::vector<std::string>& commandLine,
                                         const RunSummary& summary);

// The picture and the branch table, to the streams given (empty: not asked for).
void writeSideOutputs(const std::function<std::ostream&()>& svg, const std::function<std::ostream&()>& branchTable,
                      const RunSummary& summary, const NameTable& names);

}  // namespace dls
