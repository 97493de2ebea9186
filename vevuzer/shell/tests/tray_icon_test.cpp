// The notification-area icon: the icon object's own rules (menu items, tip field, decoding of the
// mouse reports), and the main window's icon from the load to the shut-down, with its menu, its
// mouse and its part in the new-call flasher. The desktop's notification area is a recorder.
#include <gtest/gtest.h>

#include <QSystemTrayIcon>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/speech/testing/speech_recorder.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "platform/ui/testing/tray_recorder.h"
#include "platform/ui/tray_activation.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/frmSysTray.h"
#include "vevuzer/shell/testing/noting_window.h"
#include "vevuzer/shell/text_helpers.h"

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

HICON handle(std::uintptr_t value) {
    return reinterpret_cast<HICON>(value);
}

class SysTray : public ::testing::Test {
  protected:
    core::VirtualTime m_time;
    ui::TrayRecorder m_tray;
};

TEST_F(SysTray, MenuItemsAreNumberedFromTheFirstAndRemovedByMovingTheRestDown) {
    frmSysTray tray(handle(0x10), {});
    for (long i = 0; i < 5; ++i) {
        EXPECT_EQ(tray.AddMenuItem("item " + std::to_string(i), "key" + std::to_string(i)), i);
    }
    EXPECT_EQ(tray.RemoveMenuItem(2), 0);
    Lines items;
    for (const frmSysTray::MenuItem& item : tray.menuItems()) {
        items.push_back(item.caption + "/" + item.key);
    }
    EXPECT_EQ(items, (Lines{"item 0/key0", "item 1/key1", "item 3/key3", "item 4/key4"}));

    tray.RemoveMenuItem(0);
    EXPECT_EQ(tray.menuItems().size(), 4u);
    EXPECT_EQ(tray.menuItems()[0].caption, "");
    EXPECT_EQ(tray.menuItems()[0].key, "key0");

    tray.setDefaultMenuIndex(3);
    EXPECT_EQ(tray.DefaultMenuIndex(), 3);
    tray.setDefaultMenuIndex(4);  // no such item
    EXPECT_EQ(tray.DefaultMenuIndex(), 0);
    tray.EnableMenuItem(9, false);
    tray.EnableMenuItem(1, false);
    EXPECT_FALSE(tray.menuItems()[1].enabled);
    EXPECT_EQ(tray.RemoveMenuItem(-1), 0);
    EXPECT_EQ(tray.menuItems().size(), 4u);
}

TEST_F(SysTray, MenuWhoseDefaultItemWasRemovedStillOpens) {
    std::vector<std::string> clicked;
    frmSysTray::Events events;
    events.MenuClick = [&](long index, const std::string& key) {
        clicked.push_back(std::to_string(index) + " " + key);
    };
    frmSysTray tray(handle(0x10), events);
    tray.AddMenuItem("A", "a");
    tray.AddMenuItem("B", "b", true);
    tray.RemoveMenuItem(1);
    m_tray.answerMenu(0);
    tray.ShowMenu();
    ASSERT_EQ(m_tray.menus().size(), 1u);
    EXPECT_EQ(m_tray.menus()[0].defaultItem, -1);
    EXPECT_EQ(clicked, Lines{"0 a"});
}

TEST_F(SysTray, TipFieldKeepsSixtyFourCharactersAndShowsSixtyThree) {
    frmSysTray tray(handle(0x10), {});
    EXPECT_EQ(tray.ToolTip(), "vidiriz.are");
    EXPECT_EQ(m_tray.calls().at(0).message, NIM_ADD);
    EXPECT_EQ(m_tray.calls().at(0).flags, NIF_MESSAGE | NIF_ICON | NIF_TIP);

    const std::string seventy = std::string(60, 'x') + "0123456789";
    tray.setToolTip(seventy);
    EXPECT_EQ(tray.ToolTip(), seventy.substr(0, 64));
    EXPECT_EQ(m_tray.tip(), seventy.substr(0, 63));
    EXPECT_EQ(m_tray.calls().back().flags, NIF_TIP);
    tray.setToolTip("short");
    EXPECT_EQ(tray.ToolTip(), "short");

    const std::size_t calls = m_tray.calls().size();
    tray.setIconHandle(handle(0x10));
    EXPECT_EQ(m_tray.calls().size(), calls) << "the same picture is not sent again";
    tray.setIconHandle(handle(0x20));
    EXPECT_EQ(m_tray.calls().back().flags, NIF_ICON);
    EXPECT_EQ(m_tray.icon(), handle(0x20));
}

