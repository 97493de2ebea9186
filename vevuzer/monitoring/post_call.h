// The post-call timer: the main window's one-second `Timer1`, whose tick finishes what the ring
// handlers leave behind once a call stopped ringing without caller data (a serial ring, a ring on
// a telephone line), then runs the daily update check. The ring handlers arm it through the
// window's variables and the ring hold-off that the status timer counts down. UI thread only.
#pragma once

namespace vevuzer {

class MainWindow;
class MainWindowForm;

class PostCallTimer {
  public:
    PostCallTimer(MainWindow& window, MainWindowForm& form);
    PostCallTimer(const PostCallTimer&) = delete;
    PostCallTimer& operator=(const PostCallTimer&) = delete;

    // One tick, its steps in order: the serial ring without caller data, the line ring without
    // caller ID, the update check.
    void Timer1_Timer();

  private:
    void serialRingWithoutCallerData();
    void lineRingWithoutCallerId();
    void countNewCall();

    MainWindow& m_window;
    MainWindowForm& m_form;
};

}  // namespace vevuzer
