#pragma once
// The registry's semantics over files, for systems without a registry: one .reg file per root.
// Every write rewrites the file whole and crash-safely (temporary file, flush, rename), under a lock
// that keeps concurrent read-modify-writes of several processes from losing each other's values.
// No file can hurt it: what it cannot read, or will not read whole, is set aside before the first write
// instead of being overwritten, and a lock another process holds is waited for a bounded time only.

#include "settings/reg_tree.h"
#include "settings/registry_api.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kivano::settings {

struct RootFile {
    std::int32_t root = 0;
    std::string name;           // as it stands in the file, e.g. "HKEY_CURRENT_USER"
    std::filesystem::path file; // empty: no place for it is known; every access fails
    bool writable = true;       // false: a file the user may read but not change
};

// Larger files are not read: a settings file of a few values never comes near it.
inline constexpr std::uintmax_t kMaxRegFileSize = 4U << 20U;

class FileRegistry final : public RegistryApi {
  public:
    explicit FileRegistry(std::vector<RootFile> roots) : roots_(std::move(roots)) {}

    // The user's root under $XDG_CONFIG_HOME (or the home folder's .config), and a system-wide machine
    // root that only an administrator may change.
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
    // How long a write waits for the lock that another process holds. Once a wait has run out, later
    // writes try once and do not wait, until the lock is had again: a stuck lock costs one wait.
    std::chrono::milliseconds lockWait{2000};

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
    // A root's file as read: what it holds, and whether it was there and read whole.
    struct Loaded {
        RegFile content;
        TextEncoding encoding = TextEncoding::Utf8;
        bool exists = false;
        bool whole = true;
    };

    // What tells one version of a file from another without reading it.
    struct FileId {
        std::uintmax_t device = 0, inode = 0, size = 0;
        std::int64_t modified = 0, changed = 0; // nanoseconds
        friend bool operator==(const FileId&, const FileId&) = default;
    };
    struct Cached {
        FileId id;
        Loaded loaded;
    };

    [[nodiscard]] long resolve(Hkey key, const std::string& subKey, Target& out) const;
    [[nodiscard]] const Handle* handle(Hkey key) const;
    [[nodiscard]] static Loaded load(const RootFile& root);
    [[nodiscard]] static std::optional<FileId> identify(const RootFile& root);
    // The root's file as it is now: read again only when it has changed since it was last read or
    // written, so that a large file costs one parse at start, not one per call.
    [[nodiscard]] const Loaded& current(const RootFile& root);
    [[nodiscard]] bool save(const RootFile& root, const Loaded& loaded) const;
    // Loads, lets `change` edit the tree, and saves if it asked to, all under the root's lock.
    long modify(const RootFile& root, const std::function<long(RegKey&, bool& changed)>& change);
    // As modify, on the key behind an open handle that may set values.
    long modifyValues(Hkey key, const std::function<long(RegKey&, bool& changed)>& change);
    Hkey addHandle(const Target& target, std::uint32_t rights);

    std::vector<RootFile> roots_;
    std::map<Hkey, Handle> handles_;
    Hkey nextHandle_ = 0x100;
    bool lockGaveUp_ = false;
    std::map<const RootFile*, Cached> cache_;
    Loaded none_;
};

RegKey* walk(RegKey& root, const std::vector<std::string>& path);

} // namespace kivano::settings
