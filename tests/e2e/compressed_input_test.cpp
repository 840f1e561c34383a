// End-to-end tests of gzip-compressed input: trees, map and constraints,
// from files of any name and from standard input, in one member or several,
// give the report of their plain text byte for byte; a fault of the text is
// placed in the uncompressed text; cut or broken gzip data is an error
// naming the file.

#include <string>
#include <vector>

#include "e2e/e2e_support.hpp"

namespace {

std::string gzip(const std::string& text, const std::string& level = "-6") {
  return runProgram({"/bin/gzip", "-c", "-n", level}, text).out;
}

struct CompressedCase {
  std::string name;
  std::vector<std::string> args;
  std::vector<std::string> compressed;  // the files given gzip-compressed; "-": standard input
};

TEST(CompressedInput, GivesTheReportOfThePlainText) {
#ifndef DLS_ZLIB
  GTEST_SKIP() << "built without zlib";
#endif
  TempDir plain, packed;
  // More text than a block of the reader: with --genetrees the report
  // holds every tree read.
  runProgram({kDlsim, "-n", "30", "-m", "1500", "--seed", "7", "--unrooted", "0.2", "--weighted", "0.2",
              "--species-tree", "--map", "genes.map", "-o", "big.nwk"},
             "", plain.path());
  runProgram({kDlsim, "-n", "8", "-m", "40", "--seed", "3", "-o", "small.nwk"}, "", plain.path());
  plain.write("groups", "S001,S002; S003 S004 S005;\n");
  const std::vector<std::string> evaluate = {"-g", "0", "--evaluate", "--genetrees", "-a", "genes.map"};
  const std::vector<CompressedCase> table = {
      {"trees and map", concat(evaluate, {"-i", "big.nwk"}), {"big.nwk", "genes.map"}},
      {"standard input", evaluate, {"-"}},
      {"constraints", {"-i", "small.nwk", "--constraints", "groups"}, {"small.nwk", "groups"}},
  };
  for (const CompressedCase& c : table) {
    for (const std::string name : {"big.nwk", "genes.map", "small.nwk", "groups"}) packed.write(name, plain.read(name));
    for (const std::string& name : c.compressed)
      if (name != "-") packed.write(name, gzip(plain.read(name), name == "small.nwk" ? "-1" : "-9"));
    const std::string text = c.compressed[0] == "-" ? plain.read("big.nwk") : "";
    // Several members, one of them empty, as cat or bgzip write them.
    const std::string members =
        text.empty() ? "" : gzip(text.substr(0, 70000)) + gzip("") + gzip(text.substr(70000), "-1");
    const std::vector<std::string> args = concat({"-q", "--seed", "5"}, c.args);
    const ProcessResult expected = runDlspecies(args, plain.path(), text),
                        got = runDlspecies(args, packed.path(), members);
    EXPECT_EQ(got.status, 0) << c.name << ": " << got.err;
    EXPECT_EQ(expected.status, 0) << c.name << ": " << expected.err;
    EXPECT_TRUE(got.out == expected.out) << c.name;
  }
}

TEST(CompressedInput, FaultsNameTheFileAndThePlaceInTheText) {
#ifndef DLS_ZLIB
  GTEST_SKIP() << "built without zlib";
#endif
  const std::string trees = "((A,B),C);\n((A,C),(B,D));\n", whole = gzip(trees);
  std::string badCheck = whole;
  badCheck[badCheck.size() - 6] ^= 1;  // the trailer's CRC-32: found after the whole text
  struct FaultCase {
    std::vector<std::string> args;
    std::string stdinBytes, error;
  };
  const std::vector<FaultCase> table = {
      {{"-i", "faulty"}, "", "ERROR: missing ')' in input tree expression line 3 column 13"},
      {{"-i", "cut.gz"}, "", "ERROR: cannot read cut.gz: unexpected end of gzip data"},
      {{}, whole.substr(0, whole.size() / 2), "ERROR: cannot read standard input: unexpected end of gzip data"},
      {{"-i", "check.gz"}, "", "ERROR: cannot read check.gz: corrupt gzip data"},
      {{"-a", "map"}, gzip("((a,b),c);"), "ERROR: cannot read map: corrupt gzip data"},
      {{"--constraints", "groups"}, gzip("((A,B),C);"), "ERROR: cannot read groups: unexpected end of gzip data"},
  };
  TempDir dir;
  dir.write("faulty", gzip(trees + "((A,D),(B,C);\n"));
  dir.write("cut.gz", whole.substr(0, whole.size() - 3));
  dir.write("check.gz", badCheck);
  dir.write("map", gzip("a A\nb B\n") + "junk");
  dir.write("groups", gzip("A,B;").substr(0, 15));
  for (const FaultCase& c : table) {
    const ProcessResult r = runDlspecies(concat({"-q"}, c.args), dir.path(), c.stdinBytes);
    EXPECT_EQ(r.err, c.error + "\n") << c.error;
    EXPECT_EQ(r.status, 1) << c.error;
  }
}

}  // namespace
