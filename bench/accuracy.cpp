// Accuracy of the species tree found against the generating one, in two
// parts; each prints Markdown table rows of means over the seeds.
//
// 1. Estimated gene trees. For each n, m and seed, dlsim writes a data set
//    with gene labels and its map, the generating species tree and the true
//    gene trees; for each alignment length L, dlsim writes the same
//    families' alignments (--sites L --subst-scale H) and FastTree
//    (-nt -gtr -quiet) estimates each family's tree, unrooted, with SH-like
//    supports (a family of three genes or fewer has a single unrooted tree,
//    written without FastTree). The estimated trees are kept in
//    BUILD_DIR/bench/accuracy/sequences, and a later run reuses them (remove
//    the folder after changing dlsim). dlspecies then runs on them with
//    --unrooted and the map, once per option set, and once with its defaults
//    on the true gene trees (rooted, without lengths) for reference. A row
//    per (n, m, L, option set): the gene-tree estimation error (GTEE, the
//    mean normalised RF distance between true and estimated gene trees of
//    four genes or more), FastTree's time per data set (the sum of its runs,
//    one core's work), the unrooted and rooted distances of the tree found
//    to the generating one, how often it was found, dlspecies' time.
// 2. Random leaf moves: dlsim --spr-noise P, dlspecies with loss weights L;
//    a row per (n, m, P, L) with the same distances and time.
//
//   bench_accuracy BUILD_DIR [--quick] [--part sequences|moves|both]
//                  [--species LIST] [--families LIST] [--seeds LIST]
//                  [--sites LIST] [--subst-scale H] [--option-sets SETS]
//                  [--jobs J] [--noise LIST] [--loss-weights LIST]
//
// A LIST is comma-separated. SETS is a ";"-separated list of dlspecies
// option sets, "default" for none, e.g. "default;--loss-weight 0.5"
// (--options-sets is read alike).
// Defaults (the whole table): both parts; n 25,50,100; m 200,1000; seeds
// 1,2,3; L 400,100,40 (GTEE near 0.15, 0.3 and 0.5); H 1; SETS default;
// J 2 FastTree runs at a time; P 0,0.1,0.2,0.4; loss weights 1,0.5,0.25,0.
// --quick: n 25, m 200, L 100, P 0,0.2, loss weight 1 (lists given after it
// still apply). BUILD_DIR holds dlspecies and dlsim; data and reports go to
// BUILD_DIR/bench/accuracy.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "dlsim/tree_distance.hpp"

namespace {

using bench::fixed;
using bench::runMeasured;
using bench::RunResult;
using dlsim::TreeTextError;

// Runs: two threads, a fixed seed, the species tree alone as output.
const std::vector<std::string> kRunOptions = {"-t", "2", "--seed", "1", "-q", "--oformat", "tree"};

std::vector<std::string> split(const std::string& list, char separator = ',') {
  std::vector<std::string> items;
  for (std::size_t from = 0; from <= list.size();) {
    const std::size_t end = std::min(list.find(separator, from), list.size());
    if (end > from) items.push_back(list.substr(from, end - from));
    from = end + 1;
  }
  return items;
}

std::vector<std::string> concat(std::vector<std::string> first, const std::vector<std::string>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

std::string joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ",") + item;
  return text;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  if (!in) throw TreeTextError("cannot read " + path);
  return text.str();
}

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// An option set as written ("default": none), and its arguments.
struct OptionSet {
  std::string name;
  std::vector<std::string> args;
};

std::vector<OptionSet> optionSets(const std::string& text) {
  std::vector<OptionSet> sets;
  for (const std::string& item : split(text, ';')) {
    OptionSet set;
    std::istringstream words(item);
    for (std::string word; words >> word;) set.args.push_back(word);
    for (const std::string& word : set.args) set.name += (set.name.empty() ? "" : " ") + word;
    if (set.args.size() == 1 && set.args[0] == "default") set.args.clear();
    if (set.name.empty()) set.name = "default";
    sets.push_back(set);
  }
  return sets;
}

