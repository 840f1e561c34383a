#pragma once
// Shared pieces of the end-to-end tests: where the binaries are, how to run them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/child_process.hpp"
#include "support/temp_dir.hpp"

inline const std::string kBinary = DLSPECIES_BIN;
inline const std::string kDlsim = DLSIM_BIN;
inline const std::string kSourceDir = DLSPECIES_SOURCE_DIR;
inline const std::string kTry = "Try " + kBinary + " --help for a list of arguments\n";
inline const std::string kUsage = "Usage: " + kBinary + " [ARGUMENT]\n";
inline const std::string kUserTreeLines =
    "Using user-provided initial species tree\nUsing SPR local search heuristic to infer final species tree\n";
inline const std::string kLeafAddLine = "Using fast randomized leaf adding heuristic to build initial species tree\n";
inline const std::string kFirstInterrupt = "\nUser interrupt... stop after next cycle\n";
inline const std::string kSecondInterrupt = "\nUser interrupt... stop immediately, bye!\n";

// The warning after reading gene trees with multifurcations resolved at random.
inline std::string resolvedAtRandom(int count) {
  return "WARNING: gene-tree multifurcations resolved at random: " + std::to_string(count) +
         " (--polytomies refine scores each at its cheapest resolution instead)\n";
}

inline std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline ProcessResult runDlspecies(const std::vector<std::string>& args, const std::string& cwd,
                                  const std::string& stdinText = "") {
  return runProgram(concat({kBinary}, args), stdinText, cwd);
}

// Forty dlsim species in a caterpillar tree, and dlsim's gene trees on
// them: a search from that tree makes many moves.
inline std::string caterpillarSearchInput() {
  std::string species = "S001";
  for (int i = 2; i <= 40; ++i) species = "(" + species + ",S0" + (i < 10 ? "0" : "") + std::to_string(i) + ")";
  return species + ";\n" + runProgram({kDlsim, "-n", "40", "-m", "300", "--swaps", "3"}).out;
}

inline std::string source(const std::string& path) { return readFile(kSourceDir + "/" + path); }

inline std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// The text without the given lines, each taken out at its first place
// after the one before; found tells whether all were there. Progress and
// warnings share standard error: a run's warnings taken out of it leave
// its progress.
inline std::string withoutLines(std::string text, const std::string& lines, bool& found) {
  found = true;
  for (std::size_t from = 0, end = 0, at = 0; from < lines.size(); from = end + 1) {
    end = lines.find('\n', from);
    at = text.find(lines.substr(from, end - from + 1), at);
    if (at == std::string::npos) return found = false, text;
    text.erase(at, end - from + 1);
  }
  return text;
}

// Where the results begin in the text of a run's two streams written one
// after the other: the report, the version or the help.
inline std::size_t resultsStart(const std::string& text) {
  for (const char* start : {"[Species tree]", "#nexus", "2.0\n", "Usage: "}) {
    const std::size_t at = text.find(start);
    if (at != std::string::npos) return at;
  }
  return text.size();
}

// Progress with the times, read from a clock, replaced by "#s": after
// "search heuristic: " and "elapsed ", to the line end.
inline std::string withoutTime(std::string err) {
  for (const std::string mark : {"search heuristic: ", "elapsed "})
    for (std::size_t at = err.find(mark); at != std::string::npos; at = err.find(mark, at + 1))
      err.replace(at + mark.size(), err.find('\n', at) - at - mark.size(), "#s");
  return err;
}
