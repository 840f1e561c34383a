#include "common/console.hpp"

#include <cstdio>
#include <ostream>

void Console::line(const std::string& text) {
  if (!quiet_) out_ << text << std::endl;
}

void Console::text(const std::string& text) {
  if (!quiet_) out_ << text << std::flush;
}

void Console::warning(const std::string& message) { err_ << "WARNING: " << message << std::endl; }

std::string formatCost(double cost) {
  char text[32];
  std::snprintf(text, sizeof text, "%.12g", cost);
  return text;
}
