#include "settings/file_registry.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kivano::settings {

namespace fs = std::filesystem;

namespace {

// An exclusive lock on a file beside the store, held for one read-modify-write, waited for no longer
// than it is told.
class FileLock {
  public:
    FileLock(const fs::path& file, std::chrono::milliseconds wait) {
        const std::string lockPath = file.string() + ".lock";
        fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd_ < 0) return;
        const auto deadline = std::chrono::steady_clock::now() + wait;
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
                timedOut_ = errno == EWOULDBLOCK;
                ::close(fd_);
                fd_ = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_); // closing releases the lock
    }
    [[nodiscard]] bool held() const { return fd_ >= 0; }
    [[nodiscard]] bool timedOut() const { return timedOut_; }

  private:
    int fd_ = -1;
    bool timedOut_ = false;
};

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
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

// The file's bytes, if it is an ordinary file no larger than the cap. `exists` tells a missing file
// (a fresh start) from one that is there but unreadable.
std::optional<std::string> readBounded(const fs::path& file, bool& exists) {
    exists = false;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        exists = errno != ENOENT && errno != ENOTDIR;
        return std::nullopt;
    }
    exists = true;
    struct stat info {};
    std::string bytes;
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
              static_cast<std::uintmax_t>(info.st_size) <= kMaxRegFileSize;
    if (ok) {
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            ok = n > 0;
            done += ok ? static_cast<size_t>(n) : 0;
        }
    }
    ::close(fd);
    if (!ok) return std::nullopt;
    return bytes;
}

std::int64_t nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// A name beside the store that says what the file is, and that no earlier file has taken.
fs::path asideName(const fs::path& file) {
    char stamp[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = file.string() + ".unreadable-" + stamp;
    fs::path candidate = base;
    std::error_code ec;
    // A name that cannot even be looked up (too long, say) ends the search too: the rename to it then
    // fails, and the file stays where it is.
    for (int n = 1; fs::exists(fs::symlink_status(candidate, ec)); ++n)
        candidate = base + "-" + std::to_string(n);
    return candidate;
}

// The folder the user's settings live in: the environment's, else the user database's home folder.
// Never a shared folder: with no home known there is no user store.
fs::path configFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') return xdg;
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/')
        return fs::path(home) / ".config";
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return fs::path(found->pw_dir) / ".config";
    }
    return {};
}

} // namespace

const RegKey* find(const RegKey& root, const std::vector<std::string>& path) {
    const RegKey* key = &root;
    for (const std::string& part : path) {
        key = key->key(part);
        if (key == nullptr) return nullptr;
    }
    return key;
}

RegKey* walk(RegKey& root, const std::vector<std::string>& path) {
    return const_cast<RegKey*>(find(root, path)); // the tree is the caller's to change
}

