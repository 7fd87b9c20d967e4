#include "settings/reg_tree.h"

#include "settings/registry_api.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace kivano::settings {

namespace {

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr size_t kHexPerLine = 25;

std::string quoted(std::string_view s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + '"';
}

// A REG_SZ that the quoted form can hold exactly: one terminating zero and no other, no line breaks.
bool plainString(const RegValue& v) {
    if (v.type != kRegSz || v.data.empty() || v.data.back() != 0) return false;
    return std::none_of(v.data.begin(), v.data.end() - 1,
                        [](std::uint8_t b) { return b == 0 || b == '\r' || b == '\n'; });
}

std::string hexData(std::string prefix, const std::vector<std::uint8_t>& data) {
    std::string out = std::move(prefix);
    for (size_t i = 0; i < data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", data[i]);
        out += byte;
        if (i + 1 < data.size()) out += (i + 1) % kHexPerLine == 0 ? ",\\\r\n  " : ",";
    }
    return out;
}

std::string valueLine(const RegValue& v) {
    std::string line = v.name.empty() ? std::string("@") : quoted(v.name);
    line += '=';
    if (plainString(v)) {
        return line +
               quoted(std::string_view(reinterpret_cast<const char*>(v.data.data()), v.data.size() - 1));
    }
    if (v.type == kRegDword && v.data.size() == 4) {
        const std::uint32_t n =
            v.data[0] | v.data[1] << 8U | v.data[2] << 16U | static_cast<std::uint32_t>(v.data[3]) << 24U;
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", n);
        return line + buf;
    }
    if (v.type == kRegBinary) return line + hexData("hex:", v.data);
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", v.type);
    return line + hexData(prefix, v.data);
}

void writeKey(const RegKey& key, const std::string& path, bool isRoot, std::string& out) {
    if (!isRoot || !key.values.empty()) {
        out += "[" + path + "]\r\n";
        for (const RegValue& v : key.values)
            out += valueLine(v) + "\r\n";
        out += "\r\n";
    }
    for (const RegKey& child : key.keys)
        writeKey(child, path + "\\" + child.name, false, out);
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Reads a quoted string at the start of `s`, unescaping it; advances `s` past it.
std::optional<std::string> readQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"') return std::nullopt;
    std::string out;
    for (size_t i = 1; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            out += s[++i];
        } else if (s[i] == '"') {
            s.remove_prefix(i + 1);
            return out;
        } else {
            out += s[i];
        }
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> readHex(std::string_view s) {
    std::vector<std::uint8_t> out;
    while (!(s = trimmed(s)).empty()) {
        const size_t comma = s.find(',');
        const std::string_view item = trimmed(s.substr(0, comma));
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(item.data(), item.data() + item.size(), value, 16);
        if (ec != std::errc{} || end != item.data() + item.size() || value > 0xFF) return std::nullopt;
        out.push_back(static_cast<std::uint8_t>(value));
        if (comma == std::string_view::npos) break;
        s.remove_prefix(comma + 1);
    }
    return out;
}

std::optional<RegValue> parseValue(std::string_view line) {
    RegValue v;
    if (line.starts_with("@")) {
        line.remove_prefix(1);
    } else {
        auto name = readQuoted(line);
        if (!name) return std::nullopt;
        v.name = std::move(*name);
    }
    line = trimmed(line);
    if (line.empty() || line.front() != '=') return std::nullopt;
    line = trimmed(line.substr(1));
    if (line.starts_with("\"")) {
        auto text = readQuoted(line);
        if (!text || !trimmed(line).empty()) return std::nullopt;
        v.type = kRegSz;
        v.data.assign(text->begin(), text->end());
        v.data.push_back(0);
        return v;
    }
    if (line.starts_with("dword:")) {
        const std::string_view digits = line.substr(6);
        std::uint32_t n = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n, 16);
        if (ec != std::errc{} || end != digits.data() + digits.size() || digits.size() > 8)
            return std::nullopt;
        v.type = kRegDword;
        v.data = {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8U),
                  static_cast<std::uint8_t>(n >> 16U), static_cast<std::uint8_t>(n >> 24U)};
        return v;
    }
    if (line.starts_with("hex:")) {
        v.type = kRegBinary;
        line.remove_prefix(4);
    } else if (line.starts_with("hex(")) {
        const size_t close = line.find("):");
        if (close == std::string_view::npos) return std::nullopt;
        const std::string_view type = line.substr(4, close - 4);
        const auto [end, ec] = std::from_chars(type.data(), type.data() + type.size(), v.type, 16);
        if (ec != std::errc{} || end != type.data() + type.size()) return std::nullopt;
        line.remove_prefix(close + 2);
    } else {
        return std::nullopt;
    }
    auto bytes = readHex(line);
    if (!bytes) return std::nullopt;
    v.data = std::move(*bytes);
    return v;
}

