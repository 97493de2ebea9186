#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/speech/testing/speech_recorder.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "vevuzer/settings/first_run.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/speech_output.h"

namespace {

class FirstRun : public ::testing::Test {
  protected:
    std::string logText() const { return core::readFile(m_folder.home() / "log.txt").value_or(""); }

    core::VirtualTime m_time;
    vevuzer::testing::FreshProgramFolder m_folder;
    speech::SpeechRecorder m_spoken;
    vevuzer::SpeechControl m_speech;
    ui::ScriptedDialogs m_dialogs;
};

TEST_F(FirstRun, WelcomesOnceInSpeechAndInAnInformationBox) {
    m_dialogs.answerMsgBox(ui::vbOK);
    EXPECT_TRUE(settings::firstRunWelcome());
    m_time.runUntilIdle();
    EXPECT_EQ(settings::read(settings::key::firstrun), "False");
    ASSERT_EQ(m_dialogs.shown().size(), 1u);
    EXPECT_EQ(m_dialogs.shown()[0].flags, ui::vbInformation);
    const std::string& text = m_dialogs.shown()[0].text;
    EXPECT_EQ(text.rfind("Welcome to Belltale from Fenwright Software.\r\nBefore you start", 0),
              0u);
    EXPECT_NE(text.find("\r\nIf you don`t have 4 modems, don`t worry\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nAll that we as is this. If you do have a problem with\r\n"),
              std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 51),
              "\r\nhave the VERY LATEST modem driver for your modem.");
    EXPECT_EQ(logText(), "Speech command, now saying " +
                             std::string(settings::kFirstRunSpokenWelcome) +
                             "\r\nSpeech command, now saying " +
                             std::string(settings::kFirstRunSpokenRestart) + "\r\n");

    EXPECT_FALSE(settings::firstRunWelcome());
    EXPECT_EQ(m_dialogs.shown().size(), 1u);
}

TEST_F(FirstRun, OnlyTheTextTrueStartsIt) {
    for (const char* stored : {"False", "yes", ""}) {
        SCOPED_TRACE(stored);
        settings::write(settings::key::firstrun, stored);
        EXPECT_FALSE(settings::firstRunWelcome());
    }
    settings::write(settings::key::firstrun, "True");
    EXPECT_TRUE(settings::firstRunWelcome());
    EXPECT_EQ(m_dialogs.shown().size(), 1u);
}

}  // namespace
