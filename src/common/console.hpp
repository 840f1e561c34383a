#pragma once
// Where the program talks to its user: progress and information lines
// (only when not quiet, flushed at once) and warnings (always), both on
// standard error in the program, so that standard output holds the results
// alone. One console is made in main and handed to the stages that talk.

#include <iosfwd>
#include <string>
#include <vector>

class Console {
 public:
  Console(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

  void setQuiet(bool quiet) { quiet_ = quiet; }

  // A progress or information line, with a line end.
  void line(const std::string& text);
  // Progress text without a line end (running lines start with "\r").
  void text(const std::string& text);
  // "WARNING: " and the message, with a line end. Of the warnings of one
  // kind (given by its fixed words) the first ten are written, the others
  // counted for summariseWarnings.
  void warning(const std::string& message, const std::string& kind = "");
  // For every kind with warnings not written: one line saying how many.
  void summariseWarnings();

 private:
  std::ostream& out_;
  std::ostream& err_;
  bool quiet_ = false;
  struct Kind {
    std::string name;
    long long written = 0, notWritten = 0;
  };
  std::vector<Kind> kinds_;
};

// A cost as the program prints it: up to 12 significant digits (%.12g), so
// that the costs of large data sets are printed whole.
std::string formatCost(double cost);
