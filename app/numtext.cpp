#include "app/numtext.h"

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace kivano::app {
namespace {

// Larger magnitudes are refused, so that the canonical text of any accepted value, rounded to 15 digits,
// still reads back as a number.
constexpr double kLargest = 1e300;

// The decimal point of the C library's numeric locale, which printf writes and strtod reads; a GUI
// toolkit may have changed it from ".".
std::string_view cLocalePoint() {
    const char* point = std::localeconv()->decimal_point;
    return point != nullptr && *point != '\0' ? point : ".";
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Rewrites the text into the C form that std::from_chars reads, or returns false if it is not a number.
bool toCForm(std::string_view s, std::string_view sep1, std::string_view sep2, std::string& out) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) out += s[i++];
    size_t digits = 0;
    bool haveSeparator = false;
    while (i < s.size()) {
        if (isDigit(s[i])) {
            out += s[i++];
            ++digits;
        } else if (!haveSeparator && !sep1.empty() && s.substr(i).starts_with(sep1)) {
            out += '.', i += sep1.size(), haveSeparator = true;
        } else if (!haveSeparator && !sep2.empty() && s.substr(i).starts_with(sep2)) {
            out += '.', i += sep2.size(), haveSeparator = true;
        } else {
            break;
        }
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        out += s[i++];
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) out += s[i++];
        size_t expDigits = 0;
        while (i < s.size() && isDigit(s[i]))
            out += s[i++], ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == s.size();
}

std::optional<double> parseWith(std::string_view text, std::string_view sep1, std::string_view sep2) {
    std::string c;
    if (!toCForm(trim(text), sep1, sep2, c)) return std::nullopt;
    if (const auto at = c.find('.'); at != std::string::npos) c.replace(at, 1, cLocalePoint());
    char* end = nullptr;
    const double value = std::strtod(c.c_str(), &end);
    if (end != c.c_str() + c.size() || !(std::fabs(value) <= kLargest)) return std::nullopt;
    return value;
}

} // namespace

std::optional<double> parseNumber(std::string_view text, std::string_view decimalSeparator) {
    return parseWith(text, decimalSeparator, {});
}

std::optional<double> parseNumberAnySeparator(std::string_view text) {
    return parseWith(text, ".", ",");
}

std::string formatNumber(double value, std::string_view decimalSeparator) {
    if (value == 0) value = 0; // folds -0 into 0
    // printf's shortest general form (to_chars would pull ~100 KB of tables into a static Windows build).
    char buf[40];
    const int n = std::snprintf(buf, sizeof buf, "%.15G", value);
    std::string s(buf, static_cast<size_t>(std::clamp(n, 0, static_cast<int>(sizeof buf) - 1)));
    const std::string_view point = cLocalePoint();
    if (const auto at = s.find(point); at != std::string::npos) s.replace(at, point.size(), decimalSeparator);
    return s;
}

std::optional<std::int32_t> toInt32(double value) {
    const double r = std::nearbyint(value); // the default rounding mode sends halves to even
    // Written so that NaN, for which every comparison is false, is refused too.
    // NOLINTNEXTLINE(readability-simplify-boolean-expr)
    if (!(r >= std::numeric_limits<std::int32_t>::min() && r <= std::numeric_limits<std::int32_t>::max())) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(r);
}

std::int16_t toStep(double value) {
    const double r = std::nearbyint(value);
    if (std::isnan(r)) return 0;
    return static_cast<std::int16_t>(std::clamp(r, double{std::numeric_limits<std::int16_t>::min()},
                                                double{std::numeric_limits<std::int16_t>::max()}));
}

} // namespace kivano::app