// Splits into logical lines, joining a line that ends in a backslash with the next.
std::vector<std::string> logicalLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string current;
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        std::string_view line = trimmed(text.substr(0, nl));
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        // Only hex data is continued; a string value's line ends in its closing quote.
        const bool continued = line.ends_with("\\");
        if (continued) {
            line.remove_suffix(1);
            current += line;
            continue;
        }
        current += line;
        lines.push_back(std::move(current));
        current.clear();
    }
    if (!current.empty()) lines.push_back(std::move(current));
    return lines;
}

} // namespace

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::vector<std::string> splitKeyPath(std::string_view path) {
    std::vector<std::string> parts;
    while (!path.empty()) {
        const size_t sep = path.find('\\');
        if (sep != 0) parts.emplace_back(path.substr(0, sep));
        if (sep == std::string_view::npos) break;
        path.remove_prefix(sep + 1);
    }
    return parts;
}

RegKey* RegKey::key(std::string_view child) {
    const auto it =
        std::find_if(keys.begin(), keys.end(), [child](const RegKey& k) { return sameName(k.name, child); });
    return it == keys.end() ? nullptr : &*it;
}

RegKey& RegKey::addKey(std::string_view child) {
    if (RegKey* existing = key(child)) return *existing;
    return keys.emplace_back(RegKey{std::string(child), {}, {}});
}

RegValue* RegKey::value(std::string_view valueName) {
    const auto it = std::find_if(values.begin(), values.end(),
                                 [valueName](const RegValue& v) { return sameName(v.name, valueName); });
    return it == values.end() ? nullptr : &*it;
}

bool RegKey::removeKey(std::string_view child) {
    return std::erase_if(keys, [child](const RegKey& k) { return sameName(k.name, child); }) > 0;
}

bool RegKey::removeValue(std::string_view valueName) {
    return std::erase_if(values, [valueName](const RegValue& v) { return sameName(v.name, valueName); }) > 0;
}

std::string toRegFile(const RegKey& root, std::string_view rootName) {
    std::string out = std::string(kHeader) + "\r\n\r\n";
    writeKey(root, std::string(rootName), true, out);
    return out;
}

std::optional<RegKey> parseRegFile(std::string_view text, std::string_view rootName) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    const std::vector<std::string> lines = logicalLines(text);
    auto it = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return !l.empty(); });
    if (it == lines.end() || (*it != kHeader && *it != kHeader4)) return std::nullopt;
    RegKey root;
    RegKey* section = nullptr;
    for (++it; it != lines.end(); ++it) {
        const std::string_view line = *it;
        if (line.empty() || line.starts_with(";")) continue;
        if (line.starts_with("[") && line.ends_with("]")) {
            const std::vector<std::string> parts = splitKeyPath(line.substr(1, line.size() - 2));
            section = nullptr;
            if (parts.empty() || !sameName(parts.front(), rootName)) continue; // another root, or a deletion
            section = &root;
            for (size_t i = 1; i < parts.size(); ++i)
                section = &section->addKey(parts[i]);
            continue;
        }
        if (section == nullptr) continue;
        if (auto v = parseValue(line)) {
            if (RegValue* existing = section->value(v->name)) {
                *existing = std::move(*v);
            } else {
                section->values.push_back(std::move(*v));
            }
        }
    }
    return root;
}

} // namespace kivano::settings
