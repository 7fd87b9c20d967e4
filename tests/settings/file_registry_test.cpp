// What only the file store has to get right: its file format, crash safety, locking and bad files.

#include "settings/CWinReestr.h"
#include "settings/file_registry.h"
#include "support/harness.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <pwd.h>
#include <regex>
#include <sstream>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kivano::testing {
namespace {

using settings::CWinReestr;
using settings::FileRegistry;
using settings::kHkeyCurrentUser;

constexpr const char* kKey = "Software\\Olberin\\Kivano\\Settings";

std::vector<settings::RootFile> rootsIn(const TempDir& dir) {
    return {{kHkeyCurrentUser, "HKEY_CURRENT_USER", dir.path() / "user.reg", true}};
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The processor time this thread has used.
std::chrono::nanoseconds threadCpuTime() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

// How many files the process has open.
size_t openDescriptors() {
    const auto entries = std::filesystem::directory_iterator("/proc/self/fd");
    return static_cast<size_t>(std::distance(begin(entries), end(entries)));
}

std::string get(FileRegistry& reg, const std::string& name) {
    std::string text;
    CWinReestr(reg).GetKeyValue(kHkeyCurrentUser, kKey, name, text);
    return text;
}

bool set(FileRegistry& reg, const std::string& name, std::string text) {
    return CWinReestr(reg).SetKeyValue(kHkeyCurrentUser, kKey, name, text);
}

// On a first run the settings folder (~/.config/kivano) is not there yet: the first write makes it.
TEST(FileRegistry, TheFirstWriteMakesTheSettingsFolder) {
    TempDir dir("firstrun");
    const auto file = dir.path() / "config" / "kivano" / "user.reg";
    FileRegistry reg({{kHkeyCurrentUser, "HKEY_CURRENT_USER", file, true}});
    EXPECT_EQ(get(reg, "Speed"), "");
    ASSERT_TRUE(set(reg, "Speed", "4"));
    EXPECT_TRUE(std::filesystem::is_regular_file(file));
    EXPECT_EQ(get(reg, "Speed"), "4");
}

// Bytes 0, 1, ... 29: more than one line of a binary value.
std::vector<std::uint8_t> binary30() {
    std::vector<std::uint8_t> bytes(30);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

TEST(FileRegistry, WritesAReadableRegFileThatKeepsEveryType) {
    TempDir dir("format");
    FileRegistry reg(rootsIn(dir));
    ASSERT_TRUE(set(reg, "Speed", "4.2"));
    settings::Hkey k = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(kHkeyCurrentUser, kKey, 0, settings::kKeyChange, &k), 0);
    const std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> values = {
        {settings::kRegDword, {20, 0, 0, 0}},
        {settings::kRegBinary, {0, 1, 254, 255}},
        {settings::kRegExpandSz, {'%', 'A', '%', 0}},
        {settings::kRegMultiSz, {'a', 0, 'b', 0, 0}},
        {settings::kRegSz, {'n', 'o', ' ', 'z'}},
        {settings::kRegSz, std::vector<std::uint8_t>(60, 'L')},
        {settings::kRegDword, {0x78, 0x56, 0x34, 0x12}},
        {settings::kRegSz, {'a', 0, 'b', 0}},
        {settings::kRegSz, {'x', '\n', 0}},
        {settings::kRegSz, {'y', 1, 0}},
        {settings::kRegBinary, binary30()},
    };
    for (size_t i = 0; i < values.size(); ++i) {
        const auto& [type, data] = values[i];
        ASSERT_EQ(reg.RegSetValueExA(k, "v" + std::to_string(i), type, data.data(),
                                     static_cast<std::uint32_t>(data.size())),
                  0);
    }
    const std::vector<std::uint8_t> unnamed{'d', 'e', 'f', 'a', 'u', 'l', 't', 0};
    ASSERT_EQ(reg.RegSetValueExA(k, "", settings::kRegSz, unnamed.data(), 8), 0);
    reg.RegCloseKey(k);

    const std::string text = readFile(dir.path() / "user.reg");
    EXPECT_TRUE(text.starts_with("Windows Registry Editor Version 5.00\r\n"));
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Olberin\\Kivano\\Settings]"), std::string::npos);
    EXPECT_NE(text.find("\"Speed\"=\"4.2\""), std::string::npos);
    EXPECT_NE(text.find("\"v0\"=dword:00000014"), std::string::npos);
    EXPECT_NE(text.find("\"v6\"=dword:12345678\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"v9\"=\"y\x01\"\r\n"), std::string::npos) << "quoted: one zero, at the end";
    // regedit's layout: a comma between bytes, none after the last, 25 bytes to a line.
    EXPECT_NE(
        text.find("\"v10\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,"
                  "\\\r\n  19,1a,1b,1c,1d\r\n"),
        std::string::npos);
    EXPECT_NE(text.find("\r\n@=\"default\"\r\n"), std::string::npos);

    FileRegistry again(rootsIn(dir)); // a second process reading the file
    ASSERT_EQ(again.RegOpenKeyExA(kHkeyCurrentUser, kKey, 0, settings::kKeyRead, &k), 0);
    for (size_t i = 0; i < values.size(); ++i) {
        std::uint8_t buf[256];
        std::uint32_t size = sizeof buf;
        std::uint32_t type = 0;
        ASSERT_EQ(again.RegQueryValueExA(k, "v" + std::to_string(i), &type, buf, &size), 0);
        EXPECT_EQ(type, values[i].first) << i;
        EXPECT_EQ(std::vector<std::uint8_t>(buf, buf + size), values[i].second) << i;
    }
    again.RegCloseKey(k);
}

TEST(FileRegistry, ReadsFilesPeopleWroteByHand) {
    TempDir dir("hand");
    std::ofstream(dir.path() / "user.reg") << "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n"
                                              "; a comment\n"
                                              "[HKEY_LOCAL_MACHINE\\Software\\Olberin\\Kivano\\Settings]\n"
                                              "\"Speed\"=\"99\"\n\n"
                                              "[hkey_current_user\\software\\olberin\\kivano\\settings]\n"
                                              "\"Speed\"=\"7\"\n"
                                              "\"Time Delay\"=dword:0000000f\n"
                                              "\"Randomise\"=hex(1):31,2e,\\\n  35,00\n"
                                              "this line is nonsense\n"
                                              "x\"=\"no name\"\n"
                                              "\"Spaced\" = \"1\"\n"
                                              "\"Colon\":\"1\"\n"
                                              "\"Trailing\"=\"1\" and more\n"
                                              "\"Unclosed\"=\"1\n"
                                              "\"Escaped\"=\"a\\\"\n"
                                              "\"Nine\"=dword:000000001\n"
                                              "\"BadType\"=hex(zz):31\n"
                                              "\"Bytes\"=hex:31,32\n";
    FileRegistry reg(rootsIn(dir));
    EXPECT_EQ(get(reg, ""), "") << "a name must open with its quote";
    EXPECT_EQ(get(reg, "Spaced"), "1") << "blanks around the = are allowed";
    settings::Hkey key = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(kHkeyCurrentUser, kKey, 0, settings::kKeyRead, &key),
              settings::kErrorSuccess);
    for (const char* refused : {"Colon", "Trailing", "Unclosed", "Escaped", "Nine", "BadType"}) {
        std::uint32_t size = 0;
        EXPECT_EQ(reg.RegQueryValueExA(key, refused, nullptr, nullptr, &size), settings::kErrorFileNotFound)
            << refused;
    }
    std::uint8_t bytes[8] = {};
    std::uint32_t size = sizeof bytes;
    std::uint32_t type = 0;
    EXPECT_EQ(reg.RegQueryValueExA(key, "Bytes", &type, bytes, &size), settings::kErrorSuccess);
    EXPECT_EQ(type, settings::kRegBinary);
    EXPECT_EQ(std::string(bytes, bytes + size), "12");
    reg.RegCloseKey(key);
    EXPECT_EQ(get(reg, "Speed"), "7") << "another root's section is not ours";
    EXPECT_EQ(get(reg, "Time Delay"), "15");
    EXPECT_EQ(get(reg, "Randomise"), "1.5");
}

