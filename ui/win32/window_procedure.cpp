// The window procedure and the controls' subclass procedure: decoding only; the work is in the members.

#include "ui/win32/window.h"

#include <commctrl.h>
#include <wtsapi32.h>

namespace kivano::win32 {

using ui::ControlLayout;

LRESULT CALLBACK Win32Window::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self != nullptr ? self->handle(msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT Win32Window::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        command(LOWORD(wp), HIWORD(wp));
        return 0;
    case WM_NOTIFY:
        notify(*reinterpret_cast<const NMHDR*>(lp));
        return 0;
    case WM_TIMER:
        tick(wp);
        return 0;
    case WM_MOUSEMOVE:
        if (onMouseMove) onMouseMove();
        return 0;
    case WM_CHAR:
        if (onKeyPress) onKeyPress(static_cast<char16_t>(wp));
        return 0;
    case WM_CLOSE:
        close();
        return 0;
    case WM_PAINT:
        paint();
        return 0;
    case WM_CTLCOLORSTATIC:
        return labelColours(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_DPICHANGED:
        rescale(LOWORD(wp), *reinterpret_cast<const RECT*>(lp));
        return 0;
    case WM_WTSSESSION_CHANGE:
        sessionChanged(wp);
        return 0;
    case WM_DESTROY:
        if (watchesSession_) WTSUnRegisterSessionNotification(hwnd_);
        return 0;
    case WM_NCDESTROY: {
        // The last message: the default handling still needs the handle that destroyed() lets go of.
        HWND const hwnd = hwnd_;
        destroyed();
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    default:
        break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

// Controls are subclassed for the mouse moves and key presses that their own classes keep to themselves.
LRESULT CALLBACK Win32Window::controlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR index,
                                          DWORD_PTR self) {
    return reinterpret_cast<Win32Window*>(self)->handleControl(hwnd, index, msg, wp, lp);
}

LRESULT Win32Window::handleControl(HWND hwnd, size_t index, UINT msg, WPARAM wp, LPARAM lp) {
    ui::Control& control = *controls_[index];
    auto* button = dynamic_cast<ui::Button*>(&control);
    auto* box = dynamic_cast<ui::TextBox*>(&control);
    const ui::KeyHandler* keys = button != nullptr ? &button->onKeyPress
                                 : box != nullptr  ? &box->onKeyPress
                                                   : nullptr;
    switch (msg) {
    case WM_MOUSEMOVE:
        if (control.onMouseMove) control.onMouseMove();
        break;
    case WM_GETDLGCODE:
        // A button with a key handler asks the dialog manager for its characters.
        if (button != nullptr && button->onKeyPress) {
            return DefSubclassProc(hwnd, msg, wp, lp) | DLGC_WANTCHARS;
        }
        break;
    case WM_CHAR:
        if (keys != nullptr && *keys && wp >= 0x20) (*keys)(static_cast<char16_t>(wp));
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, controlProc, index);
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void Win32Window::command(int id, int code) {
    if (id == IDOK || id == IDCANCEL) { // Enter or Esc, from the dialog manager
        pressRole(id == IDOK);
        return;
    }
    const size_t index = static_cast<size_t>(id - kFirstControlId);
    if (index >= controls_.size()) return;
    if (auto* button = dynamic_cast<ui::Button*>(controls_[index].get()); button && code == BN_CLICKED) {
        if (button->onClick) button->onClick();
    } else if (auto* box = dynamic_cast<ui::TextBox*>(controls_[index].get()); box && code == EN_CHANGE) {
        if (box->onChange) box->onChange();
    }
}

void Win32Window::notify(const NMHDR& header) {
    if (header.code != static_cast<UINT>(UDN_DELTAPOS)) return;
    const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
    const size_t index = header.idFrom - kFirstControlId;
    auto* upDown = index < controls_.size() ? dynamic_cast<ui::UpDown*>(controls_[index].get()) : nullptr;
    if (upDown == nullptr) return;
    const ui::Handler& h = change.iDelta > 0 ? upDown->onUpClick : upDown->onDownClick;
    if (h) h();
    // The arrows' own position stays where it is, so both arrows always answer.
    SendMessageW(header.hwndFrom, UDM_SETPOS32, 0, 5);
}

void Win32Window::tick(WPARAM id) {
    const size_t index = id - kFirstControlId;
    auto* timer = index < controls_.size() ? dynamic_cast<ui::Timer*>(controls_[index].get()) : nullptr;
    if (timer != nullptr && timer->onTimer) timer->onTimer();
}

void Win32Window::pressRole(bool wantDefault) {
    for (size_t i = 0; i < layout_.controls.size(); ++i) {
        const ControlLayout& c = layout_.controls[i];
        if (!(wantDefault ? c.isDefault : c.isCancel)) continue;
        auto* button = dynamic_cast<ui::Button*>(controls_[i].get());
        if (button != nullptr && button->enabled() && button->onClick) button->onClick();
        return;
    }
}

// Locked while the session's desktop is locked or the session has no display at all (disconnected, or
// switched away from): either way nobody is there, and both must end before anyone is.
void Win32Window::sessionChanged(WPARAM event) {
    const bool before = locked_ || disconnected_;
    switch (event) {
    case WTS_SESSION_LOCK:
    case WTS_SESSION_UNLOCK:
        locked_ = event == WTS_SESSION_LOCK;
        break;
    case WTS_CONSOLE_DISCONNECT:
    case WTS_REMOTE_DISCONNECT:
    case WTS_CONSOLE_CONNECT:
    case WTS_REMOTE_CONNECT:
        disconnected_ = event == WTS_CONSOLE_DISCONNECT || event == WTS_REMOTE_DISCONNECT;
        break;
    default:
        return;
    }
    const bool now = locked_ || disconnected_;
    if (now != before && onSessionLock) onSessionLock(now);
}

// The last message the window gets: from here on nothing reaches this object through the handle.
void Win32Window::destroyed() {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    open_ = false;
}

} // namespace kivano::win32