TEST_F(SysTray, MouseReportsAreDecodedInPixelsAndInTwips) {
    Lines raised;
    frmSysTray::Events events;
    events.SysTrayMouseDown = [&](long b) { raised.push_back("down " + std::to_string(b)); };
    events.SysTrayMouseUp = [&](long b) { raised.push_back("up " + std::to_string(b)); };
    events.SysTrayMouseMove = [&] { raised.push_back("move"); };
    events.SysTrayDoubleClick = [&](long b) { raised.push_back("double " + std::to_string(b)); };
    frmSysTray tray(handle(0x10), events);
    const Lines expected = {"move", "down 1", "up 1", "double 1", "down 2", "up 2", "double 2"};
    for (const float scale : {1.0f, 15.0f, 12.0f}) {
        SCOPED_TRACE(scale);
        raised.clear();
        for (UINT message = 0x200; message <= 0x208; ++message) {
            tray.Form_MouseMove(static_cast<float>(message) * scale);
        }
        tray.Form_MouseMove(0);
        tray.Form_MouseMove(0x201 * 15 + 1);
        EXPECT_EQ(raised, expected);
    }
}

// The desktop reports clicks by their meaning; they reach the icon's events as the mouse
// messages the button and the kind of click make.
TEST_F(SysTray, DesktopClicksArriveAsTheMouseMessagesOfTheirButtons) {
    struct Case {
        QSystemTrayIcon::ActivationReason reason;
        Lines raised;
    };
    const Case cases[] = {
        {QSystemTrayIcon::Trigger, {"move", "down 1", "up 1"}},
        {QSystemTrayIcon::Context, {"move", "down 2", "up 2"}},
        {QSystemTrayIcon::DoubleClick, {"move", "double 1", "up 1"}},
        {QSystemTrayIcon::MiddleClick, {"move"}},  // the middle button raises nothing itself
        {QSystemTrayIcon::Unknown, {}},
    };
    Lines raised;
    frmSysTray::Events events;
    events.SysTrayMouseDown = [&](long b) { raised.push_back("down " + std::to_string(b)); };
    events.SysTrayMouseUp = [&](long b) { raised.push_back("up " + std::to_string(b)); };
    events.SysTrayMouseMove = [&] { raised.push_back("move"); };
    events.SysTrayDoubleClick = [&](long b) { raised.push_back("double " + std::to_string(b)); };
    frmSysTray tray(handle(0x10), events);
    ASSERT_TRUE(tray.iconAdded());
    for (const Case& row : cases) {
        SCOPED_TRACE(static_cast<int>(row.reason));
        raised.clear();
        if (const std::optional<ui::TrayMouse> action = ui::trayMouseFor(row.reason)) {
            m_tray.mouse(*action);
        }
        m_time.runUntilIdle();
        EXPECT_EQ(raised, row.raised);
    }
}

// The main window with its icon, loaded as at start.
class TrayIcon : public ::testing::Test {
  protected:
    void SetUp() override {
        // Lines saved once: no first-run welcome.
        settings::write(settings::key::line, settings::kNoModem);
        settings::write(settings::key::line2, settings::kNoModem);
        // The tests run at the top of the hour, when the speaking clock would speak among them.
        settings::writeTruth(settings::key::clockenabled, false);
        m_window.Form_Load();
        m_time.runUntilIdle();
    }
    vevuzer::MainWindow& main() { return m_window.main(); }
    Lines spoken() {
        m_time.advance(20s);
        return m_spoken.texts();
    }
    Lines logLines() const {
        return vevuzer::linesOf(core::readFile(vevuzer::logFilePath()).value_or(""));
    }
    // A right click on the icon with the menu's item `index` chosen.
    void choose(int index) {
        m_tray.answerMenu(index);
        m_tray.mouse(ui::TrayMouse::RightClick);
        m_time.runUntilIdle();
    }

