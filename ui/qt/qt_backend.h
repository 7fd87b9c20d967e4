#pragma once
// What an edition's main and the tests take from the Qt backend: the toolkit (toolkit.h), the cursor
// and the system's services (system_services.h).

#include "ui/qt/system_services.h"
#include "ui/qt/toolkit.h"
