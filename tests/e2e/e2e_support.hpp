#pragma once
// Shared pieces of the end-to-end tests: where the binary is, how to run it.

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
