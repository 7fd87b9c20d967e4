// The Win32 edition's entry point.

#include "app/program.h"
#include "ui/win32/registry.h"
#include "ui/win32/system_services.h"
#include "ui/win32/toolkit.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
    kivano::win32::Toolkit toolkit(instance);
    kivano::win32::Cursor cursor;
    kivano::win32::System system;
    kivano::win32::Registry registry;
    kivano::app::FixedSeedRandom random;
    kivano::app::Services services{toolkit, cursor, system, registry, random};
    return kivano::app::runProgram(services);
}
