// The real main window, noting what it is asked to do that leaves no other trace in a test: the
// other windows it opens, its beeps and pop-up menus, and every width its animations set.
#pragma once

#include <string>
#include <vector>

#include "vevuzer/shell/frm_main.h"

namespace vevuzer::testing {

class NotingWindow : public frm_main {
  public:
    void frmInclogShow() override { notes.push_back("inclog window"); }
    void frmDirectoryShow() override { notes.push_back("directory window"); }
    void frmSettingsShow() override { notes.push_back("settings window"); }
    void beep() override { notes.push_back("beep"); }
    void popupCommandMenu() override { notes.push_back("command menu"); }
    void popupAddMenu() override { notes.push_back("add menu"); }
    void setFormMinimized() override {
        notes.push_back("minimised");
        frm_main::setFormMinimized();
    }
    void setFormWidth(int twips) override {
        widths.push_back(twips);
        frm_main::setFormWidth(twips);
    }

    std::vector<std::string> notes;
    std::vector<int> widths;
};

}  // namespace vevuzer::testing
