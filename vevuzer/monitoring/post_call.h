// The post-call timer: the main window's one-second `Timer1`, whose tick finishes what the ring
// handlers leave behind once a call stopped ringing without caller data (a serial ring, a ring on
// a telephone line), then runs the daily update check. The ring handlers arm it through the
// window's variables and the ring hold-off that the status timer counts down. UI thread only.
#pragma once

#include <memory>

namespace vevuzer {

class MainWindow;
class MainWindowForm;
struct MainWindowState;
class CallBackRecorder;

// One more new call for the banner; at the top of its 16-bit count it stays there.
void countNewCall(MainWindowState& state);

class PostCallTimer {
  public:
    PostCallTimer(MainWindow& window, MainWindowForm& form);
    ~PostCallTimer();
    PostCallTimer(const PostCallTimer&) = delete;
    PostCallTimer& operator=(const PostCallTimer&) = delete;

    // One tick, its steps in order: the serial ring without caller data, the line ring without
    // caller ID (logged, or recorded by the call-back recorder), the update check. A tick that
    // comes while the recorder waits does nothing.
    void Timer1_Timer();
    CallBackRecorder& recorder() { return *m_recorder; }

  private:
    void refuseWhileRecording();
    void serialRingWithoutCallerData();
    // False when the tick ends here: the recorder ended without a recording.
    bool lineRingWithoutCallerId();

    MainWindow& m_window;
    MainWindowForm& m_form;
    std::unique_ptr<CallBackRecorder> m_recorder;
    bool m_refusalLogged = false;  // for the call the running recorder keeps waiting
};

}  // namespace vevuzer
