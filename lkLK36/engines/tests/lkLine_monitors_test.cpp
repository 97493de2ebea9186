// The monitor switches of the current call against the simulated exchange, in virtual time: digit
// gathering with each way it ends, digit, media-mode and silence monitoring.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"
#include "lkLK36/engines/tests/line_fixture.h"
#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"

namespace {

using namespace std::chrono_literals;
using tapi::exchange;
using Lines = std::vector<std::string>;

class LineMonitors : public LineTest {
  protected:
    LineMonitors() { openLine(tapi::ExchangeConfig::defaults()); }

    // A fresh exchange with these devices and a control with line 1 open.
    void openLine(const tapi::ExchangeConfig& config) {
        line.reset();
        exchange().reset(config);
        newLine();
        recorder = LineEventRecorder{};
        recorder.attach(*line);
        line->SetDeviceActive(true);
        ASSERT_TRUE(line->Device.Active) << line->Error().Name();
    }

    // An incoming call this control answered: current, owned and connected.
    DWORD connectedCall() {
        EXPECT_NE(exchange().ring(0, tapi::IncomingCall{}), 0u);
        time.advance(10ms);
        const DWORD call = line->Call.Handle;
        EXPECT_GT(lineAnswer(call, nullptr, 0), 0);
        time.advance(10ms);
        EXPECT_EQ(line->Call.State, LINECALLSTATE_CONNECTED);
        recorder.take();
        return call;
    }
    void dropCall(DWORD call) {
        ASSERT_GT(lineDrop(call, nullptr, 0), 0);
        time.advance(10ms);
        recorder.take();
    }

