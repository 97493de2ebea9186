// The main window's load and shut-down against the simulated exchange, in virtual time: what the
// activity log says, line by line, and what the exchange and the controls end up with.
#include "vevuzer/shell/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/speech/testing/speech_recorder.h"
#include "platform/tapi/exchange.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "platform/ui/testing/tray_recorder.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/clock_text.h"
#include "vevuzer/shell/frm_main.h"
#include "vevuzer/shell/testing/control_library.h"

namespace {

namespace ids = vevuzer::controls;
using Lines = std::vector<std::string>;

Lines splitLines(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

// The lines a control has logged from line `from` on, read through its log-lines member. The
// callback instance is an address that changes from run to run, so its value is left out.
Lines controlLog(const com::Dispatch& control, DISPID logLines, std::size_t from = 0) {
    const com::Dispatch list(control.get(logLines).value.toDispatch());
    Lines lines;
    const LONG count = list.get(ids::strings::Count).value.toInt32().value_or(0);
    for (LONG i = static_cast<LONG>(from); i < count; ++i) {
        std::string line = list.get(ids::strings::Item, i).value.toString().value_or("?");
        if (line.rfind("\tCallBackInstance = ", 0) == 0) {
            line = "\tCallBackInstance = ...";
        }
        lines.push_back(line);
    }
    return lines;
}

std::string exchangeLineName(int line) {
    return tapi::exchange().config().lines.at(static_cast<std::size_t>(line - 1)).name;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// What a Line control logs while it is given line n's device and opened: choosing another device
// than the first reads that device's description first.
Lines lineOpeningLog(int n) {
    const std::string id = std::to_string(n - 1);
    const std::string name = quoted(exchangeLineName(n));
    const std::string address =
        quoted(tapi::exchange().config().lines.at(static_cast<std::size_t>(n - 1)).number);
    Lines log;
    if (n > 1) {
        log = {"DeviceName = " + name,  "DeviceID = " + id,   "\tDeviceCount = 4",
               "AddressID = 0",         "\tAddressCount = 1", "\tAddressName = " + address,
               "\tDeviceName = " + name};
    }
    const Lines opening = {
        "DeviceActive = True",    "\tDeviceID = " + id,           "\tDeviceCount = 4",
        "\tDeviceName = " + name, "\tCallBackInstance = ...",     "AddressID = 0",
        "\tAddressCount = 1",     "\tAddressName = " + address,   "TerminalID = 0",
        "\tTerminalCount = 2",    "\tTerminalName = \"Handset\"", "TerminalID = 1",
        "\tTerminalCount = 2",    "\tTerminalName = \"Speaker\""};
    log.insert(log.end(), opening.begin(), opening.end());
    return log;
}

class MainWindowLoad : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(vevuzer::testing::registerControlLibrary(), S_OK);
        tapi::exchange().reset();
    }

    static void assignLines(int count = vevuzer::kLineCount) {
        static constexpr std::string_view keys[] = {settings::key::line, settings::key::line2,
                                                    settings::key::line3, settings::key::line4};
        for (int n = 1; n <= vevuzer::kLineCount; ++n) {
            settings::write(keys[n - 1],
                            n <= count ? exchangeLineName(n) : std::string(settings::kNoModem));
        }
    }

    Lines activityLog() const {
        return splitLines(core::readFile(m_folder.home() / "log.txt").value_or(""));
    }
    void writeActivityLog(const std::string& text) const {
        ASSERT_TRUE(core::rewriteFile(m_folder.home() / "log.txt", text));
    }
    // The lines after the first `skip` of the log.
    Lines activityLogFrom(std::size_t skip) const {
        const Lines all = activityLog();
        return skip < all.size() ? Lines(all.begin() + static_cast<long>(skip), all.end())
                                 : Lines();
    }

    // Each exchange line's state as `telsim list` shows it, without its name.
    static Lines exchangeStates() {
        Lines states;
        for (const std::string& line : splitLines(tapi::exchange().list())) {
            const auto colon = line.find(": ");
            states.push_back(colon == std::string::npos ? line : line.substr(colon + 2));
        }
        return states;
    }

    static void logEveryLine(frm_main& window) {
        for (int n = 1; n <= vevuzer::kLineCount; ++n) {
            window.main().lkLine(n).putBool(ids::line::VantageLogActive, true);
        }
    }

    core::VirtualTime m_time;
    vevuzer::testing::FreshProgramFolder m_folder;
    speech::SpeechRecorder m_spoken;
    ui::ScriptedDialogs m_dialogs;
    // A desktop with a notification area, as the program expects.
    ui::TrayRecorder m_tray;
};

TEST_F(MainWindowLoad, StartsTheLogAndOpensTheAssignedLinesInOrder) {
    assignLines();
    settings::write(settings::key::x, "1500");
    settings::write(settings::key::y, "600");
    writeActivityLog("a line of the last run\r\n");
    const std::string started =
        "Belltale, 4.1.3. started at " + vevuzer::timeText() + " on " + vevuzer::dateText();

    frm_main window;
    logEveryLine(window);
    window.Form_Load();

    EXPECT_EQ(activityLog(), (Lines{
                                 "Deleted log file ready for new input",
                                 started,
                                 "Checking for missing files",
                                 "Line 1, " + exchangeLineName(1) + " initialised",
                                 "Line 2, " + exchangeLineName(2) + " initialised",
                                 "Line 3, " + exchangeLineName(3) + " initialised",
                                 "Line 4, " + exchangeLineName(4) + " initialised",
                                 "Setting up tray icon",
                                 "Setting number format to NON USA or Canada format on all lines",
                                 "Attatching the email engine now",
                                 "Code = 0",
                                 "Setting timers",
                                 "Loading display skin",
                             }));
    for (const std::string& state : exchangeStates()) {
        EXPECT_EQ(state.rfind("open by", 0), 0u) << state;
    }
    for (int n = 1; n <= vevuzer::kLineCount; ++n) {
        SCOPED_TRACE(n);
        const vevuzer::HostedControl& line = window.main().lkLine(n);
        EXPECT_EQ(line.getBool(ids::line::DeviceActive), true);
        EXPECT_EQ(line.getText(ids::line::CallCallerIDMaskNumber), ";0;*");
        EXPECT_EQ(controlLog(line.dispatch(), ids::line::VantageLogLines), lineOpeningLog(n));
    }
    EXPECT_EQ(window.main().Timer1().interval(), 1000u);
    EXPECT_EQ(window.main().Timer2().interval(), 1000u);
    EXPECT_EQ(window.twipsLeft(), 1500);
    EXPECT_EQ(window.twipsTop(), 600);
    EXPECT_EQ(window.twipsHeight(), 1530);
    EXPECT_EQ(window.main().state().statuscountdown, 5);
    EXPECT_EQ(window.main().state().collapsecountdown, 5);
    EXPECT_EQ(window.main().state().attemptsleft, "5");
    EXPECT_TRUE(m_dialogs.shown().empty());
    EXPECT_FALSE(window.main().ended());
}

TEST_F(MainWindowLoad, ShutDownClosesEverythingSavesThePositionAndSaysGoodBye) {
    assignLines();
    frm_main window;
    window.Form_Load();
    window.setFormLeft(2250);
    window.setFormTop(3000);
    logEveryLine(window);
    window.main().lkRecord1().putBool(ids::record::VantageLogActive, true);
    const std::size_t loadLines = activityLog().size();
    Lines expected = {"Closing Belltale at " + vevuzer::timeText() + " on " + vevuzer::dateText(),
                      "Line 1 is closed",
                      "Line 2 is closed",
                      "Line 3 is closed",
                      "Line 4 is closed",
                      "Record device is not active"};
    for (const char* line : {"Unloading email engine", "Code = 0", "Closing system tray down",
                             "Saving window position", "Good bye"}) {
        expected.push_back(line);
    }
    // Kept past the shut-down, to read what the line logged while it closed.
    const com::Dispatch line1 = window.main().lkLine(1).dispatch();
    const std::size_t line1Before = controlLog(line1, ids::line::VantageLogLines).size();

    EXPECT_TRUE(window.main().unloadWindow());

    EXPECT_EQ(activityLogFrom(loadLines), expected);
    EXPECT_EQ(controlLog(line1, ids::line::VantageLogLines, line1Before),
              (Lines{"DeviceActive = False", "\tDeviceID = 0", "\tDeviceCount = 4",
                     "\tDeviceName = " + quoted(exchangeLineName(1))}));
    EXPECT_TRUE(window.main().ended());
    EXPECT_EQ(settings::read(settings::key::x), "2250");
    EXPECT_EQ(settings::read(settings::key::y), "3000");
    EXPECT_EQ(exchangeStates(), Lines(4, "closed"));
    EXPECT_FALSE(window.main().lkLine(1).exists()) << "the controls are let go";
    EXPECT_EQ(window.main().Timer1().interval(), 0u);
    EXPECT_TRUE(m_dialogs.shown().empty());
}

TEST_F(MainWindowLoad, CompatibilityModeLeavesEveryLineClosed) {
    assignLines();
    settings::write(settings::key::comp, "True");
    settings::write(settings::key::commport, "2");
    frm_main window;
    window.Form_Load();

    const Lines log = activityLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(Lines(log.begin() + 1, log.end()), (Lines{
                                                     "Checking for missing files",
                                                     "Setting up tray icon",
                                                     "Attatching the email engine now",
                                                     "Code = 0",
                                                     "Setting timers",
                                                     "Loading display skin",
                                                     "Using compatbility mode, opening line 2 now",
                                                     "Tried to Open Comm 2 but it failed to open.",
                                                 }));
    EXPECT_EQ(exchangeStates(), Lines(4, "closed"));
    for (int n = 1; n <= vevuzer::kLineCount; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(window.main().lkLine(n).getBool(ids::line::DeviceActive), false);
        EXPECT_EQ(window.main().lkLine(n).getText(ids::line::CallCallerIDMaskNumber),
                  "000-000-0000;0");
    }
    EXPECT_TRUE(window.main().state().portinit) << "the port is not open";

    // Neither procedure touches a line in this mode.
    window.main().openlines();
    window.main().closelines();
    EXPECT_EQ(exchangeStates(), Lines(4, "closed"));
    EXPECT_EQ(activityLog().size(), log.size());

    window.main().unloadWindow();
    const Lines closing = activityLogFrom(log.size() + 1);
    ASSERT_GE(closing.size(), 4u);
    EXPECT_EQ(
        Lines(closing.begin(), closing.begin() + 4),
        (Lines{"Line 1 is closed", "Line 2 is closed", "Line 3 is closed", "Line 4 is closed"}));
}

TEST_F(MainWindowLoad, TheUsaFormatKeepsTheStoredMask) {
    assignLines();
    settings::write(settings::key::format, settings::kUsa);
    frm_main window;
    window.Form_Load();
    for (const std::string& line : activityLog()) {
        EXPECT_EQ(line.find("number format"), std::string::npos) << line;
    }
    EXPECT_EQ(window.main().lkLine(1).getText(ids::line::CallCallerIDMaskNumber), "000-000-0000;0");
}

TEST_F(MainWindowLoad, ASecondCopyClosesItselfWithoutTouchingTheFirstCopysLog) {
    assignLines();
    settings::write(settings::key::x, "4500");
    vevuzer::SingleInstance firstCopy;
    ASSERT_TRUE(firstCopy.claim());
    writeActivityLog("the first copy's line\r\n");

    frm_main window;
    window.setFormLeft(300);
    const std::string closing =
        "Closing Belltale at " + vevuzer::timeText() + " on " + vevuzer::dateText();
    window.Form_Load();

    EXPECT_TRUE(window.main().ended());
    const Lines log = activityLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], "the first copy's line");
    EXPECT_EQ(log[1], closing);
    EXPECT_EQ(log.back(), "Good bye");
    for (const std::string& line : log) {
        EXPECT_EQ(line.find("started at"), std::string::npos) << line;
    }
    EXPECT_EQ(exchangeStates(), Lines(4, "closed"));
    // The second copy saves its own position, as it was before it would have restored one.
    EXPECT_EQ(settings::read(settings::key::x), "300");
    EXPECT_TRUE(m_dialogs.shown().empty());
}

