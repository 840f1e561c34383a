#pragma once
// Numbers written in decimal, read whole: the text must be the number and
// nothing else (no blanks, no hexadecimal, no "inf" or "nan").

#include <cstdint>
#include <string>
#include <string_view>

namespace dls {

// Digits only, at most max.
bool readWholeNumber(std::string_view text, std::uint64_t max, std::uint64_t& value);

// An optional sign, digits with an optional decimal point (at least one
// digit), an optional exponent ("e" or "E", optional sign, digits); the
// value must be finite, and not a nonzero number too small to represent.
bool readDecimal(std::string_view text, double& value);

// A cost as the program prints it: up to 12 significant digits (%.12g), so
// that the costs of large data sets are printed whole.
std::string formatCost(double cost);

}  // namespace dls