    // The events since the last look whose names start with one of `names`.
    Lines eventsNamed(std::initializer_list<const char*> names) {
        Lines chosen;
        for (const std::string& event : recorder.take()) {
            for (const char* name : names) {
                if (event.rfind(name, 0) == 0)
                    chosen.push_back(event);
            }
        }
        return chosen;
    }
};

// ---- digit gathering ----

TEST_F(LineMonitors, GatheringEndsForEachReason) {
    enum class Then { Nothing, Cancel, Restart };
    struct Case {
        const char* name;
        LONG count;
        LONG timeout;
        const char* digits;  // sent by the far end, 200 ms apart
        Then then;           // 1 s after the digits began
        const char* more;    // sent after that
        const char* gathered;
        DWORD termination;
    };
    static const Case cases[] = {
        {"buffer full", 3, 5000, "123", Then::Nothing, "", "123", LINEGATHERTERM_BUFFERFULL},
        {"termination digit", 5, 5000, "12#", Then::Nothing, "", "12#", LINEGATHERTERM_TERMDIGIT},
        {"first-digit time-out", 5, 1000, "", Then::Nothing, "", "", LINEGATHERTERM_FIRSTTIMEOUT},
        {"inter-digit time-out", 5, 1000, "1", Then::Nothing, "", "1", LINEGATHERTERM_INTERTIMEOUT},
        {"cancelled", 5, 5000, "12", Then::Cancel, "", "12", LINEGATHERTERM_CANCEL},
        // The replaced request's own end is not reported: the new one gathers from empty.
        {"restarted", 5, 5000, "12", Then::Restart, "34#", "34#", LINEGATHERTERM_TERMDIGIT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DWORD call = connectedCall();
        line->Call.SetGatherDigitsCount(c.count);
        line->Call.SetGatherDigitsTimeout(c.timeout);
        line->Call.SetGatherDigitsActive(true);
        ASSERT_EQ(line->Error().Number(), 0) << line->Error().Name();
        if (*c.digits) {
            ASSERT_TRUE(exchange().sendDigits(0, c.digits));
        }
        time.advance(900ms);
        if (c.then == Then::Cancel) {
            line->Call.SetGatherDigitsActive(false);
            EXPECT_FALSE(line->Call.GatherDigits.Active);
        } else if (c.then == Then::Restart) {
            line->Call.SetGatherDigitsActive(true);
            time.advance(10ms);
            EXPECT_TRUE(line->Call.GatherDigits.Active);
            EXPECT_TRUE(line->FindCallRecord(call)->GatherDigits.Active);
            EXPECT_EQ(eventsNamed({"OnDigitsGathered"}), Lines{});
        }
        if (*c.more) {
            ASSERT_TRUE(exchange().sendDigits(0, c.more));
        }
        time.advance(1100ms);
        const std::string name = recorder.name(call);
        EXPECT_EQ(eventsNamed({"OnDigitsGathered"}),
                  Lines{"OnDigitsGathered '" + std::string(c.gathered) + "' " +
                        std::to_string(c.termination) + " 0 " + name});
        EXPECT_FALSE(line->Call.GatherDigits.Active);
        EXPECT_FALSE(line->FindCallRecord(call)->GatherDigits.Active);
        dropCall(call);
    }
}

TEST_F(LineMonitors, GatheringSettingsAreCheckedAndKeptWithTheCall) {
    struct Case {
        const char* name;
        bool whileGathering;
        void (*set)(TlkCall&);
        LONG error;
        LONG count, timeout;  // afterwards
        const char* terminate;
        const char* logged;
    };
    static const Case cases[] = {
        {"count 31", false, [](TlkCall& c) { c.SetGatherDigitsCount(31); }, 0, 31, 5000, "#*",
         "Call.GatherDigits.Count = 31"},
        {"count 32", false, [](TlkCall& c) { c.SetGatherDigitsCount(32); }, LINEERR_INVALPARAM, 5,
         5000, "#*", "Call.GatherDigits.Count = 32"},
        {"count 0", false, [](TlkCall& c) { c.SetGatherDigitsCount(0); }, LINEERR_INVALPARAM, 5,
         5000, "#*", "Call.GatherDigits.Count = 0"},
        {"time-out 0", false, [](TlkCall& c) { c.SetGatherDigitsTimeout(0); }, 0, 5, 0, "#*",
         "Call.GatherDigits.TimeOut = 0"},
        {"time-out -1", false, [](TlkCall& c) { c.SetGatherDigitsTimeout(-1); }, LINEERR_INVALPARAM,
         5, 5000, "#*", "Call.GatherDigits.TimeOut = -1"},
        {"termination", false, [](TlkCall& c) { c.SetGatherDigitsTerminate("*"); }, 0, 5, 5000, "*",
         "Call.GatherDigits.Terminate = '*'"},
        {"termination while gathering", true, [](TlkCall& c) { c.SetGatherDigitsTerminate("*"); },
         LINEERR_OPERATIONFAILED, 5, 5000, "#*", "Call.GatherDigits.Terminate = '*'"},
        {"count while gathering", true, [](TlkCall& c) { c.SetGatherDigitsCount(3); },
         LINEERR_OPERATIONFAILED, 5, 5000, "#*", "Call.GatherDigits.Count = 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DWORD call = connectedCall();
        if (c.whileGathering)
            line->Call.SetGatherDigitsActive(true);
        const std::size_t mark = logMark();
        c.set(line->Call);
        EXPECT_EQ(line->Error().Number(), c.error) << line->Error().Name();
        EXPECT_EQ(logSince(mark).front(), c.logged);
        for (const TlkGatherDigits& kept :
             {line->Call.GatherDigits, line->FindCallRecord(call)->GatherDigits}) {
            EXPECT_EQ(kept.Count, c.count);
            EXPECT_EQ(kept.Timeout, c.timeout);
            EXPECT_EQ(kept.Terminate, c.terminate);
        }
        line->Call.GatherDigits = TlkGatherDigits{};
        dropCall(call);
    }
}

// A device that cannot take both digit modes gathers and monitors with the one it has.
TEST_F(LineMonitors, DigitModesFallBackToWhatTheDeviceTakes) {
    struct Case {
        const char* name;
        DWORD unsupported;
        DWORD sentAs;
        LONG error;
    };
    static constexpr Case cases[] = {
        {"both", 0, LINEDIGITMODE_DTMF, 0},
        {"tones only", LINEDIGITMODE_PULSE, LINEDIGITMODE_DTMF, 0},
        {"pulses only", LINEDIGITMODE_DTMF, LINEDIGITMODE_PULSE, 0},
        {"neither", LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF, LINEDIGITMODE_DTMF,
         LINEERR_INVALDIGITMODE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tapi::ExchangeConfig config = tapi::ExchangeConfig::defaults();
        config.lines[0].unsupportedDigitModes = c.unsupported;
        openLine(config);
        const DWORD call = connectedCall();
        line->Call.SetGatherDigitsCount(2);
        line->Call.SetGatherDigitsActive(true);
        EXPECT_EQ(line->Error().Number(), c.error);
        line->Call.SetMonitorDigitsActive(true);
        EXPECT_EQ(line->Error().Number(), c.error);
        const bool on = c.error == 0;
        EXPECT_EQ(line->Call.GatherDigits.Active, on);
        EXPECT_EQ(line->Call.MonitorDigits.Active, on);
        ASSERT_TRUE(exchange().sendDigits(0, "12", c.sentAs));
        time.advance(1000ms);
        const std::string name = " " + recorder.name(call);
        const Lines reported =
            on ? Lines{"OnDigitReceived 1 0" + name, "OnDigitReceived 2 0" + name,
                       "OnDigitsGathered '12' 1 0" + name}
               : Lines{};
        EXPECT_EQ(eventsNamed({"OnDigit"}), reported);
    }
}

// ---- digit, media-mode and silence monitoring ----

TEST_F(LineMonitors, DigitMonitoringReportsEachDigitUntilSwitchedOff) {
    const DWORD call = connectedCall();
    const std::size_t mark = logMark();
    line->Call.SetMonitorDigitsActive(true);
    EXPECT_EQ(logSince(mark), Lines{"Call.MonitorDigits.Active := True"});
    EXPECT_TRUE(line->FindCallRecord(call)->MonitorDigits.Active);
    ASSERT_TRUE(exchange().sendDigits(0, "5*"));
    time.advance(500ms);
    EXPECT_EQ(eventsNamed({"OnDigit"}),
              (Lines{"OnDigitReceived 5 0 c1", "OnDigitReceived * 0 c1"}));

    line->Call.SetMonitorDigitsActive(false);
    ASSERT_TRUE(exchange().sendDigits(0, "7"));
    time.advance(500ms);
    EXPECT_EQ(eventsNamed({"OnDigit"}), Lines{});
    EXPECT_FALSE(line->FindCallRecord(call)->MonitorDigits.Active);
}

TEST_F(LineMonitors, MediaMonitoringReportsTheModesAskedFor) {
    const DWORD call = connectedCall();
    const std::size_t mark = logMark();
    line->Call.SetMonitorMediaModes(LINEMEDIAMODE_DATAMODEM | LINEMEDIAMODE_G3FAX);
    EXPECT_EQ(logSince(mark), (Lines{"Call.MonitorMediaModes.MediaModes := [00000030]",
                                     "\tLINEMEDIAMODE_DATAMODEM", "\tLINEMEDIAMODE_G3FAX"}));
    line->Call.SetMonitorMediaModesActive(true);
    EXPECT_EQ(line->Error().Number(), 0) << line->Error().Name();
    EXPECT_TRUE(line->FindCallRecord(call)->MonitorMediaModes.Active);
    ASSERT_TRUE(exchange().detectMedia(0, LINEMEDIAMODE_G3FAX));
    time.advance(10ms);
    EXPECT_EQ(eventsNamed({"OnCallMediaModeChange"}), Lines{"OnCallMediaModeChange c1"});
    EXPECT_EQ(line->Call.MediaMode, LINEMEDIAMODE_G3FAX);

    // A mode the device does not have is refused, and the monitor is off.
    line->Call.SetMonitorMediaModes(LINEMEDIAMODE_VIDEO);
    line->Call.SetMonitorMediaModesActive(true);
    EXPECT_EQ(line->Error().Number(), LINEERR_INVALMEDIAMODE);
    EXPECT_FALSE(line->Call.MonitorMediaModes.Active);
    EXPECT_FALSE(line->FindCallRecord(call)->MonitorMediaModes.Active);
    ASSERT_TRUE(exchange().detectMedia(0, LINEMEDIAMODE_DATAMODEM));
    time.advance(10ms);
    EXPECT_EQ(eventsNamed({"OnCallMediaModeChange"}), Lines{});
}

TEST_F(LineMonitors, SilenceIsReportedAfterItsDuration) {
    connectedCall();
    // No duration: refused, and the monitor stays off.
    line->Call.SetMonitorSilenceActive(true);
    EXPECT_EQ(line->Error().Number(), LINEERR_INVALTONE);
    EXPECT_FALSE(line->Call.MonitorSilence.Active);

    line->Call.SetMonitorSilenceDuration(300);
    line->Call.SetMonitorSilenceActive(true);
    ASSERT_EQ(line->Error().Number(), 0) << line->Error().Name();
    ASSERT_TRUE(exchange().startTone(0));
    time.advance(299ms);
    EXPECT_EQ(eventsNamed({"OnSilence"}), Lines{});
    time.advance(11ms);
    EXPECT_EQ(eventsNamed({"OnSilence"}), Lines{"OnSilence c1"});
    ASSERT_TRUE(exchange().stopTone(0));
    ASSERT_TRUE(exchange().startTone(0, 440));  // a tone is not silence
    time.advance(1000ms);
    EXPECT_EQ(eventsNamed({"OnSilence"}), Lines{});
    ASSERT_TRUE(exchange().stopTone(0));

    // A new duration re-arms the running monitor; a negative one is ignored.
    line->Call.SetMonitorSilenceDuration(500);
    line->Call.SetMonitorSilenceDuration(-1);
    EXPECT_EQ(line->Call.MonitorSilence.Duration, 500);
    EXPECT_TRUE(line->Call.MonitorSilence.Active);
    ASSERT_TRUE(exchange().startTone(0));
    time.advance(499ms);
    EXPECT_EQ(eventsNamed({"OnSilence"}), Lines{});
    time.advance(11ms);
    EXPECT_EQ(eventsNamed({"OnSilence"}), Lines{"OnSilence c1"});
    ASSERT_TRUE(exchange().stopTone(0));

    // Only the silence tag means silence.
    const DWORD call = line->Call.Handle;
    const auto instance = reinterpret_cast<DWORD_PTR>(line.get());
    LineCallback(call, LINE_MONITORTONE, instance, 0x12345678, 0, 0);
    LineCallback(call, LINE_MONITORTONE, instance, 0x89ABCDEF, 0, 0);
    EXPECT_EQ(eventsNamed({"OnSilence"}), Lines{"OnSilence c1"});

    line->Call.SetMonitorSilenceDuration(0);
    EXPECT_EQ(line->Error().Number(), LINEERR_INVALTONE);
    EXPECT_FALSE(line->Call.MonitorSilence.Active);
    EXPECT_FALSE(line->FindCallRecord(call)->MonitorSilence.Active);
}

// Without a current call each switch is only stored: TAPI is not asked (it would fail here).
TEST_F(LineMonitors, WithoutACallTheSwitchesAreOnlyStored) {
    for (const char* function :
         {"lineGatherDigits", "lineMonitorDigits", "lineMonitorMedia", "lineMonitorTones"}) {
        exchange().setInjectedFailure(function, LINEERR_OPERATIONFAILED);
    }
    ASSERT_EQ(line->Call.Handle, 0u);
    const std::size_t mark = logMark();
    TlkCall& call = line->Call;
    call.SetGatherDigitsActive(true);
    call.SetMonitorDigitsActive(true);
    call.SetMonitorMediaModesActive(true);
    call.SetMonitorSilenceActive(true);
    EXPECT_EQ(line->Error().Number(), 0) << line->Error().Name();
    EXPECT_EQ(logSince(mark), Lines{});
    const TlkCallRecord& placeholder = *line->FindCallRecord(0);
    for (const bool active :
         {call.GatherDigits.Active, call.MonitorDigits.Active, call.MonitorMediaModes.Active,
          call.MonitorSilence.Active, placeholder.GatherDigits.Active,
          placeholder.MonitorDigits.Active, placeholder.MonitorMediaModes.Active,
          placeholder.MonitorSilence.Active}) {
        EXPECT_TRUE(active);
    }
}

}  // namespace
