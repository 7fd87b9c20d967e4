#include "settings/file_registry.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace kivano::settings {

namespace fs = std::filesystem;

namespace {

constexpr long kErrorKeyDeleted = 1018;

// An exclusive lock on a file beside the store, held for one read-modify-write.
class FileLock {
  public:
    explicit FileLock(const fs::path& file) {
        const std::string lockPath = file.string() + ".lock";
        fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_); // closing releases the lock
    }
    [[nodiscard]] bool held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

RegKey* walk(RegKey& root, const std::vector<std::string>& path) {
    RegKey* key = &root;
    for (const std::string& part : path) {
        key = key->key(part);
        if (key == nullptr) return nullptr;
    }
    return key;
}

std::vector<RootFile> FileRegistry::defaultRoots() {
    fs::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        config = fs::path(home) / ".config";
    } else {
        config = "/tmp";
    }
    return {
        {kHkeyCurrentUser, "HKEY_CURRENT_USER", config / "kivano" / "user.reg", true},
        {kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", "/etc/kivano/machine.reg", ::geteuid() == 0},
    };
}

const FileRegistry::Handle* FileRegistry::handle(Hkey key) const {
    const auto it = handles_.find(key);
    return it == handles_.end() ? nullptr : &it->second;
}

long FileRegistry::resolve(Hkey key, const std::string& subKey, Target& out) const {
    out.path.clear();
    if (const Handle* h = handle(key)) {
        out.root = h->root;
        out.path = h->path;
    } else {
        const auto it =
            std::find_if(roots_.begin(), roots_.end(), [key](const RootFile& r) { return r.root == key; });
        if (it == roots_.end()) return kErrorInvalidHandle;
        out.root = &*it;
    }
    for (std::string& part : splitKeyPath(subKey))
        out.path.push_back(std::move(part));
    return kErrorSuccess;
}

RegKey FileRegistry::load(const RootFile& root) const {
    std::ifstream in(root.file, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    // A corrupt or foreign file reads as an empty tree; the next write replaces it.
    return parseRegFile(text.str(), root.name).value_or(RegKey{});
}

bool FileRegistry::save(const RootFile& root, const RegKey& tree) const {
    std::error_code ec;
    const fs::path folder = root.file.parent_path(); // created by modify, which holds the lock in it
    const fs::path temp = root.file.string() + ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool written = writeAll(fd, toRegFile(tree, root.name)) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written) {
        fs::remove(temp, ec);
        return false;
    }
    if (beforeRename && !beforeRename()) return false; // a crash here leaves the temporary file behind
    if (::rename(temp.c_str(), root.file.c_str()) != 0) {
        fs::remove(temp, ec);
        return false;
    }
    syncFolder(folder);
    return true;
}

long FileRegistry::modify(const RootFile& root, const std::function<long(RegKey&, bool&)>& change) const {
    if (!root.writable) return kErrorAccessDenied;
    std::error_code ec;
    fs::create_directories(root.file.parent_path(), ec);
    const FileLock lock(root.file);
    if (!lock.held()) return kErrorAccessDenied;
    RegKey tree = load(root);
    bool changed = false;
    const long status = change(tree, changed);
    if (status != kErrorSuccess || !changed) return status;
    return save(root, tree) ? kErrorSuccess : kErrorWriteFault;
}

Hkey FileRegistry::addHandle(const Target& target, std::uint32_t rights) {
    const Hkey h = nextHandle_;
    nextHandle_ += 4;
    handles_[h] = Handle{target.root, target.path, rights};
    return h;
}

long FileRegistry::RegOpenKeyExA(Hkey root, const std::string& subKey, std::uint32_t /*options*/,
                                 std::uint32_t rights, Hkey* result) {
    Target target;
    if (const long status = resolve(root, subKey, target); status != kErrorSuccess) return status;
    if ((rights & kKeyWriteBits) != 0 && !target.root->writable) return kErrorAccessDenied;
    RegKey tree = load(*target.root);
    if (walk(tree, target.path) == nullptr) return kErrorFileNotFound;
    *result = addHandle(target, rights);
    return kErrorSuccess;
}

long FileRegistry::RegCreateKeyA(Hkey root, const std::string& subKey, Hkey* result) {
    Target target;
    if (const long status = resolve(root, subKey, target); status != kErrorSuccess) return status;
    const long status = modify(*target.root, [&](RegKey& tree, bool& changed) {
        RegKey* key = &tree;
        for (const std::string& part : target.path) {
            changed = changed || key->key(part) == nullptr;
            key = &key->addKey(part);
        }
        return kErrorSuccess;
    });
    if (status != kErrorSuccess) return status;
    *result = addHandle(target, kKeyChange);
    return kErrorSuccess;
}

long FileRegistry::RegQueryValueExA(Hkey key, const std::string& name, std::uint32_t* type,
                                    std::uint8_t* data, std::uint32_t* size) {
    const Handle* h = handle(key);
    if (h == nullptr) return kErrorInvalidHandle;
    if ((h->rights & kKeyQueryValue) == 0) return kErrorAccessDenied;
    RegKey tree = load(*h->root);
    RegKey* k = walk(tree, h->path);
    if (k == nullptr) return kErrorKeyDeleted;
    const RegValue* v = k->value(name);
    if (v == nullptr) return kErrorFileNotFound;
    if (type != nullptr) *type = v->type;
    if (size == nullptr) return data == nullptr ? kErrorSuccess : kErrorInvalidHandle;
    const auto needed = static_cast<std::uint32_t>(v->data.size());
    if (data != nullptr && *size < needed) {
        *size = needed;
        return kErrorMoreData;
    }
    if (data != nullptr) std::copy(v->data.begin(), v->data.end(), data);
    *size = needed;
    return kErrorSuccess;
}

long FileRegistry::modifyValues(Hkey key, const std::function<long(RegKey&, bool&)>& change) const {
    const Handle* h = handle(key);
    if (h == nullptr) return kErrorInvalidHandle;
    if ((h->rights & kKeySetValue) == 0) return kErrorAccessDenied;
    const std::vector<std::string> path = h->path; // the handle table may change while this runs
    return modify(*h->root, [&](RegKey& tree, bool& changed) {
        RegKey* k = walk(tree, path);
        return k == nullptr ? kErrorKeyDeleted : change(*k, changed);
    });
}

long FileRegistry::RegSetValueExA(Hkey key, const std::string& name, std::uint32_t type,
                                  const std::uint8_t* data, std::uint32_t size) {
    return modifyValues(key, [&](RegKey& k, bool& changed) {
        RegValue v{name, type, std::vector<std::uint8_t>(data, data + size)};
        if (RegValue* existing = k.value(name)) {
            *existing = std::move(v);
        } else {
            k.values.push_back(std::move(v));
        }
        changed = true;
        return kErrorSuccess;
    });
}

long FileRegistry::RegDeleteKeyA(Hkey root, const std::string& subKey) {
    Target target;
    if (const long status = resolve(root, subKey, target); status != kErrorSuccess) return status;
    if (target.path.empty()) return kErrorAccessDenied; // a root cannot be deleted
    return modify(*target.root, [&](RegKey& tree, bool& changed) {
        std::vector<std::string> parentPath(target.path.begin(), target.path.end() - 1);
        RegKey* parent = walk(tree, parentPath);
        RegKey* k = parent == nullptr ? nullptr : parent->key(target.path.back());
        if (k == nullptr) return kErrorFileNotFound;
        if (!k->keys.empty()) return kErrorAccessDenied; // keys below it must go first
        changed = parent->removeKey(target.path.back());
        return kErrorSuccess;
    });
}

long FileRegistry::RegDeleteValueA(Hkey key, const std::string& name) {
    return modifyValues(key, [&](RegKey& k, bool& changed) {
        changed = k.removeValue(name);
        return changed ? kErrorSuccess : kErrorFileNotFound;
    });
}

long FileRegistry::RegCloseKey(Hkey key) {
    return handles_.erase(key) > 0 ? kErrorSuccess : kErrorInvalidHandle;
}

} // namespace kivano::settings
