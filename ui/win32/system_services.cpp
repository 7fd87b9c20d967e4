#include "ui/win32/system_services.h"

#include "ui/win32/text.h"

namespace kivano::win32 {

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
