// The monitor windows the library offers: once installed, a control's monitor object opens the
// window of its kind. Each kind's window is made by its own maker; the frame is shared.
#pragma once

#include "lkLK36/engines/vantage_form.h"

// Registers the window factory with the engines. Windows are made only while the process has a
// QApplication; without one no window opens and the controls run unchanged.
void installVantageWindows();
// Unregisters it (before the library goes). Windows still open stay with their controls, which
// close them.
void removeVantageWindows();
// The window of one kind, or null when the kind has none yet or no QApplication exists.
VantageForm* makeVantageWindow(TlkVantage& vantage, LONG kind);
