// The road of a call on the main window against the simulated exchange, in virtual time: the ring
// alert, then the caller-ID processing, each step as the user (and the files) see it.
#include "vevuzer/monitoring/call_monitor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "platform/core/virtual_time.h"
#include "platform/speech/testing/speech_recorder.h"
#include "platform/tapi/exchange.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "platform/winmm/mmsystem.h"
#include "platform/winmm/wave_devices.h"
#include "vevuzer/monitoring/testing/traced_main_window.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/clock_text.h"
#include "vevuzer/shell/testing/control_library.h"

namespace {

using namespace std::chrono_literals;
using vevuzer::testing::Trace;
using vevuzer::testing::TracedMainWindow;

class CallRoad : public ::testing::Test {
  protected:
    void SetUp() override { setUpExchange(); }
    void setUpExchange(tapi::ExchangeConfig config = tapi::ExchangeConfig::defaults()) {
        ASSERT_EQ(vevuzer::testing::registerControlLibrary(), S_OK);
        tapi::exchange().reset(std::move(config));
        vevuzer::testing::assignExchangeLines();
        // The roads run at the top of the hour, when the speaking clock would speak among them.
        settings::writeTruth(settings::key::clockenabled, false);
    }

    core::VirtualTime m_time;
    vevuzer::testing::FreshProgramFolder m_folder;
    speech::SpeechRecorder m_spoken;
    ui::ScriptedDialogs m_dialogs;
};

// What a line's first ring shows of a call whose caller is not known yet.
Trace unknownRingAlert(int N) {
    const std::string ringing =
        "log: Line " + std::to_string(N) + " is ringing, playing wav ring file";
    const Trace popup = {"popup: shown", "popup: display(Incoming Call, " + std::to_string(N) + ")",
                         "popup: focus"};
    Trace trace = {"window: shown", "pic_ring: shown", "log: Now shaking the display"};
    if (N == 1) {
        trace.push_back(ringing);
        trace.insert(trace.end(), popup.begin(), popup.end());
        trace.push_back("log: LklinecallerID = , ");
    } else {
        trace.insert(trace.end(), popup.begin(), popup.end());
        trace.push_back(ringing);
    }
    const Trace list = {"display: shown",
                        "display: cleared",
                        "display: Unknown Incoming call",
                        "display: On line " + std::to_string(N),
                        "display: Callback is set to True",
                        "pic_ring: hidden"};
    trace.insert(trace.end(), list.begin(), list.end());
    return trace;
}

struct CallerIdCase {
    const char* what;
    int line;
    std::string_view format;
    tapi::IncomingCall caller;
    bool blockWithheld;
    // What the Line control gives of the caller: the name capitalised, the number masked.
    std::string_view number;
    std::string_view name;
    // What the road shows of it.
    std::string_view spoken;
    std::string_view statusNumber;
    std::string_view statusName;
    std::string_view loggedName;
    std::string_view popupName;
    std::string_view dropStatus;  // empty: not dropped
    bool mailed;
};

tapi::IncomingCall caller(std::string number, std::string name, bool withheld = false,
                          bool outOfArea = false) {
    tapi::IncomingCall call;
    call.number = std::move(number);
    call.name = std::move(name);
    call.withheld = withheld;
    call.outOfArea = outOfArea;
    return call;
}

// The caller-ID road in its order: the log, the lists (which show nothing yet), the naming and
// the look-up (nothing to see), the announcement, the status box, the activity log, the call log,
// the pop-up, the flasher, then the drop of a blocked caller and the mail.
Trace callerIdRoad(const CallerIdCase& row, const std::string& when, const std::string& ended) {
    const std::string N = std::to_string(row.line);
    Trace trace = {
        "log: Caller ID on lkline" + N + ", name:" + std::string(row.name) +
            ": number: " + std::string(row.number) + ":",
        "log: Speech command, now saying " + std::string(row.spoken),
        "status: You have had 1 new call\r\n" + std::string(row.statusNumber) + "\r\n" +
            std::string(row.statusName),
        "log:  ***************************** ",
        "log: Incoming call detected on line " + N + " ," + std::string(row.statusNumber),
        "log: " + std::string(row.statusName),
        "inclog: " + std::string(row.number) + ", " + std::string(row.loggedName) + ", " + when,
        "popup: shown",
        "popup: display(" + std::string(row.number) + ", " + N + ")",
    };
    // Line 1 names the caller before it brings the pop-up forward; the others after.
    const std::string label = "popup: name " + std::string(row.popupName);
    if (row.line == 1) {
        trace.insert(trace.end(), {label, "popup: focus"});
    } else {
        trace.insert(trace.end(), {"popup: focus", label});
    }
    // A blocked call is answered and hung up a second later: the line reports both.
    if (!row.dropStatus.empty()) {
        trace.insert(trace.end(), {"log: Connection detected on line " + N,
                                   "log: The call on line " + N + " has now ended at " + ended});
    }
    trace.push_back("flash: 1000");
    if (!row.dropStatus.empty()) {
        trace.insert(trace.end(), {"exchange: answered", "exchange: dropped",
                                   "status: " + std::string(row.dropStatus)});
    }
    if (row.mailed) {
        trace.insert(trace.end(),
                     {"status: This number is in the Email list\r\nI am now "
                      "emailing the information\r\nPlease wait !",
                      "sendmail(" + std::string(row.number) + ", " + std::string(row.name) + ")"});
    }
    return trace;
}

TEST_F(CallRoad, RunsEveryStepInOrderFromTheFirstRingToTheMail) {
    static const CallerIdCase cases[] = {
        {"known caller", 1, "uk", caller("01632960123", "ANN SMITH"), false, "01632960123",
         "Ann Smith", "Annie Smith, on line 1", "01632960123", "Annie Smith", "Annie Smith",
         "Annie Smith", "", false},
        {"unknown caller", 2, "uk", caller("01632960777", "JOHN DOE"), false, "01632960777",
         "John Doe", ", 0 1 6 3 2 9 6 0 7 7 7 , on line 2", "01632960777", "", "John Doe",
         "John Doe", "", false},
        {"withheld", 3, "uk", caller("", "", true), false, "", "", "withheld, , on line 3", "",
         "Withheld", "", "Withheld", "", false},
        {"out of area", 4, "uk", caller("", "", false, true), false, "", "",
         "unavailable, , on line 4", "", "Unavailable", "", "Unavailable", "", false},
        {"blocked number", 1, "uk", caller("01632960999", ""), false, "01632960999", "",
         ", 0 1 6 3 2 9 6 0 9 9 9 , on line 1", "01632960999", "", "", "",
         "01632960999\r\nIs a blocked number\r\nand was disconnected", false},
        {"withheld and blocked", 2, "uk", caller("", "", true), true, "", "",
         "withheld, , on line 2", "", "Withheld", "", "Withheld",
         "Withheld incoming call\r\nThis call has been blocked", false},
        {"on the e-mail list", 3, "uk", caller("01632960555", "MAIL ME"), false, "01632960555",
         "Mail Me", ", 0 1 6 3 2 9 6 0 5 5 5 , on line 3", "01632960555", "", "Mail Me", "Mail Me",
         "", true},
        {"on both lists", 4, "uk", caller("01632960444", ""), false, "01632960444", "",
         ", 0 1 6 3 2 9 6 0 4 4 4 , on line 4", "01632960444", "", "", "",
         "01632960444\r\nIs a blocked number\r\nand was disconnected", true},
        // The mask puts in dashes: found by the second try, without them.
        {"known caller, usa", 1, "usa", caller("5551234567", "BOB JONES"), false, "555-123-4567",
         "Bob Jones", "Bob Jones, on line 1", "555-123-4567", "Bob Jones", "Bob Jones", "Bob Jones",
         "", false},
        // The mask writes the missing number as blanks and dashes: still no number.
        {"withheld, usa", 2, "usa", caller("", "", true), false, "", "", "withheld, , on line 2",
         "", "Withheld", "", "Withheld", "", false},
    };
    for (const CallerIdCase& row : cases) {
        SCOPED_TRACE(row.what);
        vevuzer::testing::FreshProgramFolder folder;
        SetUp();
        settings::write(settings::key::format, row.format);
        settings::write(settings::key::blockwithheld, row.blockWithheld ? "True" : "False");
        const auto home = core::programFolder();
        ASSERT_TRUE(core::rewriteFile(home / "directory.ini",
                                      "[callers]\r\n01632960123=Annie Smith\r\n"
                                      "5551234567=Bob Jones\r\n"));
        ASSERT_TRUE(core::rewriteFile(home / "blocked.ini", " 01632 960999, 01632960444,\r\n"));
        ASSERT_TRUE(core::rewriteFile(home / "email.ini", " 01632-960555, 01632960444,\r\n"));

        TracedMainWindow window;
        window.Form_Load();
        window.main().callMonitor().setMailSender(
            [&window](std::string_view number, std::string_view name) {
                window.note("sendmail(" + std::string(number) + ", " + std::string(name) + ")");
            });
        window.startTrace();
        const std::size_t spokenBefore = m_spoken.texts().size();
        ASSERT_NE(tapi::exchange().ring(static_cast<DWORD>(row.line - 1), row.caller), 0u);
        // The caller ID comes 1.5 s after the first ring; a blocked call is held for a second.
        m_time.advance(1000ms);
        const std::string when = vevuzer::dateText() + " " + vevuzer::timeText();
        const std::string ended = vevuzer::timeText(core::now() + 1.5 / 86400);
        m_time.advance(2000ms);

        Trace expected = unknownRingAlert(row.line);
        const Trace road = callerIdRoad(row, when, ended);
        expected.insert(expected.end(), road.begin(), road.end());
        EXPECT_EQ(window.trace(), expected);
        const vevuzer::MainWindowState& state = window.main().state();
        EXPECT_EQ(state.newcalls, 1);
        EXPECT_FALSE(state.callbackpending);
        EXPECT_EQ(state.callline, row.line);
        // Set to 30 s (10 s once a blocked call is dropped) and since counted down by the
        // status timer: two ticks after the caller ID at 1.5 s, one after the drop at 2.5 s.
        EXPECT_EQ(state.statuscountdown, row.dropStatus.empty() ? 28 : 9);
        const std::vector<std::string> spoken = m_spoken.texts();
        EXPECT_EQ(std::vector<std::string>(spoken.begin() + static_cast<long>(spokenBefore),
                                           spoken.end()),
                  std::vector<std::string>{std::string(row.spoken)});
    }
}

bool contains(const Trace& trace, const std::string& entry) {
    return std::find(trace.begin(), trace.end(), entry) != trace.end();
}

TEST_F(CallRoad, RingAlertsOnlyWhileTheCallerIsUnknown) {
    using Timing = tapi::IncomingCall::CallerIdTiming;
    struct Case {
        const char* what;
        std::string_view format;
        tapi::IncomingCall caller;
        Timing timing;
        bool alert;
        bool recordingDevice = true;  // false: line 2 is a data and fax modem without one
    };
    static const Case cases[] = {
        {"no caller ID at all", "uk", caller("", ""), Timing::Never, true},
        {"number known", "uk", caller("01632960123", ""), Timing::AtOffering, false},
        {"withheld", "uk", caller("", "", true), Timing::AtOffering, false},
        {"out of area", "uk", caller("", "", false, true), Timing::AtOffering, false},
        {"network says unavailable", "uk", caller("*UNAVAILABLE", "BOB"), Timing::AtOffering, true},
        // The "usa" mask writes the missing number as blanks and dashes.
        {"no caller ID at all, usa", "usa", caller("", ""), Timing::Never, true},
        {"no caller ID on a line without a recording device", "uk", caller("", ""), Timing::Never,
         true, false},
    };
    tapi::ExchangeConfig withoutWaveOnLine2 = tapi::ExchangeConfig::defaults();
    withoutWaveOnLine2.lines[1].wave = false;
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        vevuzer::testing::FreshProgramFolder folder;
        setUpExchange(row.recordingDevice ? tapi::ExchangeConfig::defaults() : withoutWaveOnLine2);
        settings::write(settings::key::format, row.format);
        TracedMainWindow window;
        window.Form_Load();
        // The recorder set to line 1's device, as an earlier call there would have left it.
        const std::optional<LONG> line1WaveIn =
            window.main().lkLine(1).getLong(vevuzer::controls::line::WaveRecordID);
        ASSERT_TRUE(line1WaveIn.has_value());
        window.main().lkRecord1().putLong(vevuzer::controls::record::DeviceID, *line1WaveIn);
        window.setFormTop(3000);
        window.startTrace();
        tapi::IncomingCall call = row.caller;
        call.callerIdTiming = row.timing;
        ASSERT_NE(tapi::exchange().ring(1, call), 0u);
        m_time.advance(600ms);

        const Trace trace = window.trace();
        // Every ring shows the window, blinks the picture and shakes the window back to its place.
        EXPECT_TRUE(contains(trace, "pic_ring: shown"));
        EXPECT_TRUE(contains(trace, "log: Now shaking the display"));
        EXPECT_EQ(window.topMoves(), 5 * 2 * 101);
        EXPECT_EQ(window.lowestTop(), 3100);
        EXPECT_EQ(window.formTop(), 3000);
        EXPECT_EQ(contains(trace, "popup: display(Incoming Call, 2)"), row.alert);
        EXPECT_EQ(contains(trace, "display: Callback is set to True"), row.alert);
        const vevuzer::MainWindowState& state = window.main().state();
        EXPECT_EQ(state.callbackpending, row.alert);
        EXPECT_EQ(state.ringholdoff, row.alert ? 10 : 0);
        if (row.alert) {
            EXPECT_EQ(state.callline, 2);
            EXPECT_EQ(state.statuscountdown, 15);
            const std::optional<LONG> recorder =
                window.main().lkRecord1().getLong(vevuzer::controls::record::DeviceID);
            EXPECT_EQ(window.main()
                          .lkLine(2)
                          .getBool(vevuzer::controls::line::WaveRecordAvailable)
                          .value_or(true),
                      row.recordingDevice);
            if (row.recordingDevice) {
                // A call-back recording of this call would record the line's own wave-in device.
                const std::optional<LONG> waveIn =
                    window.main().lkLine(2).getLong(vevuzer::controls::line::WaveRecordID);
                ASSERT_TRUE(waveIn.has_value());
                EXPECT_GT(*waveIn, 0);
                EXPECT_NE(waveIn, line1WaveIn);
                EXPECT_EQ(recorder, waveIn);
            } else {
                // Its WaveRecordID of 0 is the PC's own first recording device: left alone.
                EXPECT_EQ(recorder, line1WaveIn);
            }
        }
    }
}

