// The call-back recorder in virtual time on the simulated exchange: a call rings without caller ID,
// the hold-off runs out, the line dials the announcement service and the Record control records
// what the service's far end says (a sentence spoken by espeak-ng) into the program folder.
#include "vevuzer/monitoring/call_back_recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/core/clock.h"
#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "platform/core/virtual_time.h"
#include "platform/speech/espeak_engine.h"
#include "platform/speech/testing/speech_recorder.h"
#include "platform/tapi/exchange.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "platform/winmm/mmsystem.h"
#include "platform/winmm/wave_devices.h"
#include "platform/winmm/wave_file.h"
#include "vevuzer/monitoring/call_monitor.h"
#include "vevuzer/monitoring/post_call.h"
#include "vevuzer/monitoring/testing/traced_main_window.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/testing/control_library.h"

namespace {

using namespace std::chrono_literals;
using vevuzer::testing::linesOfFile;
using vevuzer::testing::TracedMainWindow;

constexpr std::string_view kService = "1471";

std::size_t count(const std::vector<std::string>& lines, std::string_view line) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

bool startsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

class CallBackRecorder : public ::testing::Test {
  protected:
    void SetUp() override { setUpExchange(); }
    // The exchange's lines 1 to 3 assigned, and the announcement service that answers at its
    // first ring.
    void setUpExchange(tapi::ExchangeConfig config = tapi::ExchangeConfig::defaults()) {
        ASSERT_EQ(vevuzer::testing::registerControlLibrary(), S_OK);
        tapi::exchange().reset(std::move(config));
        vevuzer::testing::assignExchangeLines(3);
        settings::write(settings::key::reclength, "8");
        tapi::RemoteParty service;
        service.answerAfterRings = 1;
        service.ringIntervalMs = 1000;
        service.recording = announcement();
        tapi::exchange().setRemoteParty(std::string(kService), service);
    }

    // The service's announcement: a sentence spoken by espeak-ng, in the file the far end plays.
    std::filesystem::path announcement() {
        const std::filesystem::path path = core::programFolder() / "announcement" / "service.wav";
        if (std::filesystem::exists(path))
            return path;
        std::filesystem::create_directories(path.parent_path());
        const std::optional<speech::Pcm> spoken =
            speech::synthesize("<speak>The last number to call you was 01632 960123.</speak>");
        EXPECT_TRUE(spoken.has_value()) << "espeak-ng could not speak";
        if (!spoken)
            return path;
        winmm::WaveFileWriter file;
        file.open(path, {WAVE_FORMAT_PCM, 1, static_cast<DWORD>(spoken->samplesPerSec), 16});
        std::vector<std::uint8_t> bytes(spoken->samples.size() * 2);
        std::memcpy(bytes.data(), spoken->samples.data(), bytes.size());
        file.write(bytes);
        file.close();
        return path;
    }

    // A caller on line `line` (0-based) who rings twice without caller ID and hangs up.
    static void ringWithoutCallerId(DWORD line) {
        tapi::IncomingCall caller;
        caller.callerIdTiming = tapi::IncomingCall::CallerIdTiming::Never;
        caller.ringIntervalMs = 2000;
        caller.hangUpAfterRings = 2;
        ASSERT_NE(tapi::exchange().ring(line, caller), 0u);
    }

    std::vector<std::string> logSince(std::size_t before) const {
        const std::vector<std::string> log = linesOfFile(vevuzer::logFilePath());
        return {log.begin() + static_cast<long>(std::min(before, log.size())), log.end()};
    }

