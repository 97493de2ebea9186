// Dialling out for the user and the dial-tone probe, in virtual time: on the simulated exchange's
// lines, whose far end answers, is busy or does not answer, and through the modem simulator.
#include "vevuzer/monitoring/dial_out.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "platform/core/clock.h"
#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "platform/core/virtual_time.h"
#include "platform/registry/registry.h"
#include "platform/serial/serial.h"
#include "platform/speech/testing/speech_recorder.h"
#include "platform/tapi/exchange.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "tools/modemsim/modem_simulator.h"
#include "vevuzer/monitoring/call_monitor.h"
#include "vevuzer/monitoring/testing/traced_main_window.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/testing/control_library.h"

namespace {

using namespace std::chrono_literals;
using vevuzer::testing::linesOfFile;
using vevuzer::testing::TracedMainWindow;

// The address book's red box, as the dial leaves it.
struct RedBox : vevuzer::DialPrompt {
    void setText1Text(std::string_view text) override { this->text = text; }
    void setText1Visible(bool shown) override { visible = shown; }
    std::string text;
    bool visible = true;
};

class DialOut : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(vevuzer::testing::registerControlLibrary(), S_OK);
        tapi::exchange().reset();
        vevuzer::testing::assignExchangeLines(3);
    }

    std::vector<std::string> logSince(std::size_t before) const {
        const std::vector<std::string> log = linesOfFile(vevuzer::logFilePath());
        return {log.begin() + static_cast<long>(std::min(before, log.size())), log.end()};
    }
    std::vector<std::string> spokenSince(std::size_t before) const {
        const std::vector<std::string> spoken = m_spoken.texts();
        return {spoken.begin() + static_cast<long>(std::min(before, spoken.size())), spoken.end()};
    }

    core::VirtualTime m_time;
    vevuzer::testing::FreshProgramFolder m_folder;
    speech::SpeechRecorder m_spoken;
    ui::ScriptedDialogs m_dialogs;
};

std::size_t count(const std::vector<std::string>& lines, std::string_view line) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

