// The serial path of a call on the main window, in virtual time, with the modem simulator on a
// pseudo-terminal as the modem: the port's set-up dialogue, the reader that gathers a batch until
// the port is quiet, the ring alert and the caller-ID road, each step as the user (and the files
// and the modem) see it. What a terminal cannot carry, the caller-ID unit's ring line, comes
// through the serial layer's test hook.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/registry/registry.h"
#include "platform/serial/serial.h"
#include "platform/serial/testing/comm_events.h"
#include "platform/serial/testing/fake_port.h"
#include "platform/speech/testing/speech_recorder.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "tools/modemsim/modem_simulator.h"
#include "vevuzer/monitoring/serial_monitor.h"
#include "vevuzer/monitoring/testing/traced_main_window.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/clock_text.h"
#include "vevuzer/shell/testing/control_library.h"

namespace {

using namespace std::chrono_literals;
using vevuzer::testing::linesOfFile;
using vevuzer::testing::Trace;
using vevuzer::testing::TracedMainWindow;
namespace comm = vevuzer::controls::comm;

constexpr std::string_view kRing = "\r\nRING\r\n";

// A caller-ID report as modems send it.
std::string report(std::string_view number, std::string_view name = {}) {
    std::string text = "\r\nDATE = 0302\r\nTIME = 0900\r\n";
    if (!number.empty()) {
        text += "NMBR = " + std::string(number) + "\r\n";
    }
    if (!name.empty()) {
        text += "NAME = " + std::string(name) + "\r\n";
    }
    return text;
}

// One program folder, modem and main window in compatibility mode on the modem's port.
struct Rig {
    explicit Rig(modemsim::Options options = {}, std::string_view kind = {}) : modem(options) {
        registry::writeString(HKEY_LOCAL_MACHINE, serial::kSerialCommKey, modem.devicePath(),
                              "COM1");
        settings::write(settings::key::comp, "True");
        settings::write(settings::key::commport, "1");
        settings::write(settings::key::kind, kind);
        settings::write(settings::key::init, "AT+VCID=1");
        // Set up already: a first run would open the settings window over the main window.
        settings::write(settings::key::line, settings::kNoModem);
        settings::write(settings::key::line2, settings::kNoModem);
        const auto home = core::programFolder();
        core::rewriteFile(home / "directory.ini", "[callers]\r\n01632960123=Annie Smith\r\n");
        core::rewriteFile(home / "blocked.ini", " 01632960999,\r\n");
        core::rewriteFile(home / "email.ini", " 01632960555,\r\n");
    }

    // Loads the window: the port opens and the modem is set up; its answers are read and put
    // aside by the reader before the trace starts.
    void load(core::VirtualTime& time, std::size_t commands = 2) {
        window.Form_Load();
        if (commands == 0) {
            time.advance(1000ms);
            window.startTrace();
            return;
        }
        ASSERT_TRUE(modem.waitForCommands(commands, 5s));
        // The reader may have taken the first answer already, during the set-up's pause.
        waitForBytes(std::string("\r\nOK\r\n").size());
        time.advance(1000ms);
        window.startTrace();
    }

    // Waits in real time until the port holds `count` unread bytes: the terminal hands bytes
    // over on its own time, while the program's clock stands still.
    void waitForBytes(std::size_t count) {
        const vevuzer::HostedControl& port = window.main().comm();
        for (int i = 0; i < 1000; ++i) {
            if (port.getLong(comm::InBufferCount).value_or(0) >= static_cast<LONG>(count)) {
                return;
            }
            std::this_thread::sleep_for(2ms);
        }
        FAIL() << "the port received " << port.getLong(comm::InBufferCount).value_or(-1)
               << " bytes, not " << count;
    }

    // The modem sends a batch; the reader gathers it and reads it once the port is quiet.
    void modemSends(core::VirtualTime& time, const std::string& bytes) {
        modem.send(bytes);
        waitForBytes(bytes.size());
        time.advance(2000ms);
    }

    // The trace up to the reader's dump of the batch, which ends every read.
    Trace traceUntilDump() {
        Trace trace = window.trace();
        const auto dump =
            std::find(trace.begin(), trace.end(), "log: Buffer dump from modem on comm 1");
        EXPECT_NE(dump, trace.end()) << ::testing::PrintToString(trace);
        trace.erase(dump == trace.end() ? dump : dump + 1, trace.end());
        return trace;
    }