// What one run writes, the next run reads from the file itself (not from the cache of the run that
// wrote it): quotes and backslashes in names and texts, and a key that holds nothing.
TEST(FileRegistry, TheNextRunReadsBackWhatWasWritten) {
    TempDir dir("roundtrip");
    const std::string name = R"(say "hi"\now)";
    const std::string text = R"(C:\Program Files\"Kivano"\)";
    {
        FileRegistry reg(rootsIn(dir));
        ASSERT_TRUE(set(reg, name, text));
        settings::Hkey empty = 0;
        ASSERT_EQ(reg.RegCreateKeyA(kHkeyCurrentUser, "Software\\Olberin\\Empty", &empty),
                  settings::kErrorSuccess);
        reg.RegCloseKey(empty);
    }
    FileRegistry next(rootsIn(dir));
    EXPECT_EQ(get(next, name), text);
    settings::Hkey empty = 0;
    EXPECT_EQ(next.RegOpenKeyExA(kHkeyCurrentUser, "Software\\Olberin\\Empty", 0, settings::kKeyRead, &empty),
              settings::kErrorSuccess)
        << "a key without values is kept";
    next.RegCloseKey(empty);
}

// A handle does what its rights allow and no more, and outlives no key: as Windows' registry does.
TEST(FileRegistry, AHandleKeepsToItsRightsAndItsKey) {
    TempDir dir("rights");
    FileRegistry reg(
        {{kHkeyCurrentUser, "HKEY_CURRENT_USER", dir.path() / "user.reg", true},
         {settings::kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", dir.path() / "machine.reg", false}});
    ASSERT_TRUE(set(reg, "Speed", "37"));
    std::ofstream(dir.path() / "machine.reg")
        << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n\"v\"=\"1\"\r\n";
    const std::uint8_t five[] = {'5', 0};
    std::uint32_t size = 0;
    settings::Hkey key = 0;

    ASSERT_EQ(reg.RegOpenKeyExA(kHkeyCurrentUser, kKey, 0, settings::kKeySetValue, &key),
              settings::kErrorSuccess);
    EXPECT_EQ(reg.RegQueryValueExA(key, "Speed", nullptr, nullptr, &size), settings::kErrorAccessDenied);
    reg.RegCloseKey(key);
    ASSERT_EQ(reg.RegOpenKeyExA(kHkeyCurrentUser, kKey, 0, settings::kKeyQueryValue, &key),
              settings::kErrorSuccess);
    EXPECT_EQ(reg.RegSetValueExA(key, "Speed", settings::kRegSz, five, 2), settings::kErrorAccessDenied);
    EXPECT_EQ(reg.RegDeleteValueA(key, "Speed"), settings::kErrorAccessDenied);
    reg.RegCloseKey(key);
    EXPECT_EQ(get(reg, "Speed"), "37");

    // The machine's file is read (REGEDIT4 as well as 5.00), never opened for writing.
    ASSERT_EQ(reg.RegOpenKeyExA(settings::kHkeyLocalMachine, "Software", 0, settings::kKeyRead, &key),
              settings::kErrorSuccess);
    reg.RegCloseKey(key);
    EXPECT_EQ(reg.RegOpenKeyExA(settings::kHkeyLocalMachine, "Software", 0, settings::kKeySetValue, &key),
              settings::kErrorAccessDenied);
    EXPECT_EQ(reg.RegDeleteKeyA(kHkeyCurrentUser, ""), settings::kErrorAccessDenied) << "a root stays";

    // A key deleted while a handle to it is open: the handle says so.
    ASSERT_EQ(reg.RegOpenKeyExA(kHkeyCurrentUser, kKey, 0, settings::kKeyRead, &key),
              settings::kErrorSuccess);
    ASSERT_TRUE(CWinReestr(reg).DeleteKey(kHkeyCurrentUser, kKey));
    EXPECT_EQ(reg.RegQueryValueExA(key, "Speed", nullptr, nullptr, &size), settings::kErrorKeyDeleted);
    reg.RegCloseKey(key);
}

// Files set aside beside the store, by name.
std::vector<std::filesystem::path> setAside(const TempDir& dir) {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.path().filename().string().starts_with("user.reg.unreadable-"))
            found.push_back(entry.path());
    }
    return found;
}

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string kSection = "[HKEY_CURRENT_USER\\Software\\Olberin\\Kivano\\Settings]\r\n";

std::string deepSection(int levels, bool withValue = true) {
    std::string path = "[HKEY_CURRENT_USER";
    for (int i = 0; i < levels; ++i)
        path += "\\k";
    return path + "]\r\n" + (withValue ? "\"deep\"=\"1\"\r\n" : "");
}

// UTF-16 code units as bytes, without a byte-order mark.
std::string utf16Units(std::u16string_view units, bool bigEndian = false) {
    std::string out;
    for (const char16_t unit : units) {
        const auto low = static_cast<char>(unit & 0xFFU);
        const auto high = static_cast<char>(unit >> 8U);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

std::u16string widen(const std::string& ascii) {
    std::u16string out;
    for (const char c : ascii)
        out += static_cast<char16_t>(static_cast<unsigned char>(c));
    return out;
}

// UTF-16 little-endian bytes with their byte-order mark.
std::string utf16le(const std::u16string& text) {
    return "\xFF\xFE" + utf16Units(text);
}
std::string utf16le(const std::string& ascii) {
    return utf16le(widen(ascii));
}
std::string utf16be(const std::string& ascii) {
    return "\xFE\xFF" + utf16Units(widen(ascii), true);
}

// A set-aside file's name says when: "user.reg.unreadable-YYYYMMDD-HHMMSS", today's date (or
// yesterday's, should midnight pass meanwhile), then "-N" only when that name is taken.
bool namesToday(const std::string& name) {
    static const std::regex pattern(R"(user\.reg\.unreadable-(\d{8})-\d{6}(-[1-9]\d*)?)");
    std::smatch m;
    if (!std::regex_match(name, m, pattern)) return false;
    const auto day = [](std::time_t t) {
        std::tm local{};
        localtime_r(&t, &local);
        char text[16] = {};
        std::strftime(text, sizeof text, "%Y%m%d", &local);
        return std::string(text);
    };
    const std::time_t now = std::time(nullptr);
    return m[1] == day(now) || m[1] == day(now - 86400);
}

// The largest file read: a comment fills it to the cap exactly.
std::string exactly4MB() {
    std::string bytes = kHeader + kSection + "\"Speed\"=\"7\"\r\n; ";
    bytes += std::string((4U << 20U) - bytes.size() - 2, 'x') + "\r\n";
    return bytes;
}

// A UTF-16 regedit export whose value "n" holds the given code units.
std::string utf16WithUnits(const std::u16string& units) {
    return utf16le(kHeader + kSection + "\"Speed\"=\"7\"\r\n\"n\"=\"") + utf16Units(units) +
           utf16Units(u"\"\r\n");
}

// A UTF-16 regedit export that ends in the given code units, after a comment's ";".
std::string utf16EndingIn(const std::u16string& units) {
    return utf16le(kHeader + kSection + "\"Speed\"=\"7\"\r\n;") + utf16Units(units);
}

// Files a person or another program could leave in the store's place. Each opens with what it holds
// (or nothing), and the first write keeps every byte Kivano did not read whole: the file is set aside
// under a name that says so, and a fresh one takes its place.
TEST(FileRegistry, NoFileIsLostOrHurtsTheStore) {
    const struct {
        const char* what;
        std::string bytes;
        const char* speed; // as read before any write
        bool setAside;
    } cases[] = {
        {"binary junk", std::string("\x00\x01\x02garbage", 10), "", true},
        {"an INI file", "[section]\nkey=value\n", "", true},
        {"a malformed value", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\n\"x\"=hex:zz\n", "", true},
        {"a key 300 levels deep", kHeader + deepSection(300) + kSection + "\"Speed\"=\"7\"\r\n", "7", false},
        {"a key 600 levels deep", kHeader + deepSection(600) + kSection + "\"Speed\"=\"7\"\r\n", "7", true},
        {"an empty key 600 levels deep", kHeader + deepSection(600, false) + kSection + "\"Speed\"=\"7\"\r\n",
         "7", true},
        {"a key 500,000 levels deep", kHeader + deepSection(500000) + kSection + "\"Speed\"=\"7\"\r\n", "7",
         true},
        {"over 4 MB", kHeader + kSection + "\"Speed\"=\"7\"\r\n; " + std::string(4U << 20U, 'x') + "\r\n", "",
         true},
        {"exactly 4 MB", exactly4MB(), "7", false},
        {"a regedit export in UTF-16", utf16le(kHeader + kSection + "\"Speed\"=\"7\"\r\n"), "7", false},
        {"UTF-16 big-endian", utf16be(kHeader + kSection + "\"Speed\"=\"7\"\r\n"), "7", false},
        {"a key too deep after ours", kHeader + kSection + "\"Speed\"=\"7\"\r\n" + deepSection(600), "7",
         true},
        {"UTF-16 with U+10000, the first pair", utf16WithUnits({0xD800, 0xDC00}), "7", false},
        {"UTF-16 with U+10FFFF, the last pair", utf16WithUnits({0xDBFF, 0xDFFF}), "7", false},
        {"UTF-16 with a low surrogate alone", utf16WithUnits({0x61, 0xDC00}), "", true},
        {"UTF-16 with the last low surrogate alone", utf16WithUnits({0xDFFF}), "", true},
        {"UTF-16 ending in a pair", utf16EndingIn({0xD83D, 0xDE00}), "7", false},
        {"UTF-16 ending in a high surrogate", utf16EndingIn({0xD83D}), "", true},
        {"UTF-16 ending in half a unit", utf16EndingIn({0x61}) + "\x62", "", true},
        {"a hex value that is no hex", kHeader + kSection + "\"Speed\"=\"7\"\r\n\"x\"=hex:zz\r\n", "7", true},
        {"UTF-16 with a high surrogate alone", utf16WithUnits({0xDBFF, 0x61}), "", true},
        {"a key's default value", kHeader + kSection + "@=\"default\"\r\n\"Speed\"=\"7\"\r\n", "7", false},
        {"a dword that is no number", kHeader + kSection + "\"Speed\"=\"7\"\r\n\"x\"=dword:zz\r\n", "7",
         true},
        {"a comment ending in a backslash", kHeader + kSection + "; see C:\\\r\n\"Speed\"=\"7\"\r\n", "7",
         false},
        {"an empty file", "", "", false},
        {"another root's line ending in a backslash at the file's end",
         kHeader + kSection + "\"Speed\"=\"7\"\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n\"v\"=\"C:\\\\", "7",
         true},
    };
    for (const auto& c : cases) {
        TempDir dir("hostile");
        std::ofstream(dir.path() / "user.reg", std::ios::binary) << c.bytes;
        FileRegistry reg(rootsIn(dir));
        EXPECT_EQ(get(reg, "Speed"), c.speed) << c.what;
        EXPECT_EQ(get(reg, "deep"), "") << c.what << ": a deep key's value is never ours";
        ASSERT_TRUE(set(reg, "Randomise", "3")) << c.what;
        EXPECT_EQ(get(reg, "Randomise"), "3") << c.what;
        EXPECT_EQ(get(reg, "Speed"), c.speed) << c.what << ": what was read is kept";
        const auto aside = setAside(dir);
        ASSERT_EQ(aside.size(), c.setAside ? 1U : 0U) << c.what;
        if (c.setAside) {
            EXPECT_EQ(readFile(aside.front()), c.bytes) << c.what;
            EXPECT_TRUE(namesToday(aside.front().filename().string())) << aside.front();
        }
        ASSERT_TRUE(set(reg, "Randomise", "4")) << c.what;
        EXPECT_EQ(setAside(dir).size(), aside.size()) << c.what << ": the fresh file is read whole";
    }
}

// Two unreadable files set aside within one second: the second takes a name of its own, and neither
// is lost.
TEST(FileRegistry, TwoUnreadableFilesSetAsideInOneSecondAreBothKept) {
    TempDir dir("twice");
    const std::time_t start = std::time(nullptr);
    while (std::time(nullptr) == start) // a fresh second, so that both fall within it
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    FileRegistry reg(rootsIn(dir));
    const std::string first = "first unreadable file";
    const std::string second = "the second, longer unreadable file";
    for (const auto& bytes : {first, second}) {
        std::ofstream(dir.path() / "user.reg", std::ios::binary) << bytes;
        ASSERT_TRUE(set(reg, "Speed", "3"));
    }
    const auto aside = setAside(dir);
    ASSERT_EQ(aside.size(), 2U);
    std::vector<std::string> kept{readFile(aside[0]), readFile(aside[1])};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::string>{first, second}));
    for (const auto& file : aside)
        EXPECT_TRUE(namesToday(file.filename().string())) << file;
}

// A settings file that cannot be opened at all (here a link that leads to itself) is there all the same:
// the first write sets it aside instead of replacing it.
TEST(FileRegistry, AFileThatCannotBeOpenedIsSetAsideNotReplaced) {
    TempDir dir("loop");
    std::filesystem::create_symlink("user.reg", dir.path() / "user.reg");
    FileRegistry reg(rootsIn(dir));
    EXPECT_EQ(get(reg, "Speed"), "");
    ASSERT_TRUE(set(reg, "Speed", "3"));
    EXPECT_EQ(get(reg, "Speed"), "3");
    const auto aside = setAside(dir);
    ASSERT_EQ(aside.size(), 1U);
    EXPECT_TRUE(std::filesystem::is_symlink(aside.front()));
}

// A file that ends before the size it gave, as one that another program cuts while Kivano reads it, is
// unreadable: set aside at the first write, never waited on forever. A kernel attribute file always
// does so (its size says 4096), which makes the cut happen on every read.
TEST(FileRegistry, AFileThatEndsBeforeItsSizeIsSetAsideNotReadForever) {
    const std::filesystem::path cut = "/sys/devices/system/cpu/online";
    std::error_code ec;
    const auto size = std::filesystem::file_size(cut, ec);
    if (ec || size <= readFile(cut).size()) GTEST_SKIP() << cut << " does not end before its size here";
    TempDir dir("cut");
    std::filesystem::create_symlink(cut, dir.path() / "user.reg");
    FileRegistry reg(rootsIn(dir));
    EXPECT_EQ(get(reg, "Speed"), "");
    ASSERT_TRUE(set(reg, "Speed", "3"));
    EXPECT_EQ(get(reg, "Speed"), "3");
    EXPECT_EQ(setAside(dir).size(), 1U);
}

// An unreadable file that cannot be set aside (here its name is too long to take the suffix) is never
// replaced: the write fails and the file keeps its bytes.
TEST(FileRegistry, AnUnreadableFileThatCannotBeSetAsideIsKept) {
    TempDir dir("noaside");
    const auto file = dir.path() / std::string(240, 'k');
    std::ofstream(file, std::ios::binary) << "not a registry export";
    FileRegistry reg({{kHkeyCurrentUser, "HKEY_CURRENT_USER", file, true}});
    EXPECT_FALSE(set(reg, "Speed", "3"));
    EXPECT_EQ(readFile(file), "not a registry export");
}

// A change that changes nothing (a key made that is there already) writes nothing: a file not read
// whole stays in place, untouched.
TEST(FileRegistry, AChangeThatChangesNothingWritesNothing) {
    TempDir dir("unchanged");
    const std::string bytes = kHeader + kSection + "\"Speed\"=\"7\"\r\n\"x\"=dword:zz\r\n";
    std::ofstream(dir.path() / "user.reg", std::ios::binary) << bytes;
    FileRegistry reg(rootsIn(dir));
    settings::Hkey key = 0;
    ASSERT_EQ(reg.RegCreateKeyA(kHkeyCurrentUser, kKey, &key), settings::kErrorSuccess);
    reg.RegCloseKey(key);
    EXPECT_EQ(readFile(dir.path() / "user.reg"), bytes);
    EXPECT_TRUE(setAside(dir).empty());
}

// A regedit export in UTF-16 with text beyond ASCII (Cyrillic, Chinese, a character beyond the 16-bit
// plane, the two sides of the two- and three-byte boundary of UTF-8): every character reads right, and
// a write keeps the file's own bytes and adds its own right.
TEST(FileRegistry, AUtf16FileKeepsEveryCharacter) {
    TempDir dir("utf16");
    const std::u16string section = u"[HKEY_CURRENT_USER\\Software\\Olberin\\Kivano\\Settings]\r\n";
    const std::u16string name = u"\"Name\"=\"Привет, 中文, 😀, \u07FF\u0800\"\r\n";
    std::ofstream(dir.path() / "user.reg", std::ios::binary)
        << utf16le(u"Windows Registry Editor Version 5.00\r\n\r\n" + section + name);
    FileRegistry reg(rootsIn(dir));
    EXPECT_EQ(get(reg, "Name"), "Привет, 中文, 😀, \u07FF\u0800");
    ASSERT_TRUE(set(reg, "Other", "Ёж 😀"));
    const std::string bytes = readFile(dir.path() / "user.reg");
    EXPECT_NE(bytes.find(utf16le(name).substr(2)), std::string::npos) << "the file's own text changed";
    EXPECT_NE(bytes.find(utf16le(u"\"Other\"=\"Ёж 😀\"").substr(2)), std::string::npos);
    FileRegistry fresh(rootsIn(dir));
    EXPECT_EQ(get(fresh, "Other"), "Ёж 😀");
    EXPECT_EQ(get(fresh, "Name"), "Привет, 中文, 😀, \u07FF\u0800");

    // Bytes that are no UTF-8 are kept each as its own character (Latin-1), never joined to the one
    // before: "?" and a lone 0x80 stay two characters.
    // So are surrogates spelt in UTF-8, which UTF-16 could not hold alone; the smallest characters of
    // each length and the largest of all are characters.
    ASSERT_TRUE(set(reg, "Bytes", "?\x80"));
    ASSERT_TRUE(set(reg, "Surrogate", "\xED\xA0\x80\xED\xBF\xBF"));
    ASSERT_TRUE(set(reg, "Cut", "\xC3("));
    ASSERT_TRUE(set(reg, "Ends", "\u0080\u0800\U00010000\U0010FFFF"));
    FileRegistry third(rootsIn(dir));
    EXPECT_EQ(get(third, "Bytes"), "?\u0080");
    EXPECT_EQ(get(third, "Surrogate"), "\u00ED\u00A0\u0080\u00ED\u00BF\u00BF");
    EXPECT_EQ(get(third, "Cut"), "\u00C3(") << "a lead byte whose sequence breaks off";
    EXPECT_EQ(get(third, "Ends"), "\u0080\u0800\U00010000\U0010FFFF");
}

TEST(FileRegistry, AReadableFileKeepsWhatKivanoDoesNotOwn) {
    TempDir dir("keeps");
    const std::string other = "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"Colour\"=\"blue\"\r\n";
    const std::string foreign = "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n\"Size\"=dword:00000002\r\n\r\n"
                                "[HKEY_CLASSES_ROOT\\.other]\r\n@=\"Other.File\"\r\n";
    std::ofstream(dir.path() / "user.reg", std::ios::binary)
        << utf16le(kHeader + other + "\r\n" + foreign + "\r\n" + kSection + "\"Speed\"=\"7\"\r\n");
    FileRegistry reg(rootsIn(dir));
    ASSERT_TRUE(set(reg, "Speed", "8"));
    const std::string text = readFile(dir.path() / "user.reg");
    EXPECT_TRUE(text.starts_with("\xFF\xFE")) << "written back in the encoding it came in";
    for (const std::string& kept : {other, foreign, kSection + "\"Speed\"=\"8\"\r\n"})
        EXPECT_NE(text.find(utf16le(kept).substr(2)), std::string::npos) << kept;
    EXPECT_TRUE(setAside(dir).empty());
    EXPECT_EQ(text.find(utf16le("[HKEY_CURRENT_USER\\.other]").substr(2)), std::string::npos)
        << "another root's keys are not made ours";
    FileRegistry next(rootsIn(dir)); // the next run, writing the same
    ASSERT_TRUE(set(next, "Speed", "8"));
    EXPECT_EQ(readFile(dir.path() / "user.reg"), text)
        << "runs after runs, the file neither grows nor changes";
}

// Deleting one value or key leaves every other one where it can be found.
TEST(FileRegistry, DeletingOneLeavesTheOthersFound) {
    TempDir dir("erase");
    FileRegistry reg(rootsIn(dir));
    CWinReestr reestr(reg);
    const auto keyOf = [](const std::string& name) { return "Software\\" + name; };
    for (const std::string name : {"A", "B", "C"}) {
        ASSERT_TRUE(set(reg, name, name));
        std::string text = name;
        ASSERT_TRUE(reestr.SetKeyValue(kHkeyCurrentUser, keyOf(name), "v", text));
    }
    ASSERT_TRUE(reestr.DeleteKeyValue(kHkeyCurrentUser, kKey, "A"));
    ASSERT_TRUE(reestr.DeleteKey(kHkeyCurrentUser, keyOf("A")));
    for (const std::string name : {"B", "C"}) {
        EXPECT_EQ(get(reg, name), name);
        std::string text;
        EXPECT_TRUE(reestr.GetKeyValue(kHkeyCurrentUser, keyOf(name), "v", text));
        EXPECT_EQ(text, name);
    }
}

// The fuzz target's round trip judges trees by this comparison, so it must tell every difference.
TEST(FileRegistry, TreesCompareByNameValuesAndKeys) {
    const auto tree = [](const char* name, std::uint8_t value, const char* child) {
        settings::RegKey key(name);
        key.setValue(settings::RegValue{"v", settings::kRegBinary, {value}});
        key.addKey(child);
        return key;
    };
    EXPECT_TRUE(tree("k", 1, "c") == tree("k", 1, "c"));
    EXPECT_FALSE(tree("k", 1, "c") == tree("other", 1, "c")) << "name";
    EXPECT_FALSE(tree("k", 1, "c") == tree("k", 2, "c")) << "value";
    EXPECT_FALSE(tree("k", 1, "c") == tree("k", 1, "d")) << "key";
}

// A key that stands twice in a file, as a person may write it, is one key: a write gives it once, with
// the values of both.
TEST(FileRegistry, AKeyWrittenTwiceIsOneKey) {
    TempDir dir("once");
    std::ofstream(dir.path() / "user.reg", std::ios::binary)
        << kHeader + kSection + "\"Speed\"=\"7\"\r\n\r\n" + kSection + "\"Randomise\"=\"2\"\r\n";
    FileRegistry reg(rootsIn(dir));
    ASSERT_TRUE(set(reg, "Time Delay", "1"));
    const std::string text = readFile(dir.path() / "user.reg");
    size_t count = 0;
    for (size_t at = text.find(kSection); at != std::string::npos; at = text.find(kSection, at + 1))
        ++count;
    EXPECT_EQ(count, 1U) << text;
    FileRegistry fresh(rootsIn(dir));
    EXPECT_EQ(get(fresh, "Speed"), "7");
    EXPECT_EQ(get(fresh, "Randomise"), "2");
    EXPECT_EQ(get(fresh, "Time Delay"), "1");
}

// As with Windows' registry, a caller may ask for a value's size alone, or its type alone.
TEST(FileRegistry, AQueryMayAskForTheSizeOrTheTypeAlone) {
    TempDir dir("query");
    FileRegistry reg(rootsIn(dir));
    ASSERT_TRUE(set(reg, "Speed", "37"));
    settings::Hkey key = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(kHkeyCurrentUser, kKey, 0, settings::kKeyRead, &key),
              settings::kErrorSuccess);
    std::uint32_t size = 0;
    EXPECT_EQ(reg.RegQueryValueExA(key, "Speed", nullptr, nullptr, &size), settings::kErrorSuccess);
    EXPECT_EQ(size, 3U) << "two digits and the terminating nul";
    std::uint32_t type = 0;
    EXPECT_EQ(reg.RegQueryValueExA(key, "Speed", &type, nullptr, nullptr), settings::kErrorSuccess);
    EXPECT_EQ(type, settings::kRegSz);
    EXPECT_EQ(reg.RegCloseKey(key), settings::kErrorSuccess);

    // A root the store has no file for, or a key already closed, is no handle: each call says so and
    // changes nothing.
    for (const settings::Hkey stale : {static_cast<settings::Hkey>(0x80000003U), key}) {
        EXPECT_EQ(reg.RegOpenKeyExA(stale, "Software", 0, settings::kKeyRead, &key),
                  settings::kErrorInvalidHandle);
        EXPECT_EQ(reg.RegCreateKeyA(stale, "Software", &key), settings::kErrorInvalidHandle);
        EXPECT_EQ(reg.RegDeleteKeyA(stale, "Software"), settings::kErrorInvalidHandle);
        EXPECT_EQ(reg.RegQueryValueExA(stale, "Speed", nullptr, nullptr, &size),
                  settings::kErrorInvalidHandle);
        const std::uint8_t five[] = {'5', 0};
        EXPECT_EQ(reg.RegSetValueExA(stale, "Speed", settings::kRegSz, five, 2),
                  settings::kErrorInvalidHandle);
        EXPECT_EQ(reg.RegDeleteValueA(stale, "Speed"), settings::kErrorInvalidHandle);
        EXPECT_EQ(reg.RegCloseKey(stale), settings::kErrorInvalidHandle);
    }
    EXPECT_EQ(get(reg, "Speed"), "37");

    // A key opened below another open key, as Windows allows.
    settings::Hkey parent = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(kHkeyCurrentUser, "Software\\Olberin", 0, settings::kKeyRead, &parent),
              settings::kErrorSuccess);
    ASSERT_EQ(reg.RegOpenKeyExA(parent, "Kivano\\Settings", 0, settings::kKeyRead, &key),
              settings::kErrorSuccess);
    EXPECT_EQ(reg.openHandles(), 2U) << "each open key its own handle";
    size = 0;
    EXPECT_EQ(reg.RegQueryValueExA(key, "Speed", nullptr, nullptr, &size), settings::kErrorSuccess);
    EXPECT_EQ(size, 3U);
    reg.RegCloseKey(key);
    reg.RegCloseKey(parent);
}

