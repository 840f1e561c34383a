// Fuzz target: the whole run. The first byte chooses the options (and the
// outputs beside the report), the rest
// is the trees and, after a zero byte, constraints. Bad input must end in
// an InputError; anything else (crash, sanitizer report, hang) is a finding.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "app/run.hpp"
#include "common/errors.hpp"

using namespace dls;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 2048) return 0;
  const std::uint8_t flags = data[0];
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t split = text.find('\0');

  Options options;
  options.startTree = (flags & 1) != 0 ? StartTree::given : StartTree::leafAdding;
  options.costModel.scope = (flags & 2) != 0 ? LossScope::geneSpeciesOnly : LossScope::wholeSpeciesTree;
  options.unrootedByDefault = (flags & 4) != 0;
  // Bits 5 and 6 also choose the annotated forms, the support from the gene
  // trees, the picture and the branch table.
  const bool annotated = (flags & 32) != 0, side = (flags & 64) != 0;
  options.format = (flags & 8) != 0 ? (annotated ? OutputFormat::annotated : OutputFormat::nexus)
                                    : (annotated ? OutputFormat::nhx : OutputFormat::newick);
  if (side) {
    options.support = GeneTreeSupport::families;
    options.svgPath = options.branchTablePath = "side";
  }
  options.writeGeneTrees = (flags & 16) != 0;
  options.seed = static_cast<std::uint32_t>(flags >> 5);

  std::istringstream trees(text.substr(0, split));
  std::istringstream constraints(split == std::string::npos ? std::string() : text.substr(split + 1));
  const InputStreams inputs{trees, split == std::string::npos ? nullptr : &constraints, nullptr};
  std::ostringstream report, progress, picture, table;
  RunOutputs outputs;
  outputs.report = [&]() -> std::ostream& { return report; };
  if (side) {
    outputs.svg = [&]() -> std::ostream& { return picture; };
    outputs.branchTable = [&]() -> std::ostream& { return table; };
  }
  Console console(progress, progress);
  try {
    runStages(options, &inputs, &outputs, console);
  } catch (const InputError&) {
  }
  return 0;
}
