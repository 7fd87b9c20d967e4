#pragma once
// An in-memory registry tree and its text form, the .reg export format ("Windows Registry Editor
// Version 5.00"), which people can read, edit and import on Windows.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivano::settings {

struct RegValue {
    std::string name; // empty: the key's default value
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

// Key and value names compare without regard to ASCII case, as in the registry.
struct RegKey {
    std::string name;
    std::vector<RegValue> values;
    std::vector<RegKey> keys;

    RegKey* key(std::string_view child);
    RegKey& addKey(std::string_view child);
    RegValue* value(std::string_view valueName);
    bool removeKey(std::string_view child);
    bool removeValue(std::string_view valueName);
};

bool sameName(std::string_view a, std::string_view b);

// Splits a key path at its backslashes, dropping empty levels.
std::vector<std::string> splitKeyPath(std::string_view path);

// The tree below `rootName` (for instance "HKEY_CURRENT_USER") as a .reg file.
std::string toRegFile(const RegKey& root, std::string_view rootName);

// Reads a .reg file back; sections of other roots and malformed lines are skipped. A text that is not a
// registry file at all gives nullopt.
std::optional<RegKey> parseRegFile(std::string_view text, std::string_view rootName);

} // namespace kivano::settings
