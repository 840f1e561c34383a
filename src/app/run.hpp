#pragma once
// A whole run: start-up, the input read once, the jobs (starts, bootstrap
// replicates, or the scoring of a given tree) on an executor, and one tail
// for every mode: the best start, the supports, the run summary, the
// outputs.

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/options.hpp"
#include "app/run_input.hpp"
#include "common/console.hpp"
#include "common/process_group.hpp"

namespace dls {

// Where the results go, each opened only when it is written: the report,
// and the outputs beside it (empty: nowhere).
struct RunOutputs {
  std::function<std::ostream&()> report;
  std::function<std::ostream&()> bootstrapTrees;
  // The picture of the species tree and the branch table.
  std::function<std::ostream&()> svg;
  std::function<std::ostream&()> branchTable;
  // The command line, for the annotated forms' header.
  std::vector<std::string> commandLine;
};

// The stages of a run on opened inputs; failures are thrown. With several
// processes, only rank 0 has streams and outputs, and only it reads and
// writes.
void runStages(const Options& options, const InputStreams* streams, const RunOutputs* outputs, Console& console,
               ProcessGroup& processes = soleProcess());

// Returns the exit status of a complete run (0); failures are thrown.
int runProgram(int argc, char** argv, Console& console, ProcessGroup& processes = soleProcess());

}  // namespace dls