    std::vector<std::string> commandsSince(std::size_t before) const {
        const std::vector<std::string> all = modem.commands();
        return {all.begin() + static_cast<long>(std::min(before, all.size())), all.end()};
    }

    vevuzer::testing::FreshProgramFolder folder;
    modemsim::ModemSimulator modem;
    TracedMainWindow window;
};

class SerialRoad : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(vevuzer::testing::registerControlLibrary(), S_OK); }

    core::VirtualTime m_time;
    speech::SpeechRecorder m_spoken;
    ui::ScriptedDialogs m_dialogs;
};

TEST_F(SerialRoad, SetsTheModemUpWithItsCallerIdCommand) {
    Rig rig;
    ASSERT_TRUE(rig.modem.ready());
    rig.load(m_time);
    EXPECT_EQ(rig.modem.received(), "AT&F\rAT+VCID=1\r");
    EXPECT_TRUE(rig.window.main().comm().getBool(comm::PortOpen).value_or(false));
    EXPECT_FALSE(rig.window.main().state().portinit);
}

struct CallerCase {
    const char* what;
    std::string batch;
    // What the road shows.
    std::string spoken;
    std::string number;  // status box, log and inclog.txt
    std::string name;
    std::string popupName;   // its name label
    std::string parsedName;  // the name it is given
    std::string popupNumber;
    std::string dirname;
    std::string dropStatus;  // empty: not dropped
    bool mailed;
};

// The date and time of the call-log line in the trace, when it is one of the seconds after
// `sent`: the reader's poll decides in which second the batch is read.
std::string loggedWhen(const Trace& trace, core::OleDate sent) {
    for (int second = 0; second <= 3; ++second) {
        const core::OleDate at = sent + second / 86400.0;
        const std::string when = vevuzer::dateText(at) + " " + vevuzer::timeText(at);
        for (const std::string& entry : trace) {
            if (entry.rfind("inclog: ", 0) == 0 && entry.size() >= when.size() &&
                entry.compare(entry.size() - when.size(), when.size(), when) == 0) {
                return when;
            }
        }
    }
    return "(a time within 3 s of the batch)";
}

Trace callerRoad(const CallerCase& row, const std::string& when) {
    Trace trace = {
        "log: Speech command, now saying " + row.spoken,
        "status: You have had 1 new call\r\n" + row.number + "\r\n" + row.name,
        "log:  ***************************** ",
        "log: Incoming call detected on comm port ," + row.number,
        "log: " + row.name,
        "inclog: " + row.number + ", " + row.name + ", " + when,
        "popup: shown",
        "popup: name " + row.popupName,
        "popup: focus",
        "popup: number " + row.popupNumber,
        "popup: displayother(" + row.parsedName + ", " + row.popupNumber + ", " + row.dirname + ")",
        "popup: focus",
    };
    // The flasher shows with the next step the user sees; the ring picture goes during the second
    // the modem holds the line.
    if (!row.dropStatus.empty()) {
        trace.insert(trace.end(), {"flash: 1000", "pic_ring: hidden", "status: " + row.dropStatus});
    }
    if (row.mailed) {
        if (row.dropStatus.empty()) {
            trace.push_back("flash: 1000");
        }
        trace.push_back(
            "status: This number is in the Email list\r\nEmailing the information in a\r\nfew "
            "seconds, Please wait !");
    }
    trace.push_back("log: Buffer dump from modem on comm 1");
    return trace;
}

