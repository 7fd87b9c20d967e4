// Where the desktop must grant the pointer first: only the user's Start asks, a refusal is shown where
// the user looks and outlives a passing hint, and the next Start asks again.

#include "support/harness.h"

#include <gtest/gtest.h>
#include <string>

namespace kivano::testing {
namespace {
constexpr const char* kIdle = "file://C:\\Program Files\\Kivano/Support/start.html";
constexpr const char* kMoving = "file://C:\\Program Files\\Kivano/Support/los.html";
constexpr const char* kDenied = "file://C:\\Program Files\\Kivano/Support/denied.html";
constexpr const char* kNoticeMoving = "Desktop refused: press Stop, then Start";
constexpr const char* kNoticeStopped = "Desktop refused: Start asks again";

TEST(Refusal, OnlyTheUsersStartAsksNeverTheSchedule) {
    Harness h;
    h.load();
    const int& asked = h.desktop.system.pointerRequests;
    EXPECT_EQ(asked, 0) << "opening the window asks nothing";
    h.win().click("cbStart");
    EXPECT_EQ(asked, 1);
    h.ticks(30);
    h.win().click("cbStart");
    EXPECT_EQ(asked, 1) << "Stop asks nothing";
    h.win().focus("cbStart");
    h.win().pressKey(u'\r');
    EXPECT_EQ(asked, 2) << "Start by keyboard asks too";
    h.win().click("cbStart");

    h.startSchedule("0.5", "0.5");
    EXPECT_EQ(asked, 3) << "the user's OK starts the schedule, and asks once";
    h.desktop.clock.advance(120'000); // two pause periods and two work periods
    EXPECT_EQ(asked, 3) << "the schedule's own periods never ask";
}

TEST(Refusal, ShownWhileMovingOutlivesHintsAndTheNextStartAsksAgain) {
    Harness h;
    auto& f = h.load();
    h.win().click("cbStart");
    f.Pointer_Refused();
    EXPECT_EQ(h.lastPage(), kDenied) << "the status pane no longer claims to move";
    EXPECT_EQ(f.lblTop.caption(), kNoticeMoving);
    EXPECT_EQ(f.cbStart.caption(), "Stop") << "still on: the session is kept awake";
    EXPECT_EQ(h.desktop.system.awakeRequests, std::vector<bool>{true});

    h.win().hover("cbTimer");
    EXPECT_EQ(f.lblTop.caption(), "Set up TIMER") << "a hint may pass over it";
    h.win().hover("");
    EXPECT_EQ(f.lblTop.caption(), kNoticeMoving) << "and the notice comes back";

    h.win().click("cbStart"); // Stop
    EXPECT_EQ(h.lastPage(), kIdle);
    EXPECT_EQ(f.lblTop.caption(), kNoticeStopped);
    h.win().hover("edSpeed");
    h.win().hover("");
    EXPECT_EQ(f.lblTop.caption(), kNoticeStopped);

    h.win().click("cbStart"); // asks again
    EXPECT_EQ(h.desktop.system.pointerRequests, 2);
    EXPECT_EQ(h.lastPage(), kMoving) << "asking afresh: no stale refusal";
    EXPECT_FALSE(f.PointerRefused);
    f.Pointer_Granted();
    EXPECT_EQ(h.lastPage(), kMoving);
    h.win().hover("cbTimer");
    h.win().hover("");
    EXPECT_EQ(f.lblTop.caption(), "Set up TIMER") << "no notice once granted";
}

// Each moment a refusal can come: the page it leaves and when the grant ends it.
TEST(Refusal, PagesFollowTheAnswerInEveryState) {
    struct Case {
        const char* name;
        bool moving;
        const char* refused;
        const char* granted;
    } cases[] = {
        {"stopped", false, kIdle, kIdle},
        {"moving", true, kDenied, kMoving},
    };
    for (const auto& c : cases) {
        Harness h;
        auto& f = h.load();
        if (c.moving) h.win().click("cbStart");
        f.Pointer_Refused();
        EXPECT_EQ(h.lastPage(), c.refused) << c.name;
        EXPECT_EQ(f.lblTop.caption(), c.moving ? kNoticeMoving : kNoticeStopped) << c.name;
        f.Pointer_Granted();
        EXPECT_EQ(h.lastPage(), c.granted) << c.name;
        EXPECT_EQ(f.lblTop.caption(), "") << c.name;
    }
}

// A Stop says nothing of a refusal the desktop never made, or took back by granting.
TEST(Refusal, StopWithoutOneShowsNoNotice) {
    struct Case {
        bool granted;
        const char* hint; // what the hint line holds before the Stop
    } cases[] = {{false, "Press START button "}, {true, ""}};
    for (const auto& c : cases) {
        Harness h;
        auto& f = h.load();
        h.win().click("cbStart");
        if (c.granted) {
            f.Pointer_Refused();
            f.Pointer_Granted();
        }
        h.ticks(3);
        h.win().click("cbStart"); // Stop
        EXPECT_EQ(h.lastPage(), kIdle) << c.granted;
        EXPECT_EQ(f.lblTop.caption(), c.hint) << c.granted;
    }
}

TEST(Refusal, AScheduleShowsItInItsPausePeriods) {
    Harness h;
    auto& f = h.load();
    h.startSchedule("0.5", "0.5");
    f.Pointer_Refused();
    EXPECT_EQ(h.lastPage(), kIdle) << "a work period moves nothing anyway";
    h.desktop.clock.advance(30'000);
    ASSERT_FALSE(f.IsPaused);
    EXPECT_EQ(h.lastPage(), kDenied) << "the pause period cannot move the pointer";
    h.desktop.clock.advance(30'000);
    EXPECT_EQ(h.lastPage(), kIdle);
}

} // namespace
} // namespace kivano::testing
