// A window's scale: its frame and fonts at a DPI, and the relayout when it meets a monitor of another scale.

#include "ui/win32/proc_address.h"
#include "ui/win32/text.h"
#include "ui/win32/window.h"

namespace kivano::win32 {

using ui::ControlLayout;
using ui::Kind;

DWORD windowStyle(bool tool) {
    return WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | (tool ? WS_OVERLAPPED : WS_POPUP | DS_MODALFRAME);
}

DWORD windowExStyle(bool tool) {
    return WS_EX_CONTROLPARENT | (tool ? WS_EX_TOOLWINDOW | WS_EX_APPWINDOW : WS_EX_DLGMODALFRAME);
}

int screenDpi() {
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

void Win32Window::createFonts() {
    const std::wstring face = widen(layout_.fontName);
    const int height = scaled_.fontHeight;
    font_ = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str());
    boldFont_ =
        CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str());
}

// An auto-sized label keeps its left and top and fits its text in the window's font.
void Win32Window::fitLabel(HWND label, const ControlLayout& c) {
    if (!c.autoSize) return;
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, font_);
    SIZE size{};
    const std::wstring text = widen(c.caption);
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The window's outer rectangle around its client area at `dpi`, relative to the client's corner.
RECT Win32Window::frameFor(int dpi) const {
    const bool tool = layout_.frame == ui::Frame::ToolWindow;
    RECT r{0, 0, ui::twipsToPixels(layout_.clientWidth, dpi), ui::twipsToPixels(layout_.clientHeight, dpi)};
    using AdjustForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi =
        procAddress<AdjustForDpi>(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi");
    if (adjustForDpi == nullptr ||
        !adjustForDpi(&r, windowStyle(tool), FALSE, windowExStyle(tool), static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&r, windowStyle(tool), FALSE, windowExStyle(tool));
    }
    return r;
}

// Created on a monitor whose scale differs from the primary one's: laid out again for it.
void Win32Window::fitToMonitor() {
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto dpiForWindow =
        procAddress<DpiForWindow>(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
    const int actual = dpiForWindow != nullptr ? static_cast<int>(dpiForWindow(hwnd_)) : 0;
    if (actual > 0 && actual != scaled_.dpi) {
        RECT outer{};
        GetWindowRect(hwnd_, &outer);
        rescale(actual, outer);
    }
}

// The window moved to a monitor of another scale: everything is laid out again from its twips, and
// the window takes the place the system suggests, at the size of its client area at the new DPI.
void Win32Window::rescale(int dpi, const RECT& suggested) {
    if (dpi <= 0) return;
    scaled_ = ui::scaleLayout(layout_, dpi);
    HFONT oldFont = font_;
    HFONT oldBold = boldFont_;
    createFonts();
    for (size_t i = 0; i < handles_.size(); ++i) {
        if (handles_[i] == nullptr) continue;
        const ControlLayout& c = layout_.controls[i];
        const ui::PixelRect& r = scaled_.controls[i];
        SendMessageW(handles_[i], WM_SETFONT, reinterpret_cast<WPARAM>(c.bold ? boldFont_ : font_), FALSE);
        SetWindowPos(handles_[i], nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
        if (c.kind == Kind::Label) fitLabel(handles_[i], c);
    }
    DeleteObject(oldFont);
    DeleteObject(oldBold);
    const RECT frame = frameFor(dpi);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // The frame's own metrics may not follow the DPI (Wine keeps the system's): the client area is
    // measured and the window corrected by the difference, so the client size is the layout's.
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (client.right != scaled_.clientWidth || client.bottom != scaled_.clientHeight) {
        width += scaled_.clientWidth - client.right;
        height += scaled_.clientHeight - client.bottom;
        SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
}

} // namespace kivano::win32
