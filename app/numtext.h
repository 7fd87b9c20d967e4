#pragma once
// Numbers as the user sees them: locale-aware reading, canonical text, and the conversions to integers.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kivano::app {

// Reads an optional sign, digits with at most one decimal separator, and an optional exponent, with blanks
// around it. Digit grouping, hex, "inf", "nan" and magnitudes above 1E+300 are not numbers.
std::optional<double> parseNumber(std::string_view text, std::string_view decimalSeparator);

// As parseNumber, but either "." or "," is taken as the decimal separator, for texts that may have been
// written under another locale.
std::optional<double> parseNumberAnySeparator(std::string_view text);

// The shortest general form with at most 15 significant digits, no trailing zeros, no digit grouping and
// the given separator; -0 shows as 0.
std::string formatNumber(double value, std::string_view decimalSeparator);

// Nearest integer, halves to even; nullopt when the value lies outside the 32-bit range.
std::optional<std::int32_t> toInt32(double value);

// Nearest integer, halves to even, clamped to the 16-bit range.
std::int16_t toStep(double value);

} // namespace kivano::app