std::vector<RootFile> FileRegistry::defaultRoots() {
    const fs::path config = configFolder();
    return {
        {kHkeyCurrentUser, "HKEY_CURRENT_USER", config.empty() ? fs::path() : config / "kivano" / "user.reg",
         !config.empty()},
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
    for (std::string& part : splitKeyPath(subKey)) {
        if (!nameFitsFile(part)) return kErrorInvalidParameter;
        out.path.push_back(std::move(part));
    }
    return out.path.size() > kMaxKeyDepth ? kErrorInvalidParameter : kErrorSuccess;
}

FileRegistry::Loaded FileRegistry::load(const RootFile& root) {
    Loaded loaded;
    if (root.file.empty()) return loaded;
    const auto bytes = readBounded(root.file, loaded.exists);
    if (!loaded.exists) return loaded;
    if (bytes && bytes->empty()) { // an empty file holds nothing to keep
        loaded.exists = false;
        return loaded;
    }
    auto text = bytes ? decodeRegText(*bytes, loaded.encoding) : std::nullopt;
    auto parsed = text ? parseRegFile(*text, root.name) : std::nullopt;
    if (!parsed) {
        loaded.whole = false; // read as empty; set aside before anything is written over it
        return loaded;
    }
    loaded.content = std::move(*parsed);
    loaded.whole = loaded.content.complete;
    return loaded;
}

std::optional<FileRegistry::FileId> FileRegistry::identify(const RootFile& root) {
    struct stat info {};
    if (root.file.empty() || ::stat(root.file.c_str(), &info) != 0) return std::nullopt;
    return FileId{info.st_dev, info.st_ino, static_cast<std::uintmax_t>(info.st_size),
                  nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
}

const FileRegistry::Loaded& FileRegistry::current(const RootFile& root) {
    const auto id = identify(root);
    if (!id) {
        cache_.erase(&root);
        none_ = load(root); // missing, or not to be looked at: nothing worth keeping
        return none_;
    }
    auto it = cache_.find(&root);
    if (it == cache_.end() || !(it->second.id == *id)) {
        it = cache_.insert_or_assign(&root, Cached{*id, load(root)}).first;
    }
    return it->second.loaded;
}

bool FileRegistry::save(const RootFile& root, const Loaded& loaded) const {
    std::error_code ec;
    const fs::path folder = root.file.parent_path(); // created by modify, which holds the lock in it
    const fs::path temp = root.file.string() + ".tmp";
    // Under the lock the name is ours: a leftover of a crash, or anything planted there, goes first,
    // and the new file is created afresh, never through a link.
    ::unlink(temp.c_str());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const std::string text = toRegFile(loaded.content.root, root.name, loaded.content.foreign);
    const bool written = writeAll(fd, encodeRegText(text, loaded.encoding)) && ::fsync(fd) == 0;
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

long FileRegistry::modify(const RootFile& root, const std::function<long(RegKey&, bool&)>& change) {
    if (!root.writable || root.file.empty()) return kErrorAccessDenied;
    std::error_code ec;
    fs::create_directories(root.file.parent_path(), ec);
    const FileLock lock(root.file, lockGaveUp_ ? std::chrono::milliseconds(0) : lockWait);
    lockGaveUp_ = lock.timedOut();
    if (!lock.held()) return kErrorAccessDenied;
    Loaded loaded = current(root);
    bool changed = false;
    const long status = change(loaded.content.root, changed);
    if (status != kErrorSuccess || !changed) return status;
    if (loaded.exists && !loaded.whole) {
        // Not read whole: its bytes go aside, untouched, before a fresh file takes its place.
        if (::rename(root.file.c_str(), asideName(root.file).c_str()) != 0 && errno != ENOENT)
            return kErrorWriteFault;
    }
    const bool saved = save(root, loaded);
    const auto id = saved ? identify(root) : std::nullopt;
    if (!id) {
        cache_.erase(&root); // the next read takes the file as it is
        return saved ? kErrorSuccess : kErrorWriteFault;
    }
    // What was written is what the file now holds, under its new identity.
    loaded.exists = loaded.whole = loaded.content.complete = true;
    cache_.insert_or_assign(&root, Cached{*id, std::move(loaded)});
    return kErrorSuccess;
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
    if (const long status = resolve(root, subKey, target); status != kErrorSuccess) {
        return status == kErrorInvalidParameter ? kErrorFileNotFound : status; // such a key cannot exist
    }
    // As the registry does: a missing key is missing, whatever rights were asked for.
    const Loaded& loaded = current(*target.root);
    if (find(loaded.content.root, target.path) == nullptr) return kErrorFileNotFound;
    if ((rights & kKeyWriteBits) != 0 && !target.root->writable) return kErrorAccessDenied;
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
    const Loaded& loaded = current(*h->root);
    const RegKey* k = find(loaded.content.root, h->path);
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

long FileRegistry::modifyValues(Hkey key, const std::function<long(RegKey&, bool&)>& change) {
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
    if (!nameFitsFile(name)) return kErrorInvalidParameter; // it would be saved and then lost
    return modifyValues(key, [&](RegKey& k, bool& changed) {
        k.setValue(RegValue{name, type, std::vector<std::uint8_t>(data, data + size)});
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
        if (!k->keys().empty()) return kErrorAccessDenied; // keys below it must go first
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
