// The serial port at start, for the stored device (a voice modem or the caller-ID unit), and the
// unit's ring line, on the main window in virtual time with the modem simulator's terminal as the
// port. What a terminal cannot carry, the ring line and the line parameters, comes through the
// serial layer's test hook and its fake device.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
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
#include "platform/winmm/wave_devices.h"
#include "tools/modemsim/modem_simulator.h"
#include "vevuzer/monitoring/testing/traced_main_window.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/testing/control_library.h"

namespace {

using namespace std::chrono_literals;
using vevuzer::testing::linesOfFile;
using vevuzer::testing::Trace;
using vevuzer::testing::TracedMainWindow;
namespace comm = vevuzer::controls::comm;

constexpr std::string_view kUnit = settings::kCallerIdPlug;
constexpr std::string_view kModem = "Standard modem on a comm port";

// A program folder in compatibility mode whose port 1 is the simulated modem's terminal.
struct Rig {
    Rig(std::string_view kind, std::string_view commport, std::string_view init = "AT+VCID=1") {
        registry::writeString(HKEY_LOCAL_MACHINE, serial::kSerialCommKey, modem.devicePath(),
                              "COM1");
        registry::writeString(HKEY_LOCAL_MACHINE, serial::kSerialCommKey,
                              "/dev/belltale-no-such-port", "COM2");
        settings::write(settings::key::comp, "True");
        settings::write(settings::key::commport, commport);
        settings::write(settings::key::kind, kind);
        settings::write(settings::key::init, init);
        // Set up already: a first run would open the settings window over the main window.
        settings::write(settings::key::line, settings::kNoModem);
        settings::write(settings::key::line2, settings::kNoModem);
    }

    // Loads the window and lets the modem's answers to its set-up be read and put aside.
    void load(core::VirtualTime& time) {
        window.Form_Load();
        if (settings::read(settings::key::kind) != kUnit) {
            modem.waitForCommands(2, 5s);
        }
        std::this_thread::sleep_for(20ms);
        time.advance(2000ms);
    }

    // The lines the port's set-up writes, in order, out of everything else the start logs.
    static std::vector<std::string> setUpLog() {
        static constexpr std::string_view kSetUp[] = {
            "Using compatbility mode", "Initialising Rochelle", "Tried to Open Comm",
            "Port now open",           "Comm port open",        "All okay"};
        std::vector<std::string> lines;
        for (const std::string& line : linesOfFile(vevuzer::logFilePath())) {
            if (std::any_of(std::begin(kSetUp), std::end(kSetUp), [&line](std::string_view start) {
                    return line.rfind(start, 0) == 0;
                })) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    vevuzer::testing::FreshProgramFolder folder;
    modemsim::ModemSimulator modem;
    TracedMainWindow window;
};

class SerialPort : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(vevuzer::testing::registerControlLibrary(), S_OK); }

