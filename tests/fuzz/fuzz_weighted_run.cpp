// Fuzz target: whole runs under cost weights, of any size and far apart,
// searched or scored as given (--evaluate). The first byte chooses the
// weights and the mode, the rest is the trees (with their own weight
// marks). A report's weighted cost must be the sum, in input order, of
// weight x (D x duplications + L x losses) over the per-tree counts and
// weights it lists itself; any other outcome than such a report or an
// InputError is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/run.hpp"
#include "common/decimal_text.hpp"
#include "common/errors.hpp"

using namespace dls;

namespace {

const double kWeights[] = {0, 1e-300, 1e-20, 0.1, 0.7, 1, 3, 1e18, 1e300};

// The sum of the report's own per-tree costs, in the order listed.
double recount(const std::string& report, const CostWeights& weights) {
  std::istringstream lines(report.substr(report.find("[Gene trees]")));
  double cost = 0, weight = 1;
  for (std::string line; std::getline(lines, line);) {
    long long duplications = 0, losses = 0, total = 0;
    if (line.rfind("[&WEIGHT=", 0) == 0) weight = std::strtod(line.c_str() + 9, nullptr);
    if (std::sscanf(line.c_str(), "[Gene duplications + Losses: %lld + %lld = %lld]", &duplications, &losses, &total) ==
        3) {
      cost += weights.of(static_cast<double>(duplications), static_cast<double>(losses)) * weight;
      weight = 1;
    }
  }
  return cost;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 2048) return 0;
  const std::uint8_t flags = data[0];
  Options options;
  options.costModel.weights = {kWeights[flags % 9], kWeights[(flags / 9) % 9]};
  if (options.costModel.weights.duplication == 0 && options.costModel.weights.loss == 0) return 0;
  options.startTree = (flags & 0x80) != 0 ? StartTree::given : StartTree::leafAdding;
  options.evaluateOnly = options.startTree == StartTree::given && (flags & 0x40) != 0;
  options.writeGeneTrees = true;
  options.seed = 1;
  std::istringstream trees(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  const InputStreams inputs{trees, nullptr, nullptr};
  std::ostringstream report, progress;
  RunOutputs outputs;
  outputs.report = [&]() -> std::ostream& { return report; };
  Console console(progress, progress);
  try {
    runStages(options, &inputs, &outputs, console);
  } catch (const InputError&) {
    return 0;
  }
  const std::string text = report.str();
  const std::string costLine = "[Weighted reconciliation cost: ";
  const std::size_t at = text.find(costLine) + costLine.size();
  const std::string reported = text.substr(at, text.find(']', at) - at);
  if (reported != formatCost(recount(text, options.costModel.weights))) {
    std::fprintf(stderr, "reported cost %s, its own counts sum to %s\n%s", reported.c_str(),
                 formatCost(recount(text, options.costModel.weights)).c_str(), text.c_str());
    std::abort();
  }
  return 0;
}
