// Fuzz target: the readers of the side files. The first byte chooses the
// reader: a constraints file, a gene-to-species map (then asked for the
// species of a few labels), or species taken from labels by a delimiter
// (the labels being the lines of the text). Bad input must end in an
// InputError; anything else is a finding.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "build/constraint_groups.hpp"
#include "common/errors.hpp"
#include "tree/gene_species_map.hpp"
#include "tree/text_reader.hpp"

namespace {

void lookUp(GeneSpeciesMap& map, std::istream& labels) {
  NameTable names;
  for (std::string label; std::getline(labels, label);) map.speciesOf(label, names);
  map.speciesOf("", names);
  map.checkAllCovered();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 4096) return 0;
  const std::uint8_t choice = data[0];
  std::istringstream text(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  std::ostringstream messages;
  Console console(messages, messages);
  try {
    switch (choice % 3) {
      case 0: {
        TextReader in(text);
        readConstraintGroups(in, [](const std::string& name) { return name.size() % 2 == 1; }, console);
        break;
      }
      case 1: {
        GeneSpeciesMap map = GeneSpeciesMap::read(text, "map");
        std::istringstream labels("a1\nb1\nS001_g1\nx y\n");
        lookUp(map, labels);
        break;
      }
      default: {
        GeneSpeciesMap map = GeneSpeciesMap::byDelimiter(static_cast<char>(choice / 3 + 32), (choice & 1) != 0);
        lookUp(map, text);
        break;
      }
    }
  } catch (const InputError&) {
  }
  return 0;
}