// Means over the seeds of one row.
struct Sums {
  int runs = 0, exact = 0, failed = 0;
  double unrooted = 0, rooted = 0, seconds = 0;
  double geneTreeError = 0, estimateSeconds = 0;  // estimated gene trees only
};

// Runs dlspecies and adds the distance of its tree to the generating one.
void searchAndCompare(std::vector<std::string> run, const std::string& found, const std::string& log,
                      const dlsim::WrittenTree& trueTree, Sums& sum, int& failures) {
  run.insert(run.end(), {"-o", found});
  run.insert(run.end(), kRunOptions.begin(), kRunOptions.end());
  const RunResult result = runMeasured(run, log);
  dlsim::TreeDistance distance;
  try {
    if (result.status != 0) throw TreeTextError("exit " + std::to_string(result.status));
    // A species in no gene tree is left out of the tree found: its leaves differ.
    distance = dlsim::treeDistance(trueTree, dlsim::readNewick(dlsim::treeText(found)));
  } catch (const TreeTextError& error) {
    std::cerr << "run failed (" << error.what() << "): see " << log << "\n";
    ++sum.failed, ++failures;
    return;
  }
  ++sum.runs;
  sum.exact += distance.rootedDiffer == 0 ? 1 : 0;
  sum.unrooted += distance.unrooted(), sum.rooted += distance.rooted(), sum.seconds += result.wallSeconds;
}

// The distance columns of a row, and its failures.
std::string distanceCells(const Sums& sum) {
  const double runs = sum.runs > 0 ? sum.runs : 1;
  std::string cells = sum.runs == 0 ? "- | - | - | - |"
                                    : fixed(sum.unrooted / runs, 3) + " | " + fixed(sum.rooted / runs, 3) + " | " +
                                          std::to_string(sum.exact) + " of " + std::to_string(sum.runs) + " | " +
                                          fixed(sum.seconds / runs, 2) + " |";
  return cells + (sum.failed > 0 ? " " + std::to_string(sum.failed) + " failed" : "");
}

void runDlsim(const std::string& build, std::vector<std::string> args, const std::string& log) {
  args.insert(args.begin(), build + "/dlsim");
  if (runMeasured(args, log).status != 0) throw TreeTextError("dlsim failed: see " + log);
}

// FastTree as installed by Debian's fasttree package, or on the PATH.
std::string findFastTree() {
  std::vector<std::string> places = {"/usr/bin/FastTree", "/usr/bin/fasttree"};
  const char* path = std::getenv("PATH");
  for (const std::string& dir : split(path != nullptr ? path : "", ':'))
    places.insert(places.end(), {dir + "/FastTree", dir + "/fasttree"});
  for (const std::string& place : places)
    if (access(place.c_str(), X_OK) == 0) return place;
  throw TreeTextError("FastTree not found (Debian: fasttree; make bench-accuracy installs it)");
}

struct Estimate {
  std::string trees;   // file of the estimated gene trees, in the order of the data set's
  double seconds = 0;  // FastTree's runs, summed
};