TEST_F(MainWindowLoad, AFirstRunOpensTheWelcomeOnce) {
    settings::write(settings::key::line, exchangeLineName(1));  // line2 never saved
    m_dialogs.answerMsgBox(ui::vbOK);
    frm_main window;
    window.Form_Load();

    const Lines log = activityLog();
    const auto detected =
        std::find(log.begin(), log.end(), "First run detected, starting the settings window");
    ASSERT_NE(detected, log.end());
    EXPECT_EQ(*(detected - 1), "Loading display skin");
    ASSERT_EQ(m_dialogs.shown().size(), 1u);
    EXPECT_EQ(m_dialogs.shown()[0].flags, ui::vbInformation);
    EXPECT_EQ(settings::read(settings::key::firstrun), "False");
    EXPECT_EQ(window.twipsHeight(), 1530);
    EXPECT_EQ(exchangeStates()[0].rfind("open by", 0), 0u) << "line 1 was assigned";
    EXPECT_EQ(exchangeStates()[1], "closed") << "line 2 reads as no modem";
}

TEST_F(MainWindowLoad, APositionThatIsNotANumberLeavesThatCoordinate) {
    assignLines();
    settings::write(settings::key::x, "left");
    settings::write(settings::key::y, "900");
    frm_main window;
    window.setFormLeft(1200);
    window.Form_Load();
    EXPECT_EQ(window.twipsLeft(), 1200);
    EXPECT_EQ(window.twipsTop(), 900);
}

