#pragma once
// An in-memory registry tree and its text form, the .reg export format ("Windows Registry Editor
// Version 5.00"), which people can read, edit and import on Windows.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kivano::settings {

struct RegValue {
    std::string name; // empty: the key's default value
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    friend bool operator==(const RegValue&, const RegValue&) = default;
};

// Key and value names compare without regard to ASCII case, as in the registry. Lookups go through an
// index, so that a key with tens of thousands of children costs no more to search than a small one.
class RegKey {
  public:
    RegKey() = default;
    explicit RegKey(std::string keyName) : name(std::move(keyName)) {}

    std::string name;

    [[nodiscard]] RegKey* key(std::string_view child);
    [[nodiscard]] const RegKey* key(std::string_view child) const;
    RegKey& addKey(std::string_view child);
    bool removeKey(std::string_view child);
    [[nodiscard]] const std::vector<RegKey>& keys() const { return keys_; }

    [[nodiscard]] const RegValue* value(std::string_view valueName) const;
    // Replaces the value of that name, of any type, or adds it.
    void setValue(RegValue v);
    bool removeValue(std::string_view valueName);
    [[nodiscard]] const std::vector<RegValue>& values() const { return values_; }

    // Same names, values and keys, in the same order.
    friend bool operator==(const RegKey& a, const RegKey& b) {
        return a.name == b.name && a.values_ == b.values_ && a.keys_ == b.keys_;
    }

  private:
    std::vector<RegValue> values_;
    std::vector<RegKey> keys_;
    std::unordered_map<std::string, std::size_t> valueIndex_; // lower-case name to position
    std::unordered_map<std::string, std::size_t> keyIndex_;
};

bool sameName(std::string_view a, std::string_view b);

// Splits a key path at its backslashes, dropping empty levels.
std::vector<std::string> splitKeyPath(std::string_view path);

// Deeper keys than this are not read from a file nor created: nothing a file holds may drive the
// program's recursion (writing, copying and destroying a tree) deeper.
inline constexpr std::size_t kMaxKeyDepth = 512;

// True for a key or value name that a .reg file can hold and give back unchanged.
bool nameFitsFile(std::string_view name);

// How a file's bytes encode its text: regedit exports UTF-16 (little-endian, with a byte-order mark),
// people and other programs write UTF-8.
enum class TextEncoding { Utf8, Utf16 };

// The text of a file's bytes, in UTF-8; nullopt where they are no valid text of either encoding.
std::optional<std::string> decodeRegText(std::string_view bytes, TextEncoding& encoding);
std::string encodeRegText(std::string_view text, TextEncoding encoding);

// One root's part of a .reg file.
struct RegFile {
    RegKey root;
    // Sections of other roots (and deletions), word for word: not this store's to interpret, but
    // written back as they came.
    std::string foreign;
    // False where something was passed over: a malformed line, a section too deep to read.
    bool complete = true;
};

// The tree below `rootName` (for instance "HKEY_CURRENT_USER") as a .reg file, with the foreign
// sections after it.
std::string toRegFile(const RegKey& root, std::string_view rootName, std::string_view foreign = {});

// Reads a .reg file's text back. A text that is not a registry file at all gives nullopt.
std::optional<RegFile> parseRegFile(std::string_view text, std::string_view rootName);

} // namespace kivano::settings
