// The settings window on the real main window, in virtual time: its loading and Apply over every
// key, the number lists, the first-run welcome, devices assigned to the exchange's lines, the
// serial modem set-up against the modem simulator, and the call list's add and block.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include <fcntl.h>
#include <stdlib.h>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "platform/core/virtual_time.h"
#include "platform/registry/registry.h"
#include "platform/serial/serial.h"
#include "platform/shell/launch.h"
#include "platform/speech/testing/speech_recorder.h"
#include "platform/tapi/exchange.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "tools/modemsim/modem_simulator.h"
#include "vevuzer/records/call_list_entry.h"
#include "vevuzer/settings/frm_settings.h"
#include "vevuzer/settings/number_lists.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/exchange_lines.h"
#include "vevuzer/shell/frm_info.h"
#include "vevuzer/shell/frm_main.h"
#include "vevuzer/shell/testing/control_library.h"

namespace {

using namespace std::chrono_literals;
namespace key = settings::key;

TEST(NumberLists, AddAndRemoveAsTheListBoxesDo) {
    struct Case {
        const char* what;
        bool add;
        const char* list;
        const char* number;
        settings::ListEdit outcome;
        const char* after;
    };
    using settings::ListEdit;
    static constexpr Case cases[] = {
        {"added", true, " 0800 123,", "12-34", ListEdit::Done, " 0800 123, 12-34,"},
        {"inside a longer number", true, " 4123,", "123", ListEdit::AlreadyListed, " 4123,"},
        {"one character", true, "", "1", ListEdit::NoNumber, ""},
        {"removed", false, " 12-34, 0800 123,", "12-34", ListEdit::Done, " 0800 123,"},
        {"every copy, any case", false, " ab12, 99, AB12,", "Ab12", ListEdit::Done, " 99,"},
        {"trailing blank finds nothing", false, " 0800 123,", "0800 123 ", ListEdit::Done,
         " 0800 123,"},
        {"remove one character", false, " 12,", "1", ListEdit::NoNumber, " 12,"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        std::string list = row.list;
        EXPECT_EQ(row.add ? settings::addToNumberList(list, row.number)
                          : settings::removeFromNumberList(list, row.number),
                  row.outcome);
        EXPECT_EQ(list, row.after);
    }
}

TEST(NumberLists, ArrowButtons) {
    struct Case {
        std::string (*step)(std::string_view);
        const char* before;
        const char* after;
    };
    static const Case cases[] = {
        {settings::minuteDown, "1", "60"},    {settings::minuteUp, "60", "1"},
        {settings::minuteDown, "0", "60"},    {settings::minuteUp, "75", "1"},
        {settings::minuteDown, "10", "9"},    {settings::minuteUp, "7", "8"},
        {settings::minuteDown, "x", "60"},    {settings::minuteUp, "x", "1"},
        {settings::minuteDown, "2.5", "1.5"}, {settings::attemptsUp, "50", "50"},
        {settings::minuteUp, "2,5", "1"},     {settings::attemptsUp, "2,5", "2,5"},
        {settings::attemptsUp, "+4", "5"},    {settings::minuteUp, "+-4", "1"},
        {settings::attemptsDown, "1", "1"},   {settings::attemptsDown, "2.5", "1.5"},
        {settings::attemptsUp, "5", "6"},     {settings::attemptsUp, "many", "many"},
    };
    // A desktop that writes numbers with a decimal comma changes nothing in the boxes.
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        if (!std::setlocale(LC_ALL, locale))
            continue;
        SCOPED_TRACE(locale);
        for (const Case& row : cases)
            EXPECT_EQ(row.step(row.before), row.after) << row.before;
    }
    std::setlocale(LC_ALL, previous.c_str());
}

TEST(NumberLists, AListSplitOverLinesLoadsAsOneLine) {
    vevuzer::testing::FreshProgramFolder folder;
    core::rewriteFile(core::programFolder() / "Blocked.INI", " 0123,\r\n 456,\r\n");
    EXPECT_EQ(settings::loadNumberList(settings::kBlockedListFile), " 0123, 456,");
    EXPECT_TRUE(settings::writeNumberList(settings::kBlockedListFile, " 0123, 456,"));
    EXPECT_EQ(core::readFile(core::programFolder() / "Blocked.INI"), " 0123, 456,\r\n");
    EXPECT_EQ(settings::loadNumberList(settings::kEmailListFile), "");
}

TEST(CallListEntry, NumberAndNameOfAnEntry) {
    const auto caller = vevuzer::parseCallListEntry("3: 01234 567890,  ANN SMITH , 2 Mar 2026");
    EXPECT_EQ(caller.number, "01234567890");
    EXPECT_EQ(caller.name, "  ANN SMITH ");
    EXPECT_EQ(vevuzer::parseCallListEntry("Unknown Incoming call").number, "");
}

class SettingsWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(vevuzer::testing::registerControlLibrary(), S_OK);
        tapi::exchange().reset();
        settings::write(key::firstrun, settings::kFalse);
        m_previousStub = shell::redirectStartsTo("/bin/true");
    }
    void TearDown() override { shell::redirectStartsTo(m_previousStub); }

    static std::string deviceName(int line) {
        return tapi::exchange().config().lines.at(static_cast<std::size_t>(line - 1)).name;
    }
    template <class T>
    static T* control(frm_settings& window, const char* name) {
        T* found = window.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    core::VirtualTime m_time;
    vevuzer::testing::FreshProgramFolder m_folder;
    speech::SpeechRecorder m_spoken;
    ui::ScriptedDialogs m_dialogs;
    std::string m_previousStub;
};