    core::VirtualTime m_time;
    vevuzer::testing::FreshProgramFolder m_folder;
    speech::SpeechRecorder m_spoken;
    ui::ScriptedDialogs m_dialogs;
};

TEST_F(CallBackRecorder, RecordsTheAnnouncementOfTheLastCallerServiceAndListsIt) {
    // Recording 1 is taken: the new one takes the lowest free number.
    core::rewriteFile(core::programFolder() / "1.wav", "kept");
    TracedMainWindow window;
    window.Form_Load();
    const std::size_t logged = linesOfFile(vevuzer::logFilePath()).size();

    ringWithoutCallerId(1);
    m_time.advance(40s);

    // The service was dialled on the line that rang, and the lines are all watched again.
    ASSERT_NE(tapi::exchange().lastRequest(tapi::Op::MakeCall), nullptr);
    for (int n = 1; n <= 3; ++n) {
        EXPECT_TRUE(
            window.main().lkLine(n).getBool(vevuzer::controls::line::DeviceActive).value_or(false))
            << "line " << n;
    }
    EXPECT_EQ(tapi::exchange().currentCall(1), 0u) << "hung up";

    const std::vector<std::string> calls = linesOfFile(vevuzer::callLogPath());
    ASSERT_FALSE(calls.empty());
    EXPECT_TRUE(startsWith(calls.back(), "2.wav, Caller ID recording on line 2, , "))
        << calls.back();
    EXPECT_EQ(core::readFile(core::programFolder() / "1.wav").value_or(""), "kept");
    const std::vector<std::string> log = logSince(logged);
    EXPECT_EQ(count(log, "Wav filename decided and is 2.wav"), 1u);
    EXPECT_EQ(count(log, "All lines except 2 are closed."), 1u);
    EXPECT_EQ(count(log, "Record format = PCM 8,000 Hz, 16-bit, Mono"), 1u)
        << testing::PrintToString(log);
    EXPECT_EQ(count(log, "The record device is now closed"), 1u);
    EXPECT_EQ(count(log, "End of wave recording routine"), 1u);
    EXPECT_FALSE(window.main().state().callbackpending);

    // The recording holds the announcement as the line carried it, whole and in order.
    winmm::WaveData source, recorded;
    ASSERT_EQ(winmm::readWaveFile(announcement(), source), MMSYSERR_NOERROR);
    ASSERT_EQ(winmm::readWaveFile(core::programFolder() / "2.wav", recorded), MMSYSERR_NOERROR);
    EXPECT_EQ(recorded.format.samplesPerSec, 8000u);
    EXPECT_EQ(recorded.format.bitsPerSample, 16);
    const std::vector<std::uint8_t> expected = winmm::convertSamples(source, recorded.format);
    ASSERT_GT(expected.size(), 8000u);
    // Recording starts as the answer is seen, a moment after the far end began: leave out the
    // announcement's first tenth of a second.
    const auto found = std::search(recorded.samples.begin(), recorded.samples.end(),
                                   expected.begin() + 1600, expected.end());
    EXPECT_NE(found, recorded.samples.end())
        << "the whole announcement: " << expected.size() << " bytes in " << recorded.samples.size();
}

TEST_F(CallBackRecorder, EndingsThatRecordNothing) {
    enum class WaveIn { Present, GoneBeforeTheRing, GoneAfterTheRing, NoneOnTheLine };
    struct Case {
        const char* what;
        const char* callback;
        bool dialTone;
        bool lineBusy;
        const char* dialtoneSetting;
        const char* failing;  // the telephony function that fails, if any
        // The line's recording device has gone (the voice part of a modem unplugged, its
        // driver unloaded): before the ring, or after the ring handler set the recorder to it. Or
        // the line never had one (a data or fax modem).
        WaveIn waveIn;
        std::string_view logged;    // an activity-log line the ending writes
        std::string_view callLog;   // the start of the incoming-call log line, empty: none
        std::string_view boxTitle;  // the message box shown, empty: none
        bool stillPending;
    };
    static constexpr Case cases[] = {
        {"service number of one digit", "1", true, false, "False", nullptr, WaveIn::Present,
         "About to attempt caller ID record, rec length = 8, call number = 1", "", "", false},
        {"no dial tone on the first try", "1471", false, false, "False", nullptr, WaveIn::Present,
         "no dial tone, hanging up", "", "", true},
        {"the line still has a call", "1471", true, true, "False", nullptr, WaveIn::Present,
         "Callback is True and lastring = 0, so getting Caller ID data", "", "", true},
        {"the service cannot be dialled", "1471", true, false, "True", "lineMakeCall",
         WaveIn::Present, "All lines except 2 are closed.",
         "Failed Caller I D record, on line 2, , ", "Error!", false},
        // Nothing is dialled to record another device's sound as this call's.
        {"the recording device gone before the ring", "1471", true, false, "False", nullptr,
         WaveIn::GoneBeforeTheRing, "Invalid source for Record1, quiting and opening lines again",
         "", "", false},
        {"the recording device gone after the ring", "1471", true, false, "False", nullptr,
         WaveIn::GoneAfterTheRing, "Initialise failed again, error", "", "", false},
        {"a line without a recording device", "1471", true, false, "False", nullptr,
         WaveIn::NoneOnTheLine, "The recording device of line 2 is not available", "", "", false},
    };
    tapi::ExchangeConfig withoutWaveOnLine2 = tapi::ExchangeConfig::defaults();
    withoutWaveOnLine2.lines[1].wave = false;
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        vevuzer::testing::FreshProgramFolder folder;
        setUpExchange(row.waveIn == WaveIn::NoneOnTheLine ? withoutWaveOnLine2
                                                          : tapi::ExchangeConfig::defaults());
        settings::write(settings::key::callback, row.callback);
        settings::write(settings::key::dialtone, row.dialtoneSetting);
        m_dialogs.reset();
        TracedMainWindow window;
        window.Form_Load();
        tapi::exchange().setDialTone(1, row.dialTone);
        if (row.failing) {
            tapi::exchange().setInjectedFailure(row.failing, LINEERR_RESOURCEUNAVAIL);
        }
        if (row.waveIn == WaveIn::GoneBeforeTheRing || row.waveIn == WaveIn::GoneAfterTheRing) {
            const std::optional<LONG> waveIn =
                window.main().lkLine(2).getLong(vevuzer::controls::line::WaveRecordID);
            ASSERT_TRUE(waveIn.has_value());
            if (row.waveIn == WaveIn::GoneAfterTheRing) {
                window.main().lkRecord1().putLong(vevuzer::controls::record::DeviceID, *waveIn);
            }
            ASSERT_TRUE(winmm::unregisterWaveDevice(winmm::WaveDirection::Input,
                                                    static_cast<UINT>(*waveIn)));
        }
        vevuzer::MainWindowState& state = window.main().state();
        const std::size_t logged = linesOfFile(vevuzer::logFilePath()).size();
        const std::size_t calls = linesOfFile(vevuzer::callLogPath()).size();
        if (row.lineBusy) {
            tapi::IncomingCall caller;
            caller.callerIdTiming = tapi::IncomingCall::CallerIdTiming::Never;
            ASSERT_NE(tapi::exchange().ring(1, caller), 0u);
            m_time.advance(100ms);
            ASSERT_TRUE(
                window.main().lkLine(2).call(vevuzer::controls::line::CallAnswer).succeeded());
        }
        state.callbackpending = true;
        state.callline = 2;
        state.ringholdoff = 0;
        state.newcalls = 0;
        window.main().postCallTimer().Timer1_Timer();
        EXPECT_EQ(count(logSince(logged), row.logged), 1u)
            << testing::PrintToString(logSince(logged));
        EXPECT_EQ(state.callbackpending, row.stillPending);
        const std::vector<std::string> callLog = linesOfFile(vevuzer::callLogPath());
        ASSERT_EQ(callLog.size(), calls + (row.callLog.empty() ? 0 : 1));
        if (!row.callLog.empty()) {
            EXPECT_TRUE(startsWith(callLog.back(), row.callLog)) << callLog.back();
        }
        EXPECT_EQ(state.newcalls, row.callLog.empty() ? 0 : 1) << "a failed call-back counts";
        ASSERT_EQ(m_dialogs.shown().size(), row.boxTitle.empty() ? 0u : 1u);
        if (!row.boxTitle.empty()) {
            EXPECT_EQ(m_dialogs.shown()[0].title, row.boxTitle);
        }
        EXPECT_FALSE(std::filesystem::exists(core::programFolder() / "1.wav"));
        if (row.stillPending) {
            EXPECT_EQ(state.ringholdoff, 15) << "tried again 15 seconds later";
        }
        // Whatever ended it, the lines are watched again and the service's call is not left up.
        m_time.advance(2000ms);
        for (int n = 1; n <= 3; ++n) {
            EXPECT_TRUE(window.main()
                            .lkLine(n)
                            .getBool(vevuzer::controls::line::DeviceActive)
                            .value_or(false))
                << "line " << n;
        }
        if (!row.lineBusy) {
            EXPECT_EQ(tapi::exchange().currentCall(1), 0u);
        }
        tapi::exchange().setInjectedFailure("lineMakeCall", 0);
    }
}

