// Gives a test its own program folder (and so its own registry and settings) and its own desktop
// configuration folder (where autostart entries go), and puts the environment back afterwards.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/registry/registry.h"

namespace vevuzer::testing {

class FreshProgramFolder {
  public:
    FreshProgramFolder() {
        std::string pattern =
            (std::filesystem::path(::testing::TempDir()) / "vevuzer-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "cannot make a temporary folder";
        }
        m_root = pattern;
        keepAndSet("BELLTALE_HOME", (m_root / "home").string());
        keepAndSet("XDG_CONFIG_HOME", (m_root / "config").string());
        std::filesystem::create_directories(m_root / "home");
        registry::dropCache();
    }
    ~FreshProgramFolder() {
        registry::dropCache();
        for (const auto& [name, value] : m_saved) {
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
        }
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    FreshProgramFolder(const FreshProgramFolder&) = delete;
    FreshProgramFolder& operator=(const FreshProgramFolder&) = delete;

    std::filesystem::path home() const { return m_root / "home"; }
    std::filesystem::path config() const { return m_root / "config"; }

  private:
    void keepAndSet(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name.c_str(), value.c_str(), 1);
    }

    std::filesystem::path m_root;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

}  // namespace vevuzer::testing