TEST_F(SettingsWindow, ApplyWritesBackEveryKeyItLoaded) {
    const std::vector<std::pair<std::string_view, std::string>> stored = {
        {key::keepalive, "False"},
        {key::checkemail, "True"},
        {key::force, "True"},
        {key::dialtone, "True"},
        {key::pop3username, "ann"},
        {key::pop3password, "s3cret"},
        {key::pop3server, "pop.example.net"},
        {key::emailscan, "15"},
        {key::getcid, "False"},
        {key::format, "usa"},
        {key::attempts, "7"},
        {key::callback, "17070"},
        {key::reclength, "12"},
        {key::line, deviceName(1)},
        {key::line2, "No modem on this line"},
        {key::line3, "Some modem"},
        {key::line4, deviceName(4)},
        {key::clockenabled, "False"},
        {key::blockwithheld, "True"},
        {key::repeat, "True"},
        {key::annfreq, "25"},
        {key::email, "True"},
        {key::silence, "True"},
        {key::incoming, "/music/ring2.wav"},
        {key::emailaddress, "ann@example.net"},
        {key::emailto, "me@example.net"},
        {key::connect, "True"},
        {key::flashscroll, "True"},
        {key::disconnect, "True"},
        {key::smtp, "smtp.example.net"},
        {key::comp, "False"},
    };
    for (const auto& [name, value] : stored)
        settings::write(name, value);
    settings::writeStartWithWindows(true);
    core::rewriteFile(core::programFolder() / "blocked.ini", " 0123 456, 12-34,\r\n");
    core::rewriteFile(core::programFolder() / "email.ini", " 0800 1,\r\n");

    frm_main main;
    frm_settings& window = main.showSettings();
    for (const auto& [name, value] : stored)
        settings::write(name, "changed");
    settings::writeStartWithWindows(false);
    core::rewriteFile(core::programFolder() / "blocked.ini", "");
    core::rewriteFile(core::programFolder() / "email.ini", "");
    control<QPushButton>(window, "com_apply")->click();

    for (const auto& [name, value] : stored)
        EXPECT_EQ(settings::read(name), value) << name;
    EXPECT_TRUE(settings::startsWithWindows());
    EXPECT_EQ(core::readFile(core::programFolder() / "blocked.ini"), " 0123 456, 12-34,\r\n");
    EXPECT_EQ(core::readFile(core::programFolder() / "email.ini"), " 0800 1,\r\n");
    EXPECT_TRUE(window.isVisible()) << "Apply keeps the window open";

    // Unticked boxes write "False", and Start with Windows is switched off.
    control<QCheckBox>(window, "chk_force")->setChecked(false);
    control<QCheckBox>(window, "chk_lww")->setChecked(false);
    control<QPushButton>(window, "com_ok")->click();
    EXPECT_EQ(settings::read(key::force), "False");
    EXPECT_FALSE(settings::startsWithWindows());
    EXPECT_FALSE(window.isVisible());
}

TEST_F(SettingsWindow, CancelWritesNothingAndTheMainWindowStaysHiddenWhileItIsOpen) {
    frm_main main;
    main.show();
    frm_settings& window = main.showSettings();
    EXPECT_FALSE(main.isVisible());
    main.show();
    m_time.advance(1100ms);
    EXPECT_FALSE(main.isVisible()) << "hidden again within a second";
    control<QLineEdit>(window, "txt_callback")->setText("999");
    control<QPushButton>(window, "com_cancel")->click();
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(settings::read(key::callback, "never"), "never");
}

