// A window's life (creation, modal showing, closing, destruction) and its painting.

#include "ui/win32/window.h"

#include "ui/win32/toolkit.h"

#include <algorithm>
#include <olectl.h>
#include <stdexcept>
#include <wtsapi32.h>

namespace kivano::win32 {

using ui::Colour;
using ui::ControlLayout;
using ui::Kind;
using ui::WindowLayout;

namespace {

constexpr int kAboutPictureResource = 200;

COLORREF colourOf(Colour c) {
    switch (c) {
    case Colour::ButtonShadow:
        return GetSysColor(COLOR_BTNSHADOW);
    case Colour::ButtonHighlight:
        return GetSysColor(COLOR_BTNHIGHLIGHT);
    case Colour::ThreeDLight:
        return GetSysColor(COLOR_3DLIGHT);
    case Colour::Black:
        return RGB(0, 0, 0);
    case Colour::White:
        return RGB(255, 255, 255);
    case Colour::Grey:
        return RGB(128, 128, 128);
    case Colour::Default:
        break;
    }
    return GetSysColor(COLOR_BTNTEXT);
}

// The GIF of the About box through OLE's picture loader, which also honours its transparent colour.
IPicture* loadPicture(HINSTANCE instance, int resource) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(resource), MAKEINTRESOURCEW(10)); // RT_RCDATA
    if (found == nullptr) return nullptr;
    const DWORD size = SizeofResource(instance, found);
    const void* data = LockResource(LoadResource(instance, found));
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (data == nullptr || copy == nullptr) return nullptr;
    std::copy_n(static_cast<const char*>(data), size, static_cast<char*>(GlobalLock(copy)));
    GlobalUnlock(copy);
    IStream* stream = nullptr;
    IPicture* picture = nullptr;
    if (SUCCEEDED(CreateStreamOnHGlobal(copy, TRUE, &stream))) {
        OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                       reinterpret_cast<void**>(&picture));
        stream->Release();
    } else {
        GlobalFree(copy);
    }
    return picture;
}

} // namespace

Win32Window::Win32Window(Toolkit& toolkit, const WindowLayout& layout)
    : toolkit_(toolkit), layout_(layout), scaled_(ui::scaleLayout(layout, screenDpi())) {
    const bool tool = layout.frame == ui::Frame::ToolWindow;
    const DWORD style = windowStyle(tool);
    const DWORD exStyle = windowExStyle(tool);
    const RECT r = frameFor(scaled_.dpi);
    int x = scaled_.left + r.left;
    int y = scaled_.top + r.top;
    HWND owner = tool ? nullptr : toolkit.mainWindow();
    if (layout.centreOnOwner) {
        RECT around{};
        if (owner != nullptr) {
            GetWindowRect(owner, &around);
        } else {
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
        }
        x = (around.left + around.right - (r.right - r.left)) / 2;
        y = (around.top + around.bottom - (r.bottom - r.top)) / 2;
    }
    CreateWindowExW(exStyle, kWindowClass, widen(layout.caption).c_str(), style, x, y, r.right - r.left,
                    r.bottom - r.top, owner, nullptr, toolkit.instance(), this);
    if (hwnd_ == nullptr) throw std::runtime_error("CreateWindowEx failed");
    HICON icon = LoadIconW(toolkit.instance(), MAKEINTRESOURCEW(1));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    if (!layout.background.empty()) picture_ = loadPicture(toolkit.instance(), kAboutPictureResource);
    build();
    fitToMonitor();
    if (tool) watchesSession_ = WTSRegisterSessionNotification(hwnd_, NOTIFY_FOR_THIS_SESSION) != FALSE;
    toolkit.windows_.push_back(this);
}

Win32Window::~Win32Window() {
    std::erase(toolkit_.windows_, this);
    if (hwnd_ != nullptr) {
        open_ = false;
        DestroyWindow(hwnd_);
    }
    if (picture_ != nullptr) picture_->Release();
    DeleteObject(font_);
    DeleteObject(boldFont_);
}

void Win32Window::close() {
    if (!open_) return;
    open_ = false;
    if (onUnload) onUnload();
    DestroyWindow(hwnd_);
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0); // wakes the loop that waits on this window
}

void Win32Window::focusFirst() {
    for (size_t i = 0; i < handles_.size(); ++i) {
        const ControlLayout& c = layout_.controls[i];
        if (c.tabStop && c.tabIndex == 0 && handles_[i] != nullptr) SetFocus(handles_[i]);
    }
}

void Win32Window::showModal() {
    // Every other window of the program takes no input meanwhile; its timers go on.
    std::vector<HWND> disabled;
    for (Win32Window* w : toolkit_.windows_) {
        if (w != this && w->hwnd_ != nullptr && IsWindowEnabled(w->hwnd_)) {
            EnableWindow(w->hwnd_, FALSE);
            disabled.push_back(w->hwnd_);
        }
    }
    show();
    toolkit_.pump(open_);
    for (HWND h : disabled) {
        if (IsWindow(h)) EnableWindow(h, TRUE);
    }
    if (!disabled.empty() && IsWindow(disabled.front())) SetActiveWindow(disabled.front());
}

void Win32Window::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (picture_ != nullptr) {
        OLE_XSIZE_HIMETRIC w = 0;
        OLE_YSIZE_HIMETRIC h = 0;
        picture_->get_Width(&w);
        picture_->get_Height(&h);
        // Unscaled: HIMETRIC to pixels at 96 dpi, the picture's own resolution.
        const int pw = MulDiv(static_cast<int>(w), 96, 2540);
        const int ph = MulDiv(static_cast<int>(h), 96, 2540);
        picture_->Render(dc, 0, 0, pw, ph, 0, h, w, -h, nullptr);
    }
    for (size_t i = 0; i < layout_.controls.size(); ++i) {
        const ControlLayout& c = layout_.controls[i];
        if (c.kind != Kind::Line) continue;
        const ui::LineEnds ends = ui::lineEnds(scaled_.controls[i]);
        HPEN pen = CreatePen(PS_SOLID, c.lineWidth, colourOf(c.foreground));
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, ends.x1, ends.y1, nullptr);
        LineTo(dc, ends.x2, ends.y2);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    EndPaint(hwnd_, &ps);
}

LRESULT Win32Window::labelColours(HDC dc, HWND label) {
    const auto it = std::find(handles_.begin(), handles_.end(), label);
    if (it == handles_.end())
        return DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), 0);
    const ControlLayout& c = layout_.controls[static_cast<size_t>(it - handles_.begin())];
    SetTextColor(dc, colourOf(c.foreground));
    if (c.background == Colour::ButtonShadow) {
        SetBkColor(dc, GetSysColor(COLOR_BTNSHADOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNSHADOW));
    }
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

} // namespace kivano::win32
