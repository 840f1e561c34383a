#pragma once
// The trees and the name table as bytes, for the messages between the
// processes of a run: unpacking gives back the object exactly, node
// numbers, child order, rooting and labels included.

#include "common/byte_buffer.hpp"
#include "tree/gene_tree.hpp"
#include "tree/name_table.hpp"
#include "tree/species_tree.hpp"

namespace dls {

void packTree(ByteWriter& out, const GeneTree& tree);
GeneTree unpackGeneTree(ByteReader& in);

void packTree(ByteWriter& out, const SpeciesTree& tree);
SpeciesTree unpackSpeciesTree(ByteReader& in);

void packNames(ByteWriter& out, const NameTable& names);
NameTable unpackNames(ByteReader& in);

}  // namespace dls
