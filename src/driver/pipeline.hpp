#pragma once
// The stages of a run after the start-up: the initial species tree, the SPR
// search and the report, handing trees on as Newick text.

#include "driver/startup.hpp"

// Runs the stages over the opened streams; returns the exit status.
int runStages(RunSettings& settings);
