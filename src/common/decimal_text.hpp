#pragma once
// Numbers written in decimal, read whole: the text must be the number and
// nothing else (no blanks, no hexadecimal, no "inf" or "nan").

#include <cstdint>
#include <string_view>

// Digits only, at most max.
bool readWholeNumber(std::string_view text, std::uint64_t max, std::uint64_t& value);

// An optional sign, digits with an optional decimal point (at least one
// digit), an optional exponent ("e" or "E", optional sign, digits); the
// value must be finite, and not a nonzero number too small to represent.
bool readDecimal(std::string_view text, double& value);
