// A program folder of a whole-program test's own under a temporary root: home, assets and a
// private runtime folder, the settings the test starts from and the control library registered.
// The including target defines REGSVR_PROGRAM and LKLK36_LIBRARY.
#pragma once

#include <map>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/registry/vb_settings.h"
#include "tests/e2e/running_program.h"

namespace e2e {

class ProgramFolder {
  public:
    ProgramFolder() = default;
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;
    ~ProgramFolder() {
        if (!m_root.empty()) {
            std::error_code ignored;
            fs::remove_all(m_root, ignored);
        }
    }

    // A fresh root with its runtime folder, and a home where the speech components count as
    // installed so that a start goes straight to the main window; false when no root was made.
    bool makeFolder() {
        m_root = makeTempFolder();
        if (m_root.empty())
            return false;
        fs::create_directories(runtime());
        fs::permissions(runtime(), fs::perms::owner_all);
        markSpeechComponentsInstalled(home());
        return true;
    }

    const fs::path& root() const { return m_root; }
    fs::path home() const { return m_root / "home"; }
    fs::path assets() const { return m_root / "assets"; }
    fs::path runtime() const { return m_root / "runtime"; }

    // The one error text the program looks up when a line cannot be reached.
    void writeErrorText() const { writeFile(assets() / "errors.txt", "-1 Could not connect\r\n"); }

    // Saves `settings` in the home's hive for the program to find; this process's own settings
    // place is put back afterwards.
    void saveSettings(const std::vector<std::pair<std::string, std::string>>& settings) const {
        setenv("BELLTALE_HOME", home().c_str(), 1);
        registry::dropCache();
        for (const auto& [key, value] : settings)
            vb::SaveSetting("Belltale", "data", key, value);
        unsetenv("BELLTALE_HOME");
        registry::dropCache();
    }

    // Registers the control library with regsvr as the installer would; regsvr's wait status.
    int registerControls(const std::vector<std::string>& environment) const {
        RunningProgram registration(REGSVR_PROGRAM, {"/s", LKLK36_LIBRARY}, environment,
                                    m_root / "stderr-regsvr");
        return registration.finish();
    }

    // The environment of a program run on this folder, offscreen; `extra` adds variables or
    // replaces these.
    std::vector<std::string> environment(
        const std::map<std::string, std::string>& extra = {}) const {
        std::map<std::string, std::string> variables = {{"QT_QPA_PLATFORM", "offscreen"},
                                                        {"BELLTALE_HOME", home().string()},
                                                        {"BELLTALE_ASSETS", assets().string()},
                                                        {"XDG_RUNTIME_DIR", runtime().string()}};
        for (const auto& [name, value] : extra)
            variables[name] = value;
        return environmentWith(variables);
    }

  private:
    fs::path m_root;
};

}  // namespace e2e
