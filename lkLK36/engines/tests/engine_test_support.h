// What every engine test needs: its own program folder (the registry lives there), so no test
// reads or writes the user's.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "lkLK36/engines/lkLKShare.h"
#include "platform/registry/registry.h"

class OwnProgramFolder {
  public:
    OwnProgramFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "engines-XXXXXX").string();
        m_root = mkdtemp(pattern.data());
        setenv("BELLTALE_HOME", m_root.c_str(), 1);
        registry::dropCache();
    }
    ~OwnProgramFolder() {
        registry::dropCache();
        unsetenv("BELLTALE_HOME");
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    OwnProgramFolder(const OwnProgramFolder&) = delete;
    OwnProgramFolder& operator=(const OwnProgramFolder&) = delete;

    const std::filesystem::path& root() const { return m_root; }

  private:
    std::filesystem::path m_root;
};

// A control as an engine makes it (shared parts first, then InitCtrl), with the engine's answers
// to the shared base set by the test.
class TestControl : public TlkSharedControl {
  public:
    explicit TestControl(LONG kind = lkKindLine) {
        static const char* const names[] = {"", "lkLine", "lkPhone", "lkPlay", "lkRecord"};
        InitCtrl(kind, "TLKLINE", names[kind]);
    }
    ~TestControl() override { beginDestroy(); }

    bool deviceActive() const override { return active; }
    bool vantageOpensOnLogPage() const override { return opensOnLogPage; }
    bool popupOnError() const override { return popupErrors; }

    bool active = false;
    bool opensOnLogPage = true;
    bool popupErrors = false;
};
