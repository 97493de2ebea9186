// The call-back recorder in virtual time on the simulated exchange: a call rings without caller ID,
// the hold-off runs out, the line dials the announcement service and the Record control records
// what the service's far end says (a sentence spoken by espeak-ng) into the program folder.
#include "vevuzer/monitoring/call_back_recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "platform/core/virtual_time.h"
#include "platform/speech/espeak_engine.h"
#include "platform/speech/testing/speech_recorder.h"
#include "platform/tapi/exchange.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "platform/winmm/wave_file.h"
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
    void SetUp() override {
        ASSERT_EQ(vevuzer::testing::registerControlLibrary(), S_OK);
        tapi::exchange().reset();
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
    struct Case {
        const char* what;
        const char* callback;
        bool dialTone;
        bool lineBusy;
        std::string_view logged;   // an activity-log line the ending writes
        std::string_view callLog;  // the start of the incoming-call log line, empty: none
        bool stillPending;
    };
    static constexpr Case cases[] = {
        {"service number of one digit", "1", true, false,
         "About to attempt caller ID record, rec length = 8, call number = 1", "", false},
        {"no dial tone on the first try", "1471", false, false, "no dial tone, hanging up", "",
         true},
        {"the line still has a call", "1471", true, true,
         "Callback is True and lastring = 0, so getting Caller ID data", "", true},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        vevuzer::testing::FreshProgramFolder folder;
        SetUp();
        settings::write(settings::key::callback, row.callback);
        TracedMainWindow window;
        window.Form_Load();
        tapi::exchange().setDialTone(1, row.dialTone);
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
        window.main().postCallTimer().Timer1_Timer();
        EXPECT_EQ(count(logSince(logged), row.logged), 1u)
            << testing::PrintToString(logSince(logged));
        EXPECT_EQ(state.callbackpending, row.stillPending);
        EXPECT_EQ(linesOfFile(vevuzer::callLogPath()).size(), calls);
        EXPECT_FALSE(std::filesystem::exists(core::programFolder() / "1.wav"));
        if (row.stillPending) {
            EXPECT_EQ(state.ringholdoff, 15) << "tried again 15 seconds later";
        }
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
    // Every tick that came while it recorded was refused, each with its line.
    EXPECT_GE(count(linesOfFile(vevuzer::logFilePath()),
                    "A call-back recording is already running, this one is not started"),
              1u);
    const std::vector<std::string> calls = linesOfFile(vevuzer::callLogPath());
    ASSERT_FALSE(calls.empty());
    EXPECT_TRUE(startsWith(calls.back(), "1.wav, Caller ID recording on line 2, , "))
        << calls.back();
    EXPECT_FALSE(std::filesystem::exists(core::programFolder() / "2.wav"));
    EXPECT_EQ(tapi::exchange().currentCall(1), 0u) << "the call on the line that rang is hung up";
}

}  // namespace
