// The incoming-call log window: every call of "inclog.txt" in the list `com_calls`, the buttons
// `Command1` to `Command5` (close, clear the log, remove a caller, add to the address book,
// print), three help labels and the list's right-click menu `mnu_settings`. Everything the
// controls do is IncomingCallsLog's.
#pragma once

#include "platform/ui/form.h"
#include "vevuzer/records/incoming_calls_log.h"

class QCloseEvent;
class QListView;
class QMenu;
class QStringListModel;

class frm_inclog : public ui::Form, private vevuzer::IncomingCallsLog::Window {
  public:
    frm_inclog(vevuzer::IncomingCallsLog::ShowDirectory showDirectory,
               vevuzer::IncomingCallsLog::ShowStatusBox showStatusBox, QWidget* parent = nullptr);
    ~frm_inclog() override;

    // Loads the window when it is closed, shows it modeless and brings it to the front.
    void Show();

    vevuzer::IncomingCallsLog& logic() { return m_logic; }
    QMenu* mnu_settings() const { return m_mnuSettings; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // IncomingCallsLog::Window
    void controlsChanged() override;
    void unloaded() override;

    vevuzer::IncomingCallsLog m_logic;
    QStringListModel* m_calls;
    QListView* m_comCalls;
    QMenu* m_mnuSettings;
    bool m_showingControls = false;
    bool m_unloading = false;
};
