// The About box: the keys that open it, its texts, and finding the system information tool.

#include "about/frmAbout.h"
#include "settings/CWinReestr.h"
#include "support/harness.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace kivano::testing {
namespace {

using settings::kHkeyLocalMachine;
using ui::headless::Label;
using ui::headless::Window;

constexpr const char* kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr const char* kUnavailable = "System Information Is Unavailable At This Time";

int aboutOpenings(Harness& h) {
    int n = 0;
    for (const auto& name : h.desktop.toolkit.modalShown)
        n += name == "frmAbout";
    return n;
}

TEST(About, OpensOnLowercaseAOnTheWindowAndLowercaseIOnStart) {
    const struct {
        const char* focus;
        char16_t key;
        bool opens;
    } cases[] = {
        {"", u'a', true},         {"", u'A', false},        {"", u'i', false},
        {"cbStart", u'i', true},  {"cbStart", u'I', false}, {"cbStart", u'a', false},
        {"edDelay", u'a', false}, {"cbTimer", u'i', false},
    };
    for (const auto& c : cases) {
        Harness h;
        h.load();
        h.win().focus(c.focus);
        h.win().pressKey(c.key);
        EXPECT_EQ(aboutOpenings(h), c.opens ? 1 : 0) << "'" << static_cast<char>(c.key) << "' on " << c.focus;
    }
}

TEST(About, LoadStepSetsCaptionTitleAndVersionEachTime) {
    Harness h;
    h.load();
    std::vector<std::string> seen;
    const auto look = [&](Window& w) {
        seen.push_back(w.caption() + "|" + w.control<Label>("lblTitle").caption() + "|" +
                       w.control<Label>("lblVersion").caption() + "|" +
                       w.control<Label>("lblDescription").caption() + "|" + w.focused());
        w.pressKey(u'\r');
        EXPECT_FALSE(w.isOpen()) << "Enter on OK closes the box";
    };
    h.desktop.toolkit.onNextModal(look);
    h.desktop.toolkit.onNextModal(look);
    h.win().focus("");
    h.win().pressKey(u'a');
    h.win().pressKey(u'a');
    const std::string expected =
        "About Kivano|Kivano|Version 2.2.0|Moves mouse. Has many random paremetres to "
        "simulate human user.|cmdOK";
    EXPECT_EQ(seen, (std::vector<std::string>{expected, expected}));
}

TEST(About, EscAndTheCloseBoxCloseIt) {
    for (const bool esc : {true, false}) {
        Harness h;
        h.load();
        h.desktop.toolkit.onNextModal([&](Window& w) {
            if (esc) {
                w.pressKey(u'\x1b');
            } else {
                w.closeBox();
            }
            EXPECT_FALSE(w.isOpen());
        });
        h.form->aboutBox().Show();
        EXPECT_EQ(h.form->aboutBox().window(), nullptr);
    }
}

struct Stored {
    const char* key;
    const char* name;
    std::uint32_t type;
    std::string text;
};

void store(Harness& h, const Stored& s) {
    settings::Hkey k = 0;
    ASSERT_EQ(h.registry->RegCreateKeyA(kHkeyLocalMachine, s.key, &k), 0);
    std::vector<std::uint8_t> data(s.text.begin(), s.text.end());
    if (s.type != settings::kRegBinary) data.push_back(0);
    ASSERT_EQ(
        h.registry->RegSetValueExA(k, s.name, s.type, data.data(), static_cast<std::uint32_t>(data.size())),
        0);
    h.registry->RegCloseKey(k);
}

TEST(About, SystemInfoIsFoundInEitherRegistryLayoutOrReportedUnavailable) {
    const std::string withBlanks = "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe";
    const std::string folder = "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo";
    const struct {
        const char* name;
        std::vector<Stored> values;
        std::vector<std::string> files; // programs that exist
        std::vector<std::string> started;
    } cases[] = {
        {"path with blanks",
         {{kMsinfoKey, "PATH", settings::kRegSz, withBlanks}},
         {withBlanks},
         {withBlanks}},
        {"PATH wins over the location",
         {{kMsinfoKey, "PATH", settings::kRegSz, withBlanks},
          {kLocationKey, "MSINFO", settings::kRegSz, folder}},
         {withBlanks, folder + "\\MSINFO32.EXE"},
         {withBlanks}},
        {"PATH names no program: nothing else is tried",
         {{kMsinfoKey, "PATH", settings::kRegSz, "C:\\nothing.exe"},
          {kLocationKey, "MSINFO", settings::kRegSz, folder}},
         {folder + "\\MSINFO32.EXE"},
         {}},
        {"location with the file",
         {{kLocationKey, "MSINFO", settings::kRegSz, folder}},
         {folder + "\\MSINFO32.EXE"},
         {folder + "\\MSINFO32.EXE"}},
        {"location without the file", {{kLocationKey, "MSINFO", settings::kRegSz, folder}}, {}, {}},
        {"neither key", {}, {withBlanks}, {}},
        {"empty PATH", {{kMsinfoKey, "PATH", settings::kRegSz, ""}}, {withBlanks}, {}},
        {"expandable PATH counts as found and empty",
         {{kMsinfoKey, "PATH", settings::kRegExpandSz, withBlanks}},
         {withBlanks},
         {}},
        {"binary PATH counts as found and empty",
         {{kMsinfoKey, "PATH", settings::kRegBinary, withBlanks}},
         {withBlanks},
         {}},
    };
    for (const auto& c : cases) {
        Harness h;
        h.load();
        // On a real registry the machine's keys outlive each case.
        settings::CWinReestr reestr(*h.registry);
        reestr.DeleteKeyValue(kHkeyLocalMachine, kMsinfoKey, "PATH");
        reestr.DeleteKeyValue(kHkeyLocalMachine, kLocationKey, "MSINFO");
        for (const auto& s : c.values)
            store(h, s);
        for (const auto& f : c.files) {
            h.desktop.system.files.insert(f);
            h.desktop.system.programs.insert(f);
        }
        h.desktop.toolkit.onNextModal([](Window& w) {
            w.click("cmdSysInfo");
            EXPECT_TRUE(w.isOpen()) << "the box stays open";
        });
        h.form->aboutBox().Show();
        EXPECT_EQ(h.desktop.system.started, c.started) << c.name;
        const auto& boxes = h.desktop.toolkit.messageBoxes;
        if (c.started.empty()) {
            ASSERT_EQ(boxes.size(), 1U) << c.name;
            EXPECT_EQ(boxes[0].text, kUnavailable);
            EXPECT_EQ(boxes[0].caption, "Kivano");
        } else {
            EXPECT_TRUE(boxes.empty()) << c.name;
        }
    }
}

// A registry whose every call raises an exception, as a broken platform layer might.
class ThrowingRegistry final : public settings::RegistryApi {
    [[noreturn]] static long fail() { throw std::runtime_error("registry unavailable"); }

