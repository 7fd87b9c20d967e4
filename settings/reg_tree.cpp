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
    if (!isRoot || !key.values().empty()) {
        out += "[" + path + "]\r\n";
        for (const RegValue& v : key.values())
            out += valueLine(v) + "\r\n";
        out += "\r\n";
    }
    for (const RegKey& child : key.keys())
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

// Splits into logical lines, joining a line that ends in a backslash with the next (hex data runs
// on that way). A comment is one line, whatever it ends with.
std::vector<std::string> logicalLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string current;
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        std::string_view line = trimmed(text.substr(0, nl));
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        const bool comment = current.empty() && line.starts_with(";");
        if (!comment && line.ends_with("\\")) {
            line.remove_suffix(1);
            current += line;
            continue;
        }
        current += line;
        lines.emplace_back(trimmed(current));
        current.clear();
    }
    if (!current.empty()) lines.emplace_back(trimmed(current));
    return lines;
}

std::string lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = lower(c);
    return out;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6U));
        out += static_cast<char>(0x80 | (cp & 0x3FU));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12U));
        out += static_cast<char>(0x80 | ((cp >> 6U) & 0x3FU));
        out += static_cast<char>(0x80 | (cp & 0x3FU));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18U));
        out += static_cast<char>(0x80 | ((cp >> 12U) & 0x3FU));
        out += static_cast<char>(0x80 | ((cp >> 6U) & 0x3FU));
        out += static_cast<char>(0x80 | (cp & 0x3FU));
    }
}

std::optional<std::string> fromUtf16(std::string_view bytes, bool bigEndian) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    const auto unit = [&](size_t i) {
        const auto a = static_cast<std::uint8_t>(bytes[i]);
        const auto b = static_cast<std::uint8_t>(bytes[i + 1]);
        return static_cast<std::uint32_t>(bigEndian ? (a << 8U) | b : (b << 8U) | a);
    };
    std::string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i < bytes.size(); i += 2) {
        std::uint32_t cp = unit(i);
        if (cp >= 0xDC00 && cp <= 0xDFFF) return std::nullopt; // a low surrogate on its own
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 3 >= bytes.size()) return std::nullopt;
            const std::uint32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
            cp = 0x10000 + ((cp - 0xD800) << 10U) + (low - 0xDC00);
            i += 2;
        }
        appendUtf8(out, cp);
    }
    return out;
}

// UTF-8 to UTF-16LE; a byte that starts no valid sequence stands for itself (as Latin-1), so that no
// text is refused.
std::string toUtf16(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    const auto put = [&out](std::uint32_t u) {
        out += static_cast<char>(u & 0xFFU);
        out += static_cast<char>(u >> 8U);
    };
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<std::uint8_t>(text[i]);
        const size_t len = c < 0x80 ? 1 : (c >> 5U) == 6 ? 2 : (c >> 4U) == 14 ? 3 : (c >> 3U) == 30 ? 4 : 0;
        std::uint32_t cp = c;
        bool valid = len > 0 && i + len <= text.size();
        if (valid && len > 1) {
            cp = c & (0x7FU >> len);
            for (size_t k = 1; k < len; ++k) {
                const auto cc = static_cast<std::uint8_t>(text[i + k]);
                valid = valid && (cc & 0xC0U) == 0x80;
                cp = (cp << 6U) | (cc & 0x3FU);
            }
            static constexpr std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
            valid = valid && cp >= kMin[len] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        }
        if (!valid) {
            put(c);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10U));
            put(0xDC00 + ((cp - 0x10000) & 0x3FFU));
        } else {
            put(cp);
        }
        i += len;
    }
    return out;
}

// Erases the item of that name (any case) and shifts the positions the index holds after it.
template <typename T>
bool eraseIndexed(std::vector<T>& items, std::unordered_map<std::string, std::size_t>& index,
                  std::string_view name) {
    const auto it = index.find(lowered(name));
    if (it == index.end()) return false;
    const size_t at = it->second;
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(at));
    index.erase(it);
    for (auto& [lowerName, position] : index) {
        if (position > at) --position;
    }
    return true;
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
    const auto it = keyIndex_.find(lowered(child));
    return it == keyIndex_.end() ? nullptr : &keys_[it->second];
}

