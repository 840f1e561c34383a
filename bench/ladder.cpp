// The benchmark ladder: generates data sets of growing size with dlsim, runs
// dlspecies on each (default run, and -g 0 from the generating species tree)
// and prints one Markdown table row per data set. The search from the
// generating species tree is also timed in this process, with one thread and
// with two, for its speed-up.
//
//   bench_ladder BUILD_DIR [--large | --mpi MPI_BUILD_DIR]
//
// BUILD_DIR holds dlspecies and dlsim; the data and reports go to
// BUILD_DIR/bench/data. --large adds the two biggest data sets, the
// genome-scale one and two of its kind with 500 and 1,000 species (default
// runs with two threads only). --mpi runs the
// genome-scale case alone, with two threads against two ranks of the
// cluster build of one thread each, and times the messages of a search.

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bench_support.hpp"
#include "common/console.hpp"
#include "common/random.hpp"
#include "common/worker_team.hpp"
#include "search/spr_search.hpp"
#include "tree/text_reader.hpp"
#include "tree/tree_input.hpp"

using namespace dls;

namespace {

using bench::fixed;
using bench::runMeasured;
using bench::RunResult;

struct Case {
  int species;
  int families;
  int unrootedPercent;  // of the families, marked "[&U]"
  // Other data options than kDataOptions, for the genome-scale case, which
  // is run by default with two threads only.
  std::vector<std::string> dataOptions = {};
  // More options of a default run with two threads, run alone (no -g 0
  // run, no search timings).
  std::vector<std::string> runOptions = {};
};

// Options of all generated data: multi-copy families from dlsim's default
// rates, a tenth of them weighted, and some gene-tree error (swapped leaves)
// so that the search has work to do. Species named from left to right in the
// generating tree, as in the rows recorded before dlsim named them at random.
const std::vector<std::string> kDataOptions = {"--weighted", "0.1", "--swaps", "2", "--ordered-names"};
const char* const kSeed = "1";

// The text after a label on the log, up to the line end.
std::string after(const std::string& log, const std::string& label) {
  const std::size_t at = log.rfind(label);
  if (at == std::string::npos) return "";
  const std::size_t from = at + label.size();
  return log.substr(from, log.find('\n', from) - from);
}

// Search time text such as "1m 5s" in seconds.
long seconds(const std::string& text) {
  long total = 0, value = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      value = value * 10 + (c - '0');
    } else if (c == 'd' || c == 'h' || c == 'm' || c == 's') {
      total += value * (c == 'd' ? 86400 : c == 'h' ? 3600 : c == 'm' ? 60 : 1);
      value = 0;
    }
  }
  return total;
}

struct DataSize {
  long trees = 0;
  long leaves = 0;
};

// Trees and leaves of a Newick file of binary or multifurcating trees without
// branch lengths: a tree has one more leaf than commas. Comments are skipped.
DataSize countTrees(const std::string& file, bool skipFirst) {
  std::ifstream in(file);
  DataSize size;
  std::string line;
  bool first = true;
  while (std::getline(in, line)) {
    if (first && skipFirst) {
      first = false;
      continue;
    }
    int depth = 0;
    for (char c : line) {
      if (c == '[') ++depth;
      if (c == ']') --depth;
      if (depth > 0) continue;
      if (c == ',') ++size.leaves;
      if (c == ';') ++size.trees, ++size.leaves;
    }
  }
  return size;
}

// The SPR search from the species tree given first in the file, in this
// process, with that many threads: its seconds and its cost.
std::pair<double, double> timeSearch(const std::string& file, unsigned threads) {
  std::ifstream in(file);
  TextReader text(in, file);
  TreeInputRules rules;
  rules.speciesTreeFirst = true;
  Random random(1);
  std::ostringstream sink;
  Console quiet(sink, sink);
  quiet.setQuiet(true);
  TreeInput trees;
  readTreeInput(text, rules, random, quiet, trees);
  WorkerTeam team(threads);
  const std::atomic<bool> stop{false};
  const std::vector<ScoredGeneTree> genes = scoringOrder(trees.geneTrees);
  const ScoringInput input{genes, trees.names, CostModel{}};
  SprSearch search(*trees.speciesTree, input, random, StageContext{team, soleProcess(), quiet}, stop);
  const auto start = std::chrono::steady_clock::now();
  const double cost = search.run().cost;
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), cost};
}

