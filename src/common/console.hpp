#pragma once
// Where the program talks to its user: progress and information lines
// (only when not quiet, flushed at once) and warnings (always), both on
// standard error in the program, so that standard output holds the results
// alone. One console is made in main and handed to the stages that talk.
//
// Progress of a long stage comes in two kinds of state. On a terminal both
// rewrite one running line, at most four times a second, passing states
// only when their text changed, and the last step held back is shown when
// the line ends. Elsewhere (a file, a pipe) passing states are not written
// and each step (a search cycle, say) is a line of its own.

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

namespace dls {

class Console {
 public:
  Console(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

  void setQuiet(bool quiet) { quiet_ = quiet; }
  bool quiet() const { return quiet_; }
  // Where warnings go.
  std::ostream& warningStream() const { return err_; }
  // A terminal of that many columns: running lines are cut to fit.
  void setTerminal(bool terminal, std::size_t columns = 80) {
    terminal_ = terminal;
    columns_ = columns < 2 ? 80 : columns;
  }
  // Shortest time between two passing states written (tests change it).
  void setProgressInterval(std::chrono::milliseconds interval) { interval_ = interval; }

  // A progress or information line, with a line end.
  void line(const std::string& text);
  // "WARNING: " and the message, with a line end. Of the warnings of one
  // kind (given by its fixed words) the first ten are written, the others
  // counted for summariseWarnings.
  void warning(const std::string& message, const std::string& kind = "");
  // For every kind with warnings not written: one line saying how many.
  void summariseWarnings();

  // Whether a passing state would be written now: callers make its text
  // only then.
  bool progressDue() const;
  void progress(const std::string& text);
  void progressStep(const std::string& text);
  // Ends the running line, if one is open.
  void endProgress();

 private:
  void rewriteRunningLine(const std::string& text);

  std::ostream& out_;
  std::ostream& err_;
  bool quiet_ = false;
  bool terminal_ = false;
  std::size_t columns_ = 80;
  std::chrono::milliseconds interval_{250};
  std::string runningLine_;  // the text on the running line; empty when none is open
  std::string unshownStep_;  // a step held back by the interval
  std::chrono::steady_clock::time_point lastWritten_{};
  struct Kind {
    std::string name;
    long long written = 0, notWritten = 0;
  };
  std::vector<Kind> kinds_;
};

// "1d 2h 3m 4s": lower units shown once a higher one is, seconds always.
std::string formatElapsed(long long seconds);

}  // namespace dls
