#pragma once
// A registry for one test, wrapped so that the test can see every handle opened and closed.

#include "settings/registry_api.h"
#include "support/harness.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace kivano::testing {

// Forwards to another registry and keeps the set of key handles still open.
class CountingRegistry final : public settings::RegistryApi {
  public:
    explicit CountingRegistry(settings::RegistryApi& inner) : inner_(inner) {}

    long RegOpenKeyExA(settings::Hkey root, const std::string& subKey, std::uint32_t options,
                       std::uint32_t rights, settings::Hkey* result) override {
        return track(inner_.RegOpenKeyExA(root, subKey, options, rights, result), result);
    }
    long RegCreateKeyA(settings::Hkey root, const std::string& subKey, settings::Hkey* result) override {
        return track(inner_.RegCreateKeyA(root, subKey, result), result);
    }
    long RegQueryValueExA(settings::Hkey key, const std::string& name, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* size) override {
        return inner_.RegQueryValueExA(key, name, type, data, size);
    }
    long RegSetValueExA(settings::Hkey key, const std::string& name, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size) override {
        return inner_.RegSetValueExA(key, name, type, data, size);
    }
    long RegDeleteKeyA(settings::Hkey root, const std::string& subKey) override {
        return inner_.RegDeleteKeyA(root, subKey);
    }
    long RegDeleteValueA(settings::Hkey key, const std::string& name) override {
        return inner_.RegDeleteValueA(key, name);
    }
    long RegCloseKey(settings::Hkey key) override {
        open_.erase(key);
        return inner_.RegCloseKey(key);
    }
    [[nodiscard]] std::string toAnsi(std::string_view text) const override { return inner_.toAnsi(text); }
    [[nodiscard]] std::string fromAnsi(std::string_view bytes) const override {
        return inner_.fromAnsi(bytes);
    }

    [[nodiscard]] std::size_t openHandles() const { return open_.size(); }

  private:
    long track(long status, const settings::Hkey* result) {
        if (status == settings::kErrorSuccess) open_.insert(*result);
        return status;
    }
    settings::RegistryApi& inner_;
    std::set<settings::Hkey> open_;
};

class RegistryFixture : public ::testing::Test {
  protected:
    RegistryFixture();
    ~RegistryFixture() override;

    settings::RegistryApi& api() { return counting_; }
    [[nodiscard]] std::size_t openHandles() const { return counting_.openHandles(); }
    // A key path of this test's own below HKEY_CURRENT_USER.
    [[nodiscard]] std::string key(const std::string& name) const { return base_ + "\\" + name; }

    bool setRaw(const std::string& path, const std::string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data);
    bool getRaw(const std::string& path, const std::string& name, std::uint32_t& type,
                std::vector<std::uint8_t>& data);

    // A key under a root that the test user may read but not change.
    [[nodiscard]] bool canMakeReadOnlyKey() const;
    std::string makeReadOnlyKey(const std::string& name, const std::string& value, const std::string& text);
    [[nodiscard]] std::int32_t readOnlyRoot() const { return settings::kHkeyLocalMachine; }

    TempDir dir_{"registry"};
    std::unique_ptr<settings::RegistryApi> inner_;
    CountingRegistry counting_;
    std::string base_;
};

} // namespace kivano::testing
