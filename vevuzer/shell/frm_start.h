// The start-up window and the first-run installation. The program starts with the start-up
// window's load: when a speech component is missing (and the installers have not run twice yet)
// it opens the installer window, which runs the two installers from the program folder and then
// the restart program, and the program ends; otherwise the main window is shown. UI thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/core/messages.h"
#include "platform/ui/form.h"

class QProgressBar;

// The installer window: a notice and a progress bar; its one-second timer starts "agent.exe" at
// about 2 s, "speech.exe" at about 11 s and the restart program "reboot.exe" at about 20 s, then
// ends the program.
class frm_wait : public ui::Form {
  public:
    // `endProgram` ends the program at once.
    explicit frm_wait(std::function<void()> endProgram, QWidget* parent = nullptr);
    ~frm_wait() override;

    void Form_Load();
    void Timer2_Timer();
    int ticks() const { return m_ticks; }

  private:
    std::function<void()> m_endProgram;
    QProgressBar* m_bar;
    core::Timer m_Timer2;
    int m_ticks = 0;
};

namespace vevuzer {

// The start-up window's load. True when the main window is to be shown. False when the installers
// ran: the installer window was shown and waited for, and `endProgram` has been called.
bool frm_start_Load(const std::function<void()>& endProgram);

// Starts the program folder's restart program "reboot.exe", which starts the program again once
// this one has ended. Does not wait.
void startRestartProgram();

// The arguments the program was started with, which the restart after the first-run installation
// passes on.
void setRestartArguments(std::vector<std::string> arguments);

}  // namespace vevuzer