    core::VirtualTime m_time;
    speech::SpeechRecorder m_spoken;
    ui::ScriptedDialogs m_dialogs;
};

TEST_F(SerialPort, OpensThePortForTheStoredDevice) {
    struct Case {
        const char* what;
        std::string_view kind;
        std::string_view commport;
        std::string_view init;
        std::vector<std::string> logged;  // the set-up's lines
        std::string sent;                 // what reached the device
        bool open;
    };
    const Case cases[] = {
        {"no port stored", kModem, "", "AT+VCID=1", {}, "", false},
        {"a modem without a caller-ID command",
         kModem,
         "1",
         "",
         {"Using compatbility mode, opening line 1 now", "Comm port open, Sending AT&F to modem",
          "All okay, modem is now ready"},
         "AT&F\r",
         true},
        // The unit is only listened to: nothing is sent, the modem's command is not read.
        {"the caller-ID unit on the modem's terminal",
         kUnit,
         "1",
         "AT+VCID=1",
         {"Using compatbility mode, opening line 1 now",
          "Initialising Rochelle Caller ID plug on comm 1", "Port now open and ready for use"},
         "",
         true},
        {"the caller-ID unit on a port without a device",
         kUnit,
         "2",
         "",
         {"Using compatbility mode, opening line 2 now",
          "Initialising Rochelle Caller ID plug on comm 2",
          "Tried to Open Comm 2 but it failed to open."},
         "",
         false},
        // A port that is no number leaves the control on its own port, 1.
        {"a port written by hand",
         kModem,
         "COM1",
         "AT+VCID=1",
         {"Using compatbility mode, opening line COM1 now", "Comm port open, Sending AT&F to modem",
          "All okay, modem is now ready"},
         "AT&F\rAT+VCID=1\r",
         true},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        Rig rig(row.kind, row.commport, row.init);
        ASSERT_TRUE(rig.modem.ready());
        rig.window.Form_Load();
        m_time.advance(1000ms);
        EXPECT_EQ(Rig::setUpLog(), row.logged);
        // Nothing to wait for is waited for a little, so that a stray command would show.
        const auto commands =
            static_cast<std::size_t>(std::count(row.sent.begin(), row.sent.end(), '\r'));
        rig.modem.waitForCommands(std::max<std::size_t>(commands, 1), commands ? 5s : 100ms);
        EXPECT_EQ(rig.modem.received(), row.sent);
        const vevuzer::HostedControl& port = rig.window.main().comm();
        EXPECT_EQ(port.getBool(comm::PortOpen).value_or(false), row.open);
        // A port that failed to open stays in its set-up: its ring line is not listened to.
        EXPECT_EQ(rig.window.main().state().portinit, !row.commport.empty() && !row.open);
    }
}

// The caller-ID unit's line parameters, which a terminal does not keep: 1200 baud, RTS
// handshaking, DTR and RTS on.
TEST_F(SerialPort, TheCallerIdUnitIsOpenedAt1200BaudWithRtsHandshaking) {
    serial::testing::FakePort device;
    Rig rig(kUnit, "1");
    rig.window.Form_Load();
    m_time.advance(1000ms);
    ASSERT_TRUE(device.open());
    EXPECT_EQ(device.settings().baud, 1200);
    EXPECT_EQ(device.settings().parity, 'N');
    EXPECT_EQ(device.handshaking(), serial::comRTS);
    EXPECT_TRUE(device.dtr());
    EXPECT_TRUE(device.rts());
    EXPECT_EQ(device.sent(), "");
}

// The port's ring line alerts for the caller-ID unit only, and only for a ring: a modem says RING
// as text, and the other line changes are no call.
TEST_F(SerialPort, TheRingLineAlertsForTheCallerIdUnitOnly) {
    struct Case {
        const char* what;
        std::string_view kind;
        SHORT event;
        bool alerts;
    };
    static constexpr Case cases[] = {
        {"the unit's ring", kUnit, serial::comEvRing, true},
        {"a modem's ring line", kModem, serial::comEvRing, false},
        {"the unit's carrier detect", kUnit, serial::comEvCD, false},
        {"the unit's data set ready", kUnit, serial::comEvDSR, false},
        {"the unit's data", kUnit, serial::comEvReceive, false},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        Rig rig(row.kind, "1");
        ASSERT_TRUE(rig.modem.ready());
        rig.load(m_time);
        rig.window.startTrace();
        ASSERT_EQ(serial::injectCommEvent(rig.modem.devicePath(), row.event), 1);
        m_time.advance(100ms);
        const Trace trace = rig.window.trace();
        if (!row.alerts) {
            EXPECT_EQ(trace, Trace{});
            EXPECT_FALSE(rig.window.main().state().serialnocid);
            continue;
        }
        EXPECT_EQ(
            trace,
            (Trace{"log: Incoming call on comm 1 the line is ringing", "window: shown",
                   "pic_ring: shown", "log: Rochelle on Comm 1 is ringing, playing wav ring file",
                   "log: Showing display with details in it", "popup: shown",
                   "popup: displayother(Incoming call, No caller id, )", "popup: name ",
                   "popup: number Incoming call", "popup: focus", "display: shown",
                   "display: cleared", "display: Unknown Incoming call"}));
        EXPECT_TRUE(rig.window.main().state().serialnocid);
    }
}

// A half-second ring sound.
std::string ringSound() {
    const auto le = [](std::uint32_t value, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i) {
            out += static_cast<char>((value >> (8 * i)) & 0xFF);
        }
        return out;
    };
    return "RIFF" + le(36 + 8000, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(8000, 4) +
           le(16000, 4) + le(2, 2) + le(16, 2) + "data" + le(8000, 4) + std::string(8000, '\x10');
}

// Rings of the unit before any caller data: each renews the unknown call's pop-up and list entry;
// the sound comes with every ring while "repeat" is on, else only once the hold-off ran out.
TEST_F(SerialPort, EachRingOfTheUnitRenewsTheAlertAndTheSoundFollowsRepeat) {
    for (const bool repeat : {true, false}) {
        SCOPED_TRACE(repeat ? "repeat on" : "repeat off");
        Rig rig(kUnit, "1");
        settings::write(settings::key::repeat, repeat ? "True" : "False");
        const std::filesystem::path played = rig.folder.home() / "played.wav";
        winmm::configureStandardWaveDevices("file-out=" + played.string());
        ASSERT_TRUE(core::rewriteFile(core::programFolder() / "ring.wav", ringSound()));
        rig.load(m_time);
        rig.window.startTrace();
        const auto ring = [&] {
            std::filesystem::remove(played);
            ASSERT_EQ(serial::injectCommEvent(rig.modem.devicePath(), serial::comEvRing), 1);
            m_time.advance(1000ms);
        };
        const auto popups = [&rig] {
            const Trace trace = rig.window.trace();
            return std::count(trace.begin(), trace.end(), "popup: shown");
        };

        ring();
        EXPECT_TRUE(std::filesystem::exists(played));
        m_time.advance(2000ms);
        ring();  // within the first ring's hold-off
        EXPECT_EQ(std::filesystem::exists(played), repeat);
        EXPECT_EQ(popups(), 2);
        m_time.advance(12s);
        ring();  // the hold-off has run out
        EXPECT_TRUE(std::filesystem::exists(played));
        EXPECT_EQ(popups(), 3);
        winmm::configureStandardWaveDevices("null");
    }
}

}  // namespace
