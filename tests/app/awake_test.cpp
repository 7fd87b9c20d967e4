// The request to keep the machine awake follows exactly the time the cursor is being moved.

#include "support/harness.h"

#include <gtest/gtest.h>
#include <vector>

namespace kivano::testing {
namespace {

using ui::headless::Window;

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

TEST(Awake, AScheduleHoldsItOnlyInItsPausePeriods) {
    Harness h;
    auto& f = h.load();
    h.desktop.toolkit.onNextModal([](Window& d) {
        d.paste("edWork", "0.5");
        d.paste("edPeriod", "0.5");
        d.click("OKButton");
    });
    h.win().click("cbTimer");
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
