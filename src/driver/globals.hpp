#pragma once
// Program-wide settings and state shared by the driver and the stages.

#include <atomic>
#include <string>

// No progress output. True from program start until the driver has read the
// quiet option, so that nothing is printed while the command line is read.
// Atomic (lock-free) because the interrupt handler reads it.
extern std::atomic<bool> quiet;

// Losses are counted in the species tree restricted to each gene tree's leaf set.
extern bool LIMIT_LOSSES;

// Final weighted cost found by the search, shown in the report.
extern float WEIGHTED_RECON_COST;

// Set by the first keyboard interrupt; the search stops after its current cycle.
extern std::atomic<bool> interruptFlag;

extern const std::string version;

// Characters written unquoted in a Newick name.
extern const std::string legalChars4Name;