// The gene trees estimated from alignments of the given length, from the
// cache when there. The trees file is written whole, after every family; until
// then each family's tree is kept beside its alignment, with FastTree's time
// written once the tree is complete, so that a run cut short resumes there.
Estimate estimateGeneTrees(const std::string& build, const std::string& fastTree, const std::vector<std::string>& data,
                           const std::string& tag, int families, int jobs) {
  Estimate estimate{tag + "_fasttree.nwk", 0.0};
  const std::string secondsFile = tag + "_fasttree.seconds";
  if (exists(estimate.trees) && exists(secondsFile)) {
    std::istringstream(readFile(secondsFile)) >> estimate.seconds;
    return estimate;
  }
  const std::string alignments = tag + "_alignments";
  runDlsim(build, concat(data, {"--alignments", alignments, "-o", tag + "_genes.tmp"}), tag + "_dlsim.log");
  std::vector<std::vector<std::string>> runs;
  std::vector<std::string> logs, estimated, outputs(static_cast<std::size_t>(families));
  const std::size_t width = std::to_string(families).size();
  for (int k = 1; k <= families; ++k) {
    const std::string number = std::to_string(k);
    const std::string fasta = alignments + "/family" + std::string(width - number.size(), '0') + number + ".fasta";
    if (!exists(fasta)) {  // fewer families were written than simulated
      outputs.resize(static_cast<std::size_t>(k - 1));
      break;
    }
    std::string& tree = outputs[static_cast<std::size_t>(k - 1)];
    std::vector<std::string> names;
    std::istringstream lines(readFile(fasta));
    for (std::string line; std::getline(lines, line);)
      if (!line.empty() && line[0] == '>') names.push_back(line.substr(1));
    if (names.size() <= 3) {  // one unrooted tree only
      tree = "(" + joined(names) + ");";
      continue;
    }
    tree = fasta + ".tree";
    if (exists(tree + ".seconds")) {  // estimated by an earlier run
      double seconds = 0;
      std::istringstream(readFile(tree + ".seconds")) >> seconds;
      estimate.seconds += seconds;
      continue;
    }
    runs.push_back({fastTree, "-nt", "-gtr", "-quiet", "-out", tree, fasta});
    logs.push_back(fasta + ".log");
    estimated.push_back(tree);
  }
  const auto keepTime = [&](std::size_t i, const RunResult& result) {
    if (result.status == 0) std::ofstream(estimated[i] + ".seconds") << fixed(result.wallSeconds, 3) << '\n';
  };
  const std::vector<RunResult> results = bench::runMeasuredAll(runs, logs, jobs, keepTime);
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (results[i].status != 0) throw TreeTextError("FastTree failed: see " + logs[i]);
    estimate.seconds += results[i].wallSeconds;
  }
  std::ofstream trees(estimate.trees + ".tmp");
  for (const std::string& tree : outputs) {
    std::string text = tree[0] == '(' ? tree : readFile(tree);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    trees << text << '\n';
  }
  trees.close();
  std::ofstream(secondsFile) << fixed(estimate.seconds, 2) << '\n';
  if (!trees || std::rename((estimate.trees + ".tmp").c_str(), estimate.trees.c_str()) != 0)
    throw TreeTextError("cannot write " + estimate.trees);
  std::filesystem::remove_all(alignments);  // the trees are what is kept
  std::filesystem::remove(tag + "_genes.tmp");
  return estimate;
}

using Lists = std::map<std::string, std::vector<std::string>>;

