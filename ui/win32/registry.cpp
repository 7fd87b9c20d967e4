#include "ui/win32/registry.h"

#include "ui/win32/text.h"

#include <windows.h>

namespace kivano::win32 {

// The portable core names the registry's numbers itself; here they meet Windows' own.
static_assert(settings::kRegSz == REG_SZ && settings::kRegExpandSz == REG_EXPAND_SZ);
static_assert(settings::kRegBinary == REG_BINARY && settings::kRegDword == REG_DWORD);
static_assert(settings::kRegMultiSz == REG_MULTI_SZ);
static_assert(settings::kKeyQueryValue == KEY_QUERY_VALUE && settings::kKeySetValue == KEY_SET_VALUE);
static_assert(settings::kKeyCreateSubKey == KEY_CREATE_SUB_KEY &&
              settings::kKeyCreateLink == KEY_CREATE_LINK);
static_assert(settings::kKeyEnumerateSubKeys == KEY_ENUMERATE_SUB_KEYS && settings::kKeyNotify == KEY_NOTIFY);
static_assert(settings::kReadControl == READ_CONTROL && settings::kKeyRead == KEY_READ);
static_assert(settings::kErrorSuccess == ERROR_SUCCESS &&
              settings::kErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(settings::kErrorAccessDenied == ERROR_ACCESS_DENIED);
static_assert(settings::kErrorInvalidHandle == ERROR_INVALID_HANDLE &&
              settings::kErrorKeyDeleted == ERROR_KEY_DELETED);
static_assert(settings::kErrorWriteFault == ERROR_WRITE_FAULT);
static_assert(settings::kErrorInvalidParameter == ERROR_INVALID_PARAMETER);
static_assert(settings::kErrorMoreData == ERROR_MORE_DATA);

namespace {

HKEY hkey(settings::Hkey key) {
    return reinterpret_cast<HKEY>(key);
}

} // namespace

long Registry::RegOpenKeyExA(settings::Hkey root, const std::string& subKey, std::uint32_t options,
                             std::uint32_t rights, settings::Hkey* result) {
    HKEY out = nullptr;
    const LONG status = ::RegOpenKeyExA(hkey(root), subKey.c_str(), options, rights, &out);
    *result = reinterpret_cast<settings::Hkey>(out);
    return status;
}

long Registry::RegCreateKeyA(settings::Hkey root, const std::string& subKey, settings::Hkey* result) {
    HKEY out = nullptr;
    const LONG status = ::RegCreateKeyA(hkey(root), subKey.c_str(), &out);
    *result = reinterpret_cast<settings::Hkey>(out);
    return status;
}

long Registry::RegQueryValueExA(settings::Hkey key, const std::string& name, std::uint32_t* type,
                                std::uint8_t* data, std::uint32_t* size) {
    DWORD t = 0;
    DWORD s = size != nullptr ? *size : 0;
    const LONG status =
        ::RegQueryValueExA(hkey(key), name.c_str(), nullptr, &t, data, size != nullptr ? &s : nullptr);
    if (type != nullptr) *type = t;
    if (size != nullptr) *size = s;
    return status;
}

long Registry::RegSetValueExA(settings::Hkey key, const std::string& name, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) {
    return ::RegSetValueExA(hkey(key), name.c_str(), 0, type, data, size);
}

long Registry::RegDeleteKeyA(settings::Hkey root, const std::string& subKey) {
    return ::RegDeleteKeyA(hkey(root), subKey.c_str());
}

long Registry::RegDeleteValueA(settings::Hkey key, const std::string& name) {
    return ::RegDeleteValueA(hkey(key), name.c_str());
}

long Registry::RegCloseKey(settings::Hkey key) {
    return ::RegCloseKey(hkey(key));
}

std::string Registry::toAnsi(std::string_view text) const {
    return narrow(widen(text), CP_ACP);
}

std::string Registry::fromAnsi(std::string_view bytes) const {
    return narrow(widen(bytes, CP_ACP));
}

} // namespace kivano::win32