TEST_F(MainWindowLoad, TheLinesEventsReachTheWindowWithTheirLineNumber) {
    assignLines();
    frm_main window;
    std::vector<int> rung;
    window.main().setLineEventHandler(
        ids::LineEvent::OnRing, [&](int line, const com::EventArgs&) { rung.push_back(line); });
    window.Form_Load();

    tapi::IncomingCall caller;
    caller.number = "01632960123";
    ASSERT_NE(tapi::exchange().ring(2, caller), 0u);
    m_time.advance(std::chrono::seconds(1));
    ASSERT_FALSE(rung.empty());
    EXPECT_EQ(rung.front(), 3) << "device 2 is the third line";
}

// openlines and closelines on their own, after a load with every line assigned.
class OpenLines : public MainWindowLoad {
  protected:
    void SetUp() override {
        MainWindowLoad::SetUp();
        assignLines();
        m_window = std::make_unique<frm_main>();
        m_window->Form_Load();
        m_logged = activityLog().size();
    }
    Lines newLogLines() const { return activityLogFrom(m_logged); }
    vevuzer::MainWindow& main() { return m_window->main(); }

    std::unique_ptr<frm_main> m_window;
    std::size_t m_logged = 0;
};

TEST_F(OpenLines, OpensOnlyTheAssignedLines) {
    struct Case {
        const char* name;
        std::vector<std::string> keys;  // line .. line4
        Lines states;
        Lines log;
    };
    const std::string none(settings::kNoModem);
    const std::string third = exchangeLineName(3);
    const Case cases[] = {
        {"none assigned", {none, none, none, none}, Lines(4, "closed"), {}},
        {"only line 3",
         {none, none, third, none},
         {"closed", "closed", "open", "closed"},
         {"Line 3, " + third + " initialised"}},
        {"a name no device has",
         {"Modem of another computer", none, none, none},
         Lines(4, "closed"),
         // The control reports the name it does not list as an error of line 1.
         {"Error on line 1 = LINEERR_BADDEVICEID, number = -2147483646",
          "Line 1, Modem of another computer not found, line not opened"}},
        {"the empty text",
         {"", none, none, none},
         Lines(4, "closed"),
         {"Error on line 1 = LINEERR_BADDEVICEID, number = -2147483646",
          "Line 1,  not found, line not opened"}},
    };
    static constexpr std::string_view keys[] = {settings::key::line, settings::key::line2,
                                                settings::key::line3, settings::key::line4};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int n = 0; n < vevuzer::kLineCount; ++n) {
            settings::write(keys[n], c.keys[static_cast<std::size_t>(n)]);
        }
        const std::size_t before = activityLog().size();
        main().openlines();
        Lines states = exchangeStates();
        for (std::string& state : states) {
            state = state.rfind("open by", 0) == 0 ? "open" : state;
        }
        EXPECT_EQ(states, c.states);
        EXPECT_EQ(activityLogFrom(before), c.log);
    }
}

