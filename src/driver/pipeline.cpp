#include "driver/pipeline.hpp"

#include <ctime>
#include <memory>
#include <sstream>
#include <string>

#include "builder/heuristic_second_fast.hpp"
#include "driver/messages.hpp"
#include "report/report.hpp"
#include "search/simple_heuristic_random.hpp"
#include "tree/input.hpp"

namespace {

// Every character of the input, white space and comments included.
std::string copyInput(Input& in) {
  std::string copy;
  for (char c; in.rawRead(c);) copy += c;
  return copy;
}

// "1d 2h 3m 4s", lower units shown once a higher one is, seconds always.
std::string timeText(long long elapsed) {
  const long long days = elapsed / 86400, hours = (elapsed % 86400) / 3600, minutes = (elapsed % 3600) / 60,
                  seconds = elapsed % 60;
  std::ostringstream text;
  if (days != 0)
    text << days << "d " << hours << "h " << minutes << "m " << seconds << "s";
  else if (hours != 0)
    text << hours << "h " << minutes << "m " << seconds << "s";
  else if (minutes != 0)
    text << minutes << "m " << seconds << "s";
  else
    text << seconds << "s";
  return text.str();
}


}  // namespace

int runStages(RunSettings& settings) {
  Input mainInput(*settings.input);
  std::ostringstream speciesTreeText;

  if (settings.generator == 0) {
    progress("Using user-provided initial species tree");
  } else if (settings.generator == 1) {
    // The gene trees are read twice (by the builder and by the search), so
    // the input is kept in memory.
    const std::string inputCopy = copyInput(mainInput);
    std::istringstream copyStream(inputCopy);
    Input copyInputReader(copyStream);
    progress("Using fast randomized leaf adding heuristic to build initial species tree");
    {
      auto builder = std::make_unique<buildtree::HeuristicSecondFast>();
      builder->readTrees(copyInputReader);
      if (settings.hasConstraints) {
        Input constraintsInput(settings.constraintsFile);
        builder->readConstraints(constraintsInput);
      }
      builder->run(speciesTreeText, NO_REROOT);
    }
    // The search reads the built tree, then every tree of the input as a
    // gene tree.
    speciesTreeText << inputCopy;
  } else {
    fatalError("Unknown initial species tree generator " + std::to_string(settings.generator));
  }

  std::istringstream builtStream(speciesTreeText.str());
  Input builtInput(builtStream);
  progress("Using SPR local search heuristic to infer final species tree");

  std::ostringstream finalText, geneTreeText;
  long long elapsed;
  {
    auto search = std::make_unique<localsearch::SimpleHeuristicRandom>();
    search->readTrees(settings.generator == 0 ? mainInput : builtInput);
    const std::time_t start = std::time(nullptr);
    search->run(finalText, NO_REROOT);
    elapsed = static_cast<long long>(std::time(nullptr) - start);
    for (auto* tree : search->rootedGeneTrees) tree->writeNewickLine(geneTreeText);
    for (auto* tree : search->unrootedGeneTrees) {
      geneTreeText << "[&U]";
      tree->writeNewickLine(geneTreeText);
    }
  }
  progress("Time taken for search heuristic: " + timeText(elapsed));

  std::ostream& out = *settings.output;
  if (settings.format == NEXUS) out << "#nexus" << std::endl;
  std::istringstream lines(finalText.str());
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    if (++number > 1) out << std::endl;
    std::istringstream reportText(line + geneTreeText.str());
    Input reportInput(reportText);
    genedupreport::Report report;
    report.readTrees(reportInput);
    report.createReportInComment(out, true, number, settings.geneTreesOutput, true, settings.format);
  }

  // A result that did not reach its destination must not end as success.
  out.flush();
  if (!out) {
    if (settings.outputName.empty()) fatalError("standard output could not be written");
    fatalError("Output file " + settings.outputName + " could not be written");
  }
  return 0;
}
