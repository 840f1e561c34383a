#pragma once
// How a run that fails ends: its message on standard error and a status
// that tells the kind of failure.

#include <functional>
#include <ostream>

namespace dls {

// Runs the body and returns its status; a failure thrown by it is written
// after "ERROR: " to err and ends with status 1 (bad input or command
// line, failed write, memory exhausted) or 2 (an internal consistency check
// failed: "ERROR: internal error: ...").
int runReportingFailures(const std::function<int()>& body, std::ostream& err);

}  // namespace dls
