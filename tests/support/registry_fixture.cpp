#include "support/registry_fixture.h"

#include "settings/reg_tree.h"

#include <fstream>

#ifdef _WIN32
#include "ui/win32/registry.h"
#else
#include "settings/file_registry.h"
#endif

namespace kivano::testing {

namespace {

std::unique_ptr<settings::RegistryApi> makeInner(const std::filesystem::path& dir) {
#ifdef _WIN32
    (void)dir;
    return std::make_unique<win32::Registry>();
#else
    return std::make_unique<settings::FileRegistry>(std::vector<settings::RootFile>{
        {settings::kHkeyCurrentUser, "HKEY_CURRENT_USER", dir / "user.reg", true},
        {settings::kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", dir / "machine.reg", false},
    });
#endif
}

std::string testKeyBase() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string("Software\\KivanoTests\\") + info->test_suite_name() + "." + info->name();
}

// Deletes a key and everything below it, deepest first.
// The registry API has no enumeration, so the names the tests use are listed here.
void deleteTree(settings::RegistryApi& api, const std::string& path, int depth = 0) {
    settings::Hkey k = 0;
    if (depth > 4 || api.RegOpenKeyExA(settings::kHkeyCurrentUser, path, 0, settings::kKeyRead, &k) != 0)
        return;
    api.RegCloseKey(k);
    for (const char* child :
         {"A", "B", "C", "Here", "Types", "Big", "Replace", "Del", "Parent", "Child", "Settings"}) {
        deleteTree(api, path + "\\" + child, depth + 1);
    }
    api.RegDeleteKeyA(settings::kHkeyCurrentUser, path);
}

} // namespace

RegistryFixture::RegistryFixture()
    : inner_(makeInner(dir_.path())), counting_(*inner_), base_(testKeyBase()) {
    deleteTree(*inner_, base_);
}

RegistryFixture::~RegistryFixture() {
    deleteTree(*inner_, base_);
}

bool RegistryFixture::setRaw(const std::string& path, const std::string& name, std::uint32_t type,
                             const std::vector<std::uint8_t>& data) {
    settings::Hkey k = 0;
    if (inner_->RegCreateKeyA(settings::kHkeyCurrentUser, path, &k) != settings::kErrorSuccess) return false;
    const bool ok =
        inner_->RegSetValueExA(k, name, type, data.data(), static_cast<std::uint32_t>(data.size())) ==
        settings::kErrorSuccess;
    inner_->RegCloseKey(k);
    return ok;
}

bool RegistryFixture::getRaw(const std::string& path, const std::string& name, std::uint32_t& type,
                             std::vector<std::uint8_t>& data) {
    settings::Hkey k = 0;
    if (inner_->RegOpenKeyExA(settings::kHkeyCurrentUser, path, 0, settings::kKeyRead, &k) !=
        settings::kErrorSuccess) {
        return false;
    }
    data.assign(4096, 0);
    auto size = static_cast<std::uint32_t>(data.size());
    const bool ok = inner_->RegQueryValueExA(k, name, &type, data.data(), &size) == settings::kErrorSuccess;
    data.resize(ok ? size : 0);
    inner_->RegCloseKey(k);
    return ok;
}

bool RegistryFixture::canMakeReadOnlyKey() const {
#ifdef _WIN32
    return false; // Wine grants every key to its one user
#else
    return true;
#endif
}

std::string RegistryFixture::makeReadOnlyKey(const std::string& name, const std::string& value,
                                             const std::string& text) {
    // The machine-wide file is written the way an administrator would; the test user can't change it.
    settings::RegKey root;
    settings::RegKey* k = &root;
    const std::string path = "SOFTWARE\\KivanoTests\\" + name;
    for (const auto& part : settings::splitKeyPath(path))
        k = &k->addKey(part);
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    k->setValue({value, settings::kRegSz, data});
    std::ofstream(dir_.path() / "machine.reg", std::ios::binary)
        << settings::toRegFile(root, "HKEY_LOCAL_MACHINE");
    return path;
}

} // namespace kivano::testing
