// The post-call timer's tick on the main window in virtual time: calls that rang without caller
// data are logged once their hold-off has run out.
#include "vevuzer/monitoring/post_call.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/core/virtual_time.h"
#include "platform/speech/testing/speech_recorder.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "vevuzer/monitoring/testing/traced_main_window.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/clock_text.h"

namespace {

using namespace std::chrono_literals;
using vevuzer::testing::Trace;

class PostCallTimerTest : public ::testing::Test {
  protected:
    PostCallTimerTest() {
        settings::write(settings::key::getcid, settings::kFalse);
        m_window.main().Timer1().setInterval(1000);
        m_window.main().state().newcalls = 2;
        m_window.startTrace();
    }
    static std::string stamp() { return vevuzer::dateText() + "; " + vevuzer::timeText(); }

    core::VirtualTime m_time;
    vevuzer::testing::FreshProgramFolder m_folder;
    speech::SpeechRecorder m_spoken;
    ui::ScriptedDialogs m_dialogs;
    vevuzer::testing::TracedMainWindow m_window;
};

TEST_F(PostCallTimerTest, LogsALineCallWithoutCallerIdOnceItsHoldOffHasRunOut) {
    vevuzer::MainWindowState& state = m_window.main().state();
    state.callbackpending = true;
    state.callline = 3;
    state.ringholdoff = 2;
    m_time.advance(1000ms);
    EXPECT_EQ(m_window.trace(), Trace{}) << "still ringing";

    state.ringholdoff = 0;
    m_time.advance(1000ms);
    EXPECT_EQ(m_window.trace(),
              (Trace{"log: Incoming call logged with no info on line 3",
                     "status: Caller ID info for call 3\r\nwas not available",
                     "inclog: Unknow caller on line 3, Caller ID not recorded, " + stamp(),
                     "flash: 1000"}));
    EXPECT_FALSE(state.callbackpending);
    m_time.advance(1000ms);
    EXPECT_EQ(m_window.trace().size(), 4u) << "logged once";
}

TEST_F(PostCallTimerTest, LeavesALineCallToTheRecorderWhenCallerIdIsFetched) {
    settings::write(settings::key::getcid, settings::kTrue);
    vevuzer::MainWindowState& state = m_window.main().state();
    state.callbackpending = true;
    state.callline = 1;
    state.ringholdoff = 0;
    m_time.advance(1000ms);
    ASSERT_FALSE(m_window.trace().empty());
    EXPECT_EQ(m_window.trace().front(),
              "log: Callback is True and lastring = 0, so getting Caller ID data");
    for (const std::string& step : m_window.trace()) {
        EXPECT_NE(step.rfind("inclog: Unknow caller", 0), 0u) << "not logged as unrecorded";
    }
}

TEST_F(PostCallTimerTest, LogsASerialRingWithoutCallerData) {
    vevuzer::MainWindowState& state = m_window.main().state();
    state.serialnocid = true;
    state.callbackpending = true;
    state.ringholdoff = 0;
    state.newcalls = 32767;
    m_time.advance(1000ms);
    // The port's number comes from the serial control: port 1 until another is chosen.
    EXPECT_EQ(m_window.trace(),
              (Trace{"log: Incoming call logged with no info on comm port",
                     "status: Caller ID info for call 32767\r\nwas not available",
                     "inclog: Unknow caller on comm 1, Caller ID not available, " + stamp(),
                     "flash: 1000"}));
    EXPECT_FALSE(state.serialnocid);
    EXPECT_FALSE(state.callbackpending);
    EXPECT_EQ(state.newcalls, 32767) << "the count stays at its top";
}

}  // namespace