// Writes and reads, each of a changed file, leave no file open behind them.
TEST(FileRegistry, WritesAndReadsLeaveNoFileOpen) {
    TempDir dir("descriptors");
    FileRegistry reg(rootsIn(dir));
    ASSERT_TRUE(set(reg, "Speed", "3"));
    const auto descriptors = openDescriptors();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(set(reg, "Speed", std::to_string(4 + i)));
        FileRegistry other(rootsIn(dir)); // another process's store, whose write this one reads again
        ASSERT_TRUE(set(other, "Randomise", std::to_string(i)));
        EXPECT_EQ(get(reg, "Randomise"), std::to_string(i));
    }
    EXPECT_EQ(openDescriptors(), descriptors);
}

TEST(FileRegistry, ManySiblingKeysAreAllKept) {
    TempDir dir("siblings");
    std::string file = kHeader;
    for (int i = 0; i < 60000; ++i)
        file += "[HKEY_CURRENT_USER\\Software\\Other\\Key" + std::to_string(i) + "]\r\n\"v\"=\"" +
                std::to_string(i) + "\"\r\n\r\n";
    std::ofstream(dir.path() / "user.reg", std::ios::binary) << file;
    FileRegistry reg(rootsIn(dir));
    ASSERT_TRUE(set(reg, "Speed", "8"));
    std::string text;
    CWinReestr(reg).GetKeyValue(kHkeyCurrentUser, "Software\\Other\\Key59999", "v", text);
    EXPECT_EQ(text, "59999");
    CWinReestr(reg).GetKeyValue(kHkeyCurrentUser, "software\\other\\KEY31416", "v", text);
    EXPECT_EQ(text, "31416") << "names compare without case";
}

