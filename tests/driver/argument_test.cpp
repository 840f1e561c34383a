#include "driver/argument.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

// Splits the words (the program path is prepended) into a fresh registry.
Entries split(std::vector<std::string> words) {
  Argument::args.clear();
  words.insert(words.begin(), "dlspecies");
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  Argument::add(static_cast<int>(argv.size()), argv.data());
  Entries entries;
  for (const auto& [key, arg] : Argument::args) {
    EXPECT_EQ(key, arg.name);
    EXPECT_FALSE(arg.used);
    entries.emplace_back(arg.name, arg.value);
  }
  return entries;
}

struct SplitCase {
  std::vector<std::string> words;
  Entries expected;  // in key (byte) order
};

TEST(ArgumentSplit, Grammar) {
  const std::vector<SplitCase> cases = {
      {{}, {}},
      {{"-i", "a.nwk"}, {{"-i", "a.nwk"}}},
      {{"--input=a.nwk"}, {{"--input", "a.nwk"}}},
      {{"--genetrees="}, {{"--genetrees", ""}}},
      {{"--seed=a=b"}, {{"--seed", "a=b"}}},
      {{"-=x"}, {{"-", "x"}}},
      {{"-q", "trees.nwk"}, {{"-q", "trees.nwk"}}},
      {{"trees.nwk"}, {{"", "trees.nwk"}}},
      {{""}, {{"", ""}}},
      {{"-q", "-v"}, {{"-q", ""}, {"-v", ""}}},
      {{"--seed", "-5"}, {{"--seed", ""}, {"-5", ""}}},
      {{"--seed=-5"}, {{"--seed", "-5"}}},
      {{"-i", "a", "b"}, {{"", "b"}, {"-i", "a"}}},
      {{"-o", "x", "-i", "a.nwk", "--limit"}, {{"--limit", ""}, {"-i", "a.nwk"}, {"-o", "x"}}},
      {{"-i", "a.nwk", "--input", "b.nwk"}, {{"--input", "b.nwk"}, {"-i", "a.nwk"}}},
      {{"--zzz", "-x"}, {{"--zzz", ""}, {"-x", ""}}},
      {{"-g", "0", "--"}, {{"--", ""}, {"-g", "0"}}},
  };
  for (const SplitCase& c : cases) {
    std::string label;
    for (const std::string& w : c.words) label += "[" + w + "]";
    EXPECT_EQ(split(c.words), c.expected) << label;
  }
}

TEST(ArgumentSplit, DuplicateNameIsFatal) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"-i", "a", "-i", "b"}, "-i"},
      {{"--seed=1", "--seed", "2"}, "--seed"},
      {{"-q", "-q"}, "-q"},
      {{"a", "b"}, ""},  // two stray values share the empty name
  };
  for (const auto& [words, name] : cases) {
    EXPECT_EXIT(split(words), ::testing::ExitedWithCode(1),
                "^ERROR: more than one argument " + name + "\n$");
  }
}

TEST(ArgumentRegistry, FindMarksUsedAndUnusedArgsKeepsByteOrder) {
  split({"-x", "--zzz", "-i", "a", "--input", "b"});
  EXPECT_EQ(Argument::find("-o"), nullptr);
  Argument* input = Argument::find("-i");
  ASSERT_NE(input, nullptr);
  EXPECT_TRUE(input->used);
  EXPECT_EQ(input->value, "a");

  std::vector<std::string> unused;
  for (Argument* a : Argument::unusedArgs()) unused.push_back(a->name);
  EXPECT_EQ(unused, (std::vector<std::string>{"--input", "--zzz", "-x"}));
  Argument::args.clear();
}

TEST(ArgumentConvert, IntegersUseStreamExtraction) {
  const std::vector<std::pair<std::string, unsigned int>> unsignedCases = {
      {"7", 7}, {"12x", 12}, {" 42", 42}, {"+3", 3}, {"4294967295", 4294967295U}, {"0", 0}};
  for (const auto& [text, expected] : unsignedCases) {
    unsigned int out = 99;
    Argument("--seed", text).convert(out);
    EXPECT_EQ(out, expected) << text;
  }
  const std::vector<std::pair<std::string, int>> intCases = {{"0", 0}, {"-1", -1}, {"5 6", 5}};
  for (const auto& [text, expected] : intCases) {
    int out = 99;
    Argument("-g", text).convert(out);
    EXPECT_EQ(out, expected) << text;
  }
  std::string text;
  Argument("-i", " a b ").convert(text);
  EXPECT_EQ(text, " a b ");
}

TEST(ArgumentConvert, FailureNamesTheOptionAndValue) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"x", "^ERROR: invalid value of argument --seed x\n$"},
      {"", "^ERROR: invalid value of argument --seed \n$"},
      {"4294967296", "^ERROR: invalid value of argument --seed 4294967296\n$"},
  };
  for (const auto& [value, pattern] : cases) {
    unsigned int out = 0;
    EXPECT_EXIT(Argument("--seed", value).convert(out), ::testing::ExitedWithCode(1), pattern);
  }
  int generator = 0;
  EXPECT_EXIT(Argument("--generator", "one").convert(generator), ::testing::ExitedWithCode(1),
              "^ERROR: invalid value of argument --generator one\n$");
}

}  // namespace