// Ten pages do not fit one row of tabs in the desktop's fonts: their names stand in two rows of
// whole labels, in order, and choose, show and follow the page as the tabs did.
TEST_F(SettingsWindow, PagesAreChosenFromRowsOfWholeLabels) {
    frm_main main;
    frm_settings& window = main.showSettings();
    m_time.runUntilIdle();
    auto* pages = control<QTabWidget>(window, "SSTab1");
    const std::vector<std::string> names = {"Modems",          "About",
                                            "Caller ID",       "General Settings",
                                            "Blocked callers", "Email notification",
                                            "Problems",        "Check Email",
                                            "Quick Send Fax",  "Compatibility"};
    std::vector<QPushButton*> tabs;
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        auto* tab = control<QPushButton>(window, ("tab_" + std::to_string(i)).c_str());
        ASSERT_NE(tab, nullptr);
        EXPECT_EQ(tab->text().toStdString(), names[i]);
        EXPECT_LE(tab->sizeHint().width(), tab->width()) << "the whole label shows";
        EXPECT_TRUE(tab->isVisible());
        tabs.push_back(tab);
    }
    ASSERT_EQ(tabs.size(), names.size());
    EXPECT_FALSE(pages->tabBar()->isVisible());
    // Five to a row, left to right, the second row below the first.
    const auto place = [&](std::size_t i) { return tabs[i]->mapTo(&window, QPoint()); };
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        SCOPED_TRACE(names[i]);
        const std::size_t first = i < 5 ? 0 : 5;
        EXPECT_EQ(place(i).y(), place(first).y());
        if (i != first) {
            EXPECT_GT(place(i).x(), place(i - 1).x());
        }
    }
    EXPECT_GT(place(5).y(), place(0).y());

    tabs[3]->click();
    EXPECT_EQ(pages->currentIndex(), 3);
    window.setTab(7);
    EXPECT_TRUE(tabs[7]->isChecked());
    EXPECT_FALSE(tabs[3]->isChecked());

    window.setTabEnabled(2, false);
    EXPECT_FALSE(tabs[2]->isEnabled());
    window.setTabEnabled(2, true);
    pages->setEnabled(false);
    EXPECT_FALSE(tabs[2]->isEnabled()) << "no other page while the pages are locked";
    pages->setEnabled(true);
    EXPECT_TRUE(tabs[2]->isEnabled());
}

TEST_F(SettingsWindow, CompatibilityModeSwitchesTheModemPagesOff) {
    settings::write(key::comp, settings::kTrue);
    settings::write(key::commport, "3");
    frm_main main;
    frm_settings& window = main.showSettings();
    EXPECT_FALSE(window.tabEnabled(frm_settings::Modems));
    EXPECT_FALSE(window.tabEnabled(frm_settings::CallerId));
    EXPECT_TRUE(window.tabEnabled(frm_settings::General));
    EXPECT_EQ(control<QComboBox>(window, "com_port")->currentText(), "3");
    EXPECT_TRUE(control<QCheckBox>(window, "chk_comp")->isChecked());
    EXPECT_EQ(settings::read(key::comp), "True") << "loading restarts nothing";
}

TEST_F(SettingsWindow, AFirstRunWelcomesOnceAndSelectsNoModemOnEveryLine) {
    settings::write(key::firstrun, settings::kTrue);
    settings::write(key::line, deviceName(2));
    frm_main main;
    frm_settings& window = main.showSettings();
    m_time.runUntilIdle();
    ASSERT_EQ(m_dialogs.shown().size(), 1u) << "the welcome";
    for (const char* box : {"ComboDevice", "com_line2", "com_line3", "com_line4"}) {
        QComboBox* devices = control<QComboBox>(window, box);
        EXPECT_EQ(devices->currentText(), "No modem on this line") << box;
        EXPECT_EQ(devices->itemText(0).toStdString(), deviceName(1)) << box;
    }
    window.close();
    window.Show();
    EXPECT_EQ(m_dialogs.shown().size(), 1u) << "welcomed once";
    EXPECT_EQ(control<QComboBox>(window, "ComboDevice")->currentText().toStdString(),
              deviceName(2));
}

TEST_F(SettingsWindow, ADeviceChosenForALineOpensThereAndIsStored) {
    namespace line = vevuzer::controls::line;
    frm_main main;
    frm_settings& window = main.showSettings();
    QComboBox* line2 = control<QComboBox>(window, "com_line2");
    line2->setCurrentIndex(2);  // the exchange's third line
    window.lineDevice_Click(2);
    EXPECT_EQ(settings::read(key::line2), deviceName(3));
    EXPECT_TRUE(main.main().lkLine(2).getBool(line::DeviceActive).value_or(false));

    line2->setCurrentIndex(line2->count() - 1);
    window.lineDevice_Click(2);
    EXPECT_EQ(settings::read(key::line2), "No modem on this line");
    EXPECT_FALSE(main.main().lkLine(2).getBool(line::DeviceActive).value_or(true));

    // A device that does not open is not stored; the user is offered compatibility mode.
    tapi::exchange().setInjectedFailure("lineOpen", LINEERR_RESOURCEUNAVAIL);
    m_dialogs.answerMsgBox(ui::vbOK);  // the line reports no error number: the compliance warning
    m_dialogs.answerMsgBox(ui::vbNo);
    line2->setCurrentIndex(0);
    window.lineDevice_Click(2);
    EXPECT_EQ(settings::read(key::line2), "No modem on this line");
    EXPECT_EQ(m_dialogs.shown().back().title, "Switch mode?");
    EXPECT_TRUE(window.tabEnabled(frm_settings::Modems));
    m_dialogs.answerMsgBox(ui::vbOK);
    m_dialogs.answerMsgBox(ui::vbYes);
    window.lineDevice_Click(2);
    EXPECT_EQ(window.Tab(), frm_settings::Compatibility);
    EXPECT_TRUE(control<QCheckBox>(window, "chk_comp")->isChecked());
    EXPECT_FALSE(window.tabEnabled(frm_settings::Modems));
    EXPECT_EQ(settings::read(key::comp, "never"), "never") << "stored only by Apply or the set-up";
}

