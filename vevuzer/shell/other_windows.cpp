// The windows of other parts of the program that the main window's commands open. Each part puts
// the opening of its own window here.
#include "vevuzer/shell/frm_main.h"

#include "vevuzer/records/frm_directory.h"
#include "vevuzer/records/frm_inclog.h"

// The incoming-calls log window.
void frm_main::frmInclogShow() {
    showIncomingCallsLog();
}

frm_inclog& frm_main::showIncomingCallsLog() {
    m_frmInclog->Show();
    return *m_frmInclog;
}

// The telephone directory window.
void frm_main::frmDirectoryShow() {
    showTelephoneDirectory();
}

frm_directory& frm_main::showTelephoneDirectory() {
    m_frmDirectory->Show();
    return *m_frmDirectory;
}

// The settings window.
void frm_main::frmSettingsShow() {}

// "Add to telephone directory" on the call list's menu.
void frm_main::mn1_addcaler_Click() {}

// "Add to blocked callers list" on the call list's menu.
void frm_main::mn1_blockcaller_Click() {}
