#include "common/console.hpp"

#include <cstdio>
#include <ostream>

namespace dls {

void Console::line(const std::string& text) {
  if (quiet_) return;
  endProgress();
  out_ << text << std::endl;
}

void Console::warning(const std::string& message, const std::string& kind) {
  static const long long kWrittenPerKind = 10;
  if (!kind.empty()) {
    auto it = kinds_.begin();
    while (it != kinds_.end() && it->name != kind) ++it;
    if (it == kinds_.end()) it = kinds_.insert(it, Kind{kind});
    if (it->written == kWrittenPerKind) {
      ++it->notWritten;
      return;
    }
    ++it->written;
  }
  endProgress();
  err_ << "WARNING: " << message << std::endl;
}

void Console::summariseWarnings() {
  for (Kind& kind : kinds_) {
    if (kind.notWritten == 0) continue;
    endProgress();
    err_ << "WARNING: " << kind.notWritten << " more warnings \"" << kind.name << "\" not shown" << std::endl;
    kind.notWritten = 0;
  }
}

bool Console::progressDue() const {
  // A new running line is shown at once.
  return !quiet_ && terminal_ && (runningLine_.empty() || std::chrono::steady_clock::now() - lastWritten_ >= interval_);
}

void Console::progress(const std::string& text) {
  if (progressDue() && text.compare(0, columns_ - 1, runningLine_) != 0) rewriteRunningLine(text);
}

void Console::progressStep(const std::string& text) {
  if (quiet_) return;
  if (!terminal_)
    out_ << text << std::endl;
  else if (progressDue())
    rewriteRunningLine(text);
  else
    unshownStep_ = text;  // shown when the line ends, unless another comes first
}

void Console::endProgress() {
  if (!unshownStep_.empty()) rewriteRunningLine(unshownStep_);
  if (runningLine_.empty()) return;
  out_ << '\n' << std::flush;
  runningLine_.clear();
}

void Console::rewriteRunningLine(const std::string& text) {
  // A line as wide as the terminal would wrap, and \r return to its last
  // row only; blanks cover what is left of a longer line before.
  const std::string shown = text.substr(0, columns_ - 1);
  const std::size_t cover = runningLine_.size() > shown.size() ? runningLine_.size() - shown.size() : 0;
  out_ << '\r' << shown << std::string(cover, ' ') << std::flush;
  runningLine_ = shown;
  unshownStep_.clear();
  lastWritten_ = std::chrono::steady_clock::now();
}

std::string formatElapsed(long long seconds) {
  const long long days = seconds / 86400, hours = (seconds % 86400) / 3600, minutes = (seconds % 3600) / 60;
  std::string text;
  if (days != 0) text += std::to_string(days) + "d ";
  if (days != 0 || hours != 0) text += std::to_string(hours) + "h ";
  if (days != 0 || hours != 0 || minutes != 0) text += std::to_string(minutes) + "m ";
  return text + std::to_string(seconds % 60) + "s";
}

}  // namespace dls