TEST_F(SettingsWindow, TheDialToneTestOfTheButtonsLine) {
    frm_main main;
    frm_settings& window = main.showSettings();
    settings::write(key::line2, deviceName(2));
    main.main().openlines();
    tapi::exchange().setDialTone(1, false);
    control<QPushButton>(window, "Command17")->click();  // line 2's button
    ASSERT_EQ(m_dialogs.shown().size(), 2u);
    EXPECT_EQ(m_dialogs.shown()[1].title, "Not Found!");
    tapi::exchange().setDialTone(1, true);
    control<QPushButton>(window, "Command17")->click();
    EXPECT_EQ(m_dialogs.shown().back().title, "Found!");
}

// The modem set-up's one-second pauses pass in virtual time; a little real time goes by in them
// so the simulated modem, a real process on a pseudo-terminal, can answer.
class ModemSetUp : public SettingsWindow {
  protected:
    void SetUp() override {
        SettingsWindow::SetUp();
        m_realTime.setOnTimer([] { std::this_thread::sleep_for(2ms); });
        m_realTime.setInterval(20);
    }
    void mapPort(int port, const std::string& device) {
        registry::writeString(HKEY_LOCAL_MACHINE, serial::kSerialCommKey, device,
                              "COM" + std::to_string(port));
    }
    void choosePort(frm_settings& window, int port) {
        QComboBox* ports = control<QComboBox>(window, "com_port");
        ports->setCurrentIndex(port - 1);
        window.com_port_Click();
    }
    core::Timer m_realTime;
};

TEST_F(ModemSetUp, FindsTheCallerIdCommandTheModemTakes) {
    static constexpr const char* kCommands[] = {
        "AT#CID=1", "AT#CLS=8#CID=1", "AT+VCID=1", "AT#CC1", "AT&F&C1&D3&Q5S48=7#CC1",
        "AT*ID1",   "AT%CCID=1",      "AT%CCID=3", "EcTxH@", "ATS40=4",
    };
    for (std::size_t taken = 0; taken < std::size(kCommands); ++taken) {
        SCOPED_TRACE(kCommands[taken]);
        vevuzer::testing::FreshProgramFolder folder;
        SetUp();
        modemsim::Options options;
        options.acceptedCallerIdCommands = {kCommands[taken]};
        modemsim::ModemSimulator modem(options);
        ASSERT_TRUE(modem.ready());
        mapPort(2, modem.devicePath());
        m_dialogs.reset();
        frm_main main;
        frm_settings& window = main.showSettings();
        choosePort(window, 2);

        EXPECT_EQ(settings::read(key::init), kCommands[taken]);
        EXPECT_EQ(settings::read(key::commport), "2");
        EXPECT_EQ(settings::read(key::comp), "True");
        EXPECT_EQ(m_dialogs.shown().back().title, "Congratulations!");
        const std::vector<std::string> sent = modem.commands();
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.back(), kCommands[taken]) << "nothing tried after the one taken";
        EXPECT_TRUE(main.main().ended()) << "restarted";
    }
}

TEST_F(ModemSetUp, AModemThatTakesNoneStillRestartsInCompatibilityMode) {
    modemsim::Options takesNone;
    takesNone.acceptedCallerIdCommands.clear();
    modemsim::ModemSimulator modem(takesNone);
    ASSERT_TRUE(modem.ready());
    mapPort(1, modem.devicePath());
    frm_main main;
    frm_settings& window = main.showSettings();
    choosePort(window, 1);
    EXPECT_EQ(settings::read(key::init, "never"), "");
    EXPECT_EQ(settings::read(key::comp), "True");
    EXPECT_EQ(m_dialogs.shown().back().title, "Bad news.");
    EXPECT_EQ(modem.commands().size(), 12u) << "ATZ, AT&F and the ten commands";
    EXPECT_TRUE(main.main().ended());
}

TEST_F(ModemSetUp, NoModemOrNoPortEndsWithoutARestart) {
    // A pseudo-terminal nobody answers on.
    const int silent = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(silent, 0);
    ASSERT_EQ(grantpt(silent), 0);
    ASSERT_EQ(unlockpt(silent), 0);
    mapPort(3, ptsname(silent));
    settings::write(key::commport, "7");
    frm_main main;
    frm_settings& window = main.showSettings();
    choosePort(window, 3);
    EXPECT_EQ(settings::read(key::commport, "never"), "");
    EXPECT_EQ(m_dialogs.shown().back().title, "Error!");
    EXPECT_NE(m_dialogs.shown().back().text.find("isn`t reponding on port 3"), std::string::npos);
    EXPECT_FALSE(main.main().ended());

    settings::write(key::commport, "7");
    choosePort(window, 5);  // no device behind port 5
    EXPECT_EQ(m_dialogs.shown().back().text,
              "Error, the comm port doesn`t seem to exist or isn`t available for use.");
    EXPECT_EQ(settings::read(key::commport), "7") << "kept";
    EXPECT_FALSE(main.main().ended());
    close(silent);
}

