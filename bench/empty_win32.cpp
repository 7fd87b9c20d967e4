// The baseline for memory: an empty Win32 window of the main window's size, built like Kivano.
#include <windows.h>

static LRESULT CALLBACK proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(h, m, w, l);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = proc;
    cls.hInstance = instance;
    cls.lpszClassName = L"Empty";
    RegisterClassW(&cls);
    CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_APPWINDOW, L"Empty", L"Empty",
                    WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 184, 247, 259, 157, nullptr, nullptr, instance,
                    nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}
