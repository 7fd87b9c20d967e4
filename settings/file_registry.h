#pragma once
// The registry's semantics over files, for systems without a registry: one .reg file per root.
// Every write rewrites the file whole and crash-safely (temporary file, flush, rename), under a lock
// that keeps concurrent read-modify-writes of several processes from losing each other's values.

#include "settings/reg_tree.h"
#include "settings/registry_api.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kivano::settings {

struct RootFile {
    std::int32_t root = 0;
    std::string name; // as it stands in the file, e.g. "HKEY_CURRENT_USER"
    std::filesystem::path file;
    bool writable = true; // false: a file the user may read but not change
};

class FileRegistry final : public RegistryApi {
  public:
    explicit FileRegistry(std::vector<RootFile> roots) : roots_(std::move(roots)) {}

    // The user's root under $XDG_CONFIG_HOME (or ~/.config), and a system-wide machine root that only an
    // administrator may change.
    static std::vector<RootFile> defaultRoots();

    long RegOpenKeyExA(Hkey root, const std::string& subKey, std::uint32_t options, std::uint32_t rights,
                       Hkey* result) override;
    long RegCreateKeyA(Hkey root, const std::string& subKey, Hkey* result) override;
    long RegQueryValueExA(Hkey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                          std::uint32_t* size) override;
    long RegSetValueExA(Hkey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                        std::uint32_t size) override;
    long RegDeleteKeyA(Hkey root, const std::string& subKey) override;
    long RegDeleteValueA(Hkey key, const std::string& name) override;
    long RegCloseKey(Hkey key) override;

    [[nodiscard]] std::size_t openHandles() const { return handles_.size(); }

    // Runs after the temporary file is written and flushed, before the rename; returning false stands for
    // a crash at that moment (the rename never happens). For tests.
    std::function<bool()> beforeRename;

  private:
    struct Handle {
        const RootFile* root = nullptr;
        std::vector<std::string> path;
        std::uint32_t rights = 0;
    };
    struct Target {
        const RootFile* root = nullptr;
        std::vector<std::string> path;
    };

    [[nodiscard]] long resolve(Hkey key, const std::string& subKey, Target& out) const;
    [[nodiscard]] const Handle* handle(Hkey key) const;
    [[nodiscard]] RegKey load(const RootFile& root) const;
    [[nodiscard]] bool save(const RootFile& root, const RegKey& tree) const;
    // Loads, lets `change` edit the tree, and saves if it asked to, all under the root's lock.
    long modify(const RootFile& root, const std::function<long(RegKey&, bool& changed)>& change) const;
    // As modify, on the key behind an open handle that may set values.
    long modifyValues(Hkey key, const std::function<long(RegKey&, bool& changed)>& change) const;
    Hkey addHandle(const Target& target, std::uint32_t rights);

    std::vector<RootFile> roots_;
    std::map<Hkey, Handle> handles_;
    Hkey nextHandle_ = 0x100;
};

RegKey* walk(RegKey& root, const std::vector<std::string>& path);

} // namespace kivano::settings
