#include "app/numtext.h"

#include <clocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <string_view>

namespace kivano::app {
namespace {

struct ParseCase {
    const char* text;
    const char* separator;
    std::optional<double> expected;
};

TEST(NumText, ParsesSignedDecimalsInTheLocaleAndRefusesEverythingElse) {
    const ParseCase cases[] = {
        {"2.34", ".", 2.34}, {" 3 ", ".", 3.0},    {"+4", ".", 4.0},       {"-5", ".", -5.0},
        {"2.", ".", 2.0},    {".5", ".", 0.5},     {"1e3", ".", 1000.0},   {"1.5E-2", ".", 0.015},
        {"2,5", ",", 2.5},   {"-0", ".", -0.0},    {"1E+300", ".", 1e300}, {"", ".", {}},
        {"-", ".", {}},      {".", ".", {}},       {"abc", ".", {}},       {"1,5", ".", {}},
        {"1.5", ",", {}},    {"1,000.5", ".", {}}, {"0x10", ".", {}},      {"inf", ".", {}},
        {"nan", ".", {}},    {"1e", ".", {}},      {"1e400", ".", {}},     {"2e300", ".", {}},
        {"1 2", ".", {}},    {"--1", ".", {}},     {"1..2", ".", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseNumber(c.text, c.separator), c.expected) << '"' << c.text << "\" with " << c.separator;
    }
}

TEST(NumText, StoredTextsAcceptEitherSeparatorButNeverAsGrouping) {
    EXPECT_EQ(parseNumberAnySeparator("2,5"), 2.5);
    EXPECT_EQ(parseNumberAnySeparator("2.5"), 2.5);
    EXPECT_EQ(parseNumberAnySeparator("1,234"), 1.234);
    EXPECT_EQ(parseNumberAnySeparator("1,234.5"), std::nullopt);
}

TEST(NumText, CanonicalTextIsShortestGeneralFormWithFifteenDigits) {
    const struct {
        double value;
        const char* separator;
        const char* text;
    } cases[] = {
        {23 * 0.1, ".", "2.3"},
        {0.2 + 0.1, ".", "0.3"},
        {0.2 + 0.1, ",", "0,3"},
        {3.0, ".", "3"},
        {-0.0, ".", "0"},
        {1e20, ".", "1E+20"},
        {0.15 - 0.1, ".", "0.05"},
        {1.0 / 3, ".", "0.333333333333333"},
        {123456789012345678.0, ".", "1.23456789012346E+17"},
        {2147483647 * 0.1, ".", "214748364.7"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatNumber(c.value, c.separator), c.text) << c.value;
}

TEST(NumText, IntegerConversionsRoundHalvesToEvenAndRespectTheirRanges) {
    const struct {
        double value;
        std::optional<std::int32_t> int32;
        std::int16_t step;
    } cases[] = {
        {2.5, 2, 2},
        {3.5, 4, 4},
        {-2.5, -2, -2},
        {0.5, 0, 0},
        {1.5, 2, 2},
        {2.4999, 2, 2},
        {32767.4, 32767, 32767},
        {32767.5, 32768, 32767},
        {-40000, -40000, -32768},
        {2147483647.0, 2147483647, 32767},
        {-2147483648.0, -2147483648, -32768},
        {2147483648.0, std::nullopt, 32767},
        {-2147483649.0, std::nullopt, -32768},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(toInt32(c.value), c.int32) << c.value;
        EXPECT_EQ(toStep(c.value), c.step) << c.value;
    }
    EXPECT_EQ(toStep(std::numeric_limits<double>::quiet_NaN()), 0);
}

// A text is read to its end and no further, whatever follows it in memory.
TEST(NumText, ReadsOnlyTheTextItIsGiven) {
    const struct {
        std::string_view text;
        std::optional<double> value;
    } cases[] = {
        {std::string_view("5e12", 3), 50},
        {std::string_view("55", 1), 5},
        {std::string_view("5e", 1), 5},
        {std::string_view("7.25x", 4), 7.25},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseNumber(c.text, "."), c.value) << c.text;
}

TEST(NumText, EveryCanonicalTextReadsBackAsTheSameText) {
    for (const double v : {0.1, 1e-300, 1e300, 9.99999999999999e299, 123.456, 1e-5, 214748364.7}) {
        const std::string text = formatNumber(v, ",");
        const auto back = parseNumber(text, ",");
        ASSERT_TRUE(back.has_value()) << text;
        EXPECT_EQ(formatNumber(*back, ","), text);
    }
}

} // namespace
} // namespace kivano::app

namespace kivano::app {
namespace {

// A GUI toolkit may switch the C library's numeric locale; the texts must not follow it.
TEST(NumText, IgnoresTheCLibrarysNumericLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    bool switched = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "German_Germany.1252"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            switched = true;
            break;
        }
    }
    if (!switched) GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(formatNumber(2.5, "."), "2.5");
    EXPECT_EQ(parseNumber("2.5", "."), 2.5);
    EXPECT_EQ(parseNumber("2,5", ","), 2.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

} // namespace
} // namespace kivano::app