    core::VirtualTime m_time;
    vevuzer::testing::FreshProgramFolder m_folder;
    speech::SpeechRecorder m_spoken;
    ui::ScriptedDialogs m_dialogs;
    ui::TrayRecorder m_tray;
    vevuzer::testing::NotingWindow m_window;
};

TEST_F(TrayIcon, LoadPutsUpTheIconWithTheVersionAndTheMenuAndShutDownTakesItAway) {
    ASSERT_TRUE(m_tray.iconShown());
    EXPECT_EQ(m_tray.tip(), "Belltale ? Version 4.1.3");
    EXPECT_EQ(m_tray.icon(), m_window.imgicon());
    m_tray.mouse(ui::TrayMouse::RightClick);
    m_time.runUntilIdle();
    ASSERT_EQ(m_tray.menus().size(), 1u);
    Lines captions;
    for (const ui::PopupItem& item : m_tray.menus()[0].items) {
        captions.push_back(item.caption);
    }
    EXPECT_EQ(captions, (Lines{"&Maximize Window", "-", "&Settings", "&View incoming calls log",
                               "&View telephone directory", "-", "&Check email", "-", "&Exit"}));
    EXPECT_EQ(m_tray.menus()[0].defaultItem, 8);
    for (const std::string& line : logLines()) {
        EXPECT_EQ(line.find("notification area"), std::string::npos) << line;
    }

    EXPECT_TRUE(main().unloadWindow());
    EXPECT_FALSE(m_tray.iconShown());
    EXPECT_EQ(m_tray.calls().back().message, NIM_DELETE);
}

TEST_F(TrayIcon, MouseOverTheIconPointsClicksAndDoubleClicks) {
    main().flash().setInterval(1000);
    m_tray.mouse(ui::TrayMouse::Point);
    m_time.runUntilIdle();
    EXPECT_EQ(main().flash().interval(), 0u) << "pointing at the icon stops the flasher";

    m_tray.mouse(ui::TrayMouse::LeftClick);
    m_time.runUntilIdle();
    EXPECT_TRUE(m_tray.menus().empty());
    EXPECT_TRUE(m_window.notes.empty());

    m_tray.mouse(ui::TrayMouse::DoubleClick);
    m_time.runUntilIdle();
    EXPECT_EQ(m_window.notes, Lines{"inclog window"});
    EXPECT_EQ(spoken().back(), "Incoming calls");

    m_tray.mouse(ui::TrayMouse::MiddleClick);
    m_time.runUntilIdle();
    EXPECT_EQ(m_window.notes.size(), 1u);
    EXPECT_TRUE(m_tray.menus().empty());
}

TEST_F(TrayIcon, MenuCommandsOpenTheirWindows) {
    struct Case {
        int index;
        Lines notes;
        bool stopsFlasher;
    };
    const Case cases[] = {
        {2, {"settings window"}, false},
        {3, {"inclog window"}, true},
        {4, {"directory window"}, false},
        {1, {}, false},  // a separator
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.index);
        m_window.notes.clear();
        main().flash().setInterval(1000);
        m_tray.answerMenu(row.index);
        main().m_frmSysTray_SysTrayMouseDown(2);
        EXPECT_EQ(m_window.notes, row.notes);
        EXPECT_EQ(main().flash().interval(), row.stopsFlasher ? 0u : 1000u);
    }
}

TEST_F(TrayIcon, MaximizeAsksOnlyWhenTheWindowIsAlreadyVisible) {
    m_window.hide();
    settings::write(settings::key::hidden, "True");
    choose(0);
    EXPECT_TRUE(m_dialogs.shown().empty());
    EXPECT_TRUE(m_window.isVisible());
    EXPECT_EQ(settings::read(settings::key::hidden), "False");

    m_window.moveTwips(3000, 4000);
    for (const int answer : {ui::vbNo, ui::vbYes}) {
        m_dialogs.reset();
        m_dialogs.answerMsgBox(answer);
        choose(0);
        ASSERT_EQ(m_dialogs.shown().size(), 1u);
        EXPECT_EQ(m_dialogs.shown()[0].text, "Are you having trouble seeing the window?");
        EXPECT_EQ(m_dialogs.shown()[0].title, "Warning!");
        EXPECT_EQ(m_window.twipsLeft(), answer == ui::vbYes ? 200 : 3000);
        EXPECT_EQ(m_window.twipsTop(), answer == ui::vbYes ? 200 : 4000);
    }
}

