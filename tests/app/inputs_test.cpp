// The three parameter boxes and their spinners.

#include "app/numtext.h"
#include "support/harness.h"

#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace kivano::testing {
namespace {

using ui::headless::TextBox;
using ui::headless::Timer;

struct BoxCase {
    const char* typed;
    std::int32_t ticks; // or the member's value for the speed-like boxes
    const char* shown;
};

TEST(Inputs, DelayBoxTurnsSecondsIntoTicksAndFallsBackOnBadText) {
    // The box starts at 0.5 s (5 ticks) before each case.
    const BoxCase cases[] = {
        {"2.34", 23, "2.34"},      {"1", 10, "1"},      {"2.", 20, "2."},
        {" 3 ", 30, " 3 "},        {"0.25", 2, "0.25"}, {"0.35", 3, "0.35"},
        {"0", 1, "0.1"},           {"0.04", 1, "0.1"},  {"-5", 1, "0.1"},
        {"-", 5, "0.5"},           {"", 5, "0.5"},      {"abc", 5, "0.5"},
        {"1,5", 5, "0.5"},         {"1e400", 5, "0.5"}, {"214748364.7", 2147483647, "214748364.7"},
        {"214748364.8", 5, "0.5"}, {"inf", 5, "0.5"},   {"0x10", 5, "0.5"},
    };
    for (const auto& c : cases) {
        Harness h;
        auto& f = h.load();
        h.win().paste("edDelay", "0.5");
        h.win().paste("edDelay", c.typed);
        EXPECT_EQ(f.DelayTicks, c.ticks) << '"' << c.typed << '"';
        EXPECT_EQ(f.edDelay.text(), c.shown) << '"' << c.typed << '"';
    }
}

// A delay below one tick, typed while the pointer stands still, leaves it still: only a moving pointer
// has its timer restarted.
TEST(Inputs, ADelayBelowATickTypedWhileStoppedStartsNothing) {
    for (const char* typed : {"0", "0.04", "-5"}) {
        Harness h;
        auto& f = h.load();
        ASSERT_FALSE(f.tmMover.enabled());
        h.win().paste("edDelay", typed);
        EXPECT_FALSE(f.tmMover.enabled()) << '"' << typed << '"';
        EXPECT_EQ(f.edDelay.text(), "0.1") << '"' << typed << '"';
    }
}

TEST(Inputs, SpeedAndRandomizeBoxesAlwaysShowTheirValueInCanonicalForm) {
    const struct {
        const char* typed;
        double value;
        const char* shown;
    } cases[] = {
        {"2.5", 2.5, "2.5"}, {"03", 3, "3"}, {"2.", 2, "2"},        {"-5", 0, "0"},
        {"-0", 0, "0"},      {"0", 0, "0"},  {"1e3", 1000, "1000"}, {"", 4, "4"},
        {"-", 4, "4"},       {"x", 4, "4"},  {"2.50", 2.5, "2.5"},  {"1,5", 4, "4"},
    };
    for (const char* box : {"edSpeed", "edRandomize"}) {
        for (const auto& c : cases) {
            Harness h;
            auto& f = h.load();
            h.win().paste(box, "4");
            h.win().paste(box, c.typed);
            const double member = std::string(box) == "edSpeed" ? f.Speed : f.RandomizeAmount;
            EXPECT_EQ(member, c.value) << box << " \"" << c.typed << '"';
            EXPECT_EQ(h.win().control<TextBox>(box).text(), c.shown) << box << " \"" << c.typed << '"';
        }
    }
}

TEST(Inputs, TypingKeyByKeyLetsASeparatorVanishOnlyInTheSpeedLikeBoxes) {
    Harness h;
    auto& f = h.load();
    h.win().paste("edSpeed", "0");
    h.win().focus("edSpeed");
    h.win().type("2.5");
    EXPECT_EQ(f.edSpeed.text(), "25") << "the separator after 2 vanished at once";
    EXPECT_EQ(f.Speed, 25);
    h.win().paste("edDelay", "2");
    h.win().focus("edDelay");
    h.win().type(".5");
    EXPECT_EQ(f.edDelay.text(), "2.5");
    EXPECT_EQ(f.DelayTicks, 25);
}

TEST(Inputs, ADelayBelowOneTickRestartsTheMovingTimer) {
    Harness h;
    auto& f = h.load();
    h.win().click("cbStart");
    h.desktop.clock.advance(50);
    h.win().paste("edDelay", "0.01");
    const auto& mover = dynamic_cast<Timer&>(f.tmMover);
    EXPECT_EQ(mover.due(), h.desktop.clock.now() + 100);
    EXPECT_EQ(f.edDelay.text(), "0.1");

    h.win().paste("edDelay", "2");
    h.desktop.clock.advance(50);
    h.win().paste("edDelay", "3");
    EXPECT_EQ(mover.due(), h.desktop.clock.now() + 50) << "a valid delay leaves the timer's phase alone";
}

TEST(Inputs, SpinnersStepByATenthFromTheirFloors) {
    const struct {
        const char* box;
        const char* start;
        bool up;
        const char* shown;
        std::int16_t stepX;
    } cases[] = {
        {"edDelay", "0.1", false, "0.1", 1},     {"edDelay", "0.2", true, "0.3", 1},
        {"edDelay", "0.5", false, "0.4", 1},     {"edDelay", "0.25", true, "0.3", 1},
        {"edSpeed", "3", true, "3.1", 3},        {"edSpeed", "3.4", true, "3.5", 4},
        {"edSpeed", "0.05", false, "0", 0},      {"edSpeed", "2.6", false, "2.5", 2},
        {"edRandomize", "2", true, "2.1", 3},    {"edRandomize", "0", false, "0", 3},
        {"edRandomize", "0.3", false, "0.2", 3},
    };
    for (const auto& c : cases) {
        Harness h;
        auto& f = h.load();
        h.win().paste(c.box, c.start);
        f.StepX = 1;
        const std::string spinner = "ud" + std::string(c.box).substr(2);
        if (c.up) {
            h.win().clickUp(spinner);
        } else {
            h.win().clickDown(spinner);
        }
        EXPECT_EQ(h.win().control<TextBox>(c.box).text(), c.shown) << c.box << " from " << c.start;
        EXPECT_EQ(f.StepX, c.stepX) << c.box << " from " << c.start;
    }
}

TEST(Inputs, SpinnersOwnPositionNeverLimitsTheValue) {
    Harness h;
    auto& f = h.load();
    for (int i = 0; i < 25; ++i)
        h.win().clickUp("udSpeed");
    EXPECT_EQ(f.edSpeed.text(), "5.5");
    EXPECT_EQ(f.Speed, 5.5);
    EXPECT_EQ(h.win().control<ui::headless::UpDown>("udSpeed").position, 10);
    for (int i = 0; i < 60; ++i)
        h.win().clickDown("udSpeed");
    EXPECT_EQ(f.edSpeed.text(), "0");
}

TEST(Inputs, TopOfTheRangesSaturatesInsteadOfWrapping) {
    Harness h;
    auto& f = h.load();
    h.win().paste("edDelay", "214748364.7");
    h.win().clickUp("udDelay");
    EXPECT_EQ(f.DelayTicks, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(f.edDelay.text(), "214748364.7");
    h.win().paste("edSpeed", "1e9");
    h.win().clickUp("udSpeed");
    EXPECT_EQ(f.StepX, 32767);
}

TEST(Inputs, CommaLocaleReadsAndWritesCommas) {
    Harness h;
    h.desktop.system.separator = ",";
    auto& f = h.load();
    EXPECT_EQ(f.edDelay.text(), "0,1");
    h.win().paste("edDelay", "1,5");
    EXPECT_EQ(f.DelayTicks, 15);
    h.win().paste("edSpeed", "2,5");
    EXPECT_EQ(f.Speed, 2.5);
    h.win().paste("edSpeed", "3.5");
    EXPECT_EQ(f.edSpeed.text(), "2,5") << "a point is no separator here";
    h.win().clickUp("udRandomize");
    EXPECT_EQ(f.edRandomize.text(), "2,1");
}

// Random texts typed into each box always leave a valid text whose value equals the member.
TEST(Inputs, PropertyEveryTextLeavesTheBoxShowingItsMember) {
    Harness h;
    auto& f = h.load();
    std::mt19937 rng(12345);
    const std::string alphabet = "0123456789.,-+eE x";
    std::uniform_int_distribution<size_t> len(0, 8);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    const std::string boxes[] = {"edDelay", "edSpeed", "edRandomize"};
    for (int i = 0; i < 10000; ++i) {
        std::string text;
        for (size_t n = len(rng); n > 0; --n)
            text += alphabet[pick(rng)];
        for (const auto& box : boxes) {
            h.win().paste(box, text);
            const std::string shown = h.win().control<TextBox>(box).text();
            const auto value = app::parseNumber(shown, ".");
            ASSERT_TRUE(value.has_value()) << box << " shows \"" << shown << "\" after \"" << text << '"';
            if (box == "edDelay") {
                ASSERT_EQ(app::toInt32(*value / 0.1), f.DelayTicks) << shown;
                ASSERT_GE(f.DelayTicks, 1);
            } else {
                const double member = box == "edSpeed" ? f.Speed : f.RandomizeAmount;
                ASSERT_EQ(*value, member) << shown;
                ASSERT_EQ(shown, app::formatNumber(member, "."));
                ASSERT_GE(member, 0);
            }
        }
    }
}

} // namespace
} // namespace kivano::testing