TEST_F(DialOut, OutcomesOnALine) {
    using Outcome = tapi::RemoteParty::Outcome;
    struct Case {
        const char* what;
        std::string_view linea;
        bool dialTone;
        Outcome farEnd;
        std::size_t dials;
        std::string_view lastLog;
        std::string_view spoken;
        std::string_view box;  // empty: hidden
        bool callUp;           // the call is still there at the end
        int toneFromDial = 0;  // the dial at which the line's dial tone comes back, 0: never
        // As the connect wait begins, this line reports a connection and another one busy.
        bool connectedAndBusy = false;
    };
    static constexpr Case cases[] = {
        {"answered", "2", true, Outcome::Answer, 1, "connected, notifying user",
         "Please pick up your handset, and then click on the red box",
         "Please pick up your hand set and then click on this box", true},
        {"busy", "2", true, Outcome::Busy, 1, "The line is busy", "The line is engaged, sorry!", "",
         false},
        {"no answer", "3", true, Outcome::NoAnswer, 1, "No connection so quitting",
         "There is an error", "There was an error, Please click on this red box", true},
        // Hung up before each redial: four dials, never two calls.
        {"no dial tone", "1", false, Outcome::Answer, 4, "No dial tone, quiting",
         "There is an error", "There was an error, Please click on this red box", false},
        {"line without a modem", "4", true, Outcome::Answer, 0, "This is the dialing control",
         "Sorry, line 4 is un available.", "", false},
        {"dial tone at the fourth dial", "1", false, Outcome::Answer, 4,
         "connected, notifying user", "Please pick up your handset, and then click on the red box",
         "Please pick up your hand set and then click on this box", true, 4},
        // The flags are the lines' together: busy wins, and the call is put down.
        {"connected and busy at once", "2", true, Outcome::NoAnswer, 1, "The line is busy",
         "The line is engaged, sorry!", "", false, 0, true},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        vevuzer::testing::FreshProgramFolder folder;
        SetUp();
        TracedMainWindow window;
        window.Form_Load();
        RedBox box;
        window.main().dialOut().setPrompt(&box);
        const int N = vevuzer::lineNamed(row.linea);
        tapi::exchange().setDialTone(static_cast<DWORD>(N - 1), row.dialTone);
        tapi::RemoteParty party;
        party.outcome = row.farEnd;
        party.ringIntervalMs = 2000;
        tapi::exchange().setDefaultRemoteParty(party);
        const std::size_t logged = linesOfFile(vevuzer::logFilePath()).size();
        const std::size_t said = m_spoken.texts().size();
        bool reported = false;
        core::Timer events([&] {
            const std::vector<std::string> log = logSince(logged);
            const auto dials = count(log, "Dialing out on line " + std::to_string(N));
            if (row.toneFromDial && dials + 1 >= static_cast<std::size_t>(row.toneFromDial)) {
                tapi::exchange().setDialTone(static_cast<DWORD>(N - 1), true);
            }
            if (row.connectedAndBusy && !reported && count(log, "Waiting for connect") == 1) {
                reported = true;
                window.main().callMonitor().lkLine_OnConnected(N);
                window.main().callMonitor().lkLine_OnBusy(3);
            }
        });
        events.setInterval(row.toneFromDial || row.connectedAndBusy ? 100 : 0);

        window.main().findconnected("01632 960123", row.linea);
        m_time.advance(2000ms);
        events.setInterval(0);
        EXPECT_EQ(reported, row.connectedAndBusy);

        const std::vector<std::string> log = logSince(logged);
        EXPECT_EQ(count(log, "Dialing out on line " + std::to_string(N)), row.dials);
        const auto last = std::find(log.rbegin(), log.rend(), std::string(row.lastLog));
        EXPECT_NE(last, log.rend()) << testing::PrintToString(log);
        // The speaking clock may have had its say first.
        const std::vector<std::string> spoken = spokenSince(said);
        ASSERT_FALSE(spoken.empty());
        EXPECT_EQ(spoken.back(), row.spoken);
        EXPECT_EQ(box.visible, !row.box.empty());
        if (!row.box.empty()) {
            EXPECT_EQ(box.text, row.box);
        }
        EXPECT_EQ(tapi::exchange().currentCall(static_cast<DWORD>(N - 1)) != 0, row.callUp);
        EXPECT_FALSE(window.main().dialOut().dialling());
    }
}

// What a person sets with telsim: a line whose far end is busy, whatever the number, and a line
// without a dial tone.
TEST_F(DialOut, TheFarEndAndDialToneTelsimSetsForALine) {
    TracedMainWindow window;
    window.Form_Load();
    EXPECT_EQ(tapi::exchange().execute("farend 2 busy"), "OK the far end of line 2 will be busy");
    EXPECT_EQ(tapi::exchange().execute("dialtone 3 off"), "OK dial tone off on line 3");
    RedBox box;
    window.main().dialOut().setPrompt(&box);
    const std::size_t logged = linesOfFile(vevuzer::logFilePath()).size();
    window.main().findconnected("01632960123", "2");
    EXPECT_EQ(count(logSince(logged), "The line is busy"), 1u);
    EXPECT_FALSE(window.main().finddial("3"));
    EXPECT_EQ(tapi::exchange().execute("farend 2 any"),
              "OK calls from line 2 reach the dialled number");
    window.main().findconnected("01632960123", "2");
    EXPECT_EQ(count(logSince(logged), "connected, notifying user"), 1u);
}

TEST_F(DialOut, TheProbeAnswersWhetherALineGivesADialTone) {
    TracedMainWindow window;
    window.Form_Load();
    EXPECT_TRUE(window.main().finddial("1"));
    EXPECT_EQ(tapi::exchange().currentCall(0), 0u);  // hung up again
    tapi::exchange().setDialTone(1, false);
    EXPECT_FALSE(window.main().finddial("2"));
    EXPECT_FALSE(window.main().finddial("5"));
    // A line without a device: the control reports an error, so no dial tone counts.
    EXPECT_FALSE(window.main().finddial("4"));
}

