#include "driver/pipeline.hpp"

#include <sstream>
#include <string>

#include "builder/leafadd_tree_set.hpp"
#include "driver/messages.hpp"
#include "search/search_tree_set.hpp"
#include "tree/input.hpp"

namespace {

// Every character of the input, white space and comments included.
std::string copyInput(Input& in) {
  std::string copy;
  for (char c; in.rawRead(c);) copy += c;
  return copy;
}

}  // namespace

int runStages(RunSettings& settings) {
  Input mainInput(*settings.input);

  if (settings.generator == 0) {
    progress("Using user-provided initial species tree");
  } else if (settings.generator == 1) {
    // The gene trees are read twice (by the builder and by the search), so
    // the input is kept in memory.
    const std::string inputCopy = copyInput(mainInput);
    std::istringstream copyStream(inputCopy);
    Input copyInputReader(copyStream);
    progress("Using fast randomized leaf adding heuristic to build initial species tree");
    buildtree::LEAFADD::TreeSet builder;
    builder.readTrees(copyInputReader);
    return 0;
  } else {
    fatalError("Unknown initial species tree generator " + std::to_string(settings.generator));
  }

  progress("Using SPR local search heuristic to infer final species tree");
  localsearch::TreeSet search;
  search.readTrees(mainInput);
  return 0;
}
