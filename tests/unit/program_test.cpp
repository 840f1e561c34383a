// Program-wide pieces: the random generator, progress, the worker team, and
// how failures end a run.

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "app/command_line.hpp"
#include "app/failure.hpp"
#include "app/option_table.hpp"
#include "common/byte_buffer.hpp"
#include "common/console.hpp"
#include "common/errors.hpp"
#include "common/random.hpp"
#include "common/worker_team.hpp"

using namespace dls;

namespace {

// A seed gives the C library's rand() sequence, so that seeds keep giving
// the results they gave when the program drew from it.
TEST(Random, RepeatsTheCLibrarySequence) {
  for (const std::uint32_t seed : {0U, 1U, 7U, 65534U, 2147483648U, 4294967295U}) {
    Random random(seed);
    std::srand(seed);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(random.next(), static_cast<std::uint32_t>(std::rand())) << seed;
  }
}

// Passing states (p), steps (s), lines (l), warnings (w) and an end (e). On
// a terminal a passing state shows at once on a new line, then only after
// the interval; running lines are cut to the terminal's width.
TEST(Console, RewritesOneLineOnATerminalAndWritesStepsElsewhere) {
  const struct {
    bool terminal, quiet;
    int interval, columns;
    std::string out;
  } cases[] = {
      {true, false, 3600, 80, "\ra long one\rstep      \ninfo\n\rc\nWARNING: warn\n"},
      {true, false, 0, 80, "\ra long one\rb         \rstep\ninfo\n\rc\nWARNING: warn\n"},
      {true, false, 0, 6, "\ra lon\rb    \rstep\ninfo\n\rc\nWARNING: warn\n"},
      {false, false, 0, 80, "step\ninfo\nWARNING: warn\n"},
      {true, true, 0, 80, "WARNING: warn\n"},
  };
  for (const auto& c : cases) {
    std::ostringstream out;
    Console console(out, out);
    console.setTerminal(c.terminal, static_cast<std::size_t>(c.columns));
    console.setQuiet(c.quiet);
    console.setProgressInterval(std::chrono::seconds(c.interval));
    for (const std::string step : {"pa long one", "pa long one", "pb", "sstep", "linfo", "pc", "wwarn", "e"}) {
      const std::string text = step.substr(1);
      step[0] == 'p'   ? console.progress(text)
      : step[0] == 's' ? console.progressStep(text)
      : step[0] == 'l' ? console.line(text)
      : step[0] == 'w' ? console.warning(text)
                       : console.endProgress();
    }
    EXPECT_EQ(out.str(), c.out) << c.terminal << c.quiet << c.interval << c.columns;
  }
  EXPECT_EQ(formatElapsed(0) + formatElapsed(61) + formatElapsed(3600) + formatElapsed(90061),
            "0s1m 1s1h 0m 0s1d 1h 1m 1s");
}

// Every index once, on any worker; a task's exception ends the round and is
// thrown to the caller, and the team works on. Two tasks that each wait
// for the other (a while at most) run on two workers at once. An interrupt
// never lands on a worker, only on the thread that made the team.
TEST(WorkerTeam, RunsEveryTaskOnceAndPassesOnAFailure) {
  WorkerTeam pair(2);
  std::atomic<int> started{0};
  std::atomic<unsigned> workersSeen{0}, interruptBlocked{0};
  pair.forEach(2, 1, [&](unsigned worker, std::size_t) {
    workersSeen |= 1U << worker;
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    if (sigismember(&mask, SIGINT) == 1) interruptBlocked |= 1U << worker;
    ++started;
    for (int wait = 0; wait < 10000 && started < 2; ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  EXPECT_EQ(workersSeen.load(), 3U);
  EXPECT_EQ(interruptBlocked.load(), 2U);
  for (const unsigned workers : {1U, 2U, 5U}) {
    WorkerTeam team(workers);
    for (const std::size_t grain : {1U, 7U}) {
      std::vector<std::atomic<int>> runs(1000);
      team.forEach(runs.size(), grain, [&](unsigned worker, std::size_t i) { runs[i] += worker < workers ? 1 : 2; });
      for (const std::atomic<int>& n : runs) ASSERT_EQ(n.load(), 1) << workers;
      EXPECT_THROW(team.forEach(100, grain,
                                [](unsigned, std::size_t i) {
                                  if (i == 50) throw InputError("task 50");
                                }),
                   InputError);
    }
  }
}

TEST(Failures, EndWithTheirMessageAndStatus) {
  struct Case {
    std::function<int()> body;
    std::string err;
    int status;
  };
  const Case cases[] = {
      {[] { return 0; }, "", 0},
      {[]() -> int { throw InputError("input file x not found"); }, "ERROR: input file x not found\n", 1},
      {[]() -> int { throw InternalError("Problem in case 4!!"); }, "ERROR: internal error: Problem in case 4!!\n", 2},
      {[]() -> int { throw std::bad_alloc(); }, "ERROR: out of memory\n", 1},
  };
  for (const Case& c : cases) {
    std::ostringstream err;
    EXPECT_EQ(runReportingFailures(c.body, err), c.status);
    EXPECT_EQ(err.str(), c.err);
  }
}

}  // namespace

namespace {

// A value each kind of option takes, other than its default.
std::string sampleValue(const OptionSpec& option) {
  switch (option.kind) {
    case ValueKind::none:
      return "";
    case ValueKind::wholeNumber:
      return std::to_string(option.max);
    case ValueKind::decimal:
      return "0.25";
    case ValueKind::word:
      return option.words.back();
    case ValueKind::fileName:
      return "f.txt";
    case ValueKind::character:
      return "_";
  }
  return "";
}

// The options parsed from the arguments, with the program's name in front.
Options parsed(std::vector<std::string> args) {
  args.insert(args.begin(), "dlspecies");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  CommandLine line(static_cast<int>(argv.size()), argv.data(), isFlagOption);
  Options options;
  parseOptions(line, options);
  std::string unknown;
  EXPECT_FALSE(line.firstUnknown(unknown)) << unknown;
  return options;
}

// The bytes of an option's field, to compare fields of any type.
std::string fieldBytes(const OptionSpec& option, Options options) {
  ByteWriter out;
  std::visit(
      [&out](auto field) {
        if constexpr (std::is_pointer_v<decltype(field)>) out(*field);
      },
      option.field(options));
  return out.bytes();
}

}  // namespace

// Every option of the table is read by either of its names and sets its
// own field; the options that travel to other ranks come back from their
// bytes as they were, the others keep their defaults.
TEST(OptionTable, ReadsEveryOptionByBothNamesAndSendsThoseThatTravel) {
  std::vector<std::string> all;
  for (const OptionSpec& option : optionTable()) {
    Options defaults;
    std::string value = sampleValue(option);
    // A whole number's largest value may be its default (-g 1).
    if (option.kind == ValueKind::wholeNumber &&
        fieldBytes(option, defaults) == fieldBytes(option, parsed({option.longName, value})))
      value = std::to_string(option.min);
    for (const std::string& name : {option.shortName, option.longName}) {
      if (name.empty()) continue;
      Options options = parsed(value.empty() ? std::vector<std::string>{name} : std::vector{name, value});
      EXPECT_TRUE(option.field(options).index() == 0 || fieldBytes(option, options) != fieldBytes(option, defaults))
          << name;
    }
    if (option.field(defaults).index() == 0) continue;  // version and help
    all.push_back(option.longName + (value.empty() ? "" : "=" + value));
  }
  Options sent = parsed(all), received;
  ByteWriter out;
  transferOptions(out, sent);
  ByteReader in(out.bytes());
  transferOptions(in, received);
  EXPECT_TRUE(in.atEnd());
  Options defaults;
  for (const OptionSpec& option : optionTable())
    EXPECT_EQ(fieldBytes(option, received), fieldBytes(option, option.travels ? sent : defaults)) << option.longName;
}

// The manual page has an entry for every option of the table, in its order,
// by both names as roff writes them.
TEST(OptionTable, TheManualPageListsEveryOption) {
  std::ostringstream out;
  writeManPage(out, "2.0");
  const std::string page = out.str();
  const auto bold = [](const std::string& name) {
    std::string shown;
    for (const char c : name) shown += c == '-' ? std::string("\\-") : std::string(1, c);
    return "\\fB" + shown + "\\fR";
  };
  std::size_t at = page.find("\n.SH OPTIONS\n");
  for (const OptionSpec& option : optionTable()) {
    const std::string names = (option.shortName.empty() ? "" : bold(option.shortName) + ", ") + bold(option.longName);
    at = page.find("\n.TP\n" + names, at);
    ASSERT_NE(at, std::string::npos) << option.longName;
  }
  EXPECT_LT(at, page.find("\n.SH INPUT\n"));
}
