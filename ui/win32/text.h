#pragma once
// Text between the program's UTF-8 and Windows' UTF-16 and code pages.

#include <string>
#include <string_view>
#include <windows.h>

namespace kivano::win32 {

inline std::wstring widen(std::string_view text, UINT codePage = CP_UTF8) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

inline std::string narrow(std::wstring_view text, UINT codePage = CP_UTF8) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

} // namespace kivano::win32
