// The request to keep the machine awake follows exactly the time the cursor is being moved; while the
// session is locked nothing moves and nothing is held, and the unlock brings both back by itself.

#include "support/harness.h"

#include <gtest/gtest.h>
#include <vector>

namespace kivano::testing {
namespace {
TEST(Awake, HeldWhileMovingAndDroppedOnStopAndAtTheEnd) {
    Harness h;
    h.load();
    const auto& requests = h.desktop.system.awakeRequests;
    EXPECT_TRUE(requests.empty()) << "idle asks for nothing";
    h.win().click("cbStart");
    EXPECT_EQ(requests, std::vector<bool>{true});
    h.ticks(50);
    EXPECT_EQ(requests.size(), 1U) << "moving does not repeat the request";
    h.win().click("cbStart");
    EXPECT_EQ(requests, (std::vector<bool>{true, false}));
    h.win().click("cbStart");
    h.win().closeBox();
    EXPECT_EQ(requests, (std::vector<bool>{true, false, true, false})) << "closing while moving drops it";
}

// The desktop's no may come late: it is said only while the request to stay awake stands.
TEST(Awake, ANoFromTheDesktopIsSaidOnlyWhileItStands) {
    constexpr const char* kNotice = "Nothing keeps the screen awake";
    const struct {
        const char* name;
        int clicks; // on Start/Stop before the no arrives
        const char* said;
    } cases[] = {
        {"while moving", 1, kNotice},
        {"after Stop", 2, ""},
        {"before Start", 0, ""},
    };
    for (const auto& c : cases) {
        Harness h;
        auto& f = h.load();
        for (int i = 0; i < c.clicks; ++i)
            h.win().click("cbStart");
        f.lblTop.setCaption("");
        f.Awake_Refused();
        EXPECT_EQ(f.lblTop.caption(), c.said) << c.name;
    }
}

TEST(Awake, AScheduleHoldsItOnlyInItsPausePeriods) {
    Harness h;
    auto& f = h.load();
    h.startSchedule("0.5", "0.5");
    auto& requests = h.desktop.system.awakeRequests;
    ASSERT_FALSE(requests.empty());
    EXPECT_FALSE(requests.back()) << "a schedule opens with a work period";
    requests.clear();
    h.desktop.clock.advance(30'000);
    EXPECT_FALSE(f.IsPaused);
    EXPECT_EQ(requests, std::vector<bool>{true});
    h.desktop.clock.advance(30'000);
    EXPECT_EQ(requests, (std::vector<bool>{true, false}));
    h.win().click("cbStart");
    h.win().closeBox();
    EXPECT_EQ(requests, (std::vector<bool>{true, false})) << "stopping a work period has nothing to drop";
}

// Each state a lock can find: under it no cursor call, no tick and no request to stay awake; the
// schedule keeps its own clock; the unlock restores exactly what the state had, asking nothing.
TEST(Lock, StandsAsideUnderTheLockAndComesBackAtUnlock) {
    const struct {
        const char* name;
        const char* schedule; // work and pause minutes, or nullptr for a plain Start (or none)
        bool start;
        bool movesAfter;
        std::size_t awakeAsked; // requests to stay awake from the lock to after the unlock
    } cases[] = {
        {"moving", nullptr, true, true, 2},
        {"stopped", nullptr, false, false, 0},
        {"a work period that becomes a pause under the lock", "0.5", true, true, 1},
    };
    for (const auto& c : cases) {
        Harness h;
        h.desktop.screen.position = {300, 300};
        auto& f = h.load();
        h.win().paste("edDelay", "0.1");
        if (c.schedule != nullptr) {
            h.startSchedule(c.schedule, c.schedule);
        } else if (c.start) {
            h.win().click("cbStart");
        }
        h.ticks(5);
        const auto requests = h.desktop.system.awakeRequests;
        h.win().onSessionLock(true);
        const auto moves = h.desktop.screen.setCount;
        EXPECT_FALSE(f.tmMover.enabled()) << c.name << ": no tick wakes a locked machine";
        EXPECT_TRUE(h.desktop.system.awakeRequests.empty() || !h.desktop.system.awakeRequests.back())
            << c.name;
        h.desktop.clock.advance(40'000);
        EXPECT_EQ(h.desktop.screen.setCount, moves) << c.name;
        if (c.schedule != nullptr) {
            EXPECT_FALSE(f.IsPaused) << c.name << ": the schedule's clock went on";
        }
        h.win().onSessionLock(false);
        h.win().onSessionLock(false); // said twice, as two sources may say it
        h.ticks(3);
        EXPECT_EQ(h.desktop.screen.setCount > moves, c.movesAfter) << c.name;
        EXPECT_EQ(f.cbStart.caption(), c.start ? "Stop" : "Start") << c.name;
        EXPECT_EQ(h.desktop.system.awakeRequests.size(), requests.size() + c.awakeAsked) << c.name;
        const auto& awake = h.desktop.system.awakeRequests;
        EXPECT_EQ(!awake.empty() && awake.back(), c.movesAfter) << c.name;
        EXPECT_EQ(h.desktop.system.pointerRequests, c.start ? 1 : 0) << c.name << ": a kept session is kept";
    }
}

// The desktop may take the pointer back for the lock's sake: nothing is said under the lock, and the
// unlock asks once by itself where Kivano was moving; a refusal of that shows as any refusal.
TEST(Lock, APointerTakenUnderTheLockIsAskedForOnceAtUnlock) {
    const struct {
        const char* name;
        bool stopUnderLock;
        bool refuseAgain;
        int asked;
        const char* hint;
    } cases[] = {
        {"granted again", false, false, 2, ""},
        {"refused again", false, true, 2, "Desktop refused: press Stop, then Start"},
        {"stopped under the lock", true, false, 1, "Desktop refused: Start asks again"},
    };
    for (const auto& c : cases) {
        Harness h;
        auto& f = h.loadMoving();
        f.lblTop.setCaption("");
        h.win().onSessionLock(true);
        f.Pointer_Refused();
        EXPECT_EQ(f.lblTop.caption(), "") << c.name << ": nobody sees it under the lock";
        if (c.stopUnderLock) f.cbStart_Click();
        h.win().onSessionLock(false);
        if (c.refuseAgain) f.Pointer_Refused();
        h.win().onSessionLock(true);
        h.win().onSessionLock(false); // a lock with nothing taken asks nothing
        EXPECT_EQ(h.desktop.system.pointerRequests, c.asked) << c.name;
        EXPECT_EQ(f.lblTop.caption(), c.hint) << c.name;
    }
}

} // namespace
} // namespace kivano::testing
