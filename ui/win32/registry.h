#pragma once
// The registry through advapi32's ANSI functions.

#include "settings/registry_api.h"

namespace kivano::win32 {

class Registry final : public settings::RegistryApi {
  public:
    long RegOpenKeyExA(settings::Hkey root, const std::string& subKey, std::uint32_t options,
                       std::uint32_t rights, settings::Hkey* result) override;
    long RegCreateKeyA(settings::Hkey root, const std::string& subKey, settings::Hkey* result) override;
    long RegQueryValueExA(settings::Hkey key, const std::string& name, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* size) override;
    long RegSetValueExA(settings::Hkey key, const std::string& name, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size) override;
    long RegDeleteKeyA(settings::Hkey root, const std::string& subKey) override;
    long RegDeleteValueA(settings::Hkey key, const std::string& name) override;
    long RegCloseKey(settings::Hkey key) override;

    // UTF-8 to the ANSI code page and back, through UTF-16.
    [[nodiscard]] std::string toAnsi(std::string_view text) const override;
    [[nodiscard]] std::string fromAnsi(std::string_view bytes) const override;
};

} // namespace kivano::win32
