// The Win32 backend's requests to the system, caught at its seams: every cursor move also reaches the
// input stream as a zero-length move, and the keep-awake request sets and drops the right flags. And a
// real window under a DPI change.

#include "resources/layouts.h"
#include "ui/win32/system_services.h"
#include "ui/win32/toolkit.h"

#include <gtest/gtest.h>
#include <oleacc.h>
#include <string>
#include <vector>
#include <windows.h>

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
