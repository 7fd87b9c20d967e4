#include "ui/win32/win32_backend.h"

#include "ui/win32/text.h"

#include <algorithm>
#include <commctrl.h>
#include <exdisp.h>
#include <map>
#include <ole2.h>
#include <olectl.h>

namespace kivano::win32 {

using ui::Colour;
using ui::ControlLayout;
using ui::Kind;
using ui::WindowLayout;

namespace {

constexpr wchar_t kWindowClass[] = L"KivanoWindow";
constexpr int kFirstControlId = 100; // above IDOK and IDCANCEL, which the dialog manager sends
constexpr int kAboutPictureResource = 200;

// A function of a DLL by name; the detour through void(*)() is the sanctioned way to cast FARPROC.
template <typename F> F procAddress(HMODULE module, const char* name) {
    return module == nullptr
               ? nullptr
               : reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

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

std::wstring windowText(HWND h) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
    return text;
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

class Label final : public ui::Label {
  public:
    explicit Label(HWND h) : h_(h) {}
    [[nodiscard]] std::string caption() const override { return narrow(windowText(h_)); }
    void setCaption(const std::string& text) override { SetWindowTextW(h_, widen(text).c_str()); }

  private:
    HWND h_;
};

class TextBox final : public ui::TextBox {
  public:
    explicit TextBox(HWND h) : h_(h) {}
    [[nodiscard]] std::string text() const override { return narrow(windowText(h_)); }
    // The edit control sends EN_CHANGE, and so onChange runs, before SetWindowText returns.
    void setText(const std::string& text) override {
        const std::wstring wide = widen(text);
        if (wide != windowText(h_)) SetWindowTextW(h_, wide.c_str());
    }

  private:
    HWND h_;
};

class Button final : public ui::Button {
  public:
    Button(HWND h, HWND tips, std::string tooltip) : h_(h), tips_(tips), tooltip_(std::move(tooltip)) {}
    [[nodiscard]] std::string caption() const override { return narrow(windowText(h_)); }
    void setCaption(const std::string& text) override { SetWindowTextW(h_, widen(text).c_str()); }
    [[nodiscard]] std::string tooltip() const override { return tooltip_; }
    void setTooltip(const std::string& text) override {
        tooltip_ = text;
        std::wstring wide = widen(text);
        TOOLINFOW info{};
        info.cbSize = sizeof info;
        info.hwnd = GetParent(h_);
        info.uId = reinterpret_cast<UINT_PTR>(h_);
        info.lpszText = wide.data();
        SendMessageW(tips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    }
    [[nodiscard]] bool enabled() const override { return IsWindowEnabled(h_) != FALSE; }
    void setEnabled(bool on) override { EnableWindow(h_, on ? TRUE : FALSE); }

  private:
    HWND h_;
    HWND tips_;
    std::string tooltip_;
};

class UpDown final : public ui::UpDown {};

class Browser final : public ui::Browser {
  public:
    explicit Browser(IWebBrowser2* browser) : browser_(browser) {}
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;
    ~Browser() override {
        if (browser_ != nullptr) browser_->Release();
    }
    // The control loads the page on its own; nothing waits for it.
    void navigate(const std::string& address) override {
        if (browser_ == nullptr) return;
        BSTR url = SysAllocString(widen(address).c_str());
        VARIANT empty;
        VariantInit(&empty);
        browser_->Navigate(url, &empty, &empty, &empty, &empty);
        SysFreeString(url);
    }

  private:
    IWebBrowser2* browser_;
};

class Timer final : public ui::Timer {
  public:
    Timer(HWND owner, UINT_PTR id) : owner_(owner), id_(id) {}
    [[nodiscard]] bool enabled() const override { return enabled_; }
    void setEnabled(bool on) override {
        if (on && !enabled_) SetTimer(owner_, id_, interval_, nullptr);
        if (!on && enabled_) KillTimer(owner_, id_);
        enabled_ = on;
    }
    [[nodiscard]] std::uint32_t interval() const override { return interval_; }
    void setInterval(std::uint32_t ms) override {
        interval_ = ms;
        if (enabled_) SetTimer(owner_, id_, interval_, nullptr); // replacing a timer starts its period afresh
    }

  private:
    HWND owner_;
    UINT_PTR id_;
    bool enabled_ = false;
    std::uint32_t interval_ = 0;
};

class Line final : public ui::Line {};

} // namespace

class Win32Window final : public ui::Window {
  public:
    Win32Window(Toolkit& toolkit, const WindowLayout& layout);
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    [[nodiscard]] std::string caption() const override { return narrow(windowText(hwnd_)); }
    void setCaption(const std::string& text) override { SetWindowTextW(hwnd_, widen(text).c_str()); }
    [[nodiscard]] ui::WindowState state() const override {
        if (IsIconic(hwnd_)) return ui::WindowState::Minimized;
        if (IsZoomed(hwnd_)) return ui::WindowState::Maximized;
        return ui::WindowState::Normal;
    }
    void setState(ui::WindowState state) override {
        ShowWindow(hwnd_, state == ui::WindowState::Minimized   ? SW_MINIMIZE
                          : state == ui::WindowState::Maximized ? SW_MAXIMIZE
                                                                : SW_RESTORE);
    }
    [[nodiscard]] ui::Rect outerRect() const override {
        RECT r{};
        GetWindowRect(hwnd_, &r);
        return {r.left, r.top, r.right, r.bottom};
    }
    void show() override {
        ShowWindow(hwnd_, SW_SHOW);
        focusFirst();
    }
    void showModal() override;
    void close() override {
        if (!open_) return;
        open_ = false;
        if (onUnload) onUnload();
        DestroyWindow(hwnd_);
        PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0); // wakes the loop that waits on this window
    }
    [[nodiscard]] bool isOpen() const override { return open_; }
    [[nodiscard]] HWND hwnd() const { return hwnd_; }
    [[nodiscard]] const bool& openFlag() const { return open_; }

  protected:
    ui::Control* find(std::string_view name) override {
        const auto it = byName_.find(std::string(name));
        return it == byName_.end() ? nullptr : controls_[it->second].get();
    }

  public:
    // The one window procedure of the class: `this` is kept in GWLP_USERDATA.
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  private:
    static LRESULT CALLBACK controlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR index,
                                        DWORD_PTR self);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handleControl(HWND hwnd, size_t index, UINT msg, WPARAM wp, LPARAM lp);

