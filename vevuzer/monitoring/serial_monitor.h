// Compatibility mode: one voice modem or caller-ID unit on the main window's serial port `comm`
// watches the telephone line instead of the Line controls. `initport` opens and prepares the port,
// the `commscan` timer's tick gathers what the port brings and, once the port goes quiet, reads the
// batch for rings and caller data and runs the caller-ID road of the serial path; the port's own
// ring event alerts for a caller-ID unit. UI thread only; the ring alert and the drop of a blocked
// caller pump messages.
#pragma once

#include <cstdint>
#include <string>

namespace vevuzer {

class MainWindow;
class MainWindowForm;

namespace monitoring {
struct SerialCallerId;
}

class SerialMonitor {
  public:
    SerialMonitor(MainWindow& window, MainWindowForm& form);
    SerialMonitor(const SerialMonitor&) = delete;
    SerialMonitor& operator=(const SerialMonitor&) = delete;

    // Opens the stored port at the stored device's settings; a modem is reset and given its
    // caller-ID enable command. A port that will not open is only logged.
    void initport();
    // The port's event: a caller-ID unit's ring.
    void comm_OnComm();
    // The reader's tick: 300 ms while idle, 200 ms while bytes keep coming, stopped while a batch
    // is read. A batch keeps its newest 64 KiB and is read after 3 s of gathering even when the
    // port never goes quiet. A device that goes away under the reader is logged once, shown in
    // the status box and looked for every 5 s; when it is back it is set up again.
    void commscan_Timer();

    // What the reader has gathered and not yet read.
    const std::string& serialbuffer() const { return m_serialbuffer; }

  private:
    struct CallerRun;
    bool callerIdUnit() const;
    std::string commPort() const;
    std::string deviceName() const;
    void prepareOpenPort();
    void portLost();
    void reopenLostPort();
    void gather(const std::string& input);
    void logDump();
    void readBatch();
    void alertRing(bool callerData, const std::string& unknownLog);
    void showUnknownCall(const std::string& logged);
    void processCaller(const monitoring::SerialCallerId& parsed);
    void nameTheCaller(CallerRun& run) const;
    void showCallerPopup(const CallerRun& run);
    void dropBlockedCall(const CallerRun& run);
    void holdMail(const CallerRun& run);

    MainWindow& m_window;
    MainWindowForm& m_form;
    std::string m_serialbuffer;  // bytes, one character each
    bool m_reading = false;
    std::int64_t m_gatheringSince = 0;  // when the batch in hand began, by the tick count
    std::size_t m_gathered = 0;         // its bytes, those no longer kept included
    bool m_lost = false;                // the device went away; the port is closed
    std::int64_t m_nextReopen = 0;
};

}  // namespace vevuzer