TEST_F(SerialRoad, RunsTheCallerIdRoadForEachKindOfCaller) {
    const std::string ring(kRing);
    const CallerCase cases[] = {
        // The address book's name is spoken; the modem's is shown.
        {"known caller after the first ring", ring + report("01632960123", "ANN SMITH"),
         "Annie Smith", "01632960123", "ANN SMITH", "ANN SMITH", "ANN SMITH", "01632960123",
         "Annie Smith", "", false},
        {"unknown caller, no name", ring + report("01632960777"), ", 0 1 6 3 2 9 6 0 7 7 7 ",
         "01632960777", "", "No name available", "", "01632960777", "", "", false},
        {"withheld", ring + report("P"), "withheld, ", "No Number", "Withheld", "Withheld",
         "Withheld", "", "", "", false},
        {"out of area", ring + report("O", "O"), "unavailable, ", "No Number", "Unavailable",
         "Unavailable", "Unavailable", "", "", "", false},
        {"blocked number", ring + report("01632960999", "PEST"), "pest, 0 1 6 3 2 9 6 0 9 9 9 ",
         "01632960999", "PEST", "PEST", "PEST", "01632960999", "",
         "01632960999\r\nIs a blocked number\r\nand was disconnected", false},
        {"on the e-mail list", ring + report("01632960555", "MAIL ME"),
         "mail me, 0 1 6 3 2 9 6 0 5 5 5 ", "01632960555", "MAIL ME", "MAIL ME", "MAIL ME",
         "01632960555", "", "", true},
        // "P" or "O" beside a number is only a short name: the number is blocked or mailed.
        {"blocked number named P", ring + report("01632960999", "P"), ", 0 1 6 3 2 9 6 0 9 9 9 ",
         "01632960999", "", "No name available", "", "01632960999", "",
         "01632960999\r\nIs a blocked number\r\nand was disconnected", false},
        {"listed number named O", ring + report("01632960555", "O"), ", 0 1 6 3 2 9 6 0 5 5 5 ",
         "01632960555", "", "No name available", "", "01632960555", "", "", true},
    };
    for (const CallerCase& row : cases) {
        SCOPED_TRACE(row.what);
        Rig rig;
        rig.load(m_time);
        const std::size_t before = rig.modem.commands().size();
        const core::OleDate sent = core::now();
        rig.modemSends(m_time, row.batch);
        const Trace trace = rig.traceUntilDump();
        Trace expected = {
            "log: Modem data coming in on port 1", "log: Modem data coming in on port 1",
            "log: Incoming call on comm 1 the line is ringing", "window: shown", "pic_ring: shown"};
        const Trace road = callerRoad(row, loggedWhen(trace, sent));
        expected.insert(expected.end(), road.begin(), road.end());
        EXPECT_EQ(trace, expected);
        const std::vector<std::string> dropCommands = row.dropStatus.empty()
                                                          ? std::vector<std::string>{}
                                                          : std::vector<std::string>{"ATDT", "ATH"};
        rig.modem.waitForCommands(before + dropCommands.size(), 2s);
        EXPECT_EQ(rig.commandsSince(before), dropCommands);
        const vevuzer::MainWindowState& state = rig.window.main().state();
        EXPECT_TRUE(state.callershown);
        EXPECT_EQ(state.mailpending, row.mailed);
        if (row.mailed) {
            EXPECT_EQ(state.mailnumber, row.number);
        }
    }
}

TEST_F(SerialRoad, ARingWithoutCallerIdAlertsAndACallerIsShownOncePerCall) {
    Rig rig;
    rig.load(m_time);
    rig.modemSends(m_time, std::string(kRing));
    EXPECT_EQ(
        rig.traceUntilDump(),
        (Trace{"log: Modem data coming in on port 1", "log: Modem data coming in on port 1",
               "log: Incoming call on comm 1 the line is ringing", "window: shown",
               "pic_ring: shown", "log: Modem on Comm 1 is ringing, playing wav ring file",
               "log: Showing display with details in it", "popup: shown",
               "popup: displayother(Incoming call, No caller id, )", "popup: name ",
               "popup: number Incoming call", "popup: focus", "display: shown", "display: cleared",
               "display: Unknown Incoming call", "log: Buffer dump from modem on comm 1"}));
    const vevuzer::MainWindowState& state = rig.window.main().state();
    EXPECT_TRUE(state.serialnocid);
    EXPECT_EQ(state.callline, 1);

    // The caller ID after the first ring, then the same report again with the next ring.
    const std::string batch = report("01632960123", "ANN SMITH") + std::string(kRing);
    rig.modemSends(m_time, batch);
    EXPECT_FALSE(state.serialnocid);
    EXPECT_TRUE(state.callershown);
    rig.modemSends(m_time, batch);
    EXPECT_EQ(linesOfFile(vevuzer::callLogPath()).size(), 1u);
    EXPECT_EQ(state.newcalls, 1);
}

TEST_F(SerialRoad, TheNewCallCountStopsAtItsTop) {
    Rig rig;
    rig.load(m_time);
    rig.window.main().state().newcalls = 32767;
    rig.modemSends(m_time, report("01632960777"));
    EXPECT_EQ(rig.window.main().state().newcalls, 32767);
    EXPECT_EQ(rig.window.txtDisplayText().rfind("You have had 32767 new calls\r\n", 0), 0u)
        << rig.window.txtDisplayText();
}