TEST(FileRegistry, NamesTheFileCannotHoldAreRefused) {
    TempDir dir("names");
    FileRegistry reg(rootsIn(dir));
    for (const std::string name : {"line\nbreak", "carriage\rreturn"}) {
        std::string value = "1";
        EXPECT_FALSE(CWinReestr(reg).SetKeyValue(kHkeyCurrentUser, kKey, name, value))
            << "a value name that would be saved and then lost";
        EXPECT_EQ(value, "") << "a failed write empties the caller's text";
        std::string text = "1";
        EXPECT_FALSE(CWinReestr(reg).SetKeyValue(kHkeyCurrentUser, "Software\\" + name, "v", text));
    }
    std::string every; // every other printable character is a name's own
    for (char c = ' '; c <= '~'; ++c)
        every += c;
    EXPECT_TRUE(set(reg, every, "1"));
    FileRegistry next(rootsIn(dir));
    EXPECT_EQ(get(next, every), "1");
    std::string deep;
    for (size_t i = 0; i <= settings::kMaxKeyDepth; ++i)
        deep += "k\\";
    std::string text = "1";
    EXPECT_FALSE(CWinReestr(reg).SetKeyValue(kHkeyCurrentUser, deep, "v", text))
        << "deeper than a file is read";
    deep.resize(deep.size() - 2); // one level less: the deepest key a file is read with
    text = "1";
    EXPECT_TRUE(CWinReestr(reg).SetKeyValue(kHkeyCurrentUser, deep, "v", text));
    FileRegistry fresh(rootsIn(dir));
    std::string read;
    EXPECT_TRUE(CWinReestr(fresh).GetKeyValue(kHkeyCurrentUser, deep, "v", read));
    EXPECT_EQ(read, "1");
    EXPECT_EQ(reg.openHandles(), 0U);
}

