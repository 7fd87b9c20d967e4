#pragma once
// The three windows' layouts, shared by every backend.

#include "ui/layout.h"

namespace kivano::resources {

const ui::WindowLayout& frmMainLayout();
const ui::WindowLayout& dlgTimerLayout();
const ui::WindowLayout& frmAboutLayout();

// The About box's picture, as a file name under resources/.
inline constexpr const char* kAboutPicture = "about.gif";

} // namespace kivano::resources