// The UK way: the caller ID comes before the first ring; the rings that follow only ring.
TEST_F(SerialRoad, CallerIdBeforeTheFirstRing) {
    Rig rig;
    rig.load(m_time);
    rig.modemSends(m_time, report("01632960123"));
    rig.modemSends(m_time, std::string(kRing));
    const Trace trace = rig.window.trace();
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "log: Showing display with details in it"), 0);
    const std::vector<std::string> calls = linesOfFile(vevuzer::callLogPath());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].rfind("01632960123, Annie Smith, ", 0), 0u) << calls[0];
}

TEST_F(SerialRoad, APortThatWillNotOpenIsLoggedAndLeftAlone) {
    Rig rig;
    registry::writeString(HKEY_LOCAL_MACHINE, serial::kSerialCommKey, "/dev/belltale-no-such-port",
                          "COM2");
    settings::write(settings::key::commport, "2");
    rig.load(m_time, 0);
    const std::vector<std::string> log = linesOfFile(vevuzer::logFilePath());
    EXPECT_NE(std::find(log.begin(), log.end(), "Tried to Open Comm 2 but it failed to open."),
              log.end());
    EXPECT_TRUE(rig.window.main().state().portinit);
    EXPECT_FALSE(rig.window.main().comm().getBool(comm::PortOpen).value_or(true));
    m_time.advance(2000ms);
    EXPECT_EQ(rig.window.trace(), Trace{});
}

// The caller-ID unit: opened at 1200 baud with nothing sent to it; its ring comes on the ring
// line (through the test hook, which a terminal cannot carry), its caller as a data block.
TEST_F(SerialRoad, CallerIdUnitRingsOnItsRingLineAndSendsADataBlock) {
    Rig rig({}, settings::kCallerIdPlug);
    rig.load(m_time, 0);
    EXPECT_EQ(rig.modem.received(), "");
    EXPECT_FALSE(rig.window.main().state().portinit);

    ASSERT_EQ(serial::injectCommEvent(rig.modem.devicePath(), serial::comEvRing), 1);
    m_time.advance(100ms);
    const Trace ring = rig.window.trace();
    EXPECT_EQ(
        std::vector<std::string>(ring.begin(), ring.begin() + 4),
        (Trace{"log: Incoming call on comm 1 the line is ringing", "window: shown",
               "pic_ring: shown", "log: Rochelle on Comm 1 is ringing, playing wav ring file"}));
    EXPECT_TRUE(rig.window.main().state().serialnocid);

    rig.modemSends(m_time, modemsim::mdmfBlock("03020900", "01632960123", "ANN SMITH"));
    const std::vector<std::string> calls = linesOfFile(vevuzer::callLogPath());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].rfind("01632960123, ANN SMITH, ", 0), 0u) << calls[0];
    EXPECT_FALSE(rig.window.main().state().serialnocid);

    // The unit cannot take the line: a blocked caller is not reported as disconnected.
    m_time.advance(12000ms);
    rig.modemSends(m_time, modemsim::mdmfBlock("03020901", "01632960999", ""));
    EXPECT_EQ(rig.window.txtDisplayText(),
              "01632960999\r\nIs a blocked number\r\nbut could not be disconnected");
    EXPECT_EQ(rig.modem.received(), "");
}

// However the bytes of a batch fall into the reader's ticks, the batch is read once, whole.
TEST_F(SerialRoad, BytesSplitAcrossReadsAtEveryPositionGiveOneCaller) {
    serial::testing::FakePort port;
    Rig rig;
    rig.window.Form_Load();
    m_time.advance(2000ms);
    const std::string batch = std::string(kRing) + report("01632960123", "ANN SMITH");
    std::size_t calls = 0;
    for (std::size_t split = 1; split < batch.size(); ++split) {
        SCOPED_TRACE(split);
        port.feed(batch.substr(0, split));
        m_time.advance(1000ms);
        port.feed(batch.substr(split));
        m_time.advance(3000ms);
        const std::vector<std::string> log = linesOfFile(vevuzer::callLogPath());
        ASSERT_EQ(log.size(), ++calls);
        EXPECT_EQ(log.back().rfind("01632960123, ANN SMITH, ", 0), 0u) << log.back();
        // The hold-off runs out and the next call is shown afresh.
        m_time.advance(12000ms);
    }
}

