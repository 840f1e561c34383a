#pragma once
// Shared pieces of the end-to-end tests: where the binary is, how to run it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/child_process.hpp"
#include "support/temp_dir.hpp"

inline const std::string kBinary = DLSPECIES_BIN;
inline const std::string kSourceDir = DLSPECIES_SOURCE_DIR;

// Runs the binary with the arguments in the directory.
inline ProcessResult runDlspecies(const std::vector<std::string>& args, const std::string& cwd,
                                  const std::string& stdinText = "") {
  std::vector<std::string> all{kBinary};
  all.insert(all.end(), args.begin(), args.end());
  return runProgram(all, stdinText, cwd);
}

// Whether the text matches the pattern, in which '#' stands for one or more
// digits and '*' for one or more characters other than a line end.
inline bool matchesPattern(const char* pattern, const char* text) {
  for (; *pattern != '#' && *pattern != '*'; ++pattern, ++text) {
    if (*pattern != *text) return false;
    if (*pattern == '\0') return true;
  }
  const bool digits = *pattern == '#';
  for (const char* end = text; *end != '\0' && *end != '\n' && (!digits || (*end >= '0' && *end <= '9'));)
    if (matchesPattern(pattern + 1, ++end)) return true;
  return false;
}
inline bool matchesPattern(const std::string& pattern, const std::string& text) {
  return matchesPattern(pattern.c_str(), text.c_str());
}

// The text after the first occurrence of label, up to the next "]" or line end.
inline std::string valueAfter(const std::string& text, const std::string& label) {
  const std::size_t start = text.find(label);
  if (start == std::string::npos) return "<no " + label + ">";
  const std::size_t from = start + label.size();
  return text.substr(from, text.find_first_of("]\n", from) - from);
}

// Standard output of a quiet local search run: the Newick report of one
// species tree without gene trees, and nothing else.
inline ::testing::AssertionResult isReport(const std::string& text) {
  if (matchesPattern("[Species tree]\n[Size: # nodes # leaves]\n[Weighted reconciliation cost: *]\n"
                     "[Total number of gene duplications + losses: # + # = #]\n(*);\n",
                     text))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "not a report: " << ::testing::PrintToString(text);
}

// The time that a run took for its search. The clock is read in whole
// seconds, so a short search that spans the tick of a second takes 1s.
inline std::string searchTime(const std::string& out) { return valueAfter(out, "\nTime taken for search heuristic: "); }

// What a local search run writes after its summary line: the search
// progress, its result lines and a report that gives the final cost again.
// The search is a short one.
inline ::testing::AssertionResult isSearchAndReport(const std::string& text) {
  const std::string start = "Computing...\n";
  const std::size_t progressEnd = text.find('\n', start.size());
  const std::size_t report = text.find("[Species tree]\n");
  bool ok = text.compare(0, start.size(), start) == 0 && report != std::string::npos && progressEnd < report &&
            text[start.size()] == '\r';
  // One or more scores on the progress line, each starting with "\r".
  for (std::size_t at = start.size(); ok && at < progressEnd;) {
    const std::size_t next = std::min(text.find('\r', at + 1), progressEnd);
    ok = matchesPattern("\rCurrent best score: * + * = *         ", text.substr(at, next - at));
    at = next;
  }
  ok =
      ok &&
      matchesPattern(
          "\nNumber of rSPR tree edit operations: #\nFinal weighted reconciliation cost: *\n"
          "Time taken for search heuristic: #s\n",
          text.substr(progressEnd, report - progressEnd)) &&
      (searchTime(text) == "0s" || searchTime(text) == "1s") && isReport(text.substr(report)) &&
      valueAfter(text, "\nFinal weighted reconciliation cost: ") == valueAfter(text, "[Weighted reconciliation cost: ");
  if (ok) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "not a search and its report: " << ::testing::PrintToString(text);
}

// What the leaf-adding builder writes while it builds a species tree of the
// given number of species, after its summary and constraint lines, and the
// line with which the local search then starts.
inline std::string leafAddProgress(int species) {
  const std::string n = std::to_string(species);
  std::string text = "Leaf set size: " + n + "\nBuilding Starting triplet ... ";
  for (int size = std::min(species, 3); size <= species; ++size)
    text += "\rCurrent species tree leaf set size: " + std::to_string(size) + "        ";
  if (species > 3) text += "\nInitial species tree with " + n + " leaves computed. Starting local search...\n\n";
  return text + "Using SPR local search heuristic to infer final species tree\n";
}

// A small linear congruential generator, the same on every platform.
struct Lcg {
  std::uint64_t state;
  std::size_t below(std::size_t n) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::size_t>(state >> 33) % n;
  }
};

// Joins the subtrees two at a time, at random, into one tree.
inline std::string joinRandomly(std::vector<std::string> parts, Lcg& rng) {
  while (parts.size() > 1) {
    const std::size_t i = rng.below(parts.size());
    std::string taken = parts[i];
    parts[i] = parts.back();
    parts.pop_back();
    const std::size_t j = rng.below(parts.size());
    parts[j] = "(" + taken + "," + parts[j] + ")";
  }
  return parts.front() + ";\n";
}
