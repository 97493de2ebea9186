// The main window's surface, buttons, command menu and skins, offscreen and in virtual time: what
// each command opens, says and changes, the drag and the width animations, the replay of a call
// from the call list, and the ring of skins.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/shell/testing/recorded_starts.h"
#include "platform/speech/testing/speech_recorder.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/form.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "platform/winmm/wave_devices.h"
#include "vevuzer/records/frm_display.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/frm_main.h"
#include "vevuzer/shell/testing/noting_window.h"
#include "vevuzer/shell/text_helpers.h"

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

using vevuzer::testing::NotingWindow;

class MainWindowCommands : public ::testing::Test {
  protected:
    // Every sentence said so far, once each has had its turn to be spoken.
    Lines spoken() {
        m_time.advance(20s);
        return m_spoken.texts();
    }
    vevuzer::MainWindow& main() { return m_window.main(); }

    core::VirtualTime m_time;
    vevuzer::testing::FreshProgramFolder m_folder;
    speech::SpeechRecorder m_spoken;
    ui::ScriptedDialogs m_dialogs;
    NotingWindow m_window;
};

TEST_F(MainWindowCommands, EachCommandOpensItsWindowSpeaksAndStopsTheFlasherAsItShould) {
    using Handler = void (vevuzer::MainWindow::*)();
    struct Case {
        const char* name;
        Handler click;
        Lines notes;
        const char* spoken;  // the last sentence, or nullptr for none
        bool stopsFlasher;
    };
    using W = vevuzer::MainWindow;
    const Case cases[] = {
        {"Command1", &W::Command1_Click, {"inclog window"}, "Incoming calls", true},
        {"Command2", &W::Command2_Click, {"directory window"}, nullptr, false},
        {"Command3", &W::Command3_Click, {"settings window"}, "Settings", false},
        {"Command4", &W::Command4_Click, {"beep"}, nullptr, false},
        {"Settings/About", &W::mnu_configure_Click, {"settings window"}, nullptr, false},
        {"Telephone directory", &W::mnu_directory_Click, {"directory window"}, nullptr, false},
        {"View incoming calls log",
         &W::mnu_inclog_Click,
         {"inclog window"},
         "Incoming calls",
         false},
        {"Change the skin", &W::mnu_chngskin_Click, {}, nullptr, false},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        m_window.notes.clear();
        main().flash().setInterval(1000);
        const std::size_t spokenBefore = spoken().size();
        (main().*row.click)();
        EXPECT_EQ(m_window.notes, row.notes);
        const Lines said = spoken();
        if (row.spoken) {
            ASSERT_GT(said.size(), spokenBefore);
            EXPECT_EQ(said.back(), row.spoken);
        } else {
            EXPECT_EQ(said.size(), spokenBefore);
        }
        EXPECT_EQ(main().flash().interval(), row.stopsFlasher ? 0u : 1000u);
        main().flash().setInterval(0);
    }
}

TEST_F(MainWindowCommands, HideButtonAndMenuEntryHideTheWindowTheSameWay) {
    for (const auto click :
         {&vevuzer::MainWindow::Image2_Click, &vevuzer::MainWindow::mnu_hidewindow_Click}) {
        settings::write(settings::key::hidden, "False");
        m_window.show();
        const std::size_t spokenBefore = spoken().size();
        (main().*click)();
        EXPECT_FALSE(m_window.isVisible());
        EXPECT_EQ(settings::read(settings::key::hidden), "True");
        const Lines said = spoken();
        const Lines log = vevuzer::linesOf(core::readFile(vevuzer::logFilePath()).value_or(""));
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(Lines(log.end() - 2, log.end()),
                  (Lines{"Minimising window now",
                         "Speech command, now saying Use the task bar icon to show the window "
                         "again!"}));
        EXPECT_EQ(Lines(said.begin() + static_cast<long>(spokenBefore), said.end()),
                  Lines{"Use the task bar icon to show the window again!"});
    }
}

TEST_F(MainWindowCommands, TestDisplayShowsTheMadeUpCallerInThePopup) {
    main().mnu_disptest_Click();
    EXPECT_TRUE(m_window.popup().isVisible());
    EXPECT_EQ(m_window.popup().control<QLabel>("txt_display")->text(), "01234 - 5678910");
    EXPECT_EQ(m_window.popup().control<QLabel>("txt_name")->text(), "Belltale Test!");
    EXPECT_EQ(spoken().front(), "Testing the display!");
}

