#pragma once
// Where the program talks to its user: progress and information lines on
// standard output (only when not quiet, flushed at once), warnings on
// standard error (always). One console is made in main and handed to the
// stages that talk.

#include <iosfwd>
#include <string>

class Console {
 public:
  Console(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

  void setQuiet(bool quiet) { quiet_ = quiet; }

  // A progress or information line, with a line end.
  void line(const std::string& text);
  // Progress text without a line end (running lines start with "\r").
  void text(const std::string& text);
  // "WARNING: " and the message, with a line end.
  void warning(const std::string& message);

 private:
  std::ostream& out_;
  std::ostream& err_;
  bool quiet_ = false;
};

// A cost as the program prints it: up to 12 significant digits (%.12g), so
// that the costs of large data sets are printed whole.
std::string formatCost(double cost);
