#pragma once
// What the stages that score gene trees against species trees (the start
// tree's builder, the search) are given: what they score, and where they
// run and talk.

#include <vector>

#include "common/console.hpp"
#include "common/process_group.hpp"
#include "common/worker_team.hpp"
#include "reconcile/cost_model.hpp"
#include "scoring/scored_gene_trees.hpp"
#include "tree/name_table.hpp"

namespace dls {

// The gene trees in summing order (with several processes, this one's
// share), their names, and the cost model. All stay with the caller.
struct ScoringInput {
  const std::vector<ScoredGeneTree>& genes;
  const NameTable& names;
  CostModel model;
};

// The team that scores the gene trees, the processes that score their
// shares in step with this one (the plain build's one process otherwise),
// and the console the stage talks to.
struct StageContext {
  WorkerTeam& team;
  ProcessGroup& processes;
  Console& console;
};

}  // namespace dls
