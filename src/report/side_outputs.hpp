#pragma once
// The outputs beside the report: the branch table and the picture of the
// species tree, both from the run summary and its annotations
// (branch_annotations.hpp).

#include <ostream>

#include "report/run_summary.hpp"
#include "report/svg_writer.hpp"
#include "tree/name_table.hpp"

namespace dls {

// Tab-separated: a header row, then a row per species node in the order
// of the node numbers: the number, the clade (its species sorted by name,
// separated by commas; a comma, tab or control character in a name as
// "\x2c"), then the supports and events of branch_annotations.hpp that the
// run has, a cell left empty where a node has none (the root and the
// leaves have no support).
void writeBranchTable(std::ostream& out, const RunSummary& summary, const NameTable& names);

// What the picture shows beside the tree: a title with the cost, the
// supports at inner nodes (bootstrap, family support, or both as "95/62"),
// and the duplications and losses per branch.
SpeciesTreePicture speciesPicture(const RunSummary& summary);

}  // namespace dls
