// The windows of other parts of the program that the main window's commands open. Each part puts
// the opening of its own window here.
#include "vevuzer/shell/frm_main.h"

// The incoming-calls log window.
void frm_main::frmInclogShow() {}

// The telephone directory window.
void frm_main::frmDirectoryShow() {}

// The settings window.
void frm_main::frmSettingsShow() {}

// "Add to telephone directory" on the call list's menu.
void frm_main::mn1_addcaler_Click() {}

// "Add to blocked callers list" on the call list's menu.
void frm_main::mn1_blockcaller_Click() {}