TEST_F(CallBackRecorder, GivesUpAfterTheLastDialToneAttempt) {
    settings::write(settings::key::attempts, "3");
    TracedMainWindow window;
    window.Form_Load();
    window.main().state().attemptsleft = "3";
    tapi::exchange().setDialTone(1, false);
    m_dialogs.answerMsgBox(ui::vbOK);
    ringWithoutCallerId(1);
    m_time.advance(90s);

    const std::vector<std::string> calls = linesOfFile(vevuzer::callLogPath());
    ASSERT_FALSE(calls.empty());
    EXPECT_TRUE(startsWith(calls.back(), "Failed Caller I D record, on line 2, , "))
        << calls.back();
    ASSERT_EQ(m_dialogs.shown().size(), 1u);
    EXPECT_EQ(m_dialogs.shown()[0].title, "Error!");
    EXPECT_EQ(window.main().state().attemptsleft, "3") << "filled again";
    EXPECT_FALSE(window.main().state().callbackpending);
    for (int n = 1; n <= 3; ++n) {
        EXPECT_TRUE(
            window.main().lkLine(n).getBool(vevuzer::controls::line::DeviceActive).value_or(false));
    }
}

// Ticks keep coming while the recorder waits, and a ring handler may name another line meanwhile:
// still one recording, made, hung up and listed on the line that rang first.
TEST_F(CallBackRecorder, OneRecordingWhateverComesWhileItWaits) {
    TracedMainWindow window;
    window.Form_Load();
    vevuzer::PostCallTimer& timer = window.main().postCallTimer();
    bool interrupted = false;
    core::Timer watch([&] {
        if (!interrupted && timer.recorder().running()) {
            interrupted = true;
            window.main().state().callline = 1;
            timer.Timer1_Timer();
        }
    });
    watch.setInterval(250);
    ringWithoutCallerId(1);
    m_time.advance(40s);

    EXPECT_TRUE(interrupted);
    EXPECT_FALSE(timer.recorder().running());
    // The ticks of the half minute it ran were refused with one line: one call was refused.
    constexpr std::string_view kRefused =
        "A call-back recording is already running, this one is not started";
    EXPECT_EQ(count(linesOfFile(vevuzer::logFilePath()), kRefused), 1u);
    const std::vector<std::string> calls = linesOfFile(vevuzer::callLogPath());
    ASSERT_FALSE(calls.empty());
    EXPECT_TRUE(startsWith(calls.back(), "1.wav, Caller ID recording on line 2, , "))
        << calls.back();
    EXPECT_FALSE(std::filesystem::exists(core::programFolder() / "2.wav"));
    EXPECT_EQ(tapi::exchange().currentCall(1), 0u) << "the call on the line that rang is hung up";

    // The next call's recording refuses its own ticks again, with a line of its own.
    ringWithoutCallerId(1);
    m_time.advance(40s);
    EXPECT_TRUE(std::filesystem::exists(core::programFolder() / "2.wav"));
    EXPECT_EQ(count(linesOfFile(vevuzer::logFilePath()), kRefused), 2u);
}