// The help page opens first, whatever the answer about the questions page.
TEST_F(MainWindowCommands, HelpOpensThePageAndOffersTheQuestionsPageOfThisVersion) {
    const std::string helpPage = (m_folder.home() / "Help.html").string();
    core::rewriteFile(helpPage, "<html><body>Help</body></html>");
    for (const int answer : {ui::vbNo, ui::vbYes}) {
        SCOPED_TRACE(answer == ui::vbYes ? "Yes" : "No");
        shell::RecordedStarts starts;
        m_dialogs.reset();
        m_dialogs.answerMsgBox(answer);
        m_window.hide();
        main().mnu_help_Click();
        EXPECT_TRUE(m_window.isVisible());
        ASSERT_EQ(m_dialogs.shown().size(), 1u);
        EXPECT_EQ(m_dialogs.shown()[0].title, "More Help?");
        EXPECT_EQ(m_dialogs.shown()[0].flags, ui::vbYesNo);
        const std::vector<shell::RecordedStart> started =
            starts.waitFor(answer == ui::vbYes ? 2 : 1);
        ASSERT_EQ(started.size(), answer == ui::vbYes ? 2u : 1u);
        std::vector<std::string> opened;
        for (const shell::RecordedStart& start : started) {
            opened.push_back(start.argv.back());
        }
        EXPECT_NE(std::find(opened.begin(), opened.end(), helpPage), opened.end());
        if (answer == ui::vbYes) {
            EXPECT_NE(std::find_if(opened.begin(), opened.end(),
                                   [](const std::string& address) {
                                       return address.find(
                                                  "/belltalefaq.htm?Direct_connection_"
                                                  "Belltale413") != std::string::npos;
                                   }),
                      opened.end());
        }
    }
}

TEST_F(MainWindowCommands, F1OpensTheHelpPageAndNothingWithoutOne) {
    QShortcut* f1 = nullptr;
    for (QShortcut* shortcut : m_window.findChildren<QShortcut*>()) {
        if (shortcut->key() == QKeySequence(Qt::Key_F1)) {
            f1 = shortcut;
        }
    }
    ASSERT_NE(f1, nullptr);
    EXPECT_EQ(f1->context(), Qt::ApplicationShortcut) << "F1 in every window of the program";
    const std::string helpPage = (m_folder.home() / "Help.html").string();
    {
        shell::RecordedStarts starts;
        emit f1->activated();
        m_time.runUntilIdle();
        EXPECT_TRUE(starts.recorded().empty()) << "no page, nothing to open";
    }
    core::rewriteFile(helpPage, "<html><body>Help</body></html>");
    shell::RecordedStarts starts;
    emit f1->activated();
    const std::vector<shell::RecordedStart> started = starts.waitFor(1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].argv.back(), helpPage);
    EXPECT_TRUE(m_dialogs.shown().empty()) << "F1 asks nothing";
}

// With or without a log file: a missing one is the editor's to report, as it is for "notepad".
TEST_F(MainWindowCommands, SystemLogOpensTheActivityLogInTheEditorAndBeeps) {
    const char* visual = std::getenv("VISUAL");
    const std::optional<std::string> savedVisual =
        visual != nullptr ? std::optional<std::string>(visual) : std::nullopt;
    ::setenv("VISUAL", "/bin/true", 1);  // some editor even on a desktop without a text one
    const std::filesystem::path logFile = m_folder.home() / "log.txt";
    for (const bool present : {true, false}) {
        SCOPED_TRACE(present ? "log.txt present" : "no log.txt");
        std::filesystem::remove(logFile);
        if (present) {
            vevuzer::log("something to read");
        }
        m_window.notes.clear();
        shell::RecordedStarts starts;
        main().mnu_syslog_Click();
        const std::vector<shell::RecordedStart> started = starts.waitFor(1);
        ASSERT_EQ(started.size(), 1u);
        EXPECT_EQ(started[0].argv.back(), logFile.string());
        EXPECT_EQ(m_window.notes, Lines{"beep"});
        EXPECT_EQ(std::filesystem::exists(logFile), present);
    }
    savedVisual ? ::setenv("VISUAL", savedVisual->c_str(), 1) : ::unsetenv("VISUAL");
}

TEST_F(MainWindowCommands, DragMovesTheWindowByThePointersTravel) {
    m_window.moveTwips(1500, 3000);
    main().Picture1_MouseDown(vevuzer::kRightButton, 0, 10, 20);
    main().Picture1_MouseMove(vevuzer::kRightButton, 0, 100, 100);
    EXPECT_EQ(m_window.twipsLeft(), 1500) << "the right button starts no drag";

    main().txt_display_MouseDown(vevuzer::kLeftButton, 0, 10.4f, 20.6f);
    main().txt_display_MouseMove(vevuzer::kLeftButton, 0, 40, 25);
    EXPECT_EQ(m_window.twipsLeft(), 1530);
    EXPECT_EQ(m_window.twipsTop(), 3004);
    // The status box moved with the window: the pointer's next place inside it is measured anew.
    main().txt_display_MouseMove(vevuzer::kLeftButton, 0, 25, 31);
    EXPECT_EQ(m_window.twipsLeft(), 1545);
    EXPECT_EQ(m_window.twipsTop(), 3014);
    main().txt_display_MouseUp(vevuzer::kLeftButton, 0, 25, 31);
    main().txt_display_MouseMove(0, 0, 500, 500);
    EXPECT_EQ(m_window.twipsLeft(), 1545);
    EXPECT_TRUE(m_window.notes.empty()) << "the status box has no menu";

    main().Picture1_MouseUp(vevuzer::kRightButton, 0, 10, 10);
    EXPECT_EQ(m_window.notes, Lines{"command menu"});
}