// A device that never pauses: the batch stays bounded, the activity log gets the start of each
// dump and its length, and a caller inside the stream is read without waiting for a pause.
TEST_F(SerialRoad, ADeviceThatNeverPausesIsReadInBoundedBatches) {
    serial::testing::FakePort port;
    Rig rig;
    rig.window.Form_Load();
    m_time.advance(2000ms);
    std::size_t chunk = 16 * 1024;  // far faster than any serial line
    core::Timer stream([&] { port.feed(std::string(chunk, 'x') + "\r\n"); });
    stream.setInterval(100);
    const vevuzer::SerialMonitor& reader = rig.window.main().serialMonitor();
    std::size_t largest = 0;
    core::Timer watch([&] { largest = std::max(largest, reader.serialbuffer().size()); });
    watch.setInterval(50);
    m_time.advance(10s);
    EXPECT_LE(largest, serial::kReadLimit);
    for (const std::string& line : linesOfFile(vevuzer::logFilePath())) {
        ASSERT_LE(line.size(), 8u * 1024) << line.substr(0, 80);
    }
    const std::vector<std::string> log = linesOfFile(vevuzer::logFilePath());
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
        return line.find(" bytes in all)") != std::string::npos;
    }));

    // At a serial line's pace, 9600 baud, with a caller in the middle of the stream.
    chunk = 96;
    m_time.advance(2s);
    port.feed(std::string(kRing) + report("01632960123", "ANN SMITH"));
    m_time.advance(8s);
    stream.setInterval(0);
    const std::vector<std::string> calls = linesOfFile(vevuzer::callLogPath());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].rfind("01632960123, ANN SMITH, ", 0), 0u) << calls[0];
}

// The modem goes (the simulator ends, as an unplugged modem's terminal hangs up) and comes back
// on the same link: one line says it went, the status box shows it, the port is looked for
// every few seconds, one line says it is back, and it is set up and read again.
TEST_F(SerialRoad, AModemUnpluggedAndPluggedInAgainIsSetUpAndReadAgain) {
    Rig rig;
    auto modem = std::make_unique<modemsim::ModemSimulator>();
    ASSERT_TRUE(modem->ready());
    const std::filesystem::path link = core::programFolder() / "ttyModem";
    std::filesystem::create_symlink(modem->devicePath(), link);
    registry::deleteValue(HKEY_LOCAL_MACHINE, serial::kSerialCommKey, rig.modem.devicePath());
    registry::writeString(HKEY_LOCAL_MACHINE, serial::kSerialCommKey, link.string(), "COM1");
    rig.window.Form_Load();
    ASSERT_TRUE(modem->waitForCommands(2, 5s));
    m_time.advance(2000ms);
    const vevuzer::HostedControl& port = rig.window.main().comm();
    ASSERT_TRUE(port.getBool(comm::PortOpen).value_or(false));

    const auto count = [](std::string_view text) {
        const std::vector<std::string> log = linesOfFile(vevuzer::logFilePath());
        return std::count(log.begin(), log.end(), text);
    };
    constexpr std::string_view kGone =
        "The modem on comm 1 has gone (unplugged or switched off), looking for it every 5 seconds";
    constexpr std::string_view kBack = "The modem on comm 1 is back";
    // Unplugged, the device's link goes too: the freed pseudo-terminal's number may be
    // handed to another process's terminal meanwhile.
    modem.reset();
    std::filesystem::remove(link);
    m_time.advance(1000ms);
    EXPECT_EQ(count(kGone), 1);
    EXPECT_FALSE(port.getBool(comm::PortOpen).value_or(true));
    EXPECT_EQ(rig.window.txtDisplayText(), "The modem on comm 1\r\nhas gone. Plug it in again");
    m_time.advance(20s);
    EXPECT_EQ(count(kGone), 1) << "said once";
    EXPECT_EQ(count(kBack), 0);

    modem = std::make_unique<modemsim::ModemSimulator>();
    ASSERT_TRUE(modem->ready());
    std::filesystem::remove(link);
    std::filesystem::create_symlink(modem->devicePath(), link);
    m_time.advance(6s);
    EXPECT_EQ(count(kBack), 1);
    EXPECT_TRUE(port.getBool(comm::PortOpen).value_or(false));
    ASSERT_TRUE(modem->waitForCommands(2, 5s));
    EXPECT_EQ(modem->commands(), (std::vector<std::string>{"AT&F", "AT+VCID=1"}));
    m_time.advance(2000ms);

    modem->send(std::string(kRing) + report("01632960123", "ANN SMITH"));
    for (int i = 0; i < 500 && linesOfFile(vevuzer::callLogPath()).empty(); ++i) {
        std::this_thread::sleep_for(2ms);
        m_time.advance(100ms);
    }
    const std::vector<std::string> calls = linesOfFile(vevuzer::callLogPath());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].rfind("01632960123, ANN SMITH, ", 0), 0u) << calls[0];
}

}  // namespace