// The line's telephony provider decides the recording's format: 8-bit mu-law where its name says
// Dialogic in any letter case, else 16-bit PCM, both at 8 kHz mono.
TEST_F(CallBackRecorder, TheLinesProviderChoosesTheRecordingsFormat) {
    struct Case {
        const char* provider;
        WORD tag;
        WORD bits;
    };
    static constexpr Case cases[] = {
        {"Dialogic Generic TAPI Service Provider", WAVE_FORMAT_MULAW, 8},
        {"DIALOGIC DM3 TSP", WAVE_FORMAT_MULAW, 8},
        {"Intel(R) dialogic(R) wave TSP", WAVE_FORMAT_MULAW, 8},
        {"Unimodem 5 TSP", WAVE_FORMAT_PCM, 16},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.provider);
        vevuzer::testing::FreshProgramFolder folder;
        tapi::ExchangeConfig config = tapi::ExchangeConfig::defaults();
        config.lines.at(1).providerInfo = row.provider;
        setUpExchange(std::move(config));
        TracedMainWindow window;
        window.Form_Load();
        ringWithoutCallerId(1);
        m_time.advance(40s);

        winmm::WaveData recorded;
        ASSERT_EQ(winmm::readWaveFile(core::programFolder() / "1.wav", recorded), MMSYSERR_NOERROR);
        EXPECT_EQ(recorded.format.tag, row.tag);
        EXPECT_EQ(recorded.format.bitsPerSample, row.bits);
        EXPECT_EQ(recorded.format.samplesPerSec, 8000u);
        EXPECT_EQ(recorded.format.channels, 1);
        // The service's words are in it, not silence.
        const std::uint8_t silence = row.tag == WAVE_FORMAT_MULAW ? 0xFF : 0x00;
        EXPECT_GT(std::count_if(recorded.samples.begin(), recorded.samples.end(),
                                [silence](std::uint8_t b) { return b != silence; }),
                  8000);
    }
}

