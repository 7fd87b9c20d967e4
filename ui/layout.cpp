#include "ui/layout.h"

#include <cmath>

namespace kivano::ui {

ScaledLayout scaleLayout(const WindowLayout& layout, int dpi) {
    const auto px = [dpi](int twips) { return twipsToPixels(twips, dpi); };
    ScaledLayout scaled;
    scaled.dpi = dpi;
    scaled.clientWidth = px(layout.clientWidth);
    scaled.clientHeight = px(layout.clientHeight);
    scaled.left = px(layout.left);
    scaled.top = px(layout.top);
    // Points to pixels, half away from zero, as MulDiv(points * 100, dpi, 7200) gives it.
    const long long hundredths = std::llround(layout.fontPoints * 100);
    scaled.fontHeight = -static_cast<int>((hundredths * dpi + 3600) / 7200);
    scaled.controls.reserve(layout.controls.size());
    for (const ControlLayout& c : layout.controls)
        scaled.controls.push_back({px(c.left), px(c.top), px(c.width), px(c.height)});
    return scaled;
}

} // namespace kivano::ui
