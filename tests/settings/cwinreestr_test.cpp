// CWinReestr over a registry. The suite runs against the file store here, and against the real registry
// when built for Windows.

#include "settings/CWinReestr.h"
#include "support/registry_fixture.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace kivano::testing {
namespace {

using settings::CWinReestr;
using settings::kHkeyCurrentUser;

class CWinReestrTest : public RegistryFixture {};

TEST_F(CWinReestrTest, MissingKeysAndValuesReadAsFalseWithAnEmptyText) {
    CWinReestr r(api());
    std::string text = "before";
    EXPECT_FALSE(r.GetKeyValue(kHkeyCurrentUser, key("Nowhere"), "Value", text));
    EXPECT_EQ(text, "");
    std::string stored = "1";
    ASSERT_TRUE(r.SetKeyValue(kHkeyCurrentUser, key("Here"), "Other", stored));
    text = "before";
    EXPECT_FALSE(r.GetKeyValue(kHkeyCurrentUser, key("Here"), "Value", text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(openHandles(), 0U);
}

TEST_F(CWinReestrTest, WritingCreatesTheWholePathAndReadsBack) {
    CWinReestr r(api());
    std::string text = "2,5 and \"quotes\" \\ backslash";
    ASSERT_TRUE(r.SetKeyValue(kHkeyCurrentUser, key("A\\B\\C"), "Speed", text));
    EXPECT_EQ(text, "2,5 and \"quotes\" \\ backslash") << "a successful write leaves the text alone";
    std::string back;
    EXPECT_TRUE(r.GetKeyValue(kHkeyCurrentUser, key("A\\B\\C"), "Speed", back));
    EXPECT_EQ(back, text);
    EXPECT_TRUE(r.GetKeyValue(kHkeyCurrentUser, key("a\\b\\c"), "SPEED", back)) << "names ignore case";
    EXPECT_EQ(openHandles(), 0U);
}

TEST_F(CWinReestrTest, ReadsEachValueTypeByItsRules) {
    const std::vector<std::uint8_t> sz1024(1023, 'x');
    const struct {
        const char* name;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
        bool result;
        std::string text; // what the caller's "prior" text becomes
    } cases[] = {
        {"with terminator", settings::kRegSz, {'a', 'b', 0}, true, "ab"},
        {"without terminator", settings::kRegSz, {'a', 'b'}, true, "ab"},
        {"only one zero dropped", settings::kRegSz, {'a', 0, 0}, true, std::string("a\0", 2)},
        {"empty", settings::kRegSz, {}, true, ""},
        {"lone terminator", settings::kRegSz, {0}, true, ""},
        {"dword 261", settings::kRegDword, {5, 1, 0, 0}, true, "261"},
        {"dword all bits", settings::kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}, true, "-1"},
        {"dword 70000", settings::kRegDword, {0x70, 0x11, 0x01, 0x00}, true, "70000"},
        {"dword 2^24", settings::kRegDword, {0, 0, 0, 1}, true, "16777216"},
        {"binary keeps text", settings::kRegBinary, {1, 2, 3}, true, "prior"},
        {"expandable keeps text", settings::kRegExpandSz, {'%', 'x', '%', 0}, true, "prior"},
        {"multi keeps text", settings::kRegMultiSz, {'a', 0, 'b', 0, 0}, true, "prior"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(setRaw(key("Types"), c.name, c.type, c.data)) << c.name;
        CWinReestr r(api());
        std::string text = "prior";
        EXPECT_EQ(r.GetKeyValue(kHkeyCurrentUser, key("Types"), c.name, text), c.result) << c.name;
        EXPECT_EQ(text, c.text) << c.name;
    }
    EXPECT_EQ(openHandles(), 0U);
}

TEST_F(CWinReestrTest, ReadsUpTo1024BytesAndRefusesMore) {
    std::vector<std::uint8_t> fits(1023, 'x');
    fits.push_back(0);
    std::vector<std::uint8_t> tooLong(1024, 'y');
    tooLong.push_back(0);
    ASSERT_TRUE(setRaw(key("Big"), "fits", settings::kRegSz, fits));
    ASSERT_TRUE(setRaw(key("Big"), "long", settings::kRegSz, tooLong));
    CWinReestr r(api());
    std::string text;
    EXPECT_TRUE(r.GetKeyValue(kHkeyCurrentUser, key("Big"), "fits", text));
    EXPECT_EQ(text, std::string(1023, 'x'));
    text = "prior";
    EXPECT_FALSE(r.GetKeyValue(kHkeyCurrentUser, key("Big"), "long", text));
    EXPECT_EQ(text, "") << "too long is unreadable, not truncated";
    EXPECT_EQ(openHandles(), 0U);
}

TEST_F(CWinReestrTest, WritingReplacesAValueOfAnyTypeWithAString) {
    ASSERT_TRUE(setRaw(key("Replace"), "v", settings::kRegDword, {1, 0, 0, 0}));
    CWinReestr r(api());
    std::string text = "3.5";
    ASSERT_TRUE(r.SetKeyValue(kHkeyCurrentUser, key("Replace"), "v", text));
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_TRUE(getRaw(key("Replace"), "v", type, data));
    EXPECT_EQ(type, settings::kRegSz);
    EXPECT_EQ(data, (std::vector<std::uint8_t>{'3', '.', '5', 0})) << "stored with one terminating zero";
}

TEST_F(CWinReestrTest, DeletingValuesAndKeys) {
    CWinReestr r(api());
    EXPECT_TRUE(r.DeleteKeyValue(kHkeyCurrentUser, key("Missing"), "v")) << "no key: nothing to delete";
    std::string text = "1";
    ASSERT_TRUE(r.SetKeyValue(kHkeyCurrentUser, key("Del"), "v", text));
    EXPECT_FALSE(r.DeleteKeyValue(kHkeyCurrentUser, key("Del"), "other"));
    EXPECT_TRUE(r.DeleteKeyValue(kHkeyCurrentUser, key("Del"), "v"));
    EXPECT_FALSE(r.GetKeyValue(kHkeyCurrentUser, key("Del"), "v", text));

    ASSERT_TRUE(r.SetKeyValue(kHkeyCurrentUser, key("Parent\\Child"), "v", text = "1"));
    EXPECT_FALSE(r.DeleteKey(kHkeyCurrentUser, key("Parent"))) << "a key with keys below it stays";
    EXPECT_TRUE(r.GetKeyValue(kHkeyCurrentUser, key("Parent\\Child"), "v", text));
    EXPECT_TRUE(r.DeleteKey(kHkeyCurrentUser, key("Parent\\Child")));
    EXPECT_TRUE(r.DeleteKey(kHkeyCurrentUser, key("Parent")));
    EXPECT_FALSE(r.DeleteKey(kHkeyCurrentUser, key("Parent")));
    EXPECT_EQ(openHandles(), 0U);
}

TEST_F(CWinReestrTest, AKeyTheUserMayOnlyReadIsStillReadButNotChanged) {
    if (!canMakeReadOnlyKey()) GTEST_SKIP() << "this registry cannot refuse writes to the test user";
    const std::string path = makeReadOnlyKey("Locked", "v", "7");
    CWinReestr r(api());
    std::string text;
    EXPECT_TRUE(r.GetKeyValue(readOnlyRoot(), path, "v", text));
    EXPECT_EQ(text, "7");
    text = "8";
    EXPECT_FALSE(r.SetKeyValue(readOnlyRoot(), path, "v", text));
    EXPECT_EQ(text, "") << "a refused write empties the caller's text";
    EXPECT_FALSE(r.DeleteKeyValue(readOnlyRoot(), path, "v"))
        << "an existing key that can't be opened is a failure";
    EXPECT_TRUE(r.GetKeyValue(readOnlyRoot(), path, "v", text));
    EXPECT_EQ(text, "7");
    EXPECT_EQ(openHandles(), 0U);
}

} // namespace
} // namespace kivano::testing