// The dial-tone setting: "False" asks the line for a dial tone before the service is dialled; any
// other text dials at once, so a line that gives no tone is dialled all the same.
TEST_F(CallBackRecorder, TheDialToneSettingDecidesWhetherTheLineIsProbedFirst) {
    struct Case {
        const char* setting;
        bool probed;
    };
    static constexpr Case cases[] = {
        {"False", true},
        {"True", false},
        {"false", false},
        {"No", false},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.setting);
        vevuzer::testing::FreshProgramFolder folder;
        SetUp();
        settings::write(settings::key::dialtone, row.setting);
        TracedMainWindow window;
        window.Form_Load();
        tapi::exchange().setDialTone(1, false);
        vevuzer::MainWindowState& state = window.main().state();
        const std::size_t logged = linesOfFile(vevuzer::logFilePath()).size();
        state.callbackpending = true;
        state.callline = 2;
        state.ringholdoff = 0;
        window.main().postCallTimer().Timer1_Timer();

        const tapi::Request* dialled = tapi::exchange().lastRequest(tapi::Op::MakeCall);
        ASSERT_NE(dialled, nullptr);
        EXPECT_EQ(dialled->text, row.probed ? ",," : kService);
        EXPECT_EQ(count(logSince(logged), "no dial tone, hanging up"), row.probed ? 1u : 0u);
        EXPECT_EQ(state.callbackpending, row.probed) << "the probe's failure tries again later";
    }
}

// A call going idle on any line ends a call-back recording early; with nothing being recorded it
// changes nothing.
TEST_F(CallBackRecorder, ACallGoingIdleEndsTheRecording) {
    struct Case {
        const char* what;
        int idleLine;  // the line whose call goes idle, 0: none
        bool duringRecording;
        double longestSeconds;  // of the recording; the whole length is 8 s
    };
    static constexpr Case cases[] = {
        {"no call goes idle", 0, true, 9},
        {"the recorded line's call", 2, true, 4},
        {"a call on another line", 3, true, 4},
        {"a call that ends before any recording", 3, false, 9},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        vevuzer::testing::FreshProgramFolder folder;
        SetUp();
        TracedMainWindow window;
        window.Form_Load();
        vevuzer::CallMonitor& monitor = window.main().callMonitor();
        const vevuzer::HostedControl& recorder = window.main().lkRecord1();
        const auto recording = [&recorder] {
            return recorder.getBool(vevuzer::controls::record::DeviceActive).value_or(false);
        };
        if (!row.duringRecording) {
            const std::size_t logged = linesOfFile(vevuzer::logFilePath()).size();
            monitor.lkLine_OnIdle(row.idleLine);
            EXPECT_FALSE(recording());
            EXPECT_EQ(logSince(logged), std::vector<std::string>{});
        }
        // Two seconds into the recording, the call goes idle.
        std::int64_t recordingSince = 0;
        bool idled = false;
        core::Timer watch([&] {
            if (!recording()) {
                return;
            }
            if (recordingSince == 0) {
                recordingSince = core::tickCount64();
            }
            if (!idled && row.idleLine && row.duringRecording &&
                core::tickCount64() - recordingSince >= 2000) {
                idled = true;
                monitor.lkLine_OnIdle(row.idleLine);
                EXPECT_FALSE(recording());
            }
        });
        watch.setInterval(100);
        ringWithoutCallerId(1);
        m_time.advance(40s);
        watch.setInterval(0);

        EXPECT_NE(recordingSince, 0) << "recorded";
        EXPECT_EQ(idled, row.idleLine != 0 && row.duringRecording);
        winmm::WaveData recorded;
        ASSERT_EQ(winmm::readWaveFile(core::programFolder() / "1.wav", recorded), MMSYSERR_NOERROR);
        const double seconds =
            static_cast<double>(recorded.samples.size()) / recorded.format.bytesPerSec();
        EXPECT_LE(seconds, row.longestSeconds);
        EXPECT_GE(seconds, 1.5);
        const std::vector<std::string> calls = linesOfFile(vevuzer::callLogPath());
        ASSERT_FALSE(calls.empty());
        EXPECT_TRUE(startsWith(calls.back(), "1.wav, Caller ID recording on line 2, , "))
            << calls.back();
    }
}

}  // namespace
