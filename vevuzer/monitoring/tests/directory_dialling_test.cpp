// Dialling from the address book against the simulated exchange, in virtual time: the Dial button,
// the red box that takes its place, and the click on the red box that hangs up.
#include "vevuzer/monitoring/directory_dialling.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/registry/registry.h"
#include "platform/serial/serial.h"
#include "platform/speech/testing/speech_recorder.h"
#include "platform/tapi/exchange.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "tools/modemsim/modem_simulator.h"
#include "vevuzer/monitoring/testing/traced_main_window.h"
#include "vevuzer/records/telephone_directory.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/testing/control_library.h"

namespace {

using namespace std::chrono_literals;
using vevuzer::testing::TracedMainWindow;

class DirectoryDialling : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(vevuzer::testing::registerControlLibrary(), S_OK);
        tapi::exchange().reset();
        settings::write(settings::key::line, tapi::exchange().config().lines.at(0).name);
        settings::write(settings::key::line2, tapi::exchange().config().lines.at(1).name);
        // The window's controls are made once their library is registered.
        m_window = std::make_unique<TracedMainWindow>();
        m_window->Form_Load();
        vevuzer::attachDirectoryDialling(m_window->main(), m_book);
        m_book.Load();
    }

    core::VirtualTime m_time;
    vevuzer::testing::FreshProgramFolder m_folder;
    speech::SpeechRecorder m_spoken;
    ui::ScriptedDialogs m_dialogs;
    std::unique_ptr<TracedMainWindow> m_window;
    vevuzer::TelephoneDirectory m_book;
};

TEST_F(DirectoryDialling, DialsTheContactOnTheChosenLineAndTheRedBoxHangsUp) {
    m_book.setTxtLine("2");
    EXPECT_EQ(settings::read(settings::directory::dialline), "2");
    m_book.setTxtPhone("01632-960123");
    m_book.setTxtName("Ann Smith");
    m_book.Command4_Click();
    m_time.advance(1000ms);
    const vevuzer::DirectoryControls& shown = m_book.controls();
    EXPECT_FALSE(shown.Command4Visible);
    EXPECT_TRUE(shown.Text1Visible);
    EXPECT_EQ(shown.Text1, "Please pick up your hand set and then click on this box");
    ASSERT_NE(tapi::exchange().currentCall(1), 0u);

    m_book.Text1_Click();
    m_time.advance(1000ms);
    EXPECT_FALSE(m_book.controls().Text1Visible);
    EXPECT_TRUE(m_book.controls().Command4Visible);
    EXPECT_EQ(tapi::exchange().currentCall(1), 0u);
}

TEST_F(DirectoryDialling, RefusesAnEmptyNumberAndKeepsTheDialButton) {
    m_book.setTxtLine("5");
    EXPECT_EQ(settings::read(settings::directory::dialline), "1");
    m_book.setTxtPhone("");
    m_dialogs.answerMsgBox(ui::vbOK);
    m_book.Command4_Click();
    EXPECT_TRUE(m_book.controls().Command4Visible);
    EXPECT_FALSE(m_book.controls().Text1Visible);
}

// Through the serial modem the click on the red box hangs the modem up and sets the reader going
// again.
TEST(DirectoryDiallingSerial, TheRedBoxHangsTheModemUp) {
    core::VirtualTime time;
    vevuzer::testing::FreshProgramFolder folder;
    speech::SpeechRecorder spoken;
    ui::ScriptedDialogs dialogs;
    ASSERT_EQ(vevuzer::testing::registerControlLibrary(), S_OK);
    modemsim::ModemSimulator modem;
    ASSERT_TRUE(modem.ready());
    registry::writeString(HKEY_LOCAL_MACHINE, serial::kSerialCommKey, modem.devicePath(), "COM1");
    settings::write(settings::key::comp, "True");
    settings::write(settings::key::commport, "1");
    TracedMainWindow window;
    window.Form_Load();
    ASSERT_TRUE(modem.waitForCommands(1, 5s));
    vevuzer::TelephoneDirectory book;
    vevuzer::attachDirectoryDialling(window.main(), book);
    book.Load();
    book.setTxtPhone("01632-960123");
    book.Command4_Click();
    ASSERT_TRUE(modem.waitForCommands(2, 5s));
    EXPECT_EQ(modem.commands().back(), "ATDT,01632960123");
    book.Text1_Click();
    ASSERT_TRUE(modem.waitForCommands(3, 5s));
    EXPECT_EQ(modem.commands().back(), "ATH");
    EXPECT_TRUE(book.controls().Command4Visible);
    EXPECT_FALSE(book.controls().Text1Visible);
    EXPECT_EQ(window.main().commscan().interval(), 800u);
}

// A caller-ID unit on the port only listens: dialling is refused and nothing goes to the port.
TEST(DirectoryDiallingSerial, TheCallerIdPlugRefusesToDial) {
    core::VirtualTime time;
    vevuzer::testing::FreshProgramFolder folder;
    speech::SpeechRecorder spoken;
    ui::ScriptedDialogs dialogs;
    ASSERT_EQ(vevuzer::testing::registerControlLibrary(), S_OK);
    modemsim::ModemSimulator plug;
    ASSERT_TRUE(plug.ready());
    registry::writeString(HKEY_LOCAL_MACHINE, serial::kSerialCommKey, plug.devicePath(), "COM1");
    settings::write(settings::key::comp, "True");
    settings::write(settings::key::commport, "1");
    settings::write(settings::key::kind, settings::kCallerIdPlug);
    TracedMainWindow window;
    window.Form_Load();
    ASSERT_TRUE(window.main().comm().getBool(vevuzer::controls::comm::PortOpen).value_or(false));
    const std::size_t sentBefore = plug.commands().size();
    vevuzer::TelephoneDirectory book;
    vevuzer::attachDirectoryDialling(window.main(), book);
    book.Load();
    book.setTxtPhone("01632-960123");
    book.Command4_Click();
    ASSERT_FALSE(dialogs.shown().empty());
    EXPECT_EQ(dialogs.shown().back().text,
              "Sorry, you can't dial out with a Rochelle caller ID plug");
    EXPECT_EQ(dialogs.shown().back().title, "Error!");
    EXPECT_NE(core::readFile(vevuzer::logFilePath())
                  .value_or("")
                  .find("Speech command, now saying You cant do this with a caller ID plug!"),
              std::string::npos);
    EXPECT_TRUE(book.controls().Command4Visible);
    EXPECT_FALSE(book.controls().Text1Visible);
    EXPECT_EQ(plug.commands().size(), sentBefore) << "nothing dialled";
}

}  // namespace
