// Fuzz target: the side-file readers, chosen by the first byte: constraints,
// a gene-to-species map (then asked for a few labels' species), or species
// by a delimiter from labels (the text's lines). Bad input must end in an
// InputError; anything else is a finding.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "common/errors.hpp"
#include "tree/constraint_reader.hpp"
#include "tree/gene_species_map.hpp"
#include "tree/text_reader.hpp"

using namespace dls;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 2048) return 0;
  const std::uint8_t choice = data[0];
  std::istringstream text(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  std::istringstream someLabels("a1\nb1\nS001_g1\nx y\n");
  std::ostringstream messages;
  Console console(messages, messages);
  try {
    if (choice % 3 == 0) {
      TextReader in(text);
      readConstraintGroups(
          in, [](const std::string& name) { return name.size() % 2 == 1; }, console);
      return 0;
    }
    GeneSpeciesMap map = choice % 3 == 1 ? GeneSpeciesMap::read(text, "map")
                                         : GeneSpeciesMap::byDelimiter(static_cast<char>(choice / 3 + 32), choice & 1);
    std::istream& labels = choice % 3 == 1 ? static_cast<std::istream&>(someLabels) : text;
    NameTable names;
    for (std::string label; std::getline(labels, label);) map.speciesOf(label, names);
    map.speciesOf("", names);
    map.checkAllCovered();
  } catch (const InputError&) {
  }
  return 0;
}
