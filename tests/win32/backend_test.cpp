// The Win32 backend's requests to the system, caught at its seams: every cursor move also reaches the
// input stream as a zero-length move, and the keep-awake request sets and drops the right flags; under a
// locked session neither is made. And a real window under a DPI change.

#include "app/frmMain.h"
#include "resources/layouts.h"
#include "support/harness.h"
#include "ui/win32/system_services.h"
#include "ui/win32/toolkit.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <oleacc.h>
#include <string>
#include <vector>
#include <windows.h>
#include <wtsapi32.h>

namespace kivano::win32 {
namespace {

std::vector<INPUT> sent;
std::vector<EXECUTION_STATE> states;

UINT WINAPI recordInput(UINT count, LPINPUT inputs, int size) {
    EXPECT_EQ(size, static_cast<int>(sizeof(INPUT)));
    sent.insert(sent.end(), inputs, inputs + count);
    return count;
}

EXECUTION_STATE WINAPI recordState(EXECUTION_STATE state) {
    states.push_back(state);
    return ES_CONTINUOUS;
}

TEST(Win32Backend, EachCursorMoveAlsoSendsAZeroLengthRelativeMove) {
    sent.clear();
    Cursor cursor(recordInput);
    ASSERT_TRUE(cursor.set({40, 50}));
    ui::Point at;
    ASSERT_TRUE(cursor.get(at));
    EXPECT_EQ(at, (ui::Point{40, 50})) << "the nudge moves nothing";
    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0].type, static_cast<DWORD>(INPUT_MOUSE));
    EXPECT_EQ(sent[0].mi.dwFlags, static_cast<DWORD>(MOUSEEVENTF_MOVE));
    EXPECT_EQ(sent[0].mi.dx, 0);
    EXPECT_EQ(sent[0].mi.dy, 0);
}

TEST(Win32Backend, KeepAwakeSetsAndDropsTheExecutionState) {
    states.clear();
    System system(recordState);
    system.keepAwake(true);
    system.keepAwake(false);
    EXPECT_EQ(states, (std::vector<EXECUTION_STATE>{ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED,
                                                    ES_CONTINUOUS}));
}

TEST(Win32Backend, ExeFolderHasNoTrailingSeparator) {
    const std::string folder = System().exeFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(folder.back() != '\\' || (folder.size() == 3 && folder[1] == ':')) << folder;
}

