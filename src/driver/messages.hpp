#pragma once
// The three kinds of console line: fatal errors and warnings on standard
// error (never suppressed), progress lines on standard output (only when not
// quiet, flushed at once).

#include <string>

// Writes "ERROR: " + message and a line end to standard error, then ends the
// program with status 1 through exit (open files are flushed and closed).
[[noreturn]] void fatalError(const std::string& message);

// Writes "WARNING: " + message and a line end to standard error.
void warning(const std::string& message);

// Writes the line and a line end to standard output unless quiet, flushed.
void progress(const std::string& line);
