// dlsim writes the generating species tree to a file of its own, beside the
// gene trees, and refuses to write it over another output.

#include "e2e/e2e_support.hpp"

namespace {

TEST(DlsimFiles, SpeciesTreeToItsOwnFile) {
  TempDir dir;
  const std::vector<std::string> data = {kDlsim, "-n", "9", "-m", "8", "--seed", "2", "--spr-noise", "0.2"};
  const ProcessResult apart = runProgram(concat(data, {"-o", "g.nwk", "--species-tree-out", "s.nwk"}), "", dir.path());
  const ProcessResult first = runProgram(concat(data, {"--species-tree"}), "", dir.path());
  EXPECT_EQ(std::to_string(apart.status) + dir.read("s.nwk") + dir.read("g.nwk"), "0" + first.out);
  const ProcessResult same =
      runProgram(concat(data, {"--map", "s.nwk", "--species-tree-out", "s.nwk"}), "", dir.path());
  EXPECT_EQ(same.err, "ERROR: --species-tree-out names the same file as --output or --map\nTry dlsim --help\n");
}

}  // namespace
