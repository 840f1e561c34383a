// The data generator's command line, and its data read by dlspecies.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"
#include "e2e/report_recount.hpp"

namespace {

const std::string kDlsim = DLSIM_BIN;

ProcessResult runDlsim(const std::vector<std::string>& args, const std::string& cwd) {
  std::vector<std::string> all{kDlsim};
  all.insert(all.end(), args.begin(), args.end());
  return runProgram(all, "", cwd);
}

TEST(DlsimCommandLine, HelpErrorsAndOutputFile) {
  TempDir dir;
  const ProcessResult help = runDlsim({"--help"}, dir.path());
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: dlsim [OPTION]...\n", 0), 0U) << help.out;
  EXPECT_NE(help.out.find("--species-tree"), std::string::npos);

  const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
      {{"--frobnicate"}, "ERROR: unknown argument --frobnicate\nTry dlsim --help\n"},
      {{"--seed"}, "ERROR: option --seed needs a value\nTry dlsim --help\n"},
      {{"-n", "0"}, "ERROR: invalid value of -n: 0\nTry dlsim --help\n"},
      {{"-o", "missing/dir/x.nwk"}, "ERROR: cannot write missing/dir/x.nwk\n"},
  };
  for (const auto& [args, message] : bad) {
    const ProcessResult r = runDlsim(args, dir.path());
    EXPECT_EQ(r.status, 1) << message;
    EXPECT_EQ(r.err, message);
    EXPECT_EQ(r.out, "");
  }

  const std::vector<std::string> args = {"-n", "9", "-m", "12", "--seed", "4", "--unrooted", "0.5"};
  const ProcessResult toStdout = runDlsim(args, dir.path());
  std::vector<std::string> toFileArgs = args;
  toFileArgs.insert(toFileArgs.end(), {"-o", "data.nwk"});
  const ProcessResult toFile = runDlsim(toFileArgs, dir.path());
  ASSERT_EQ(toStdout.status, 0);
  ASSERT_EQ(toFile.status, 0);
  EXPECT_EQ(toFile.out, "");
  EXPECT_FALSE(toStdout.out.empty());
  EXPECT_EQ(dir.read("data.nwk"), toStdout.out);
}

// Generated data runs through both generators of dlspecies, and the
// reported cost is the direct recount's.
TEST(DlsimCommandLine, DataRunsThroughDlspecies) {
  TempDir dir;
  const std::vector<std::string> args = {"-n", "10", "-m", "25", "--seed", "8", "--unrooted", "0.3",
                                         "--weighted", "0.3", "--swaps", "1"};
  const ProcessResult genes = runDlsim(args, dir.path());
  std::vector<std::string> withTree = args;
  withTree.push_back("--species-tree");
  const ProcessResult all = runDlsim(withTree, dir.path());
  ASSERT_EQ(genes.status, 0);
  ASSERT_EQ(all.status, 0);
  EXPECT_EQ(all.out.substr(all.out.find('\n') + 1), genes.out);

  const ProcessResult byDefault = runDlspecies({"-q", "--seed", "2"}, dir.path(), genes.out);
  const ProcessResult fromTree = runDlspecies({"-q", "-g", "0", "--seed", "2"}, dir.path(), all.out);
  for (const ProcessResult* r : {&byDefault, &fromTree}) {
    EXPECT_EQ(r->status, 0) << r->err;
    EXPECT_EQ(r->err, "");
    EXPECT_TRUE(agreesWithRecount(r->out, genes.out));
  }
}

}  // namespace