// Runs the thread's messages (the movement timer's among them) for a while.
void pumpFor(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    for (DWORD now = GetTickCount(); now < end; now = GetTickCount()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

// The system's word on the session, as Windows posts it to the main window (Wine never does), and what
// Kivano then asks of the system: cursor moves only while nobody has locked or left the session, and the
// display's request dropped meanwhile.
TEST(Win32Backend, ALockedOrDisconnectedSessionGetsNoMoveAndNoDisplayRequest) {
    constexpr EXECUTION_STATE kAwake = ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED;
    const struct {
        const char* name;
        std::vector<WPARAM> events;
        bool moves; // after the events
    } cases[] = {
        {"locked", {WTS_SESSION_LOCK}, false},
        {"unlocked", {WTS_SESSION_LOCK, WTS_SESSION_UNLOCK}, true},
        {"remote session left", {WTS_REMOTE_DISCONNECT}, false},
        {"and taken up again", {WTS_REMOTE_DISCONNECT, WTS_REMOTE_CONNECT}, true},
        {"switched back to, still locked",
         {WTS_SESSION_LOCK, WTS_CONSOLE_DISCONNECT, WTS_CONSOLE_CONNECT},
         false},
        {"then unlocked",
         {WTS_SESSION_LOCK, WTS_CONSOLE_DISCONNECT, WTS_CONSOLE_CONNECT, WTS_SESSION_UNLOCK},
         true},
    };
    for (const auto& c : cases) {
        testing::TempDir dir("win32_lock");
        const auto registry = testing::makeTestRegistry(dir.path());
        Toolkit toolkit(GetModuleHandleW(nullptr));
        Cursor cursor(recordInput);
        System system(recordState);
        app::FixedSeedRandom random;
        app::Services services{toolkit, cursor, system, *registry, random};
        app::frmMain form(services);
        form.Form_Load();
        form.window().show();
        states.clear();
        const auto& controls = resources::frmMainLayout().controls;
        const auto start =
            std::find_if(controls.begin(), controls.end(), [](auto& k) { return k.name == "cbStart"; });
        SendMessageW(GetDlgItem(toolkit.mainWindow(), 100 + static_cast<int>(start - controls.begin())),
                     BM_CLICK, 0, 0);
        ASSERT_EQ(form.cbStart.caption(), "Stop") << c.name;
        for (const WPARAM event : c.events)
            PostMessageW(toolkit.mainWindow(), WM_WTSSESSION_CHANGE, event, 1);
        pumpFor(100);
        sent.clear();
        pumpFor(600);
        EXPECT_EQ(!sent.empty(), c.moves) << c.name << ": " << sent.size() << " moves";
        EXPECT_EQ(states.back(), c.moves ? kAwake : ES_CONTINUOUS) << c.name;
        form.window().close();
    }
}

// A control's rectangle in its window's client coordinates.
ui::PixelRect placeOf(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

TEST(Win32Backend, ADpiChangeLaysTheWindowOutAgainFromItsTwips) {
    Toolkit toolkit(GetModuleHandleW(nullptr));
    const ui::WindowLayout& layout = resources::frmMainLayout();
    const auto window = toolkit.createWindow(layout);
    HWND hwnd = toolkit.mainWindow();
    ASSERT_NE(hwnd, nullptr);
    constexpr size_t kEdDelay = 2; // a text box: its own font and rectangle
    ASSERT_EQ(layout.controls[kEdDelay].name, "edDelay");
    HWND box = GetDlgItem(hwnd, 100 + static_cast<int>(kEdDelay));
    for (const int dpi : {120, 144, 192, 96}) {
        const ui::ScaledLayout want = ui::scaleLayout(layout, dpi);
        RECT suggested{40 + dpi, 30, 640, 480};
        SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        RECT client{};
        GetClientRect(hwnd, &client);
        EXPECT_EQ(client.right, want.clientWidth) << dpi;
        EXPECT_EQ(client.bottom, want.clientHeight) << dpi;
        RECT outer{};
        GetWindowRect(hwnd, &outer);
        EXPECT_EQ(outer.left, suggested.left) << "takes the suggested place, " << dpi;
        EXPECT_EQ(outer.top, suggested.top) << dpi;
        EXPECT_EQ(placeOf(box), want.controls[kEdDelay]) << dpi;
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_EQ(font.lfHeight, want.fontHeight) << dpi;
    }
}

// What an accessibility client (MSAA, and UI Automation through its proxy) reads as a control's name.
std::wstring accessibleNameOf(HWND control) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object)))) {
        return L"(no object)";
    }
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::wstring text = SUCCEEDED(object->get_accName(self, &name)) && name != nullptr ? name : L"(no name)";
    SysFreeString(name);
    object->Release();
    return text;
}

TEST(Win32Backend, TextBoxesAndSpinnersAreNamedForScreenReaders) {
    Toolkit toolkit(GetModuleHandleW(nullptr));
    const auto main = toolkit.createWindow(resources::frmMainLayout());
    const auto dialog = toolkit.createWindow(resources::dlgTimerLayout());
    const struct {
        const ui::WindowLayout& layout;
        const char* control;
        const wchar_t* name;
    } table[] = {
        {resources::frmMainLayout(), "edDelay", L"Time delay:"},
        {resources::frmMainLayout(), "udDelay", L"Time delay"},
        {resources::frmMainLayout(), "edSpeed", L"Mouse speed:"},
        {resources::frmMainLayout(), "udRandomize", L"Randomize"},
        {resources::frmMainLayout(), "edRandomize", L"Randomize:"},
        {resources::dlgTimerLayout(), "edPeriod", L"Pause time"},
        {resources::dlgTimerLayout(), "udWork", L"Work time"},
    };
    for (const auto& row : table) {
        HWND window = FindWindowW(L"KivanoWindow",
                                  std::wstring(row.layout.caption.begin(), row.layout.caption.end()).c_str());
        size_t index = 0;
        while (row.layout.controls[index].name != row.control)
            ++index;
        EXPECT_EQ(accessibleNameOf(GetDlgItem(window, 100 + static_cast<int>(index))), row.name)
            << row.control;
    }
}

} // namespace
} // namespace kivano::win32
