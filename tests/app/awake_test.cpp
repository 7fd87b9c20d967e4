// The request to keep the machine awake follows exactly the time the cursor is being moved.

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

} // namespace
} // namespace kivano::testing
