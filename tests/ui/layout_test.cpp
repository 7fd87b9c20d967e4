// Layout scaling: twips to pixels at the common DPIs (100 %, 125 %, 150 %, 200 %, 500 %), halves rounded
// away from zero, as every backend places its windows and as the Win32 edition re-lays itself out.

#include "resources/layouts.h"
#include "ui/layout.h"

#include <gtest/gtest.h>

namespace kivano::ui {
namespace {

struct Scaled {
    int dpi;
    int clientWidth, clientHeight, left, top, fontHeight;
    PixelRect edDelay;
};

TEST(Layout, TheMainWindowScalesWithTheDpi) {
    // The main window: 3795 x 2025 twips at 2760,3705, 8.25 pt; edDelay at 0,480, 735 x 285.
    const Scaled table[] = {
        {96, 253, 135, 184, 247, -11, {0, 32, 49, 19}},
        {120, 316, 169, 230, 309, -14, {0, 40, 61, 24}},
        {144, 380, 203, 276, 371, -17, {0, 48, 74, 29}},
        {192, 506, 270, 368, 494, -22, {0, 64, 98, 38}},
        {480, 1265, 675, 920, 1235, -55, {0, 160, 245, 95}}, // 500 %, the largest Windows offers
    };
    const WindowLayout& layout = resources::frmMainLayout();
    for (const Scaled& want : table) {
        const ScaledLayout got = scaleLayout(layout, want.dpi);
        EXPECT_EQ(got.dpi, want.dpi);
        EXPECT_EQ(got.clientWidth, want.clientWidth) << want.dpi;
        EXPECT_EQ(got.clientHeight, want.clientHeight) << want.dpi;
        EXPECT_EQ(got.left, want.left) << want.dpi;
        EXPECT_EQ(got.top, want.top) << want.dpi;
        EXPECT_EQ(got.fontHeight, want.fontHeight) << want.dpi;
        ASSERT_EQ(got.controls.size(), layout.controls.size());
        EXPECT_EQ(got.controls[2], want.edDelay) << want.dpi;
    }
}

TEST(Layout, LinesScaleByTheirEndPoints) {
    // dlgTimer's lnLine1 runs from 0,1200 to 4080,1200 twips.
    const WindowLayout& layout = resources::dlgTimerLayout();
    size_t line = 0;
    while (layout.controls[line].name != "lnLine1")
        ++line;
    EXPECT_EQ(scaleLayout(layout, 96).controls[line], (PixelRect{0, 80, 272, 80}));
    EXPECT_EQ(scaleLayout(layout, 144).controls[line], (PixelRect{0, 120, 408, 120}));
}

TEST(Layout, TwipsRoundHalvesAwayFromZero) {
    const struct {
        int twips, dpi, pixels;
    } table[] = {{15, 96, 1}, {7, 96, 0}, {8, 96, 1}, {-8, 96, -1}, {-7, 96, 0}, {10, 144, 1}, {5, 144, 1}};
    for (const auto& row : table)
        EXPECT_EQ(twipsToPixels(row.twips, row.dpi), row.pixels) << row.twips << " at " << row.dpi;
}

} // namespace
} // namespace kivano::ui
