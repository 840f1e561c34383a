#pragma once
// The ranks of an MPI run (the cluster build only): every rank of
// MPI_COMM_WORLD. MPI calls come from the thread that made the group alone;
// the worker threads only compute.

#include <memory>

#include "common/process_group.hpp"

namespace dls {

// Starts MPI; the group ends it when destroyed.
std::unique_ptr<ProcessGroup> startMpiProcessGroup(int& argc, char**& argv);

}  // namespace dls