TEST_F(CallRoad, RingPictureGoesHalfASecondAfterTheLastRing) {
    TracedMainWindow window;
    window.Form_Load();
    tapi::IncomingCall call = caller("", "");
    call.callerIdTiming = tapi::IncomingCall::CallerIdTiming::Never;
    call.ringIntervalMs = 400;
    call.hangUpAfterRings = 2;
    ASSERT_NE(tapi::exchange().ring(0, call), 0u);
    m_time.runUntilIdle();
    ASSERT_TRUE(window.picRingVisible());
    // The second ring, at 400 ms, armed the timer again: the first arming's half second is out.
    m_time.advance(850ms);
    EXPECT_TRUE(window.picRingVisible()) << core::describePending();
    m_time.advance(100ms);
    EXPECT_FALSE(window.picRingVisible()) << core::describePending();
    EXPECT_EQ(window.main().timerring().interval(), 0u);
}

// Saying the caller was disconnected when the hang-up failed would be false.
TEST_F(CallRoad, BlockedCallerThatCannotBeHungUpIsNotReportedAsDisconnected) {
    ASSERT_TRUE(core::rewriteFile(core::programFolder() / "blocked.ini", " 01632960999,"));
    tapi::exchange().setInjectedFailure("lineDrop", LINEERR_OPERATIONFAILED);
    TracedMainWindow window;
    window.Form_Load();
    window.startTrace();
    ASSERT_NE(tapi::exchange().ring(0, caller("01632960999", "")), 0u);
    m_time.advance(3000ms);

    const Trace trace = window.trace();
    EXPECT_TRUE(contains(trace, "exchange: answered"));
    EXPECT_TRUE(contains(trace, "log: The blocked call on line 1 could not be disconnected"));
    EXPECT_EQ(trace.back(),
              "status: 01632960999\r\nIs a blocked number\r\nbut could not be disconnected");
}

