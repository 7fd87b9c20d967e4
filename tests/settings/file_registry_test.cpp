// What only the file store has to get right: its file format, crash safety, locking and bad files.

#include "settings/CWinReestr.h"
#include "settings/file_registry.h"
#include "support/harness.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
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

std::string get(FileRegistry& reg, const std::string& name) {
    std::string text;
    CWinReestr(reg).GetKeyValue(kHkeyCurrentUser, kKey, name, text);
    return text;
}

bool set(FileRegistry& reg, const std::string& name, std::string text) {
    return CWinReestr(reg).SetKeyValue(kHkeyCurrentUser, kKey, name, text);
}

TEST(FileRegistry, WritesAReadableRegFileThatKeepsEveryType) {
    TempDir dir("format");
    FileRegistry reg(rootsIn(dir));
    ASSERT_TRUE(set(reg, "Speed", "4.2"));
    settings::Hkey k = 0;
    ASSERT_EQ(reg.RegOpenKeyExA(kHkeyCurrentUser, kKey, 0, settings::kKeyChange, &k), 0);
    const std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> values = {
        {settings::kRegDword, {20, 0, 0, 0}},         {settings::kRegBinary, {0, 1, 254, 255}},
        {settings::kRegExpandSz, {'%', 'A', '%', 0}}, {settings::kRegMultiSz, {'a', 0, 'b', 0, 0}},
        {settings::kRegSz, {'n', 'o', ' ', 'z'}},     {settings::kRegSz, std::vector<std::uint8_t>(60, 'L')},
    };
    for (size_t i = 0; i < values.size(); ++i) {
        const auto& [type, data] = values[i];
        ASSERT_EQ(reg.RegSetValueExA(k, "v" + std::to_string(i), type, data.data(),
                                     static_cast<std::uint32_t>(data.size())),
                  0);
    }
    reg.RegCloseKey(k);

    const std::string text = readFile(dir.path() / "user.reg");
    EXPECT_TRUE(text.starts_with("Windows Registry Editor Version 5.00\r\n"));
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Olberin\\Kivano\\Settings]"), std::string::npos);
    EXPECT_NE(text.find("\"Speed\"=\"4.2\""), std::string::npos);
    EXPECT_NE(text.find("\"v0\"=dword:00000014"), std::string::npos);

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
                                              "this line is nonsense\n";
    FileRegistry reg(rootsIn(dir));
    EXPECT_EQ(get(reg, "Speed"), "7") << "another root's section is not ours";
    EXPECT_EQ(get(reg, "Time Delay"), "15");
    EXPECT_EQ(get(reg, "Randomise"), "1.5");
}

TEST(FileRegistry, CorruptOrForeignFilesReadAsMissingAndAreReplacedOnWrite) {
    for (const std::string& junk :
         {std::string("\x00\x01\x02garbage", 10), std::string("[section]\nkey=value\n"),
          std::string("REGEDIT4\n[HKEY_CURRENT_USER\\Software\n\"x\"=hex:zz\n")}) {
        TempDir dir("corrupt");
        std::ofstream(dir.path() / "user.reg", std::ios::binary) << junk;
        FileRegistry reg(rootsIn(dir));
        EXPECT_EQ(get(reg, "Speed"), "");
        ASSERT_TRUE(set(reg, "Speed", "3"));
        EXPECT_EQ(get(reg, "Speed"), "3");
        EXPECT_TRUE(readFile(dir.path() / "user.reg").starts_with("Windows Registry Editor Version 5.00"));
    }
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
}

TEST(FileRegistry, WritesThatCannotReachTheDiskFail) {
    TempDir dir("unwritable");
    std::ofstream(dir.path() / "file") << "a file where a folder should be";
    FileRegistry reg({{kHkeyCurrentUser, "HKEY_CURRENT_USER", dir.path() / "file" / "user.reg", true}});
    std::string text = "3";
    EXPECT_FALSE(CWinReestr(reg).SetKeyValue(kHkeyCurrentUser, kKey, "Speed", text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(reg.openHandles(), 0U);
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

TEST(FileRegistry, UserRootFollowsXdgConfigHome) {
    ::setenv("XDG_CONFIG_HOME", "/tmp/kivano-xdg", 1);
    const auto roots = FileRegistry::defaultRoots();
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(roots.at(0).file, "/tmp/kivano-xdg/kivano/user.reg");
    EXPECT_EQ(roots.at(1).file, "/etc/kivano/machine.reg");
}

} // namespace
} // namespace kivano::testing