    void build();
    void createFonts();
    HWND createControl(const ControlLayout& c, size_t index);
    void fitLabel(HWND label, const ControlLayout& c);
    void rescale(int dpi, const RECT& suggested);
    [[nodiscard]] RECT frameFor(int dpi) const;
    void addTooltip(HWND control, std::string_view text);
    void command(int id, int code);
    void notify(const NMHDR& header);
    void pressRole(bool wantDefault);
    void paint();
    LRESULT labelColours(HDC dc, HWND label);
    void focusFirst();

    Toolkit& toolkit_;
    const WindowLayout& layout_;
    HWND hwnd_ = nullptr;
    HWND tips_ = nullptr;
    HFONT font_ = nullptr;
    HFONT boldFont_ = nullptr;
    IPicture* picture_ = nullptr;
    std::vector<std::unique_ptr<ui::Control>> controls_; // by layout index
    std::vector<HWND> handles_;                          // by layout index, null for timers and lines
    std::map<std::string, size_t> byName_;
    ui::ScaledLayout scaled_;
    bool open_ = true;
};

// ---- Window procedure: decoding only; the work is in the member functions ----

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
    case WM_TIMER: {
        const size_t index = wp - kFirstControlId;
        auto* timer = index < controls_.size() ? dynamic_cast<ui::Timer*>(controls_[index].get()) : nullptr;
        if (timer != nullptr && timer->onTimer) timer->onTimer();
        return 0;
    }
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
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        open_ = false;
        break;
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

void Win32Window::pressRole(bool wantDefault) {
    for (size_t i = 0; i < layout_.controls.size(); ++i) {
        const ControlLayout& c = layout_.controls[i];
        if (!(wantDefault ? c.isDefault : c.isCancel)) continue;
        auto* button = dynamic_cast<ui::Button*>(controls_[i].get());
        if (button != nullptr && button->enabled() && button->onClick) button->onClick();
        return;
    }
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
        const ui::PixelRect& ends = scaled_.controls[i];
        HPEN pen = CreatePen(PS_SOLID, c.lineWidth, colourOf(c.foreground));
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, ends.left, ends.top, nullptr);
        LineTo(dc, ends.width, ends.height);
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

// ---- Construction ----

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
    // Created on a monitor whose scale differs from the primary one's: laid out again for it.
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto dpiForWindow =
        procAddress<DpiForWindow>(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
    const int actual = dpiForWindow != nullptr ? static_cast<int>(dpiForWindow(hwnd_)) : 0;
    if (actual > 0 && actual != scaled_.dpi) {
        RECT outer{};
        GetWindowRect(hwnd_, &outer);
        rescale(actual, outer);
    }
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

void Win32Window::createFonts() {
    const std::wstring face = widen(layout_.fontName);
    const int height = scaled_.fontHeight;
    font_ = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str());
    boldFont_ =
        CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str());
}

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
        IWebBrowser2* browser = nullptr;
        HWND h = toolkit_.oleReady_ ? make(L"AtlAxWin", L"Shell.Explorer.2", 0) : nullptr;
        using GetControl = HRESULT(WINAPI*)(HWND, IUnknown**);
        const auto getControl = procAddress<GetControl>(GetModuleHandleW(L"atl.dll"), "AtlAxGetControl");
        IUnknown* unknown = nullptr;
        if (h != nullptr && getControl != nullptr && SUCCEEDED(getControl(h, &unknown)) &&
            unknown != nullptr) {
            unknown->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser));
            unknown->Release();
        }
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

// ---- Toolkit ----

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

std::unique_ptr<ui::Window> Toolkit::createWindow(const WindowLayout& layout) {
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

// ---- Cursor and system ----

bool Cursor::get(ui::Point& where) {
    POINT p{};
    if (!GetCursorPos(&p)) return false;
    where = {p.x, p.y};
    return true;
}

bool Cursor::set(ui::Point where) {
    if (!SetCursorPos(where.x, where.y)) return false;
    INPUT nudge{};
    nudge.type = INPUT_MOUSE;
    nudge.mi.dwFlags = MOUSEEVENTF_MOVE; // relative, by nothing: the cursor stays where SetCursorPos put it
    sendInput_(1, &nudge, sizeof nudge);
    return true;
}

std::string System::exeFolder() const {
    std::wstring path(MAX_PATH, L'\0');
    DWORD n = 0;
    while ((n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) == path.size()) {
        path.resize(path.size() * 2);
    }
    path.resize(n);
    size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    if (slash == 2 && path[1] == L':') ++slash; // a drive's root keeps its backslash
    return narrow(path.substr(0, slash));
}

std::string System::decimalSeparator() const {
    wchar_t sep[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8) <= 1) return ".";
    return narrow(sep);
}

bool System::fileExists(const std::string& path) const {
    const DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void System::keepAwake(bool on) {
    setState_(on ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED : ES_CONTINUOUS);
}

bool System::startProcess(const std::string& path) {
    if (path.empty()) return false;
    // The path is the application itself: never searched for, never split at its blanks.
    const std::wstring application = widen(path);
    std::wstring commandLine = L"\"" + application + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace kivano::win32