TEST_F(MainWindowCommands, PointerAtTheRightEndOpensTheWindowOrKeepsItOpen) {
    m_window.setTwipsWidth(5280);
    main().flash().setInterval(1000);
    main().Picture1_MouseMove(0, 0, 4799, 100);
    EXPECT_EQ(m_window.twipsWidth(), 5280);
    EXPECT_EQ(main().flash().interval(), 0u) << "any move over the skin stops the flasher";

    m_window.widths.clear();
    main().Picture1_MouseMove(0, 0, 4800, 100);
    std::vector<int> opening;
    for (int w = 5280; w <= 6990; w += 15) {
        opening.push_back(w);
    }
    opening.push_back(7000);
    EXPECT_EQ(m_window.widths, opening);
    EXPECT_EQ(main().state().collapsecountdown, 8);

    main().state().collapsecountdown = 3;
    main().Picture1_MouseMove(0, 0, 5000, 100);
    EXPECT_EQ(main().state().collapsecountdown, 8);
    EXPECT_EQ(m_window.twipsWidth(), 7000);
}

TEST_F(MainWindowCommands, ClosingAlwaysRunsFromTheOpenWidthToTheCollapsedWidth) {
    m_window.setTwipsWidth(6930);
    m_window.widths.clear();
    main().minimise();
    ASSERT_EQ(m_window.widths.size(), 88u);
    EXPECT_EQ(m_window.widths.front(), 7000);
    EXPECT_EQ(m_window.widths[86], 5280);
    EXPECT_EQ(m_window.twipsWidth(), 5280);
    EXPECT_EQ(main().state().collapsecountdown, 0);

    m_window.widths.clear();
    main().minimise();
    EXPECT_TRUE(m_window.widths.empty()) << "already collapsed";
}

// Half a second of 8 kHz 16-bit mono PCM.
std::string shortWave() {
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

TEST_F(MainWindowCommands, DoubleClickReplaysTheSelectedCall) {
    struct Case {
        const char* entry;
        const char* spoken;  // nullptr: nothing is said
    };
    static constexpr Case cases[] = {
        {"3: 01234 5678910, Office, 01/02/2002 10:00:00", "01234 5678910. office"},
        {"4: 012-345, Shop, 01/02/2002 10:05:00", "0 1 2 - 3 4 5 . shop"},
        {"5: Withheld, Name Unavailable, 01/02/2002 10:06:00", "withheld. name unavailable"},
        {"7: , , ", ". "},
        {"no colon or comma", ". "},
        {"x", nullptr},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.entry);
        m_window.displayClear();
        m_window.displayAddItem(row.entry);
        m_window.setDisplayListIndex(0);
        const std::size_t before = spoken().size();
        main().display_DblClick();
        const Lines said = spoken();
        const Lines added(said.begin() + static_cast<long>(before), said.end());
        EXPECT_EQ(added, row.spoken ? Lines{row.spoken} : Lines{});
    }

    // The replay counts as looking at the calls: it stops the flasher, after reading the line.
    m_window.displayClear();
    m_window.displayAddItem("9: 0123, Ann, 01/02/2002 10:00:00");
    m_window.setDisplayListIndex(0);
    main().flash().setInterval(1000);
    main().display_DblClick();
    EXPECT_EQ(main().flash().interval(), 0u);
    EXPECT_EQ(spoken().back(), "0 1 2 3 . ann");

    // A recording's line plays the recording instead.
    const auto played = m_folder.home() / "played.wav";
    winmm::configureStandardWaveDevices("file-out=" + played.string());
    ASSERT_TRUE(core::rewriteFile(m_folder.home() / "2.wav", shortWave()));
    m_window.displayClear();
    m_window.displayAddItem("2: 2.wav, Caller ID recording on line 1, ");
    m_window.setDisplayListIndex(0);
    const std::size_t before = spoken().size();
    main().display_DblClick();
    m_time.advance(1000ms);
    EXPECT_TRUE(std::filesystem::exists(played));
    EXPECT_EQ(spoken().size(), before);
    winmm::configureStandardWaveDevices("null");
}

