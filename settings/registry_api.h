#pragma once
// The registry as the settings class sees it: the seven ANSI functions of the Windows registry.
// The Windows backend calls advapi32; elsewhere a file store gives the same results.

#include <cstdint>
#include <string>
#include <string_view>

namespace kivano::settings {

// A key handle; the predefined roots are the 32-bit values sign-extended, as on 64-bit Windows.
using Hkey = std::intptr_t;

inline constexpr std::int32_t kHkeyCurrentUser = static_cast<std::int32_t>(0x80000001U);
inline constexpr std::int32_t kHkeyLocalMachine = static_cast<std::int32_t>(0x80000002U);

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

inline constexpr std::uint32_t kKeyQueryValue = 0x1;
inline constexpr std::uint32_t kKeySetValue = 0x2;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x4;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x8;
inline constexpr std::uint32_t kKeyNotify = 0x10;
inline constexpr std::uint32_t kKeyCreateLink = 0x20;
inline constexpr std::uint32_t kReadControl = 0x20000;
inline constexpr std::uint32_t kKeyRead = 0x20019;
// Everything but delete, write-DAC and write-owner: what the settings class asks for to change a key.
inline constexpr std::uint32_t kKeyChange = 0x2003F;
inline constexpr std::uint32_t kKeyWriteBits = kKeySetValue | kKeyCreateSubKey | kKeyCreateLink;

inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorWriteFault = 29;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorKeyDeleted = 1018; // a key deleted while a handle to it was open

class RegistryApi {
  public:
    virtual ~RegistryApi() = default;

    virtual long RegOpenKeyExA(Hkey root, const std::string& subKey, std::uint32_t options,
                               std::uint32_t rights, Hkey* result) = 0;
    virtual long RegCreateKeyA(Hkey root, const std::string& subKey, Hkey* result) = 0;
    // `data` may be null to ask for the size only; `size` is the buffer's size in, the data's size out.
    virtual long RegQueryValueExA(Hkey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* size) = 0;
    virtual long RegSetValueExA(Hkey key, const std::string& name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) = 0;
    virtual long RegDeleteKeyA(Hkey root, const std::string& subKey) = 0;
    virtual long RegDeleteValueA(Hkey key, const std::string& name) = 0;
    virtual long RegCloseKey(Hkey key) = 0;

    // The program's text (UTF-8) to and from the bytes the ANSI functions take.
    [[nodiscard]] virtual std::string toAnsi(std::string_view text) const { return std::string(text); }
    [[nodiscard]] virtual std::string fromAnsi(std::string_view bytes) const { return std::string(bytes); }
};

} // namespace kivano::settings
