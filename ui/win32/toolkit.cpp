// The toolkit: the program's one window class, the common controls, OLE for the browser pane, and the loop.

#include "ui/win32/toolkit.h"

#include "ui/win32/proc_address.h"
#include "ui/win32/text.h"
#include "ui/win32/window.h"

#include <commctrl.h>
#include <ole2.h>

namespace kivano::win32 {

Toolkit::Toolkit(HINSTANCE instance) : instance_(instance) {
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    oleReady_ = SUCCEEDED(OleInitialize(nullptr));
    if (oleReady_) {
        // The browser pane is hosted through atl.dll; without it the pane stays empty.
        if (HMODULE atl = LoadLibraryW(L"atl.dll")) {
            using Init = BOOL(WINAPI*)();
            const auto init = procAddress<Init>(atl, "AtlAxWinInit");
            oleReady_ = init != nullptr && init() != FALSE;
        } else {
            oleReady_ = false;
        }
    }
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = Win32Window::windowProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    cls.lpszClassName = kWindowClass;
    RegisterClassExW(&cls);
}

Toolkit::~Toolkit() {
    OleUninitialize();
}

std::unique_ptr<ui::Window> Toolkit::createWindow(const ui::WindowLayout& layout) {
    return std::make_unique<Win32Window>(*this, layout);
}

HWND Toolkit::mainWindow() const {
    return windows_.empty() ? nullptr : windows_.front()->hwnd();
}

void Toolkit::messageBox(const std::string& text, const std::string& caption) {
    MessageBoxW(GetActiveWindow(), widen(text).c_str(), widen(caption).c_str(), MB_OK);
}

void Toolkit::pump(const bool& open) {
    MSG msg;
    while (open) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam)); // let an outer loop see it too
            return;
        }
        if (got < 0) return;
        HWND top = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (top != nullptr && IsDialogMessageW(top, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Toolkit::run(ui::Window& main) {
    pump(dynamic_cast<Win32Window&>(main).openFlag());
}

} // namespace kivano::win32