const RegKey* RegKey::key(std::string_view child) const {
    const auto it = keyIndex_.find(lowered(child));
    return it == keyIndex_.end() ? nullptr : &keys_[it->second];
}

RegKey& RegKey::addKey(std::string_view child) {
    const auto [it, added] = keyIndex_.try_emplace(lowered(child), keys_.size());
    if (added) keys_.emplace_back(std::string(child));
    return keys_[it->second];
}

bool RegKey::removeKey(std::string_view child) {
    return eraseIndexed(keys_, keyIndex_, child);
}

const RegValue* RegKey::value(std::string_view valueName) const {
    const auto it = valueIndex_.find(lowered(valueName));
    return it == valueIndex_.end() ? nullptr : &values_[it->second];
}

void RegKey::setValue(RegValue v) {
    const auto [it, added] = valueIndex_.try_emplace(lowered(v.name), values_.size());
    if (added) {
        values_.push_back(std::move(v));
    } else {
        values_[it->second] = std::move(v);
    }
}

bool RegKey::removeValue(std::string_view valueName) {
    return eraseIndexed(values_, valueIndex_, valueName);
}

bool nameFitsFile(std::string_view name) {
    return name.find_first_of("\r\n") == std::string_view::npos;
}

std::optional<std::string> decodeRegText(std::string_view bytes, TextEncoding& encoding) {
    encoding = TextEncoding::Utf8;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        encoding = TextEncoding::Utf16;
        return fromUtf16(bytes.substr(2), bytes[0] == '\xFE');
    }
    return std::string(bytes);
}

std::string encodeRegText(std::string_view text, TextEncoding encoding) {
    return encoding == TextEncoding::Utf16 ? "\xFF\xFE" + toUtf16(text) : std::string(text);
}

std::string toRegFile(const RegKey& root, std::string_view rootName, std::string_view foreign) {
    std::string out = std::string(kHeader) + "\r\n\r\n";
    writeKey(root, std::string(rootName), true, out);
    out += foreign;
    return out;
}

std::optional<RegFile> parseRegFile(std::string_view text, std::string_view rootName) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    const std::vector<std::string> lines = logicalLines(text);
    auto it = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return !l.empty(); });
    if (it == lines.end() || (*it != kHeader && *it != kHeader4)) return std::nullopt;
    RegFile file;
    RegKey* section = nullptr;
    bool foreign = false;
    for (++it; it != lines.end(); ++it) {
        const std::string_view line = *it;
        if (line.starts_with("[") && line.ends_with("]")) {
            const std::string_view path = line.substr(1, line.size() - 2);
            section = nullptr;
            foreign = false;
            if (static_cast<size_t>(std::count(path.begin(), path.end(), '\\')) > kMaxKeyDepth) {
                file.complete = false; // too deep to read: passed over, with its values
                continue;
            }
            const std::vector<std::string> parts = splitKeyPath(path);
            if (parts.empty() || !sameName(parts.front(), rootName)) { // another root, or a deletion
                foreign = true;
                if (!file.foreign.empty()) file.foreign += "\r\n";
                file.foreign += "[" + std::string(path) + "]\r\n";
                continue;
            }
            section = &file.root;
            for (size_t i = 1; i < parts.size(); ++i)
                section = &section->addKey(parts[i]);
            continue;
        }
        if (foreign) {
            // Kept word for word, unless written back it would read as something else: a line still
            // ending in a backslash would swallow the next.
            if (line.ends_with("\\")) {
                file.complete = false;
            } else if (!line.empty()) {
                file.foreign += std::string(line) + "\r\n";
            }
            continue;
        }
        if (line.empty() || line.starts_with(";")) continue;
        auto v = section != nullptr ? parseValue(line) : std::nullopt;
        if (!v) {
            file.complete = false; // a line that says nothing this store can keep
            continue;
        }
        section->setValue(std::move(*v));
    }
    if (!file.foreign.empty()) file.foreign += "\r\n";
    return file;
}

} // namespace kivano::settings
