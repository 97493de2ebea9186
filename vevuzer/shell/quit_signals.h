// Lets the program end cleanly when it is asked to from outside (Ctrl+C in the terminal, a
// SIGTERM from the session or a test): the signal closes the window as its close box would.
#pragma once

class QWidget;

// Call once, after the QApplication exists. SIGINT, SIGTERM and SIGHUP then close `window`
// on the UI thread.
void closeOnQuitSignals(QWidget* window);
