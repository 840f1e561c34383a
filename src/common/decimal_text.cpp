#include "common/decimal_text.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace dls {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool readWholeNumber(std::string_view text, std::uint64_t max, std::uint64_t& value) {
  if (text.empty()) return false;
  std::uint64_t number = 0;
  for (char c : text) {
    if (!isDigit(c)) return false;
    const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (digit > max || number > (max - digit) / 10) return false;
    number = number * 10 + digit;
  }
  value = number;
  return true;
}

bool readDecimal(std::string_view text, double& value) {
  std::size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  std::size_t digits = 0;
  bool nonzero = false;
  for (; at < text.size() && isDigit(text[at]); ++at, ++digits) nonzero = nonzero || text[at] != '0';
  if (at < text.size() && text[at] == '.')
    for (++at; at < text.size() && isDigit(text[at]); ++at, ++digits) nonzero = nonzero || text[at] != '0';
  if (digits == 0) return false;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const std::size_t first = at;
    while (at < text.size() && isDigit(text[at])) ++at;
    if (at == first) return false;
  }
  if (at != text.size()) return false;
  const std::string copy(text);
  const double number = std::strtod(copy.c_str(), nullptr);
  if (!std::isfinite(number) || (nonzero && number == 0)) return false;
  value = number;
  return true;
}

std::string formatCost(double cost) {
  char text[32];
  std::snprintf(text, sizeof text, "%.12g", cost);
  return text;
}

}  // namespace dls
