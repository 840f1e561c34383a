#pragma once
// A whole run: start-up, the start tree, the SPR search, the report.

#include <istream>
#include <ostream>

#include "common/console.hpp"
#include "common/options.hpp"
#include "common/process_group.hpp"

namespace dls {

// The opened inputs of a run.
struct RunInputs {
  std::istream& trees;
  std::istream* constraints;  // null: none
  std::istream* map;          // gene labels to species; null: none
};

// The stages of a run on opened inputs: reading, the start tree, the SPR
// search, the report (written to report). Failures are thrown.
// bootstrapTrees, when given, receives the bootstrap replicates' trees.
// With several processes, only rank 0 has inputs and report, and only it
// reads and writes.
void runStages(const Options& options, const RunInputs* inputs, std::ostream* report, Console& console,
               std::ostream* bootstrapTrees = nullptr, ProcessGroup& processes = soleProcess());

// Returns the exit status of a complete run (0); failures are thrown.
int runProgram(int argc, char** argv, Console& console, ProcessGroup& processes = soleProcess());

}  // namespace dls
