#pragma once
// The program's one entry: create the main window, load it, show it and run until it has closed.

#include "app/frmMain.h"
#include "app/services.h"

#include <functional>

namespace kivano::app {

// `afterLoad` lets an edition add what only it knows, before the window shows.
int runProgram(Services& services, const std::function<void(frmMain&)>& afterLoad = {});

} // namespace kivano::app
