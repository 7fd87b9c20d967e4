#include "ui/layout.h"

#include <algorithm>
#include <cctype>
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

std::string accessibleName(const WindowLayout& layout, const ControlLayout& control) {
    if (!control.accessibleName.empty()) return std::string(control.accessibleName);
    std::string_view name = control.caption;
    if (!control.labelledBy.empty()) {
        const auto label = std::find_if(layout.controls.begin(), layout.controls.end(),
                                        [&](const ControlLayout& c) { return c.name == control.labelledBy; });
        if (label != layout.controls.end()) name = label->caption;
    }
    while (!name.empty() && (name.back() == ' ' || name.back() == ':'))
        name.remove_suffix(1);
    return std::string(name);
}

std::string arrowName(std::string_view upDownName, bool up) {
    std::string name(upDownName);
    if (!name.empty()) name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
    return (up ? "Increase " : "Decrease ") + name;
}

} // namespace kivano::ui
