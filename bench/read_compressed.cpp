// Reading time of a large file of gene trees, plain and gzip-compressed: the
// tree reader alone (TextReader and NewickReader, each tree into a fresh
// gene tree, none kept) over the stream the program reads. Three readings:
// the plain file through a bare std::ifstream (the program's reading before
// compressed input), the plain file and the gzip file through
// DecompressingStream (the program's reading now). Both files are read
// once before, into the page cache. The time of each reading is given as
// wall time and as the processor time of this process, which other work on
// the machine changes less.
//
//   bench_read_compressed BUILD_DIR [MEGABYTES] [--level L]
//
// dlsim (BUILD_DIR/dlsim, 200 species, seeds 1, 2, ...) writes at least
// MEGABYTES MiB (default 1024) of trees to BUILD_DIR/bench/data, and gzip -L
// (default 6) compresses them beside it; both are kept for the next run.

#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "bench_support.hpp"
#include "common/console.hpp"
#include "common/decompressing_stream.hpp"
#include "common/random.hpp"
#include "tree/gene_tree.hpp"
#include "tree/newick_reader.hpp"
#include "tree/text_reader.hpp"

using namespace dls;

namespace {

long long fileSize(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 ? static_cast<long long>(status.st_size) : -1;
}

void run(const std::vector<std::string>& args, const std::string& log) {
  if (bench::runMeasured(args, log).status != 0) {
    std::cerr << args[0] << " failed, see " << log << "\n";
    std::exit(1);
  }
}

// Trees of dlsim until the file holds bytes.
void makeTrees(const std::string& build, const std::string& path, long long bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (int seed = 1; fileSize(path) < bytes; ++seed) {
    const std::string part = path + ".part";
    run({build + "/dlsim", "-n", "200", "-m", "20000", "--seed", std::to_string(seed), "-o", part}, part + ".log");
    out << std::ifstream(part, std::ios::binary).rdbuf() << std::flush;
    std::remove(part.c_str());
    std::remove((part + ".log").c_str());
  }
}

// The user and system time of this process so far, in seconds.
double processorSeconds() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + 1e-6 * t.tv_usec; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Reading {
  double wall = 0, processor = 0;
  long long trees = 0, leaves = 0;
};

// Reads every tree of the stream.
Reading readTrees(std::istream& text, const std::string& name) {
  Console console(std::cout, std::cerr);
  Random random(1);
  NameTable names;
  const auto start = std::chrono::steady_clock::now();
  const double processorStart = processorSeconds();
  TextReader in(text, name);
  NewickReader reader(in, names, random, console);
  long long trees = 0, leaves = 0;
  for (;;) {
    GeneTree tree(true, 1.0);
    if (!reader.read(tree)) break;
    ++trees;
    leaves += static_cast<long long>(tree.leaves().size());
  }
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          processorSeconds() - processorStart, trees, leaves};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') {
    std::cerr << "usage: bench_read_compressed BUILD_DIR [MEGABYTES] [--level L]\n";
    return 2;
  }
  const std::string build = argv[1];
  long long megabytes = 1024;
  int level = 6;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--level" && i + 1 < argc)
      level = std::atoi(argv[++i]);
    else
      megabytes = std::atoll(argv[i]);
  }
  if (megabytes <= 0 || level < 1 || level > 9) {
    std::cerr << "MEGABYTES must be > 0 and L from 1 to 9\n";
    return 2;
  }
  const std::string data = build + "/bench/data", plain = data + "/read_" + std::to_string(megabytes) + "MB.nwk",
                    gzip = plain + "." + std::to_string(level) + ".gz";
  std::filesystem::create_directories(data);
  if (fileSize(plain) < megabytes << 20) {
    std::cout << "writing " << plain << std::endl;
    makeTrees(build, plain, megabytes << 20);
  }
  if (fileSize(gzip) <= 0) {
    std::cout << "compressing it with gzip -" << level << std::endl;
    run({"/bin/sh", "-c", "gzip -" + std::to_string(level) + " -c '" + plain + "' > '" + gzip + "'"}, gzip + ".log");
  }

  for (const std::string& path : {plain, gzip}) std::ofstream("/dev/null") << std::ifstream(path).rdbuf();
  std::ifstream bareFile(plain, std::ios::binary);
  const Reading bare = readTrees(bareFile, plain);
  std::ifstream plainFile(plain, std::ios::binary);
  DecompressingStream plainText(*plainFile.rdbuf(), plain);
  const Reading wrapped = readTrees(plainText, plain);
  std::ifstream gzipFile(gzip, std::ios::binary);
  DecompressingStream gzipText(*gzipFile.rdbuf(), gzip);
  const Reading compressed = readTrees(gzipText, gzip);
  if (bare.trees != compressed.trees || bare.leaves != compressed.leaves || bare.trees != wrapped.trees) {
    std::cerr << "the readings differ: " << bare.trees << ", " << wrapped.trees << " and " << compressed.trees
              << " trees\n";
    return 1;
  }
  const double mib = static_cast<double>(fileSize(plain)) / (1 << 20);
  std::printf("%.0f MiB of trees (%lld trees, %lld leaves); gzip -%d: %.0f MiB\n", mib, bare.trees, bare.leaves, level,
              static_cast<double>(fileSize(gzip)) / (1 << 20));
  std::printf(
      "| reading | wall time (s) | processor time (s) | MiB/s of text | processor time against the bare reading |\n"
      "|---|---|---|---|---|\n");
  for (const auto& [label, reading] : {std::pair<const char*, const Reading&>{"plain, bare std::ifstream", bare},
                                       {"plain, DecompressingStream", wrapped},
                                       {"gzip, DecompressingStream", compressed}})
    std::printf("| %s | %s | %s | %s | %s |\n", label, bench::fixed(reading.wall, 1).c_str(),
                bench::fixed(reading.processor, 1).c_str(), bench::fixed(mib / reading.processor, 1).c_str(),
                bench::fixed(reading.processor / bare.processor, 3).c_str());
  return 0;
}