TEST(FileRegistry, DeletingAValueOfAMissingKeySucceedsInEitherStore) {
    TempDir dir("delete");
    FileRegistry reg(
        {{kHkeyCurrentUser, "HKEY_CURRENT_USER", dir.path() / "user.reg", true},
         {settings::kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", dir.path() / "machine.reg", false}});
    EXPECT_TRUE(CWinReestr(reg).DeleteKeyValue(kHkeyCurrentUser, "Software\\Missing", "v"));
    EXPECT_TRUE(CWinReestr(reg).DeleteKeyValue(settings::kHkeyLocalMachine, "Software\\Missing", "v"));
}

// Another process holding the lock costs one bounded wait: that write fails, later ones fail without
// waiting, and once the lock is free again writes go through.
TEST(FileRegistry, AHeldLockCostsOneBoundedWait) {
    TempDir dir("lock");
    FileRegistry reg(rootsIn(dir));
    ASSERT_TRUE(set(reg, "Speed", "3"));
    const int holder = ::open((dir.path() / "user.reg.lock").c_str(), O_RDWR);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    reg.lockWait = std::chrono::milliseconds(300);
    std::string text = "5";
    const auto descriptors = openDescriptors();
    const auto cpuBefore = threadCpuTime();
    EXPECT_FALSE(CWinReestr(reg).SetKeyValue(kHkeyCurrentUser, kKey, "Speed", text));
    EXPECT_LT(threadCpuTime() - cpuBefore, std::chrono::milliseconds(30))
        << "the wait spins on the processor";
    reg.lockWait = std::chrono::hours(1); // a second wait would hang the test
    EXPECT_FALSE(set(reg, "Speed", "6"));
    EXPECT_EQ(openDescriptors(), descriptors) << "each write that could not lock leaks a file descriptor";
    EXPECT_EQ(get(reg, "Speed"), "3") << "reads need no lock";
    ::close(holder);
    EXPECT_TRUE(set(reg, "Speed", "7"));
    EXPECT_EQ(get(reg, "Speed"), "7");
}

// The wait a write gives another process's lock, as it ships: long enough that another Kivano's write
// (a fraction of a second) never makes a setting fail, short enough that a stuck lock stalls the
// program for seconds, not minutes. Bounds only: the long side leaves a slow machine five times the room.
TEST(FileRegistry, TheLockWaitOutlastsAnotherWriteAndGivesUpWithinSeconds) {
    TempDir dir("lockwait");
    FileRegistry reg(rootsIn(dir));
    ASSERT_TRUE(set(reg, "Speed", "3"));
    const auto holdLock = [&] {
        const int fd = ::open((dir.path() / "user.reg.lock").c_str(), O_RDWR);
        EXPECT_EQ(::flock(fd, LOCK_EX), 0);
        return fd;
    };

    const int brief = holdLock();
    std::thread other([brief] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        ::close(brief);
    });
    EXPECT_TRUE(set(reg, "Speed", "4")) << "another process's brief write made this one fail";
    other.join();

    const int stuck = holdLock();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(set(reg, "Speed", "5"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << "a stuck lock hangs it";
    ::close(stuck);
    EXPECT_EQ(get(reg, "Speed"), "4");
}

TEST(FileRegistry, TheTemporaryFileIsCreatedAfreshNeverThroughALink) {
    TempDir dir("temp");
    const auto victim = dir.path() / "victim";
    std::ofstream(victim) << "not yours";
    std::filesystem::create_symlink(victim, dir.path() / "user.reg.tmp");
    FileRegistry reg(rootsIn(dir));
    ASSERT_TRUE(set(reg, "Speed", "3"));
    EXPECT_EQ(readFile(victim), "not yours");
    EXPECT_EQ(get(reg, "Speed"), "3");
    EXPECT_EQ((std::filesystem::status(dir.path() / "user.reg").permissions() & std::filesystem::perms::all),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir.path() / "user.reg.tmp")));
    // The lock beside it too is the user's alone, and one the user can open again for the next write.
    EXPECT_EQ(
        (std::filesystem::status(dir.path() / "user.reg.lock").permissions() & std::filesystem::perms::all),
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(FileRegistry, ACrashBeforeTheRenameLeavesTheOldFileWhole) {
    TempDir dir("crash");
    FileRegistry reg(rootsIn(dir));
    ASSERT_TRUE(set(reg, "Speed", "3"));
    const std::string before = readFile(dir.path() / "user.reg");

    reg.beforeRename = [] { return false; };
    EXPECT_FALSE(set(reg, "Speed", "5"));
    EXPECT_EQ(readFile(dir.path() / "user.reg"), before);
    FileRegistry fresh(rootsIn(dir));
    EXPECT_EQ(get(fresh, "Speed"), "3");

    reg.beforeRename = nullptr;
    ASSERT_TRUE(set(reg, "Speed", "5"));
    EXPECT_EQ(get(fresh, "Speed"), "5");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "user.reg.tmp")) << "the crash's leftover is cleared";
}

// The rename that puts the new file in place fails (here something else took the settings file's name
// meanwhile, a folder the rename cannot replace): the write is reported failed, and the temporary file
// does not stay behind.
TEST(FileRegistry, AWriteWhoseRenameFailsIsReportedFailed) {
    TempDir dir("rename");
    FileRegistry reg(rootsIn(dir));
    ASSERT_TRUE(set(reg, "Speed", "3"));
    reg.beforeRename = [&dir] {
        std::filesystem::remove(dir.path() / "user.reg");
        std::filesystem::create_directories(dir.path() / "user.reg" / "inside");
        return true;
    };
    EXPECT_FALSE(set(reg, "Speed", "5"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "user.reg.tmp"));
}

TEST(FileRegistry, WritesThatCannotReachTheDiskFail) {
    TempDir dir("unwritable");
    std::ofstream(dir.path() / "file") << "a file where a folder should be";
    FileRegistry reg({{kHkeyCurrentUser, "HKEY_CURRENT_USER", dir.path() / "file" / "user.reg", true}});
    std::string text = "3";
    EXPECT_FALSE(CWinReestr(reg).SetKeyValue(kHkeyCurrentUser, kKey, "Speed", text));
    EXPECT_EQ(text, "");
    settings::Hkey key = 0;
    EXPECT_NE(reg.RegCreateKeyA(kHkeyCurrentUser, kKey, &key), settings::kErrorSuccess);
    EXPECT_EQ(reg.openHandles(), 0U);
}

// The temporary file cannot be made (here a folder holds its name; as well no inodes or descriptors
// left): the write is reported failed, not done, and the settings file keeps what it held.
TEST(FileRegistry, AWriteWhoseTemporaryFileCannotBeMadeFails) {
    TempDir dir("notemp");
    FileRegistry reg(rootsIn(dir));
    ASSERT_TRUE(set(reg, "Speed", "3"));
    const std::string before = readFile(dir.path() / "user.reg");
    std::filesystem::create_directories(dir.path() / "user.reg.tmp" / "inside");
    EXPECT_FALSE(set(reg, "Speed", "5"));
    EXPECT_EQ(readFile(dir.path() / "user.reg"), before);
    EXPECT_EQ(get(reg, "Speed"), "3");
}

// A disk that fills up mid-write (here a file size limit, which fails write() as a full disk does):
// the write is reported failed and the settings file keeps what it held. Run in a child process, which
// alone takes the limit, and which an alarm ends should the write never return.
TEST(FileRegistry, AWriteTheDiskCannotTakeFailsAndKeepsTheFile) {
    TempDir dir("full");
    {
        FileRegistry reg(rootsIn(dir));
        ASSERT_TRUE(set(reg, "Speed", "3"));
    }
    const std::string before = readFile(dir.path() / "user.reg");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::alarm(20);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        FileRegistry reg(rootsIn(dir));
        ::_exit(set(reg, "Big", std::string(10000, 'x')) ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the write was reported done, or never returned";
    EXPECT_EQ(readFile(dir.path() / "user.reg"), before);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "user.reg.tmp"))
        << "the half-written file stays behind";
}

TEST(FileRegistry, ConcurrentWritersLoseNoValue) {
    TempDir dir("concurrent");
    constexpr int kWriters = 4;
    constexpr int kValuesEach = 15;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            FileRegistry reg(rootsIn(dir));
            bool ok = true;
            for (int i = 0; i < kValuesEach; ++i)
                ok = set(reg, "w" + std::to_string(w) + "." + std::to_string(i), "x") && ok;
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    FileRegistry reg(rootsIn(dir));
    int found = 0;
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kValuesEach; ++i)
            found += get(reg, "w" + std::to_string(w) + "." + std::to_string(i)) == "x";
    }
    EXPECT_EQ(found, kWriters * kValuesEach);
}

