#pragma once
// Small enumerations handed from the driver to the stages.

// Notation of the report.
enum Format { NEWICK = 0, NEXUS = 1 };

// How a stage treats unrooted gene trees while it runs: with their present
// rooting, or with all rootings for every candidate tree.
enum ReRoot { NO_REROOT = 0, ALL_ROOTINGS = 1 };