// The probe's answer is the dial tone flag, which every line's dial tone raises; but a dial the
// control reported as failed gives no dial tone, whatever was seen meanwhile.
TEST_F(DialOut, TheProbeTrustsNoDialToneAfterAFailedDial) {
    struct Case {
        const char* what;
        bool tone;
        bool dialRefused;
        bool otherLinesTone;  // another line reports a dial tone during the probe
        bool found;
    };
    static constexpr Case cases[] = {
        {"the line's own tone", true, false, false, true},
        {"a dead line", false, false, false, false},
        {"a dead line while another line gives a tone", false, false, true, true},
        {"a refused dial while another line gives a tone", true, true, true, false},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        vevuzer::testing::FreshProgramFolder folder;
        SetUp();
        TracedMainWindow window;
        window.Form_Load();
        tapi::exchange().setDialTone(1, row.tone);
        if (row.dialRefused) {
            tapi::exchange().setInjectedFailure("lineMakeCall", LINEERR_RESOURCEUNAVAIL);
        }
        if (row.otherLinesTone) {
            core::post([&window] { window.main().callMonitor().lkLine_OnDialtone(3); });
        }
        const std::size_t logged = linesOfFile(vevuzer::logFilePath()).size();
        EXPECT_EQ(window.main().finddial("2"), row.found);
        EXPECT_EQ(count(logSince(logged), "Error trying to find dialtone on line 2"),
                  row.dialRefused ? 1u : 0u);
        EXPECT_EQ(tapi::exchange().currentCall(1), 0u) << "hung up";
        tapi::exchange().setInjectedFailure("lineMakeCall", 0);
    }
}

TEST_F(DialOut, ASecondDialWhileOneWaitsDoesNothing) {
    TracedMainWindow window;
    window.Form_Load();
    const std::size_t logged = linesOfFile(vevuzer::logFilePath()).size();
    core::post([&window] {
        window.main().findconnected("01632960777", "3");
        EXPECT_FALSE(window.main().finddial("3"));
    });
    window.main().findconnected("01632960123", "2");
    const std::vector<std::string> log = logSince(logged);
    EXPECT_EQ(count(log, "A dial out is already running, this one is not started"), 1u);
    EXPECT_EQ(count(log, "A dial out is already running, the dial tone test is not started"), 1u);
    EXPECT_EQ(count(log, "Dialing out on line 3"), 0u);
}

TEST_F(DialOut, TheSerialModemDialsAndTheUserPicksUp) {
    modemsim::ModemSimulator modem;
    ASSERT_TRUE(modem.ready());
    registry::writeString(HKEY_LOCAL_MACHINE, serial::kSerialCommKey, modem.devicePath(), "COM1");
    settings::write(settings::key::comp, "True");
    settings::write(settings::key::commport, "1");
    TracedMainWindow window;
    window.Form_Load();
    ASSERT_TRUE(modem.waitForCommands(1, 5s));
    RedBox box;
    window.main().dialOut().setPrompt(&box);
    const std::size_t said = m_spoken.texts().size();

    // A CR in an imported number would end the command and start another. Nobody is waited
    // for: the user picks up after three seconds.
    const std::int64_t before = core::tickCount64();
    window.main().findconnected("01632 960123\r+++", "1");
    EXPECT_GE(core::tickCount64() - before, 3000);
    EXPECT_LT(core::tickCount64() - before, 4000);
    m_time.advance(100ms);
    ASSERT_TRUE(modem.waitForCommands(2, 5s));
    EXPECT_EQ(modem.commands().back(), "ATDT,01632 960123+++");
    const std::vector<std::string> spoken = spokenSince(said);
    ASSERT_FALSE(spoken.empty());
    EXPECT_EQ(spoken.back(), "Please pick up your handset, and then click on the red box");
    EXPECT_EQ(box.text, "Please pick up your hand set and then click on this box");
}

}  // namespace