  public:
    long RegOpenKeyExA(settings::Hkey, const std::string&, std::uint32_t, std::uint32_t,
                       settings::Hkey*) override {
        return fail();
    }
    long RegCreateKeyA(settings::Hkey, const std::string&, settings::Hkey*) override { return fail(); }
    long RegQueryValueExA(settings::Hkey, const std::string&, std::uint32_t*, std::uint8_t*,
                          std::uint32_t*) override {
        return fail();
    }
    long RegSetValueExA(settings::Hkey, const std::string&, std::uint32_t, const std::uint8_t*,
                        std::uint32_t) override {
        return fail();
    }
    long RegDeleteKeyA(settings::Hkey, const std::string&) override { return fail(); }
    long RegDeleteValueA(settings::Hkey, const std::string&) override { return fail(); }
    long RegCloseKey(settings::Hkey) override { return fail(); }
};

TEST(About, AnExceptionInTheLookupsOrTheStartEndsAtTheOneMessage) {
    const std::string program = "C:\\Windows\\msinfo32.exe";
    for (const bool registryThrows : {false, true}) {
        Harness h;
        h.load();
        store(h, {kMsinfoKey, "PATH", settings::kRegSz, program});
        h.desktop.system.files.insert(program);
        h.desktop.system.throwing.insert(program);
        ThrowingRegistry broken;
        app::Services services{h.desktop.toolkit, h.desktop.screen, h.desktop.system,
                               registryThrows ? static_cast<settings::RegistryApi&>(broken) : *h.registry,
                               h.random};
        about::frmAbout box(services);
        box.StartSysInfo();
        ASSERT_EQ(h.desktop.toolkit.messageBoxes.size(), 1U) << registryThrows;
        EXPECT_EQ(h.desktop.toolkit.messageBoxes[0].text, kUnavailable);
        EXPECT_TRUE(h.desktop.system.started.empty());
    }
}

TEST(About, EnterOnSystemInfoRunsItAndTimersKeepFiringMeanwhile) {
    Harness h;
    auto& f = h.loadMoving();
    const auto moves = h.desktop.screen.setCount;
    h.desktop.toolkit.onNextModal([&](Window& w) {
        w.focus("cmdSysInfo");
        w.pressKey(u'\r');
        EXPECT_TRUE(w.isOpen());
        h.ticks(10);
        EXPECT_FALSE(h.win().click("cbStart")) << "the main window takes no input";
    });
    h.win().focus("cbStart");
    h.win().pressKey(u'i');
    EXPECT_EQ(h.desktop.toolkit.messageBoxes.size(), 1U);
    EXPECT_GE(h.desktop.screen.setCount, moves + 5);
    EXPECT_TRUE(f.tmMover.enabled());
}

} // namespace
} // namespace kivano::testing