// What answers "AT&F": one character of any byte is no reply; "ok" in any case acknowledges; any
// other answer is warned about and the modem is still tried.
TEST_F(ModemSetUp, TheResetReplyDecidesWhetherAModemAnswered) {
    struct Case {
        const char* what;
        std::string reply;
        const char* lastTitle;
        bool restarted;
        bool warned = false;
    };
    const Case cases[] = {
        {"a noise byte", "\xFF", "Error!", false},
        {"one letter", "K", "Error!", false},
        {"lower case ok", "\r\nok\r\n", "Congratulations!", true},
        {"two characters without ok", "\r\n", "Congratulations!", true, true},
        {"the command echoed, then OK", "AT&F\r\r\nOK\r\n", "Congratulations!", true},
        {"a numeric result code", "0\r", "Congratulations!", true, true},
        {"ERROR", "\r\nERROR\r\n", "Congratulations!", true, true},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        vevuzer::testing::FreshProgramFolder folder;
        SetUp();
        modemsim::Options options;
        options.factoryResetReply = row.reply;
        modemsim::ModemSimulator modem(options);
        ASSERT_TRUE(modem.ready());
        mapPort(1, modem.devicePath());
        m_dialogs.reset();
        frm_main main;
        frm_settings& window = main.showSettings();
        choosePort(window, 1);
        ASSERT_FALSE(m_dialogs.shown().empty());
        EXPECT_EQ(m_dialogs.shown().back().title, row.lastTitle);
        EXPECT_EQ(main.main().ended(), row.restarted);
        EXPECT_EQ(settings::read(key::commport, "never"), row.restarted ? "1" : "");
        const bool warned = std::any_of(
            m_dialogs.shown().begin(), m_dialogs.shown().end(), [](const ui::ShownDialog& box) {
                return box.text.find("isn`t responding properly") != std::string::npos;
            });
        EXPECT_EQ(warned, row.warned);
    }
}

// Set up again while the program watches the modem: opening the window with the stored port
// sends nothing, and choosing the port makes the main window let go of it before the scan opens
// it.
TEST_F(ModemSetUp, TheMainWindowLetsGoOfThePortBeforeTheScan) {
    modemsim::ModemSimulator modem;
    ASSERT_TRUE(modem.ready());
    mapPort(1, modem.devicePath());
    settings::write(key::comp, settings::kTrue);
    settings::write(key::commport, "1");
    settings::write(key::init, "AT+VCID=1");
    frm_main main;
    main.Form_Load();
    ASSERT_TRUE(modem.waitForCommands(2, 5s));
    ASSERT_TRUE(main.main().comm().getBool(vevuzer::controls::comm::PortOpen).value_or(false));

    frm_settings& window = main.showSettings();
    m_time.advance(2000ms);
    EXPECT_EQ(control<QComboBox>(window, "com_port")->currentText(), "1");
    EXPECT_EQ(modem.commands().size(), 2u) << "nothing scanned by opening the window";

    choosePort(window, 1);
    const std::string log = core::readFile(vevuzer::logFilePath()).value_or("");
    const std::size_t closed = log.find("Closing the comm port before new scan routine is used");
    ASSERT_NE(closed, std::string::npos) << log;
    EXPECT_LT(closed, log.find("Opening new comm port now")) << log;
    EXPECT_EQ(modem.commands(),
              (std::vector<std::string>{"AT&F", "AT+VCID=1", "ATZ", "AT&F", "AT#CID=1",
                                        "AT#CLS=8#CID=1", "AT+VCID=1"}));
    EXPECT_EQ(settings::read(key::init), "AT+VCID=1");
    EXPECT_EQ(m_dialogs.shown().back().title, "Congratulations!");
    EXPECT_TRUE(main.main().ended());
}

TEST_F(ModemSetUp, TheCallerIdUnitIsStoredWithoutOpeningThePort) {
    frm_main main;
    frm_settings& window = main.showSettings();
    QComboBox* kind = control<QComboBox>(window, "com_kind");
    kind->setCurrentIndex(1);
    window.com_kind_Click();
    EXPECT_EQ(settings::read(key::kind), "Rochelle caller ID plug");
    EXPECT_EQ(control<QComboBox>(window, "com_port")->currentText(), "select");
    choosePort(window, 4);
    EXPECT_EQ(settings::read(key::commport), "4");
    EXPECT_EQ(settings::read(key::init, "never"), "");
    EXPECT_EQ(settings::read(key::comp), "True");
    EXPECT_EQ(m_dialogs.shown().back().title, "Ready to restart");
    EXPECT_TRUE(main.main().ended());
}

