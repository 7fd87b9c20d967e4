#include "settings/CWinReestr.h"

#include <array>
#include <cstring>

namespace kivano::settings {
namespace {

// Closes a key handle when the operation leaves, whichever way it leaves.
class KeyCloser {
  public:
    KeyCloser(RegistryApi& api, Hkey key) : api_(api), key_(key) {}
    KeyCloser(const KeyCloser&) = delete;
    KeyCloser& operator=(const KeyCloser&) = delete;
    ~KeyCloser() { api_.RegCloseKey(key_); }

  private:
    RegistryApi& api_;
    Hkey key_;
};

Hkey rootHandle(std::int32_t root) {
    return static_cast<Hkey>(root);
}

std::int32_t littleEndianInt32(const std::uint8_t* data) {
    const std::uint32_t u = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8U |
                            static_cast<std::uint32_t>(data[2]) << 16U |
                            static_cast<std::uint32_t>(data[3]) << 24U;
    std::int32_t s = 0;
    std::memcpy(&s, &u, sizeof s);
    return s;
}

} // namespace

bool readValue(RegistryApi& api, std::int32_t keyRoot, const std::string& keyName,
               const std::string& subKeyRef, std::string& keyVal) {
    Hkey key = 0;
    // Read rights only: a key the user may read but not change must still be readable.
    if (api.RegOpenKeyExA(rootHandle(keyRoot), api.toAnsi(keyName), 0, kKeyRead, &key) != kErrorSuccess) {
        keyVal.clear();
        return false;
    }
    const KeyCloser closer(api, key);
    std::array<std::uint8_t, CWinReestr::kBufferSize> buffer{};
    std::uint32_t size = CWinReestr::kBufferSize;
    std::uint32_t type = 0;
    if (api.RegQueryValueExA(key, api.toAnsi(subKeyRef), &type, buffer.data(), &size) != kErrorSuccess ||
        size > buffer.size()) {
        keyVal.clear(); // too long to read is unreadable, never truncated
        return false;
    }
    // Only the one trailing zero byte of a string stored with its terminator is dropped.
    if (size > 0 && buffer[size - 1] == 0) --size;
    if (type == kRegSz) {
        keyVal = api.fromAnsi(std::string(reinterpret_cast<const char*>(buffer.data()), size));
    } else if (type == kRegDword) {
        keyVal = std::to_string(littleEndianInt32(buffer.data()));
    }
    // Any other type leaves the caller's text as it was and still counts as read.
    return true;
}

bool CWinReestr::GetKeyValue(std::int32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                             std::string& KeyVal) {
    return readValue(api_, KeyRoot, KeyName, SubKeyRef, KeyVal);
}

bool CWinReestr::SetKeyValue(std::int32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                             std::string& KeyVal) {
    Hkey key = 0;
    const std::string path = api_.toAnsi(KeyName);
    if (api_.RegOpenKeyExA(rootHandle(KeyRoot), path, 0, kKeyChange, &key) != kErrorSuccess &&
        api_.RegCreateKeyA(rootHandle(KeyRoot), path, &key) != kErrorSuccess) {
        KeyVal.clear();
        return false;
    }
    const KeyCloser closer(api_, key);
    std::string data = api_.toAnsi(KeyVal);
    data.push_back('\0');
    const bool stored = api_.RegSetValueExA(key, api_.toAnsi(SubKeyRef), kRegSz,
                                            reinterpret_cast<const std::uint8_t*>(data.data()),
                                            static_cast<std::uint32_t>(data.size())) == kErrorSuccess;
    if (!stored) KeyVal.clear();
    return stored;
}

bool CWinReestr::DeleteKey(std::int32_t KeyRoot, const std::string& KeyName) {
    return api_.RegDeleteKeyA(rootHandle(KeyRoot), api_.toAnsi(KeyName)) == kErrorSuccess;
}

bool CWinReestr::DeleteKeyValue(std::int32_t KeyRoot, const std::string& KeyName,
                                const std::string& SubKeyRef) {
    Hkey key = 0;
    const long opened = api_.RegOpenKeyExA(rootHandle(KeyRoot), api_.toAnsi(KeyName), 0, kKeyChange, &key);
    // Nothing to delete where the key does not exist; any other failure to open is a failure.
    if (opened == kErrorFileNotFound) return true;
    if (opened != kErrorSuccess) return false;
    const KeyCloser closer(api_, key);
    return api_.RegDeleteValueA(key, api_.toAnsi(SubKeyRef)) == kErrorSuccess;
}

} // namespace kivano::settings
