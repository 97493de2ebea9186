// The call-back recorder: after a call rang on a telephone line without caller ID, the line dials
// the telephone company's last-caller announcement service and the Record control records what it
// says into the lowest free numbered wave file of the program folder, which is then logged and
// played. It runs inside `Timer1`'s tick and pumps messages while it waits, so the status timer
// counts its countdowns and the Line controls' events set the flags it waits for; every wait is
// bounded. UI thread only.
#pragma once

#include <string>

namespace vevuzer {

class MainWindow;
class MainWindowForm;

class CallBackRecorder {
  public:
    CallBackRecorder(MainWindow& window, MainWindowForm& form);
    CallBackRecorder(const CallBackRecorder&) = delete;
    CallBackRecorder& operator=(const CallBackRecorder&) = delete;

    // How a run ended: a recording made (the tick goes on), or any other ending (the tick stops).
    enum class Outcome { Recorded, Ended };
    // One attempt for the call of line `callline`. While one attempt runs (its waits pump
    // messages, so ticks can come in them) another does nothing and answers Ended.
    Outcome run();
    bool running() const { return m_running; }

    // The Record control's events.
    void lkRecord1_OnDone();
    void lkRecord1_OnError();

  private:
    Outcome record(int N);
    void switchOtherLinesOff(int N);
    bool dialToneFound(int N);
    Outcome noDialTone(int N);
    Outcome failed(int N);
    bool recordDeviceGoesActive();
    void recordFor(int N, const std::string& reclength);
    void closeRecordDevice();

    MainWindow& m_window;
    MainWindowForm& m_form;
    bool m_running = false;
};

// The name of the lowest numbered wave file ("1.wav", "2.wav" ...) not in the program folder.
std::string freeRecordingName();

}  // namespace vevuzer