TEST_F(CallRoad, TheNewCallCountStopsAtItsTop) {
    TracedMainWindow window;
    window.Form_Load();
    window.main().state().newcalls = 32767;
    window.startTrace();
    ASSERT_NE(tapi::exchange().ring(0, caller("01632960777", "JOHN DOE")), 0u);
    m_time.advance(3000ms);
    EXPECT_EQ(window.main().state().newcalls, 32767);
    EXPECT_TRUE(contains(window.trace(), "status: You have had 32767 new calls\r\n01632960777\r\n"))
        << testing::PrintToString(window.trace());
}

// Half a second of 8 kHz 16-bit mono PCM.
std::string halfSecondWave() {
    const auto le = [](std::uint32_t value, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i) {
            out += static_cast<char>((value >> (8 * i)) & 0xFF);
        }
        return out;
    };
    const std::string data(8000, '\x10');
    return "RIFF" + le(36 + 8000, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(8000, 4) +
           le(16000, 4) + le(2, 2) + le(16, 2) + "data" + le(8000, 4) + data;
}

TEST_F(CallRoad, RingSoundOnEveryUnknownRingOnlyWhenRepeatIsOn) {
    for (const bool repeat : {true, false}) {
        SCOPED_TRACE(repeat ? "repeat on" : "repeat off");
        vevuzer::testing::FreshProgramFolder folder;
        SetUp();
        settings::write(settings::key::repeat, repeat ? "True" : "False");
        const auto played = folder.home() / "played.wav";
        winmm::configureStandardWaveDevices("file-out=" + played.string());
        ASSERT_TRUE(core::rewriteFile(folder.home() / "ring.wav", halfSecondWave()));
        TracedMainWindow window;
        window.Form_Load();
        tapi::IncomingCall call = caller("", "");
        call.callerIdTiming = tapi::IncomingCall::CallerIdTiming::Never;
        call.ringIntervalMs = 2000;
        ASSERT_NE(tapi::exchange().ring(0, call), 0u);

        m_time.advance(1000ms);
        EXPECT_TRUE(std::filesystem::exists(played));
        std::filesystem::remove(played);
        // The second ring comes 2 s later, within the 10 s hold-off of the first.
        m_time.advance(2000ms);
        EXPECT_EQ(std::filesystem::exists(played), repeat);
        tapi::exchange().hangup(0);
        // Once the hold-off has run out, the next call's first ring sounds again.
        m_time.advance(12000ms);
        std::filesystem::remove(played);
        ASSERT_NE(tapi::exchange().ring(0, call), 0u);
        m_time.advance(1000ms);
        EXPECT_TRUE(std::filesystem::exists(played));
        tapi::exchange().hangup(0);
        m_time.advance(1000ms);
        winmm::configureStandardWaveDevices("null");
    }
}

}  // namespace

