#pragma once
// The two kinds of failure that end a run. Both are thrown and caught in
// main, which writes the message after "ERROR: " and ends the program:
// an InputError (bad command line, bad input file, failed write) with
// status 1, an InternalError (a consistency check of the program itself
// failed; no input should reach one) with status 2.

#include <stdexcept>
#include <string>

namespace dls {

class InputError : public std::runtime_error {
 public:
  explicit InputError(const std::string& message) : std::runtime_error(message) {}
};

class InternalError : public std::logic_error {
 public:
  explicit InternalError(const std::string& message) : std::logic_error(message) {}
};

// A failure of the input met by a process of a run of several in step
// with rank 0, which meets it too and reports it: this one ends with
// status 1 and no message.
class ReportedElsewhere : public std::exception {
 public:
  const char* what() const noexcept override { return "reported by rank 0"; }
};

}  // namespace dls