TEST_F(MainWindowCommands, EnterReplaysOnlyInAVisibleList) {
    m_window.displayAddItem("1: 0123, Ann, 01/02/2002 10:00:00");
    m_window.setDisplayListIndex(0);
    m_window.setDisplayVisible(false);
    main().display_KeyPress(13);
    EXPECT_TRUE(spoken().empty());
    m_window.setDisplayVisible(true);
    main().display_KeyPress(13);
    EXPECT_EQ(spoken(), Lines{"0 1 2 3 . ann"});
    main().display_MouseUp(vevuzer::kRightButton);
    EXPECT_EQ(m_window.notes, Lines{"add menu"});
    main().display_MouseMove();
    EXPECT_EQ(main().state().statuscountdown, 20);
}

TEST_F(MainWindowCommands, StatusBoxClickCancelsAPendingCallBackOnce) {
    main().txt_display_Click();
    EXPECT_TRUE(m_window.notes.empty());
    main().state().callbackpending = true;
    main().txt_display_Click();
    EXPECT_FALSE(main().state().callbackpending);
    EXPECT_EQ(m_window.txtDisplayText(), "\r\nUnderstood, checking off!");
    main().txt_display_Click();
    EXPECT_EQ(m_window.notes, Lines{"beep"});
}

TEST_F(MainWindowCommands, LineIndicatorsSayWhichLineIsActive) {
    for (int line = 1; line <= 4; ++line) {
        main().txt_Click(line);
    }
    EXPECT_EQ(spoken(), (Lines{"Line one is active.", "Line two is active.",
                               "Line three is active.", "Line four is active."}));
}

TEST_F(MainWindowCommands, SkinsGoRoundTheRingFromWhatIsStored) {
    const auto skin = [this](const char* name) { return (m_folder.home() / name).string(); };
    Lines stored;
    for (int step = 0; step < 8; ++step) {
        main().mnu_chngskin_Click();
        stored.push_back(settings::read(settings::key::skin));
    }
    EXPECT_EQ(stored, (Lines{skin("BlueSea.gif"), skin("RedMoon.gif"), skin("JustPurple.gif"),
                             skin("PlainRed.gif"), skin("PlainGreen.gif"), skin("PlainBlue.gif"),
                             skin("GreenFlag.gif"), skin("BlueSea.gif")}));

    // A path outside the ring is shown again as it is and never advanced.
    const std::string otherCase = (m_folder.home() / "redmoon.gif").string();
    settings::write(settings::key::skin, otherCase);
    main().Command4_Click();
    EXPECT_EQ(settings::read(settings::key::skin), otherCase);
}

TEST_F(MainWindowCommands, ShippedSkinsAreShownAndAMissingOneKeepsThePicture) {
    ASSERT_TRUE(core::fillProgramFolder());
    const auto shown = [this] {
        return m_window.control<QLabel>("Picture1")
            ->pixmap()
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    const auto picture = [this](const char* name) {
        return QImage(QString::fromStdString((m_folder.home() / name).string()))
            .convertToFormat(QImage::Format_RGB32);
    };
    main().mnu_chngskin_Click();
    EXPECT_EQ(shown().size(), QSize(352, 102));
    EXPECT_EQ(shown(), picture("BlueSea.gif"));

    std::filesystem::remove(m_folder.home() / "RedMoon.gif");
    main().mnu_chngskin_Click();
    EXPECT_EQ(settings::read(settings::key::skin), (m_folder.home() / "RedMoon.gif").string());
    EXPECT_EQ(shown(), picture("BlueSea.gif"));
    main().mnu_chngskin_Click();
    EXPECT_EQ(shown(), picture("JustPurple.gif"));
}

TEST_F(MainWindowCommands, ButtonsAndMenuAreTheWindowsNamedControls) {
    struct Button {
        const char* name;
        const char* caption;
        int top;
    };
    static constexpr Button buttons[] = {{"Command1", "&Incoming calls log", 80},
                                         {"Command2", "&Telephone directory", 450},
                                         {"Command4", "&Change skin", 820},
                                         {"Command3", "&Settings", 1200}};
    for (const Button& button : buttons) {
        SCOPED_TRACE(button.name);
        const auto* command = m_window.control<QPushButton>(button.name);
        ASSERT_NE(command, nullptr);
        EXPECT_EQ(command->text(), button.caption);
        EXPECT_EQ(command->geometry(), QRect(360, ui::pixelsFromTwips(button.top), 97, 17));
    }
    const QMenu* menu = m_window.mnu_settings();
    EXPECT_EQ(menu, m_window.control<QMenu>("mnu_settings"));
    Lines entries;
    for (const QAction* action : menu->actions()) {
        entries.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    }
    EXPECT_EQ(entries, (Lines{"Settings/About", "-", "Hide this window", "-", "Telephone directory",
                              "View incoming calls log", "-", "Change the skin", "Test display",
                              "-", "Instructions and Help", "-", "View system log", "-", "Exit"}));
}

}  // namespace