TEST_F(SettingsWindow, TheCallListAddsToTheAddressBookAndBlocks) {
    frm_main main;
    main.displayAddItem("1: 01234 567890,  ANN SMITH , 2 Mar 2026 09:00");
    main.displayAddItem("2: 1.wav, Caller ID recording on line 2, , 2 Mar 2026 09:01");
    main.displayAddItem("3: 0161 4960000, Name Unavailable, 2 Mar 2026 09:02");

    main.setDisplayListIndex(0);
    main.mn1_addcaler_Click();
    EXPECT_EQ(core::readFile(core::programFolder() / "directory.ini"),
              "[callers]\r\n01234567890=ANN SMITH\r\n");
    EXPECT_EQ(m_dialogs.shown().back().title, "Complete");
    main.mn1_addcaler_Click();
    EXPECT_EQ(m_dialogs.shown().back().title, "Already there!");

    main.setDisplayListIndex(2);
    m_dialogs.cancelInputBox();
    main.mn1_addcaler_Click();
    EXPECT_EQ(m_dialogs.shown().back().title, "Name needed");
    EXPECT_EQ(core::readFile(core::programFolder() / "directory.ini"),
              "[callers]\r\n01234567890=ANN SMITH\r\n")
        << "a cancelled question adds nothing";

    main.setDisplayListIndex(1);
    main.mn1_blockcaller_Click();
    EXPECT_EQ(m_dialogs.shown().back().text, "Sorry, this is a recording.");
    main.setDisplayListIndex(0);
    main.mn1_blockcaller_Click();
    EXPECT_EQ(m_dialogs.shown().back().title, "Caller blocked");
    frm_settings& window = main.showSettings();
    EXPECT_EQ(window.Tab(), frm_settings::Blocked);
    EXPECT_EQ(control<QPlainTextEdit>(window, "txt_blocked")->toPlainText(), " 01234567890,");
}

std::string logText() {
    return core::readFile(vevuzer::logFilePath()).value_or("");
}

TEST_F(SettingsWindow, AssignedExchangeLinesAreShownAndKeptByTheFirstOk) {
    settings::write(key::firstrun, settings::kTrue);
    frm_main main;
    ASSERT_EQ(vevuzer::assignLineDevicesIfUnset(main.main().lkLine(1)).size(), 4u);
    frm_settings& window = main.showSettings();
    m_time.runUntilIdle();
    EXPECT_TRUE(m_dialogs.shown().empty()) << "no first-run welcome";
    const char* boxes[] = {"ComboDevice", "com_line2", "com_line3", "com_line4"};
    for (int N = 1; N <= 4; ++N)
        EXPECT_EQ(control<QComboBox>(window, boxes[N - 1])->currentText().toStdString(),
                  deviceName(N));
    control<QPushButton>(window, "com_ok")->click();
    for (const auto name : {key::line, key::line2, key::line3, key::line4})
        EXPECT_NE(settings::read(name), "No modem on this line") << name;
    EXPECT_EQ(settings::read(key::line4), deviceName(4));
}

TEST_F(SettingsWindow, EachVisitShowsWhatIsStoredWhateverTheLastOneLeft) {
    settings::write(key::line2, deviceName(2));
    frm_main main;
    frm_settings& window = main.showSettings();
    control<QCheckBox>(window, "chk_lww")->setChecked(true);
    const std::pair<const char*, const char*> typed[] = {
        {"txt_phone", "0123"}, {"txt_number", "0456"}, {"recipient", "Ann"}, {"faxnumber", "44"}};
    for (const auto& [name, value] : typed)
        control<QLineEdit>(window, name)->setText(value);
    for (const char* name : {"txt_problem", "faxmessage"})
        control<QPlainTextEdit>(window, name)->setPlainText("typed");
    window.com_kind_Click();
    QComboBox* port = control<QComboBox>(window, "com_port");
    port->setEditText("5");
    // Compatibility mode offered for a device that does not open, and accepted.
    tapi::exchange().setInjectedFailure("lineOpen", LINEERR_RESOURCEUNAVAIL);
    m_dialogs.answerMsgBox(ui::vbOK);
    m_dialogs.answerMsgBox(ui::vbYes);
    control<QComboBox>(window, "com_line2")->setCurrentIndex(0);
    window.lineDevice_Click(2);
    ASSERT_FALSE(window.tabEnabled(frm_settings::Modems));
    control<QPushButton>(window, "com_cancel")->click();

    window.Show();
    EXPECT_FALSE(control<QCheckBox>(window, "chk_lww")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(window, "chk_comp")->isChecked());
    EXPECT_TRUE(window.tabEnabled(frm_settings::Modems));
    EXPECT_TRUE(window.tabEnabled(frm_settings::CallerId));
    EXPECT_EQ(port->currentText(), "select");
    EXPECT_FALSE(port->font().bold());
    for (const auto& [name, value] : typed)
        EXPECT_EQ(control<QLineEdit>(window, name)->text(), "") << name;
    for (const char* name : {"txt_problem", "faxmessage"})
        EXPECT_EQ(control<QPlainTextEdit>(window, name)->toPlainText(), "") << name;
    EXPECT_EQ(control<QComboBox>(window, "com_line2")->currentText().toStdString(), deviceName(2));
    control<QPushButton>(window, "com_ok")->click();
    EXPECT_FALSE(settings::startsWithWindows());
    EXPECT_EQ(settings::read(key::comp), "False");
}

