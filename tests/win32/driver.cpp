// Drives the running Win32 edition from another process, as a test would: finds its windows by
// title and its controls by their layout names, reads texts and presses buttons.
// Usage: driver wait|rect|close TITLE, driver text|click TITLE CONTROL, driver char TITLE C, driver idle

#include "resources/layouts.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <windows.h>
#include <wtsapi32.h>

namespace {

constexpr int kFirstControlId = 100;

const kivano::ui::WindowLayout* layoutFor(std::string_view title) {
    if (title == "Kivano") return &kivano::resources::frmMainLayout();
    if (title == "Set up Timer") return &kivano::resources::dlgTimerLayout();
    if (title == "About Kivano") return &kivano::resources::frmAboutLayout();
    return nullptr;
}

HWND findWindow(const char* title, int waitMs) {
    for (int waited = 0;; waited += 100) {
        HWND h = FindWindowA("KivanoWindow", title);
        if (h != nullptr && IsWindowVisible(h)) return h;
        if (waited >= waitMs) return nullptr;
        Sleep(100);
    }
}

HWND findControl(HWND window, const char* title, std::string_view name) {
    const auto* layout = layoutFor(title);
    if (layout == nullptr) return nullptr;
    for (size_t i = 0; i < layout->controls.size(); ++i) {
        if (layout->controls[i].name == name)
            return GetDlgItem(window, kFirstControlId + static_cast<int>(i));
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    // A driver unaware of the DPI would read every window in 96-dpi coordinates where the system
    // scales (Wine 10 does, as Windows does): it reads them in pixels, as the user sees them.
    SetProcessDPIAware();
    if (argc < 2 || (argc < 3 && std::string_view(argv[1]) != "idle")) {
        std::fprintf(stderr, "usage: driver COMMAND TITLE [ARG]\n");
        return 2;
    }
    const std::string command = argv[1];
    if (command == "idle") { // milliseconds since the session's last input, as the idle timer sees it
        LASTINPUTINFO info{sizeof info, 0};
        if (!GetLastInputInfo(&info)) return 1;
        std::printf("%lu\n", GetTickCount() - info.dwTime);
        return 0;
    }
    const char* title = argv[2];
    HWND window = findWindow(title, command == "wait" ? 20000 : 3000);
    if (window == nullptr) {
        std::printf("no window \"%s\"\n", title);
        return 1;
    }
    if (command == "wait") return 0;
    if (command == "rect") {
        RECT r{};
        GetClientRect(window, &r);
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        std::printf("client %ld,%ld %ldx%ld\n", origin.x, origin.y, r.right, r.bottom);
        return 0;
    }
    if (command == "close") return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    // The system's word that the session was locked or unlocked, which Wine never sends itself.
    if (command == "session" && argc == 4) {
        const WPARAM event = std::string_view(argv[3]) == "lock" ? WTS_SESSION_LOCK : WTS_SESSION_UNLOCK;
        return PostMessageW(window, WM_WTSSESSION_CHANGE, event, 1) ? 0 : 1;
    }
    if (command == "char" && argc == 4)
        return PostMessageW(window, WM_CHAR, static_cast<WPARAM>(argv[3][0]), 0) ? 0 : 1;
    if (argc != 4) return 2;
    HWND control = findControl(window, title, argv[3]);
    if (control == nullptr) {
        std::printf("no control %s\n", argv[3]);
        return 1;
    }
    if (command == "text") {
        char text[256] = {};
        DWORD_PTR result = 0;
        SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                            SMTO_ABORTIFHUNG, 3000, &result);
        std::printf("%s\n", text);
        return 0;
    }
    // Posted, not sent: a click that opens a modal window returns only once that window closes.
    if (command == "click") return PostMessageW(control, BM_CLICK, 0, 0) ? 0 : 1;
    return 2;
}