int estimatedTreesPart(const std::string& build, const std::string& data, Lists& lists, const std::string& scale,
                       const std::vector<OptionSet>& sets, int jobs) {
  const std::string fastTree = findFastTree();
  const std::vector<std::string>& seeds = lists["--seeds"];
  std::cout << "Data: dlsim -n N -m M --seed S --map MAP --true-gene-trees TRUE (default rates), alignments of L sites "
               "(--sites L --subst-scale "
            << scale << "); gene trees: FastTree -nt -gtr -quiet, " << jobs
            << " at a time (time: their sum per data set); runs: dlspecies --unrooted -a MAP";
  for (const std::string& option : kRunOptions) std::cout << ' ' << option;
  std::cout << " [option set]; reference: the same on the true gene trees, rooted; means over seeds " << joined(seeds)
            << "\n\n"
            << "| n | m | sites | GTEE | FastTree (s) | dlspecies options | unrooted RF | rooted clade distance | "
               "true tree found | dlspecies (s) |\n"
            << "|---|---|---|---|---|---|---|---|---|---|\n"
            << std::flush;
  int failures = 0;
  for (const std::string& n : lists["--species"])
    for (const std::string& m : lists["--families"]) {
      Sums reference;
      std::map<std::string, std::vector<Sums>> bySites;
      for (const std::string& sites : lists["--sites"]) bySites[sites].resize(sets.size());
      for (const std::string& seed : seeds) {
        const std::string tag = data + "/" + n + "_" + m + "_" + seed;
        const std::vector<std::string> simulate = {"-n", n, "-m", m, "--seed", seed, "--map", tag + "_map.txt"};
        runDlsim(build,
                 concat(simulate, {"-o", tag + "_genes.nwk", "--species-tree-out", tag + "_species.nwk",
                                   "--true-gene-trees", tag + "_true.nwk"}),
                 tag + "_dlsim.log");
        const dlsim::WrittenTree trueTree = dlsim::readNewick(dlsim::treeText(tag + "_species.nwk"));
        const std::vector<dlsim::WrittenTree> trueGeneTrees = dlsim::readNewickTrees(readFile(tag + "_true.nwk"));
        searchAndCompare({build + "/dlspecies", "-i", tag + "_genes.nwk", "-a", tag + "_map.txt"},
                         tag + "_true_found.nwk", tag + "_true.log", trueTree, reference, failures);
        for (const std::string& sites : lists["--sites"]) {
          const std::string lengthTag = tag + "_L" + sites + "_H" + scale;
          const Estimate estimate =
              estimateGeneTrees(build, fastTree, concat(simulate, {"--sites", sites, "--subst-scale", scale}),
                                lengthTag, std::atoi(m.c_str()), jobs);
          const double error =
              dlsim::meanUnrootedDistance(trueGeneTrees, dlsim::readNewickTrees(readFile(estimate.trees))).unrooted;
          for (std::size_t k = 0; k < sets.size(); ++k) {
            Sums& sum = bySites[sites][k];
            sum.geneTreeError += error, sum.estimateSeconds += estimate.seconds;
            std::vector<std::string> run = {build + "/dlspecies", "-i",        estimate.trees, "-a",
                                            tag + "_map.txt",     "--unrooted"};
            run.insert(run.end(), sets[k].args.begin(), sets[k].args.end());
            const std::string set = lengthTag + "_O" + std::to_string(k + 1);
            searchAndCompare(run, set + "_found.nwk", set + ".log", trueTree, sum, failures);
          }
        }
      }
      const double count = static_cast<double>(seeds.size());
      std::cout << "| " << n << " | " << m << " | true trees | 0 | - | default | " << distanceCells(reference) << "\n";
      for (const std::string& sites : lists["--sites"])
        for (std::size_t k = 0; k < sets.size(); ++k) {
          const Sums& sum = bySites[sites][k];
          std::cout << "| " << n << " | " << m << " | " << sites << " | " << fixed(sum.geneTreeError / count, 3)
                    << " | " << fixed(sum.estimateSeconds / count, 1) << " | " << sets[k].name << " | "
                    << distanceCells(sum) << "\n";
        }
      std::cout << std::flush;
    }
  return failures;
}

