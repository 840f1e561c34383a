#include "common/console.hpp"

#include <cstdio>
#include <ostream>

void Console::line(const std::string& text) {
  if (!quiet_) out_ << text << std::endl;
}

void Console::text(const std::string& text) {
  if (!quiet_) out_ << text << std::flush;
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
  err_ << "WARNING: " << message << std::endl;
}

void Console::summariseWarnings() {
  for (Kind& kind : kinds_) {
    if (kind.notWritten == 0) continue;
    err_ << "WARNING: " << kind.notWritten << " more warnings \"" << kind.name << "\" not shown" << std::endl;
    kind.notWritten = 0;
  }
}

std::string formatCost(double cost) {
  char text[32];
  std::snprintf(text, sizeof text, "%.12g", cost);
  return text;
}
