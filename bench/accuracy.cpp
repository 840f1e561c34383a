// Accuracy of the species tree found: generates data sets with dlsim, the
// generating species tree written beside each, runs dlspecies on them and
// prints one Markdown table row per (n, m, noise P, loss weight L): the means
// over the seeds of the unrooted and the rooted distance of the tree found
// to the generating one (bench/dlsim/tree_distance.hpp), how often it was
// found exactly, and the mean wall time of a run.
//
//   bench_accuracy BUILD_DIR [--quick] [--species LIST] [--families LIST]
//                  [--noise LIST] [--seeds LIST] [--loss-weights LIST]
//
// A LIST is comma-separated. The defaults make the whole table: n 25,50,100;
// m 200,1000; P 0,0.1,0.2,0.4; seeds 1,2,3; L 1,0.5,0.25,0. --quick: n 25,
// m 200, P 0,0.2, L 1 (lists given after it still apply). BUILD_DIR holds
// dlspecies and dlsim; data and reports go to BUILD_DIR/bench/accuracy.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "dlsim/tree_distance.hpp"

namespace {

using bench::fixed;
using bench::runMeasured;
using bench::RunResult;

// Data: dlsim's default rates (duplication 0.5 and loss 0.2 per gene copy
// over a species tree of height 1, one copy at the root), rooted and
// unweighted gene trees, no swaps: the noise P is the only gene-tree error.
// Runs: two threads, a fixed seed, the species tree alone as output.
const std::vector<std::string> kRunOptions = {"-t", "2", "--seed", "1", "-q", "--oformat", "tree"};

std::vector<std::string> split(const std::string& list) {
  std::vector<std::string> items;
  for (std::size_t from = 0; from <= list.size();) {
    const std::size_t comma = std::min(list.find(',', from), list.size());
    if (comma > from) items.push_back(list.substr(from, comma - from));
    from = comma + 1;
  }
  return items;
}

struct Sums {
  int runs = 0, exact = 0, failed = 0;
  double unrooted = 0, rooted = 0, seconds = 0;
};

std::string joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ",") + item;
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') {
    std::cerr << "usage: bench_accuracy BUILD_DIR [--quick] [--species LIST] [--families LIST] [--noise LIST] "
                 "[--seeds LIST] [--loss-weights LIST]\n";
    return 1;
  }
  const std::string build = argv[1], data = build + "/bench/accuracy";
  std::map<std::string, std::vector<std::string>> lists = {{"--species", {"25", "50", "100"}},
                                                           {"--families", {"200", "1000"}},
                                                           {"--noise", {"0", "0.1", "0.2", "0.4"}},
                                                           {"--seeds", {"1", "2", "3"}},
                                                           {"--loss-weights", {"1", "0.5", "0.25", "0"}}};
  for (int i = 2; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--quick") {
      lists["--species"] = {"25"}, lists["--families"] = {"200"}, lists["--noise"] = {"0", "0.2"};
      lists["--loss-weights"] = {"1"};
    } else if (lists.count(option) != 0 && i + 1 < argc && !split(argv[i + 1]).empty()) {
      lists[option] = split(argv[++i]);
    } else {
      std::cerr << "bench_accuracy: unknown option or missing list: " << option << "\n";
      return 1;
    }
  }
  const std::vector<std::string>& weights = lists["--loss-weights"];
  const std::vector<std::string>& seeds = lists["--seeds"];
  mkdir((build + "/bench").c_str(), 0755);
  mkdir(data.c_str(), 0755);

  const std::time_t now = std::time(nullptr);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%d", std::gmtime(&now));
  std::cout << date << ", " << sysconf(_SC_NPROCESSORS_ONLN) << " cores. Data: dlsim -n N -m M --seed S "
            << "--spr-noise P (default rates); runs: dlspecies";
  for (const std::string& option : kRunOptions) std::cout << ' ' << option;
  std::cout << " [--loss-weight L]; means over seeds " << joined(seeds) << "\n\n"
            << "| n | m | P | L | unrooted RF | rooted clade distance | true tree found | time (s) |\n"
            << "|---|---|---|---|---|---|---|---|\n"
            << std::flush;

  int failures = 0;
  try {
    for (const std::string& n : lists["--species"])
      for (const std::string& m : lists["--families"])
        for (const std::string& noise : lists["--noise"]) {
          std::vector<Sums> sums(weights.size());
          for (const std::string& seed : seeds) {
            const std::string tag = data + "/" + n + "_" + m + "_" + noise + "_" + seed;
            const std::string genes = tag + "_genes.nwk", truth = tag + "_true.nwk";
            if (runMeasured({build + "/dlsim", "-n", n, "-m", m, "--seed", seed, "--spr-noise", noise, "-o", genes,
                             "--species-tree-out", truth},
                            tag + "_dlsim.log")
                    .status != 0)
              throw dlsim::TreeTextError("dlsim failed: see " + tag + "_dlsim.log");
            const dlsim::WrittenTree trueTree = dlsim::readNewick(dlsim::treeText(truth));
            for (std::size_t k = 0; k < weights.size(); ++k) {
              const std::string found = tag + "_L" + weights[k] + "_found.nwk", log = tag + "_L" + weights[k] + ".log";
              std::vector<std::string> run = {build + "/dlspecies", "-i", genes, "-o", found};
              run.insert(run.end(), kRunOptions.begin(), kRunOptions.end());
              if (std::strtod(weights[k].c_str(), nullptr) != 1.0) run.insert(run.end(), {"--loss-weight", weights[k]});
              const RunResult result = runMeasured(run, log);
              const int status = result.status;
              const double seconds = result.wallSeconds;
              Sums& sum = sums[k];
              dlsim::TreeDistance distance;
              try {
                if (status != 0) throw dlsim::TreeTextError("exit " + std::to_string(status));
                // A species in no gene tree is left out of the tree found: its leaves differ.
                distance = dlsim::treeDistance(trueTree, dlsim::readNewick(dlsim::treeText(found)));
              } catch (const dlsim::TreeTextError& error) {
                std::cerr << "run failed (" << error.what() << "): see " << log << "\n";
                ++sum.failed, ++failures;
                continue;
              }
              ++sum.runs;
              sum.exact += distance.rootedDiffer == 0 ? 1 : 0;
              sum.unrooted += distance.unrooted(), sum.rooted += distance.rooted(), sum.seconds += seconds;
            }
          }
          for (std::size_t k = 0; k < weights.size(); ++k) {
            const Sums& sum = sums[k];
            const double runs = sum.runs > 0 ? sum.runs : 1;
            std::cout << "| " << n << " | " << m << " | " << noise << " | " << weights[k] << " | ";
            if (sum.runs == 0)
              std::cout << "- | - | - | - |";
            else
              std::cout << fixed(sum.unrooted / runs, 3) << " | " << fixed(sum.rooted / runs, 3) << " | " << sum.exact
                        << " of " << sum.runs << " | " << fixed(sum.seconds / runs, 2) << " |";
            std::cout << (sum.failed > 0 ? " " + std::to_string(sum.failed) + " failed" : "") << "\n" << std::flush;
          }
        }
  } catch (const std::exception& error) {
    std::cerr << "ERROR: " << error.what() << "\n";
    return 1;
  }
  return failures == 0 ? 0 : 1;
}
