// The layouts' focus orders and the checked-in pictures' formats.

#include "resources/layouts.h"
#include "resources/strings.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace kivano::resources {
namespace {

std::vector<std::uint8_t> readFile(const std::string& name) {
    std::ifstream in(std::string(KIVANO_SOURCE_DIR) + "/resources/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The focus order: tab stops sorted by tab index.
std::vector<std::string> focusOrder(const ui::WindowLayout& layout) {
    std::vector<const ui::ControlLayout*> stops;
    for (const auto& c : layout.controls) {
        if (c.tabStop) stops.push_back(&c);
    }
    std::sort(stops.begin(), stops.end(), [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
    std::vector<std::string> names;
    for (const auto* c : stops)
        names.emplace_back(c->name);
    return names;
}

TEST(Resources, FocusOrdersFollowTheTabIndexes) {
    EXPECT_EQ(frmMainLayout().controls.size(), 16U);
    EXPECT_EQ(focusOrder(frmMainLayout()),
              (std::vector<std::string>{"cbStart", "edDelay", "udDelay", "cbMinimize", "edSpeed", "udSpeed",
                                        "edRandomize", "udRandomize", "cbTimer"}));
    EXPECT_EQ(focusOrder(dlgTimerLayout()),
              (std::vector<std::string>{"OKButton", "CancelButton", "edPeriod", "edWork"}));
    EXPECT_EQ(focusOrder(frmAboutLayout()), (std::vector<std::string>{"cmdOK", "cmdSysInfo"}));
}

TEST(Resources, AboutPictureIsA64By88GifWithTenFramesAndATransparentIndex) {
    const auto gif = readFile("about.gif");
    ASSERT_GT(gif.size(), 800U);
    EXPECT_TRUE(std::equal(gif.begin(), gif.begin() + 6, "GIF89a"));
    EXPECT_EQ(gif[6] | gif[7] << 8, 64);
    EXPECT_EQ(gif[8] | gif[9] << 8, 88);
    EXPECT_EQ(gif[10], 0xF7) << "a global table of 256 colours";
    const std::vector<std::uint8_t> loop = {'N', 'E', 'T', 'S', 'C', 'A',  'P', 'E',
                                            '2', '.', '0', 3,   1,   0xE8, 0x03};
    EXPECT_NE(std::search(gif.begin(), gif.end(), loop.begin(), loop.end()), gif.end())
        << "repeat count 1000";
    const std::vector<std::uint8_t> control = {0x21, 0xF9, 0x04, 0x09, 5, 0, 4, 0};
    int frames = 0;
    for (auto it = gif.begin();
         (it = std::search(it, gif.end(), control.begin(), control.end())) != gif.end(); ++it) {
        ++frames;
    }
    EXPECT_EQ(frames, 10) << "each frame 50 ms with index 4 transparent";
}

TEST(Resources, IconIs32By32In16ColoursWithAMask) {
    const auto ico = readFile("kivano.ico");
    ASSERT_EQ(ico.size(), 6U + 16 + 40 + 64 + 32 * 16 + 32 * 4);
    EXPECT_EQ(ico[6], 32);
    EXPECT_EQ(ico[7], 32);
    EXPECT_EQ(ico[8], 16);
    EXPECT_EQ(ico[22 + 14], 4) << "4 bits a pixel";
}

} // namespace
} // namespace kivano::resources