int leafMovesPart(const std::string& build, const std::string& data, Lists& lists) {
  const std::vector<std::string>& weights = lists["--loss-weights"];
  const std::vector<std::string>& seeds = lists["--seeds"];
  std::cout << "Data: dlsim -n N -m M --seed S --spr-noise P (default rates); runs: dlspecies";
  for (const std::string& option : kRunOptions) std::cout << ' ' << option;
  std::cout << " [--loss-weight L]; means over seeds " << joined(seeds) << "\n\n"
            << "| n | m | P | L | unrooted RF | rooted clade distance | true tree found | time (s) |\n"
            << "|---|---|---|---|---|---|---|---|\n"
            << std::flush;
  int failures = 0;
  for (const std::string& n : lists["--species"])
    for (const std::string& m : lists["--families"])
      for (const std::string& noise : lists["--noise"]) {
        std::vector<Sums> sums(weights.size());
        for (const std::string& seed : seeds) {
          const std::string tag = data + "/" + n + "_" + m + "_" + noise + "_" + seed;
          const std::string genes = tag + "_genes.nwk", truth = tag + "_true.nwk";
          runDlsim(build,
                   {"-n", n, "-m", m, "--seed", seed, "--spr-noise", noise, "-o", genes, "--species-tree-out", truth},
                   tag + "_dlsim.log");
          const dlsim::WrittenTree trueTree = dlsim::readNewick(dlsim::treeText(truth));
          for (std::size_t k = 0; k < weights.size(); ++k) {
            std::vector<std::string> run = {build + "/dlspecies", "-i", genes};
            if (std::strtod(weights[k].c_str(), nullptr) != 1.0) run.insert(run.end(), {"--loss-weight", weights[k]});
            searchAndCompare(run, tag + "_L" + weights[k] + "_found.nwk", tag + "_L" + weights[k] + ".log", trueTree,
                             sums[k], failures);
          }
        }
        for (std::size_t k = 0; k < weights.size(); ++k)
          std::cout << "| " << n << " | " << m << " | " << noise << " | " << weights[k] << " | "
                    << distanceCells(sums[k]) << "\n"
                    << std::flush;
      }
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  const char* const usage =
      "usage: bench_accuracy BUILD_DIR [--quick] [--part sequences|moves|both] [--species LIST] [--families LIST] "
      "[--seeds LIST] [--sites LIST] [--subst-scale H] [--option-sets SETS] [--jobs J] [--noise LIST] "
      "[--loss-weights LIST]\n";
  if (argc < 2 || argv[1][0] == '-') {
    std::cerr << usage;
    return 1;
  }
  const std::string build = argv[1], data = build + "/bench/accuracy";
  Lists lists = {{"--species", {"25", "50", "100"}},
                 {"--families", {"200", "1000"}},
                 {"--seeds", {"1", "2", "3"}},
                 {"--sites", {"400", "100", "40"}},
                 {"--noise", {"0", "0.1", "0.2", "0.4"}},
                 {"--loss-weights", {"1", "0.5", "0.25", "0"}}};
  std::map<std::string, std::string> values = {
      {"--part", "both"}, {"--subst-scale", "1"}, {"--option-sets", "default"}, {"--jobs", "2"}};
  for (int i = 2; i < argc; ++i) {
    const std::string option = std::string(argv[i]) == "--options-sets" ? "--option-sets" : argv[i];
    if (option == "--quick") {
      lists["--species"] = {"25"}, lists["--families"] = {"200"}, lists["--sites"] = {"100"};
      lists["--noise"] = {"0", "0.2"}, lists["--loss-weights"] = {"1"};
    } else if (lists.count(option) != 0 && i + 1 < argc && !split(argv[i + 1]).empty()) {
      lists[option] = split(argv[++i]);
    } else if (values.count(option) != 0 && i + 1 < argc) {
      values[option] = argv[++i];
    } else {
      std::cerr << "bench_accuracy: unknown option or missing value: " << option << "\n" << usage;
      return 1;
    }
  }
  const std::string part = values["--part"];
  const int jobs = std::atoi(values["--jobs"].c_str());
  const std::vector<OptionSet> sets = optionSets(values["--option-sets"]);
  if ((part != "both" && part != "sequences" && part != "moves") || jobs < 1 || sets.empty() ||
      !(std::strtod(values["--subst-scale"].c_str(), nullptr) > 0.0)) {
    std::cerr << "bench_accuracy: bad --part, --jobs, --option-sets or --subst-scale\n" << usage;
    return 1;
  }
  for (const std::string& dir : {build + "/bench", data, data + "/sequences", data + "/moves"})
    mkdir(dir.c_str(), 0755);

  const std::time_t now = std::time(nullptr);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%d", std::gmtime(&now));
  std::cout << date << ", " << sysconf(_SC_NPROCESSORS_ONLN) << " cores.\n\n";
  int failures = 0;
  try {
    if (part != "moves") {
      std::cout << "Estimated gene trees. ";
      failures += estimatedTreesPart(build, data + "/sequences", lists, values["--subst-scale"], sets, jobs);
      std::cout << "\n";
    }
    if (part != "sequences") {
      std::cout << "Random leaf moves. ";
      failures += leafMovesPart(build, data + "/moves", lists);
    }
  } catch (const std::exception& error) {
    std::cerr << "ERROR: " << error.what() << "\n";
    return 1;
  }
  return failures == 0 ? 0 : 1;
}