TEST_F(SettingsWindow, ApplyKeepsTheStoredDeviceOfALineWhoseChoiceDidNotOpen) {
    settings::write(key::line2, deviceName(2));
    frm_main main;
    frm_settings& window = main.showSettings();
    QComboBox* line2 = control<QComboBox>(window, "com_line2");
    tapi::exchange().setInjectedFailure("lineOpen", LINEERR_RESOURCEUNAVAIL);
    m_dialogs.answerMsgBox(ui::vbOK);
    m_dialogs.answerMsgBox(ui::vbNo);
    line2->setCurrentIndex(0);
    window.lineDevice_Click(2);
    ASSERT_EQ(line2->currentText().toStdString(), deviceName(1));
    control<QPushButton>(window, "com_apply")->click();
    EXPECT_EQ(settings::read(key::line2), deviceName(2));

    // Once it opens, it is the line's device.
    tapi::exchange().setInjectedFailure("lineOpen", 0);
    window.lineDevice_Click(2);
    control<QPushButton>(window, "com_apply")->click();
    EXPECT_EQ(settings::read(key::line2), deviceName(1));
}

TEST_F(SettingsWindow, TheCallListsBlockIsStoredBeforeItSaysSo) {
    core::rewriteFile(core::programFolder() / "blocked.ini", " 0800 1,\r\n");
    frm_main main;
    main.displayAddItem("1: 01234 567890,  ANN SMITH , 2 Mar 2026 09:00");
    main.displayAddItem("Unknown Incoming call");
    frm_settings& window = main.showSettings();
    // Typing in the list that is not applied is left for the window's own buttons.
    control<QPlainTextEdit>(window, "txt_blocked")->setPlainText(" 0800 1, 0777 2,");

    main.setDisplayListIndex(0);
    main.mn1_blockcaller_Click();
    EXPECT_EQ(m_dialogs.shown().back().title, "Caller blocked");
    EXPECT_EQ(core::readFile(core::programFolder() / "blocked.ini"), " 0800 1, 01234567890,\r\n");
    EXPECT_EQ(control<QPlainTextEdit>(window, "txt_blocked")->toPlainText(),
              " 0800 1, 0777 2, 01234567890,");
    control<QPushButton>(window, "com_cancel")->click();
    EXPECT_EQ(core::readFile(core::programFolder() / "blocked.ini"), " 0800 1, 01234567890,\r\n");

    const std::size_t before = m_dialogs.shown().size();
    main.setDisplayListIndex(1);
    main.mn1_blockcaller_Click();
    ASSERT_EQ(m_dialogs.shown().size(), before + 1);
    EXPECT_EQ(m_dialogs.shown().back().text, "You didn`t enter a phone number");
}

TEST_F(SettingsWindow, TheCallListsAddSaysAddedOnlyWhenTheBookStoredIt) {
    // A book that cannot be read refuses every Save.
    std::filesystem::create_directory(core::programFolder() / "directory.ini");
    frm_main main;
    main.displayAddItem("1: 01234 567890,  ANN SMITH , 2 Mar 2026 09:00");
    main.setDisplayListIndex(0);
    main.mn1_addcaler_Click();
    ASSERT_FALSE(m_dialogs.shown().empty());
    for (const auto& dialog : m_dialogs.shown())
        EXPECT_NE(dialog.title, "Complete") << dialog.text;
}

TEST_F(SettingsWindow, NoModemLogsALineClosedOnlyWhenItClosed) {
    namespace line = vevuzer::controls::line;
    settings::write(key::line2, deviceName(2));
    frm_main main;
    main.main().openlines();
    frm_settings& window = main.showSettings();
    ASSERT_TRUE(main.main().lkLine(2).getBool(line::DeviceActive).value_or(false));
    tapi::exchange().setInjectedFailure("lineClose", LINEERR_OPERATIONFAILED);
    QComboBox* line2 = control<QComboBox>(window, "com_line2");
    line2->setCurrentIndex(line2->count() - 1);
    window.lineDevice_Click(2);
    ASSERT_TRUE(main.main().lkLine(2).getBool(line::DeviceActive).value_or(false));
    EXPECT_EQ(logText().find("Line 2 has been closed"), std::string::npos);
    EXPECT_NE(logText().find("Line 2 could not be closed"), std::string::npos);
}

