#pragma once
// Text as a terminal, a table cell or a comment can show it: control bytes
// (and the characters the place gives) written as \xNN, other bytes as they
// are.

#include <string>
#include <string_view>

namespace dls {

inline std::string escapedText(std::string_view text, std::string_view alsoEscaped = {}) {
  static const char digits[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F && alsoEscaped.find(c) == std::string_view::npos) {
      shown += c;
    } else {
      shown += {'\\', 'x', digits[byte >> 4], digits[byte & 15]};
    }
  }
  return shown;
}

}  // namespace dls
