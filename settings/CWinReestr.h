#pragma once
// Reads and writes one string value of one registry key at a time. Every call opens what it needs,
// closes it again on every path, and reports failure only by a false result (and an emptied text).

#include "settings/registry_api.h"

#include <cstdint>
#include <string>

namespace kivano::settings {

// The value lookup itself, shared with the About box's own lookups: opens the key with read rights only,
// reads at most 1024 bytes, and turns REG_SZ and REG_DWORD data into text.
bool readValue(RegistryApi& api, std::int32_t keyRoot, const std::string& keyName,
               const std::string& subKeyRef, std::string& keyVal);

class CWinReestr {
  public:
    explicit CWinReestr(RegistryApi& api) : api_(api) {}

    bool GetKeyValue(std::int32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                     std::string& KeyVal);
    bool SetKeyValue(std::int32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                     std::string& KeyVal);
    bool DeleteKey(std::int32_t KeyRoot, const std::string& KeyName);
    bool DeleteKeyValue(std::int32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef);

    static constexpr std::uint32_t kBufferSize = 1024;

  private:
    RegistryApi& api_;
};

} // namespace kivano::settings
