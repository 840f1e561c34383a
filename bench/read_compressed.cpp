// Reading time of a large file of gene trees, plain and gzip-compressed: the
// tree reader alone (TextReader and NewickReader, each tree into a fresh
// gene tree, none kept) over the stream the program reads, and the
// characters alone (the cost of the stream). Three sources: the plain file
// through a bare std::ifstream (the program's reading before compressed
// input), the plain file and the gzip file through DecompressingStream (the
// program's reading now). Both files are read once before, into the page
// cache. The time of each reading is given as wall time and as the
// processor time of this process, which other work on the machine changes
// less.
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
  long long items = 0, parts = 0;  // trees and leaves, or lines and characters
};

// The time of reading, which counts what it reads.
template <class Read>
Reading timed(Read&& read) {
  Reading reading;
  const auto start = std::chrono::steady_clock::now();
  const double processorStart = processorSeconds();
  read(reading.items, reading.parts);
  reading.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  reading.processor = processorSeconds() - processorStart;
  return reading;
}

// Every tree of the stream, each into a fresh gene tree.
Reading readTrees(std::istream& text, const std::string& name) {
  return timed([&](long long& trees, long long& leaves) {
    Console console(std::cout, std::cerr);
    Random random(1);
    NameTable names;
    TextReader in(text, name);
    NewickReader reader(in, names, random, console);
    for (;;) {
      GeneTree tree(true, 1.0);
      if (!reader.read(tree, GeneTreeRooting::rooted)) break;
      ++trees;
      leaves += static_cast<long long>(tree.leaves().size());
    }
  });
}

// The characters alone, as the text reader takes them: the cost of the
// stream under it.
Reading readCharacters(std::istream& text) {
  return timed([&](long long& lines, long long& characters) {
    for (char c; text.get(c);) {
      ++characters;
      lines += c == '\n';
    }
  });
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
  struct Source {
    const char* label;
    std::string path;
    bool wrapped;  // read through DecompressingStream
  };
  const Source sources[] = {{"plain, bare std::ifstream", plain, false},
                            {"plain, DecompressingStream", plain, true},
                            {"gzip, DecompressingStream", gzip, true}};
  const auto readingOf = [](const Source& source, bool trees) {
    std::ifstream file(source.path, std::ios::binary);
    if (!source.wrapped) return trees ? readTrees(file, source.path) : readCharacters(file);
    DecompressingStream text(*file.rdbuf(), source.path);
    return trees ? readTrees(text, source.path) : readCharacters(text);
  };
  const double mib = static_cast<double>(fileSize(plain)) / (1 << 20);
  std::printf("%.0f MiB of trees; gzip -%d: %.0f MiB\n", mib, level, static_cast<double>(fileSize(gzip)) / (1 << 20));
  for (const bool trees : {false, true}) {
    std::printf(
        "\n| %s | wall time (s) | processor time (s) | MiB/s of text | processor time against the bare "
        "reading |\n|---|---|---|---|---|\n",
        trees ? "trees read (TextReader, NewickReader)" : "characters read (std::istream::get)");
    Reading first;
    for (const Source& source : sources) {
      const Reading reading = readingOf(source, trees);
      if (&source == sources) first = reading;
      if (reading.items != first.items || reading.parts != first.parts) {
        std::cerr << source.label << " read " << reading.items << " and " << reading.parts << ", not " << first.items
                  << " and " << first.parts << "\n";
        return 1;
      }
      std::printf("| %s | %s | %s | %s | %s |\n", source.label, bench::fixed(reading.wall, 1).c_str(),
                  bench::fixed(reading.processor, 1).c_str(), bench::fixed(mib / reading.processor, 1).c_str(),
                  bench::fixed(reading.processor / first.processor, 3).c_str());
    }
    std::printf("(%lld %s, %lld %s)\n", first.items, trees ? "trees" : "lines", first.parts,
                trees ? "leaves" : "characters");
  }
  return 0;
}
