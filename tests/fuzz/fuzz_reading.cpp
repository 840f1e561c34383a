// Fuzz target: reading alone, on inputs of any length up to 1 MB (the
// other targets take 2 KB), so that costs that grow faster than the input
// show. The first byte chooses what the rest is read as: trees (a species
// tree first or not, labels as species or by a delimiter), a map file or a
// constraints file. Bad input must end in an InputError. Every input must
// also be read within a heap that grows in proportion to it: the live heap
// bytes are counted by the sanitizer's allocation hooks, and a peak above
// kHeapPerByte times the input (plus kHeapBase) is a finding.

#include <sanitizer/allocator_interface.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "common/console.hpp"
#include "common/errors.hpp"
#include "common/random.hpp"
#include "tree/constraint_reader.hpp"
#include "tree/gene_species_map.hpp"
#include "tree/text_reader.hpp"
#include "tree/tree_input.hpp"

using namespace dls;

namespace {

constexpr long long kHeapPerByte = 1000, kHeapBase = 1 << 20;

long long liveBytes = 0, peakBytes = 0;

void onAllocation(const volatile void*, std::size_t size) {
  liveBytes += static_cast<long long>(size);
  if (liveBytes > peakBytes) peakBytes = liveBytes;
}

void onRelease(const volatile void* pointer) {
  liveBytes -= static_cast<long long>(__sanitizer_get_allocated_size(const_cast<const void*>(pointer)));
}

void read(std::uint8_t choice, const std::string& text) {
  std::istringstream in(text);
  std::ostringstream messages;
  Console console(messages, messages);
  if (choice % 4 == 2) {
    NameTable names;
    GeneSpeciesMap map = GeneSpeciesMap::read(in, "map");
    map.speciesOf("a1", names);
    map.checkAllCovered();
    return;
  }
  TextReader reader(in);
  if (choice % 4 == 3) {
    readConstraintGroups(
        reader, [](const std::string& name) { return name.size() % 2 == 1; }, console);
    return;
  }
  TreeInputRules rules;
  rules.speciesTreeFirst = (choice & 4) != 0;
  rules.unmarked = (choice & 8) != 0 ? GeneTreeRooting::unrooted : GeneTreeRooting::byRoot;
  if (choice % 4 == 1) rules.geneSpecies = GeneSpeciesMap::byDelimiter('_', (choice & 16) != 0);
  Random random(choice);
  TreeInput trees;
  readTreeInput(reader, rules, random, console, trees);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  __sanitizer_install_malloc_and_free_hooks(onAllocation, onRelease);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > (1 << 20)) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const long long start = liveBytes;
  peakBytes = liveBytes;
  try {
    read(data[0], text);
  } catch (const InputError&) {
  }
  const long long grown = peakBytes - start;
  if (grown > kHeapPerByte * static_cast<long long>(size) + kHeapBase) {
    std::fprintf(stderr, "reading %zu bytes took %lld bytes of heap at its peak\n", size, grown);
    std::abort();
  }
  return 0;
}