// timeSearch in a child process, so that this one stays small: a child
// forked from it starts with its pages, which would count in its peak memory.
std::pair<double, double> timeSearchApart(const std::string& file, unsigned threads) {
  int channel[2];
  if (pipe(channel) != 0) {
    std::perror("pipe");
    std::exit(1);
  }
  const pid_t child = fork();
  if (child == 0) {
    const std::pair<double, double> result = timeSearch(file, threads);
    const double values[2] = {result.first, result.second};
    _exit(write(channel[1], values, sizeof values) == sizeof values ? 0 : 1);
  }
  close(channel[1]);
  double values[2] = {-1, -1};
  if (child < 0 || read(channel[0], values, sizeof values) != sizeof values) std::cerr << "timing failed\n";
  close(channel[0]);
  if (child > 0) waitpid(child, nullptr, 0);
  return {values[0], values[1]};
}

std::string cpuModel() {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
  return "unknown CPU";
}

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b,
                                const std::vector<std::string>& c = {}) {
  a.insert(a.end(), b.begin(), b.end());
  a.insert(a.end(), c.begin(), c.end());
  return a;
}

// The genome-scale data set: 190 species, 33,000 families.
const Case kGenomeScale = {190, 33000, 0, {"--dup", "0.3", "--loss", "2", "--swaps", "2", "--ordered-names"}};
// Of the same kind: 500 species and 5,000 families (455,000 gene leaves),
// and 1,000 species and 2,000 families without gene-tree error.
const Case kManySpecies = {500, 5000, 0, {"--dup", "0.3", "--loss", "2", "--swaps", "2"}};
const Case kThousandSpecies = {1000, 2000, 0, {"--dup", "0.3", "--loss", "2"}};

std::vector<std::string> dlsimCommand(const std::string& dlsim, const Case& c) {
  std::vector<std::string> generate = {
      dlsim, "-n",         std::to_string(c.species),          "-m", std::to_string(c.families), "--seed",
      kSeed, "--unrooted", fixed(c.unrootedPercent / 100.0, 2)};
  const std::vector<std::string>& options = c.dataOptions.empty() ? kDataOptions : c.dataOptions;
  generate.insert(generate.end(), options.begin(), options.end());
  return generate;
}

// mpirun with `ranks` ranks of the program, each under /usr/bin/time,
// which prints its peak memory as "rank peak: K kB".
std::vector<std::string> underMpirun(int ranks, const std::vector<std::string>& args) {
  std::vector<std::string> line = {"/usr/bin/env", "mpirun", "--oversubscribe", "-np", std::to_string(ranks)};
  if (geteuid() == 0) line.push_back("--allow-run-as-root");
  line.insert(line.end(), {"/usr/bin/time", "-f", "rank peak: %M kB"});
  line.insert(line.end(), args.begin(), args.end());
  return line;
}