namespace {

// What the other Line events show, on a line other than 1 where it matters: the shared flags, the
// log lines of a call's progress and errors, and the keypad digits, which only line 1 gathers.
TEST_F(CallRoad, OtherLineEventsSetTheSharedFlagsAndLogTheCallsProgress) {
    TracedMainWindow window;
    window.Form_Load();
    vevuzer::CallMonitor& monitor = window.main().callMonitor();
    const vevuzer::MainWindowState& state = window.main().state();
    window.startTrace();
    monitor.lkLine_OnBusy(3);
    monitor.lkLine_OnDialtone(3);
    monitor.lkLine_OnConnected(3);
    monitor.lkLine_OnDialing(4);
    monitor.lkLine_OnSilence(2);
    EXPECT_TRUE(state.busyseen);
    EXPECT_TRUE(state.dialtoneseen);
    EXPECT_TRUE(state.connectedseen);
    EXPECT_FALSE(state.silenceseen);
    monitor.lkLine_OnSilence(1);
    EXPECT_TRUE(state.silenceseen);

    // A device name the control does not list is an error of the control.
    window.main().lkLine(2).putText(vevuzer::controls::line::DeviceName, "No such modem");
    EXPECT_EQ(window.trace(),
              (Trace{"log: Dialtone detected on line 3", "log: Connection detected on line 3",
                     "log: The modem on line 4 is now dialing out",
                     "log: Error on line 2 = LINEERR_BADDEVICEID, number = -2147483646"}));

    const std::size_t spokenBefore = m_spoken.texts().size();
    for (const char key : std::string("12#3#")) {
        monitor.lkLine_OnDigitReceived(1, key);
        monitor.lkLine_OnDigitReceived(2, key);
    }
    m_time.advance(5000ms);
    const std::vector<std::string> spoken = m_spoken.texts();
    EXPECT_EQ(
        std::vector<std::string>(spoken.begin() + static_cast<long>(spokenBefore), spoken.end()),
        (std::vector<std::string>{"You entered 1 2 ", "You entered 1 2 3 "}));
}

TEST_F(CallRoad, ACallThatEndsIsLoggedWithItsTime) {
    TracedMainWindow window;
    window.Form_Load();
    ASSERT_NE(tapi::exchange().ring(1, caller("01632960123", "ANN SMITH")), 0u);
    m_time.advance(3000ms);
    window.startTrace();
    const std::string when = vevuzer::timeText();
    ASSERT_TRUE(tapi::exchange().hangup(1));
    m_time.advance(500ms);
    const Trace trace = window.trace();
    EXPECT_TRUE(contains(trace, "log: Line 2 is now disconnected"))
        << testing::PrintToString(trace);
    EXPECT_TRUE(contains(trace, "log: The call on line 2 has now ended at " + when))
        << testing::PrintToString(trace);
}

}  // namespace
