#pragma once
// How the leaf labels of gene trees name their species: as they stand, by
// a map file, or by the part of each label before its first (or after its
// last) delimiter. A label without a species is noted, so that one error
// can name all of them once every tree is read.
//
// A map file holds lines "gene species" (blank- or tab-separated), or lines
// "species:gene1,gene2,..." (genes separated by "," or ";"); its first line
// of content decides which. Blank lines and lines starting with "#" are
// skipped. A file that is plainly no map (a binary format, FASTA) is
// refused with a message saying what it looks like.

#include <cstdint>
#include <istream>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "tree/name_table.hpp"

namespace dls {

class GeneSpeciesMap {
 public:
  // Labels are species names.
  GeneSpeciesMap() = default;
  // Reads a map file; path names it in messages.
  static GeneSpeciesMap read(std::istream& in, const std::string& path);
  // The species is the text before the first delimiter, or after the last.
  static GeneSpeciesMap byDelimiter(char delimiter, bool lastField);

  // The species of a gene label, its name entered in names; kNoName when
  // the label has none.
  NameId speciesOf(const std::string& label, NameTable& names);
  // Throws an InputError naming the first five labels without species and
  // how many there are.
  void checkAllCovered() const;
  // Whether labels name genes, their species taken by a map or a delimiter.
  bool mapsLabels() const { return kind_ != Kind::labelIsSpecies; }
  // Where the species of a label come from, for messages: "in map file
  // PATH", "before the first \"_\"", "after the last \"_\"".
  std::string source() const;

 private:
  enum class Kind { labelIsSpecies, mapFile, firstField, lastField };
  void add(const std::string& gene, const std::string& species, std::size_t line);
  NameId noSpecies(const std::string& label);

  Kind kind_ = Kind::labelIsSpecies;
  std::string path_;
  char delimiter_ = '_';
  std::unordered_map<std::string, std::uint32_t> speciesOfGene_;  // into species_
  std::vector<std::string> species_;
  std::vector<NameId> speciesName_;  // entered on first use, kNoName before
  std::unordered_map<std::string, std::uint32_t> speciesNumber_;
  std::unordered_set<std::string> uncovered_;
  std::vector<std::string> firstUncovered_;
};

}  // namespace dls