// Resident memory in kB of every running process of the program, by
// process id, added to `samples`.
void sampleMemory(const std::string& program, std::map<long, std::vector<long>>& samples) {
  DIR* proc = opendir("/proc");
  for (dirent* entry = proc != nullptr ? readdir(proc) : nullptr; entry != nullptr; entry = readdir(proc)) {
    const std::string dir = std::string("/proc/") + entry->d_name;
    std::ifstream cmdline(dir + "/cmdline");
    std::string args;
    std::getline(cmdline, args, '\0');
    if (args != program) continue;
    std::ifstream status(dir + "/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("VmRSS:", 0) == 0) samples[std::atol(entry->d_name)].push_back(std::atol(line.c_str() + 6));
  }
  if (proc != nullptr) closedir(proc);
}

// Per process, the median of its memory samples in MB.
std::string medians(std::map<long, std::vector<long>>& samples) {
  std::string text;
  for (auto& [pid, values] : samples) {
    std::sort(values.begin(), values.end());
    text += (text.empty() ? "" : ", ") + fixed(static_cast<double>(values[values.size() / 2]) / 1024.0, 1);
  }
  return text;
}

// The ranks' peak memory in MB, as the log gives them.
std::string rankPeaks(const std::string& log) {
  std::string peaks;
  for (std::size_t at = log.find("rank peak: "); at != std::string::npos; at = log.find("rank peak: ", at + 1))
    peaks += (peaks.empty() ? "" : ", ") + fixed(std::atof(log.c_str() + at + 11) / 1024.0, 1);
  return peaks;
}

bool sameFile(const std::string& a, const std::string& b) {
  std::ifstream x(a), y(b);
  std::stringstream textX, textY;
  textX << x.rdbuf();
  textY << y.rdbuf();
  return textX.str() == textY.str();
}

// The genome-scale case, one process of two threads against two ranks of
// one thread (their memory: peaks, and the median of samples taken twice a
// second); then the cost of the messages per pruned node: a search from
// the generating tree on so few families of as many species that they make
// one block, with one rank and with two (one of them scores the block, the
// other only passes sums on; the difference includes the second rank's
// start).
int runCluster(const std::string& build, const std::string& mpiBuild, const std::string& data) {
  const std::string genes = data + "/genes_genome.nwk", few = data + "/species_genes_few.nwk";
  Case small = kGenomeScale;
  small.families = 8;
  std::vector<std::string> generate = dlsimCommand(build + "/dlsim", kGenomeScale),
                           generateFew = dlsimCommand(build + "/dlsim", small);
  generate.insert(generate.end(), {"-o", genes});
  generateFew.insert(generateFew.end(), {"--species-tree", "-o", few});
  if (runMeasured(generate, data + "/dlsim.log").status != 0 ||
      runMeasured(generateFew, data + "/dlsim.log").status != 0) {
    std::cerr << "dlsim failed\n";
    return 1;
  }
  const std::string program = mpiBuild + "/dlspecies";
  const std::vector<std::string> run = {"-i", genes, "--seed", kSeed};
  std::map<long, std::vector<long>> processMemory, rankMemory;
  const RunResult threads =
      runMeasured(concat({build + "/dlspecies"}, run, {"-t", "2", "-o", data + "/report_t2.txt"}), data + "/log_t2.txt",
                  [&] { sampleMemory(build + "/dlspecies", processMemory); });
  const RunResult ranks =
      runMeasured(underMpirun(2, concat({program}, run, {"-t", "1", "-o", data + "/report_np2.txt"})),
                  data + "/log_np2.txt", [&] { sampleMemory(program, rankMemory); });
  const std::vector<std::string> search = {program, "-g", "0", "-i", few, "--seed", kSeed, "-t", "1"};
  const RunResult one = runMeasured(underMpirun(1, search), data + "/log_few_np1.txt");
  const RunResult two = runMeasured(underMpirun(2, search), data + "/log_few_np2.txt");
  if (threads.status != 0 || ranks.status != 0 || one.status != 0 || two.status != 0 ||
      !sameFile(data + "/report_t2.txt", data + "/report_np2.txt")) {
    std::cerr << "the runs failed or their reports differ\n";
    return 1;
  }
  long cycles = 0;
  for (std::size_t at = two.log.find("\nCycle "); at != std::string::npos; at = two.log.find("\nCycle ", at + 1))
    ++cycles;
  const double pruned = static_cast<double>(cycles) * (2.0 * kGenomeScale.species - 2.0);
  std::cout << "| case | -t 2 (s) | -np 2 -t 1 (s) | ratio | -t 2 peak, median (MB) | rank peaks (MB) | rank medians "
               "(MB) | search of "
            << small.families
            << " families, 1 rank (s) | 2 ranks (s) | pruned nodes | messages per pruned node (us) |\n"
               "|---|---|---|---|---|---|---|---|---|---|---|\n"
            << "| " << kGenomeScale.species << " species, " << kGenomeScale.families << " families | "
            << fixed(threads.wallSeconds, 1) << " | " << fixed(ranks.wallSeconds, 1) << " | "
            << fixed(ranks.wallSeconds / threads.wallSeconds, 3) << " | "
            << fixed(static_cast<double>(threads.peakKilobytes) / 1024.0, 1) << ", " << medians(processMemory) << " | "
            << rankPeaks(ranks.log) << " | " << medians(rankMemory) << " | " << fixed(one.wallSeconds, 2) << " | "
            << fixed(two.wallSeconds, 2) << " | " << pruned << " | "
            << fixed((two.wallSeconds - one.wallSeconds) / pruned * 1e6, 1) << " |\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || (argc > 2 && std::string(argv[2]) == "--mpi" && argc < 4)) {
    std::cerr << "usage: bench_ladder BUILD_DIR [--large | --mpi MPI_BUILD_DIR]\n";
    return 1;
  }
  const std::string build = argv[1];
  const bool large = argc > 2 && std::string(argv[2]) == "--large";
  const std::string dlspecies = build + "/dlspecies", dlsim = build + "/dlsim", data = build + "/bench/data";
  mkdir((build + "/bench").c_str(), 0755);
  mkdir(data.c_str(), 0755);
  if (argc > 3 && std::string(argv[2]) == "--mpi") return runCluster(build, argv[3], data);

  // Rooted gene trees, then the same sizes with a tenth unrooted, then all
  // unrooted: under all rootings each of those is scored at the cheapest
  // rooting for each regraft position.
  std::vector<Case> cases = {{25, 250, 0}, {50, 500, 0}, {100, 1000, 0}};
  if (large) cases.insert(cases.end(), {{200, 2000, 0}, {500, 2000, 0}});
  cases.insert(cases.end(), {{50, 500, 10}, {100, 1000, 10}});
  // Every family unrooted, against the same data rooted.
  cases.insert(cases.end(), {{50, 1000, 0}, {50, 1000, 100}, {100, 1000, 100}});
  // Bootstrap support: a default run with 20 replicates and two threads.
  cases.push_back({50, 500, 0, {}, {"--bootstrap", "20"}});
  if (large) cases.insert(cases.end(), {kGenomeScale, kManySpecies, kThousandSpecies});

  const std::time_t now = std::time(nullptr);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%d", std::gmtime(&now));
  std::cout << "Machine: " << cpuModel() << ", " << sysconf(_SC_NPROCESSORS_ONLN) << " cores; " << date << "\n";
  std::cout << "Data: dlsim --seed " << kSeed;
  for (const std::string& option : kDataOptions) std::cout << ' ' << option;
  std::cout << "; dlspecies --seed " << kSeed << " -t 1 (rows of a default run alone: -t 2)\n\n";
  std::cout << "| n | m | unrooted | gene leaves | default run (s) | -g 0 run (s) | SPR moves | search (s) | "
               "throughput (pruned nodes x gene nodes / s) | final cost | peak memory (MB) | -g 0 peak (MB) | "
               "-g 0 search, 1 thread (s) | 2 threads (s) | speed-up |\n"
               "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n"
            << std::flush;

  int failures = 0;
  for (const Case& c : cases) {
    const bool genomeScale = !c.dataOptions.empty();
    // A default run alone, with two threads.
    const bool alone = genomeScale || !c.runOptions.empty();
    const std::string tag =
        std::to_string(c.species) + "_" + std::to_string(c.families) + "_u" + std::to_string(c.unrootedPercent);
    const std::string genes = data + "/genes_" + tag + ".nwk", withSpecies = data + "/species_genes_" + tag + ".nwk";
    std::vector<std::string> generate = dlsimCommand(dlsim, c);
    std::vector<std::string> withTree = generate;
    generate.insert(generate.end(), {"-o", genes});
    withTree.insert(withTree.end(), {"--species-tree", "-o", withSpecies});
    if (runMeasured(generate, data + "/dlsim.log").status != 0 ||
        (!alone && runMeasured(withTree, data + "/dlsim.log").status != 0)) {
      std::cerr << "dlsim failed for " << tag << "\n";
      return 1;
    }
    const DataSize size = countTrees(genes, false);

    std::vector<std::string> run = {dlspecies, "-i", genes, "--seed", kSeed, "-t", alone ? "2" : "1"};
    run.insert(run.end(), c.runOptions.begin(), c.runOptions.end());
    const std::string variant = c.runOptions.empty() ? tag : tag + "_more";
    run.insert(run.end(), {"-o", data + "/report_default_" + variant + ".txt"});
    const RunResult byDefault = runMeasured(run, data + "/log_default_" + variant + ".txt");
    RunResult fromSpecies;
    fromSpecies.status = 0;
    if (!alone)
      fromSpecies = runMeasured({dlspecies, "-g", "0", "-i", withSpecies, "--seed", kSeed, "-t", "1", "-o",
                                 data + "/report_g0_" + tag + ".txt"},
                                data + "/log_g0_" + tag + ".txt");
    if (byDefault.status != 0 || fromSpecies.status != 0) {
      std::cerr << "dlspecies failed for " << tag << " (exit " << byDefault.status << ", " << fromSpecies.status
                << ")\n";
      ++failures;
      continue;
    }
    const long moves = std::atol(after(byDefault.log, "Number of rSPR tree edit operations: ").c_str());
    const long searchSeconds = seconds(after(byDefault.log, "Time taken for search heuristic: "));
    // Every cycle prunes each of the 2n - 2 non-root nodes and scores every
    // gene tree; a search makes at least moves + 2 cycles (the last two find
    // no improvement, the second of them under all rootings).
    const double geneNodes = 2.0 * static_cast<double>(size.leaves) - static_cast<double>(size.trees);
    const double work = static_cast<double>(moves + 2) * (2.0 * c.species - 2.0) * geneNodes;
    const std::string throughput =
        searchSeconds > 0 ? fixed(work / static_cast<double>(searchSeconds) / 1e6, 1) + " M" : "-";
    std::string threadColumns = "- | - | -";
    if (!alone) {
      const auto one = timeSearchApart(withSpecies, 1), two = timeSearchApart(withSpecies, 2);
      if (one.second != two.second) {
        std::cerr << "the costs of one and two threads differ for " << tag << "\n";
        ++failures;
      }
      threadColumns = fixed(one.first, 2) + " | " + fixed(two.first, 2) + " | " + fixed(one.first / two.first, 2);
    }
    std::string unrooted = std::to_string(c.unrootedPercent) + " %";
    for (const std::string& option : c.runOptions) unrooted += " " + option;
    std::cout << "| " << c.species << " | " << c.families << " | " << unrooted << " | " << size.leaves << " | "
              << fixed(byDefault.wallSeconds, 2) << " | " << (alone ? "-" : fixed(fromSpecies.wallSeconds, 2)) << " | "
              << moves << " | " << searchSeconds << " | " << throughput << " | "
              << after(byDefault.log, "Final weighted reconciliation cost: ") << " | "
              << fixed(static_cast<double>(byDefault.peakKilobytes) / 1024.0, 1) << " | "
              << (alone ? "-" : fixed(static_cast<double>(fromSpecies.peakKilobytes) / 1024.0, 1)) << " | "
              << threadColumns << " |\n"
              << std::flush;
  }
  return failures == 0 ? 0 : 1;
}