TEST_F(SettingsWindow, UntickingCompatibilityModeRestartsInTelephonyMode) {
    settings::write(key::comp, settings::kTrue);
    frm_main main;
    frm_settings& window = main.showSettings();
    QCheckBox* comp = control<QCheckBox>(window, "chk_comp");
    ASSERT_TRUE(comp->isChecked());
    comp->click();
    EXPECT_EQ(settings::read(key::comp), "False");
    ASSERT_EQ(m_dialogs.shown().size(), 1u);
    EXPECT_EQ(m_dialogs.shown()[0].title, "TAPI mode selected");
    EXPECT_TRUE(main.main().ended()) << "restarted";
}

TEST_F(SettingsWindow, TickingCompatibilityModeWaitsForApply) {
    frm_main main;
    frm_settings& window = main.showSettings();
    control<QCheckBox>(window, "chk_comp")->click();
    EXPECT_TRUE(m_dialogs.shown().empty());
    EXPECT_EQ(settings::read(key::comp, "never"), "never");
    EXPECT_FALSE(main.main().ended());
}

TEST_F(SettingsWindow, TheRingSoundChooser) {
    const std::string chosen = (core::programFolder() / "ring2.wav").string();
    frm_main main;
    frm_settings& window = main.showSettings();
    QLineEdit* wav = control<QLineEdit>(window, "txt_wav");
    wav->setText("/old/ring.wav");
    m_dialogs.cancelFileDialog();
    control<QPushButton>(window, "Command12")->click();
    EXPECT_EQ(wav->text(), "/old/ring.wav");
    m_dialogs.answerFileDialog(chosen);
    control<QPushButton>(window, "Command12")->click();
    EXPECT_EQ(wav->text().toStdString(), chosen);
    EXPECT_NE(logText().find(".wav file has been set to " + chosen), std::string::npos);
    control<QPushButton>(window, "com_apply")->click();
    EXPECT_EQ(settings::read(key::incoming), chosen);
}

TEST_F(SettingsWindow, EachHelpButtonShowsItsPagesHelp) {
    struct Case {
        const char* button;
        const char* opening;
    };
    static constexpr Case cases[] = {
        {"Command3",
         "In this box, you need to select the TAPI compliant modem that you wish to "
         "use on line 1."},
        {"Command6",
         "In this box, you need to select the TAPI compliant modem that you wish to "
         "use on line 4."},
        {"Command10", "The telephone number should be the one told to you by your telco"},
        {"Command8", "The speaking clock simply announces the time"},
        {"Command9", "When entering telephone numbers in to the blocked callers list"},
        {"Command11", "Email notification mean that if a call comes in"},
        {"Command20", "Your POP3 user name is usually"},
        {"Command22", "The main thing to remember when sending a fax"},
    };
    frm_main main;
    frm_settings& window = main.showSettings();
    for (const Case& row : cases) {
        SCOPED_TRACE(row.button);
        control<QPushButton>(window, row.button)->click();
        frm_info* info = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            info = info ? info : dynamic_cast<frm_info*>(widget);
        ASSERT_NE(info, nullptr);
        EXPECT_TRUE(info->isVisible());
        EXPECT_EQ(info->text().rfind(row.opening, 0), 0u) << info->text();
    }
}

TEST_F(SettingsWindow, TheFaxFiltersComplainAndKeepTheText) {
    struct Case {
        const char* box;
        const char* typed;
        const char* complaint;  // empty when the text is accepted
        const char* spoken;
    };
    static constexpr Case cases[] = {
        {"faxnumber", "441632960123", "", ""},
        {"faxnumber", "4416 3296", "Please DO NOT enter anything other than digits in this box",
         "Invalid entry"},
        {"faxnumber", "44.16", "Please DO NOT enter anything other than digits in this box",
         "Invalid entry"},
        {"faxnumber", "44-16", "Please DO NOT enter anything other than digits in this box",
         "Invalid entry"},
        {"faxnumber", "44,16", "Please DO NOT enter anything other than digits in this box",
         "Invalid entry"},
        {"recipient", "Ann Smith-Jones, Sales", "", ""},
        {"recipient", "Dr. Smith", "Please dont enter full stops in to this box", "Error"},
    };
    frm_main main;
    frm_settings& window = main.showSettings();
    for (const Case& row : cases) {
        SCOPED_TRACE(std::string(row.box) + ": " + row.typed);
        m_dialogs.reset();
        const std::size_t logBefore = logText().size();
        QLineEdit* box = control<QLineEdit>(window, row.box);
        box->setText(row.typed);
        EXPECT_EQ(box->text(), row.typed);
        if (*row.complaint == '\0') {
            EXPECT_TRUE(m_dialogs.shown().empty());
            continue;
        }
        ASSERT_EQ(m_dialogs.shown().size(), 1u);
        EXPECT_EQ(m_dialogs.shown()[0].text, row.complaint);
        EXPECT_EQ(m_dialogs.shown()[0].title, "Error!");
        EXPECT_NE(
            logText().find(std::string("Speech command, now saying ") + row.spoken, logBefore),
            std::string::npos);
        box->clear();
    }
}

}  // namespace
