#include "ui/win32/controls.h"

#include "ui/win32/proc_address.h"
#include "ui/win32/text.h"
#include "ui/win32/toolkit.h"
#include "ui/win32/window.h"

#include <algorithm>
#include <commctrl.h>
#include <utility>
#include <vector>

namespace kivano::win32 {

using ui::ControlLayout;
using ui::Kind;
using ui::WindowLayout;

namespace {

// Controls are created in tab order, since the dialog manager moves the focus in creation order. A
// label that names a text box comes just before it: screen readers name a box after the label
// preceding it, and labels take no focus, so the focus order stays as it is.
std::vector<size_t> creationOrder(const WindowLayout& layout) {
    std::vector<std::pair<int, int>> keys(layout.controls.size());
    for (size_t i = 0; i < keys.size(); ++i)
        keys[i] = {layout.controls[i].tabIndex, 1};
    for (const ControlLayout& c : layout.controls) {
        if (c.kind != Kind::TextBox || c.labelledBy.empty()) continue;
        for (size_t i = 0; i < keys.size(); ++i) {
            if (layout.controls[i].name == c.labelledBy) keys[i] = {c.tabIndex, 0};
        }
    }
    std::vector<size_t> order(keys.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    return order;
}

} // namespace

std::wstring windowText(HWND h) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::string Label::caption() const {
    return narrow(windowText(h_));
}

void Label::setCaption(const std::string& text) {
    SetWindowTextW(h_, widen(text).c_str());
}

std::string TextBox::text() const {
    return narrow(windowText(h_));
}

void TextBox::setText(const std::string& text) {
    const std::wstring wide = widen(text);
    if (wide != windowText(h_)) SetWindowTextW(h_, wide.c_str());
}

std::string Button::caption() const {
    return narrow(windowText(h_));
}

void Button::setCaption(const std::string& text) {
    SetWindowTextW(h_, widen(text).c_str());
}

void Button::setTooltip(const std::string& text) {
    tooltip_ = text;
    std::wstring wide = widen(text);
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = GetParent(h_);
    info.uId = reinterpret_cast<UINT_PTR>(h_);
    info.lpszText = wide.data();
    SendMessageW(tips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

Browser::~Browser() {
    if (browser_ != nullptr) browser_->Release();
}

void Browser::navigate(const std::string& address) {
    if (browser_ == nullptr) return;
    BSTR url = SysAllocString(widen(address).c_str());
    VARIANT empty;
    VariantInit(&empty);
    browser_->Navigate(url, &empty, &empty, &empty, &empty);
    SysFreeString(url);
}

void Timer::setEnabled(bool on) {
    if (on && !enabled_) SetTimer(owner_, id_, interval_, nullptr);
    if (!on && enabled_) KillTimer(owner_, id_);
    enabled_ = on;
}

void Timer::setInterval(std::uint32_t ms) {
    interval_ = ms;
    if (enabled_) SetTimer(owner_, id_, interval_, nullptr); // replacing a timer starts its period afresh
}

// ---- The window's controls, created from its layout ----

void Win32Window::build() {
    createFonts();
    tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, toolkit_.instance(),
                            nullptr);
    controls_.resize(layout_.controls.size());
    handles_.assign(layout_.controls.size(), nullptr);
    for (const size_t i : creationOrder(layout_)) {
        const ControlLayout& c = layout_.controls[i];
        byName_[std::string(c.name)] = i;
        handles_[i] = createControl(c, i);
        if (handles_[i] != nullptr) {
            SendMessageW(handles_[i], WM_SETFONT, reinterpret_cast<WPARAM>(c.bold ? boldFont_ : font_),
                         FALSE);
            SetWindowSubclass(handles_[i], controlProc, i, reinterpret_cast<DWORD_PTR>(this));
            if (!c.tooltip.empty()) addTooltip(handles_[i], c.tooltip);
        }
    }
}

HWND Win32Window::createControl(const ControlLayout& c, size_t index) {
    const ui::PixelRect& r = scaled_.controls[index];
    const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index));
    const auto make = [&](const wchar_t* cls, const std::wstring& text, DWORD style, DWORD ex = 0) {
        return CreateWindowExW(ex, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.width,
                               r.height, hwnd_, id, toolkit_.instance(), nullptr);
    };
    const DWORD tab = c.tabStop ? WS_TABSTOP : 0;
    switch (c.kind) {
    case Kind::Label: {
        HWND h = make(L"STATIC", widen(c.caption), SS_NOTIFY | (c.wrap ? SS_LEFT : SS_LEFTNOWORDWRAP));
        fitLabel(h, c);
        controls_[index] = std::make_unique<Label>(h);
        return h;
    }
    case Kind::TextBox: {
        HWND h = make(L"EDIT", L"", ES_LEFT | ES_AUTOHSCROLL | tab, WS_EX_CLIENTEDGE);
        controls_[index] = std::make_unique<TextBox>(h);
        return h;
    }
    case Kind::Button: {
        HWND h = make(L"BUTTON", widen(c.caption), (c.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | tab);
        controls_[index] = std::make_unique<Button>(h, tips_, std::string(c.tooltip));
        return h;
    }
    case Kind::UpDown: {
        // Never drawn; what screen readers say the spinner is.
        HWND h = make(UPDOWN_CLASSW, widen(ui::accessibleName(layout_, c)), tab);
        SendMessageW(h, UDM_SETRANGE32, 0, 10);
        SendMessageW(h, UDM_SETPOS32, 0, 5);
        controls_[index] = std::make_unique<UpDown>();
        return h;
    }
    case Kind::Browser: {
        HWND h = toolkit_.oleReady_ ? make(L"AtlAxWin", L"Shell.Explorer.2", 0) : nullptr;
        IWebBrowser2* browser = hostedBrowser(h);
        if (h == nullptr) h = make(L"STATIC", L"", SS_WHITERECT); // an empty pane where there is no browser
        controls_[index] = std::make_unique<Browser>(browser);
        return h;
    }
    case Kind::Timer: {
        auto timer = std::make_unique<Timer>(hwnd_, kFirstControlId + index);
        timer->setInterval(c.interval);
        controls_[index] = std::move(timer);
        return nullptr;
    }
    case Kind::Line:
        controls_[index] = std::make_unique<Line>();
        return nullptr;
    }
    return nullptr;
}

// The web browser inside an ATL host window, or null where there is none.
IWebBrowser2* Win32Window::hostedBrowser(HWND host) {
    IWebBrowser2* browser = nullptr;
    using GetControl = HRESULT(WINAPI*)(HWND, IUnknown**);
    const auto getControl = procAddress<GetControl>(GetModuleHandleW(L"atl.dll"), "AtlAxGetControl");
    IUnknown* unknown = nullptr;
    if (host != nullptr && getControl != nullptr && SUCCEEDED(getControl(host, &unknown)) &&
        unknown != nullptr) {
        unknown->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser));
        unknown->Release();
    }
    return browser;
}

void Win32Window::addTooltip(HWND control, std::string_view text) {
    std::wstring wide = widen(text);
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = hwnd_;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = wide.data();
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

} // namespace kivano::win32