TEST_F(TrayIcon, CheckEmailRunsOnlyWhenEnabled) {
    int checks = 0;
    main().otherParts().checkemail = [&] { ++checks; };
    choose(6);
    EXPECT_EQ(checks, 0);
    ASSERT_EQ(m_dialogs.shown().size(), 1u);
    EXPECT_EQ(m_dialogs.shown()[0].text,
              "You need to enable email checking in the settings window before you can use this "
              "feature");
    EXPECT_EQ(m_dialogs.shown()[0].flags, ui::vbInformation);
    EXPECT_EQ(spoken().back(), "You have disabled email checking");

    settings::write(settings::key::checkemail, "True");
    choose(6);
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(spoken().back(), "Please wait");
}

TEST_F(TrayIcon, ExitFromTheMenuShutsTheProgramDown) {
    choose(8);
    EXPECT_TRUE(main().ended());
    EXPECT_FALSE(m_tray.iconShown());
    const Lines log = logLines();
    EXPECT_EQ(log.back(), "Good bye");
    m_time.runUntilIdle();
    EXPECT_EQ(main().sysTray(), nullptr);
}

TEST_F(TrayIcon, FlasherBlinksTheIconAndTheTipAndStoppingRestoresThem) {
    main().flash().setInterval(1000);
    std::vector<HICON> icons;
    for (int tick = 0; tick < 3; ++tick) {
        m_time.advance(1000ms);
        icons.push_back(m_tray.icon());
        EXPECT_EQ(m_tray.tip(), "You have had new calls, Right click for options");
    }
    EXPECT_EQ(icons,
              (std::vector<HICON>{m_window.imgicon(), m_window.imgicon1(), m_window.imgicon()}));
    m_time.advance(1000ms);
    ASSERT_EQ(m_tray.icon(), m_window.imgicon1());
    main().stopFlasher();
    EXPECT_EQ(m_tray.icon(), m_window.imgicon());
    EXPECT_EQ(m_tray.tip(), "Belltale ? Version 4.1.3");
}

TEST_F(TrayIcon, ScrollLockThatCannotBeSetIsLoggedOnce) {
    settings::write(settings::key::flashscroll, "True");
    main().flash().setInterval(1000);
    m_time.advance(3000ms);
    int said = 0;
    for (const std::string& line : logLines()) {
        said += line == "The Scroll Lock light cannot be set on this desktop, it will not blink";
    }
    EXPECT_EQ(said, 1);
}

// Without a notification area the window could not be brought back once hidden: it goes to the
// task bar instead, and the log says why once.
TEST(TrayIconMissing, HidingMinimisesAndTheLogSaysSo) {
    core::VirtualTime time;
    vevuzer::testing::FreshProgramFolder folder;
    speech::SpeechRecorder spoken;
    ui::ScriptedDialogs dialogs;
    ui::TrayRecorder tray(ui::TrayRecorder::Area::Missing);
    settings::write(settings::key::line, settings::kNoModem);
    settings::write(settings::key::line2, settings::kNoModem);
    vevuzer::testing::NotingWindow window;
    window.Form_Load();
    window.show();
    window.main().Image2_Click();
    EXPECT_EQ(window.notes, Lines{"minimised"});
    settings::write(settings::key::hidden, "True");
    time.advance(30s);
    EXPECT_EQ(window.notes, (Lines{"minimised", "minimised"}));
    int said = 0;
    for (const std::string& line :
         vevuzer::linesOf(core::readFile(vevuzer::logFilePath()).value_or(""))) {
        said += line ==
                "There is no notification area on this desktop: the window stays on the task bar";
    }
    EXPECT_EQ(said, 1);
}

}  // namespace
