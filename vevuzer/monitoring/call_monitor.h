// The main window's handlers of the two Line-control events that start the road of a call: the
// ring alert (`OnRing`) and the caller-ID processing (`OnCallerID`). Both are one procedure for
// all four lines, with the line number (1 to 4) as parameter. They run on the UI thread inside the
// control's event dispatch; the ring shake and the pause before a blocked call is dropped pump
// messages, so other events (and these handlers again) may run inside them. Each run keeps its
// working values to itself, so a nested run cannot disturb the one it interrupts.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/core/win_types.h"

namespace vevuzer {

class HostedControl;
class MainWindow;
class MainWindowForm;

class CallMonitor {
  public:
    // Sends the e-mail notification of a call, waiting until it is sent.
    using MailSender = std::function<void(std::string_view number, std::string_view name)>;

    // Registers the handlers of `OnRing` and `OnCallerID` with `window` for every line.
    CallMonitor(MainWindow& window, MainWindowForm& form);
    CallMonitor(const CallMonitor&) = delete;
    CallMonitor& operator=(const CallMonitor&) = delete;

    // The ring alert of line N: the window comes up and shakes, the ring picture blinks, and a
    // ring whose caller is not known yet raises the unknown-call pop-up, the ring sound and the
    // call-back flags.
    void lkLine_OnRing(int N);
    // The caller ID of line N: counts the call, tests the blocked and e-mail lists, looks the
    // caller up in the address book, announces and shows the caller, logs the call, drops a
    // blocked caller and sends the e-mail notification.
    void lkLine_OnCallerID(int N);

    // The other events of line N: dial progress flags, log lines of a call's progress, control
    // errors, the end of a call-back recording when a call goes idle, and on line 1 the keypad
    // digits and silence.
    void lkLine_OnBusy(int N);
    void lkLine_OnCallEnd(int N);
    void lkLine_OnConnected(int N);
    void lkLine_OnDialing(int N);
    void lkLine_OnDialtone(int N);
    void lkLine_OnDigitReceived(int N, SHORT Digit);
    void lkLine_OnDisconnected(int N);
    void lkLine_OnError(int N);
    void lkLine_OnIdle(int N);
    void lkLine_OnSilence(int N);

    // What sends the e-mail notification; `sendmail` unless replaced.
    void setMailSender(MailSender sender) { m_sendmail = std::move(sender); }

  private:
    void registerLineEvents(MainWindow& window);

    // Ring alert.
    void showRingPicture();
    void shakeWindow();
    bool ringIsUnidentified(const HostedControl& line) const;
    void alertUnidentifiedRing(int N, const HostedControl& line);
    void showIncomingCallPopup(int N);
    void listUnknownCall(int N);

    // Caller ID.
    struct CallerIdRun;
    void testNumberLists(CallerIdRun& run) const;
    void nameWithheldOrUnavailable(CallerIdRun& run) const;
    void announce(int N, const CallerIdRun& run) const;
    void showNewCallStatus(const CallerIdRun& run);
    void showCallerPopup(int N, const CallerIdRun& run);
    void dropBlockedCall(int N, const HostedControl& line, const CallerIdRun& run);
    void mailCall(const CallerIdRun& run);

    MainWindow& m_window;
    MainWindowForm& m_form;
    MailSender m_sendmail;
};

}  // namespace vevuzer
