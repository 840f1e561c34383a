#pragma once
// A whole run: start-up, the start tree, the SPR search, the report.

#include "common/console.hpp"

// Returns the exit status of a complete run (0); failures are thrown.
int runProgram(int argc, char** argv, Console& console);