TEST_F(OpenLines, ReopensAnOpenLineAndClosesOnlyAssignedOnes) {
    const com::Dispatch line1 = main().lkLine(1).dispatch();
    line1.put(ids::line::VantageLogActive, true);
    const std::size_t before = controlLog(line1, ids::line::VantageLogLines).size();
    main().openlines();
    const Lines reopened = controlLog(line1, ids::line::VantageLogLines, before);
    ASSERT_FALSE(reopened.empty());
    EXPECT_EQ(reopened.front(), "DeviceActive = False");
    EXPECT_NE(std::find(reopened.begin(), reopened.end(), "DeviceActive = True"), reopened.end());

    settings::write(settings::key::line2, settings::kNoModem);
    const std::size_t logged = activityLog().size();
    main().closelines();
    EXPECT_EQ(activityLogFrom(logged), (Lines{"Line 1, " + exchangeLineName(1) + " closed",
                                              "Line 3, " + exchangeLineName(3) + " closed",
                                              "Line 4, " + exchangeLineName(4) + " closed"}));
    const Lines states = exchangeStates();
    EXPECT_EQ(states[0], "closed");
    EXPECT_EQ(states[1].rfind("open by", 0), 0u) << "an unassigned line is left alone";
    EXPECT_EQ(states[2], "closed");
}

// Without the registered control library no Line control exists: the log says why once instead
// of reporting every assigned modem as missing.
TEST(OpenLinesUnregistered, SaysOnceThatTheControlLibraryIsNotRegistered) {
    core::VirtualTime time;
    vevuzer::testing::FreshProgramFolder folder;
    settings::write(settings::key::line, "Belltale 56K Voice Modem #1");
    settings::write(settings::key::line2, "Belltale 56K Voice Modem #2");
    frm_main window;
    EXPECT_FALSE(window.main().controlLibraryRegistered());
    window.main().openlines();
    EXPECT_EQ(splitLines(core::readFile(folder.home() / "log.txt").value_or("")),
              Lines{"The control library is not registered: run regsvr with the path of "
                    "liblkLK36.so, then start Belltale again"});
}

}  // namespace