// The user's folder comes from the environment or the user database, never from a shared folder.
TEST(FileRegistry, UserRootFollowsXdgConfigHomeThenHomeThenTheUserDatabase) {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::string savedXdg = xdg != nullptr ? xdg : "";
    const std::string savedHome = home != nullptr ? home : "";
    const std::string passwdHome = ::getpwuid(::geteuid())->pw_dir;
    const struct {
        const char* xdg;
        const char* home;
        std::string file;
    } cases[] = {
        {"/tmp/kivano-xdg", "/home/someone", "/tmp/kivano-xdg/kivano/user.reg"},
        {nullptr, "/home/someone", "/home/someone/.config/kivano/user.reg"},
        {"relative", "also-relative", passwdHome + "/.config/kivano/user.reg"},
        {nullptr, nullptr, passwdHome + "/.config/kivano/user.reg"},
    };
    for (const auto& c : cases) {
        c.xdg != nullptr ? ::setenv("XDG_CONFIG_HOME", c.xdg, 1) : ::unsetenv("XDG_CONFIG_HOME");
        c.home != nullptr ? ::setenv("HOME", c.home, 1) : ::unsetenv("HOME");
        const auto roots = FileRegistry::defaultRoots();
        EXPECT_EQ(roots.at(0).file, c.file);
        EXPECT_TRUE(roots.at(0).writable);
        EXPECT_EQ(roots.at(1).file, "/etc/kivano/machine.reg");
        // The roots' names are the ones regedit writes in its sections, and only an administrator may
        // change the machine's settings.
        EXPECT_EQ(roots.at(0).name, "HKEY_CURRENT_USER");
        EXPECT_EQ(roots.at(1).name, "HKEY_LOCAL_MACHINE");
        EXPECT_EQ(roots.at(1).writable, ::geteuid() == 0);
    }
    savedXdg.empty() ? ::unsetenv("XDG_CONFIG_HOME") : ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    savedHome.empty() ? ::unsetenv("HOME") : ::setenv("HOME", savedHome.c_str(), 1);
}

} // namespace
} // namespace kivano::testing
