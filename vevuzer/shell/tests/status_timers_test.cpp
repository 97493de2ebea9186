// The status timer and the window timer of the main window, in virtual time: the countdowns other
// parts arm, the status banner, the line indicators and the schedules of the mailbox check and the
// speaking clock.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <QColor>
#include <QImage>
#include <QLabel>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/clock.h"
#include "platform/core/messages.h"
#include "platform/core/virtual_time.h"
#include "platform/registry/registry.h"
#include "platform/serial/serial.h"
#include "platform/tapi/exchange.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "tools/modemsim/modem_simulator.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/clock_text.h"
#include "vevuzer/shell/frm_main.h"
#include "vevuzer/shell/testing/control_library.h"

namespace {

using namespace std::chrono_literals;

class StatusTimer : public ::testing::Test {
  protected:
    // The status timer running as the load leaves it.
    void startTimer2() {
        main().state().lastmailcheck = core::tickCount64();
        main().Timer2().setInterval(1000);
    }
    vevuzer::MainWindow& main() { return m_window.main(); }

    vevuzer::testing::FreshProgramFolder m_folder;
    ui::ScriptedDialogs m_dialogs;
    core::VirtualTime m_time{core::oleDateFrom({2026, 3, 2, 8, 59, 30, 0})};
    frm_main m_window;
};

TEST_F(StatusTimer, CountsDownOnceASecondAndActsOnceAtZero) {
    vevuzer::MainWindowState& state = main().state();
    m_window.setTwipsWidth(7000);
    state.collapsecountdown = 2;
    state.countdown = 2;
    state.statuscountdown = 3;
    m_window.setDisplayVisible(true);
    m_window.setTxtDisplayVisible(false);
    startTimer2();

    m_time.advance(1000ms);
    EXPECT_EQ(m_window.twipsWidth(), 7000);
    EXPECT_EQ(state.countdown, 1);
    m_time.advance(1000ms);
    EXPECT_EQ(m_window.twipsWidth(), 5280) << "collapsed on the tick that reached 0";
    EXPECT_EQ(state.collapsecountdown, 0);
    EXPECT_EQ(state.countdown, 0);
    EXPECT_TRUE(m_window.displayVisible());
    m_time.advance(1000ms);
    EXPECT_FALSE(m_window.displayVisible()) << "the call list gives way to the status box";
    EXPECT_EQ(m_window.txtDisplayText(), main().bannerText());

    // Counters at 0 stay there, and the collapse does not run again.
    m_window.setTwipsWidth(7000);
    m_window.setDisplayVisible(true);
    m_time.advance(3000ms);
    EXPECT_EQ(m_window.twipsWidth(), 7000);
    EXPECT_EQ(state.collapsecountdown, 0);
    EXPECT_EQ(state.countdown, 0);
    EXPECT_TRUE(m_window.displayVisible());
}

TEST_F(StatusTimer, RingHoldOffEndsTheCallAndSendsTheHeldMailOnce) {
    std::vector<std::string> mailed;
    main().otherParts().sendmail = [&](std::string_view number, std::string_view name) {
        mailed.push_back(std::string(number) + "/" + std::string(name));
    };
    vevuzer::MainWindowState& state = main().state();
    state.ringholdoff = 3;
    state.callershown = true;
    state.mailpending = true;
    state.mailnumber = "01632960123";
    state.mailname = "ANN SMITH";
    startTimer2();

    m_time.advance(3000ms);
    EXPECT_EQ(state.ringholdoff, 0);
    EXPECT_TRUE(state.callershown);
    EXPECT_TRUE(mailed.empty()) << "the mail waits while rings may still come";
    EXPECT_EQ(main().commscan().interval(), 0u);

    m_time.advance(1000ms);
    EXPECT_FALSE(state.callershown);
    EXPECT_EQ(mailed, std::vector<std::string>{"01632960123/ANN SMITH"});
    EXPECT_EQ(main().commscan().interval(), 800u);

    m_time.advance(5000ms);
    EXPECT_EQ(mailed.size(), 1u);
    EXPECT_EQ(state.ringholdoff, 0);
}

TEST_F(StatusTimer, BannerCountsTheNewCalls) {
    struct Case {
        int newcalls;
        std::string_view middle;
    };
    static constexpr Case cases[] = {
        {0, ""}, {-1, ""}, {1, "You have had 1 new call"}, {3, "You have had 3 new calls"}};
    startTimer2();
    for (const Case& row : cases) {
        SCOPED_TRACE(row.newcalls);
        main().state().newcalls = row.newcalls;
        m_time.advance(1000ms);
        EXPECT_EQ(m_window.txtDisplayText(), "Time: " + vevuzer::timeText() + "     Date " +
                                                 vevuzer::dateText() + "\r\n" +
                                                 std::string(row.middle) + "\r\nBelltale, v4.1.3");
    }
}

TEST_F(StatusTimer, LineIndicatorsShowTheOpenLines) {
    ASSERT_EQ(vevuzer::testing::registerControlLibrary(), S_OK);
    tapi::exchange().reset();
    frm_main window;  // made after the library is registered, so its controls exist
    const auto lineName = [](int n) {
        return tapi::exchange().config().lines.at(static_cast<std::size_t>(n - 1)).name;
    };
    settings::write(settings::key::line, lineName(1));
    settings::write(settings::key::line2, settings::kNoModem);
    settings::write(settings::key::line3, lineName(3));
    settings::write(settings::key::line4, settings::kNoModem);
    window.main().openlines();
    window.main().Timer2().setInterval(1000);
    m_time.advance(1000ms);
    std::vector<bool> shown;
    for (int k = 1; k <= 4; ++k) {
        shown.push_back(window.lineIndicatorVisible(k));
    }
    EXPECT_EQ(shown, (std::vector<bool>{true, false, true, false}));
    // A lamp shown for the first time is drawn in its colour, not as a bare label.
    const QImage lamp = window.control<QLabel>("txt_1")->grab().toImage();
    EXPECT_EQ(lamp.pixelColor(2, lamp.height() / 2), QColor("#27ae60"));

    window.main().closelines();
    m_time.advance(1000ms);
    EXPECT_FALSE(window.lineIndicatorVisible(1));
    EXPECT_FALSE(window.lineIndicatorVisible(3));
}

// In compatibility mode the serial port stands for the lines: only the indicator of its number
// shows, whatever telephone lines are open, until the port closes again.
TEST_F(StatusTimer, LineIndicatorsShowTheSerialPortsNumberWhileItIsOpen) {
    ASSERT_EQ(vevuzer::testing::registerControlLibrary(), S_OK);
    tapi::exchange().reset();
    frm_main window;
    settings::write(settings::key::line, tapi::exchange().config().lines.at(0).name);
    settings::write(settings::key::line2, settings::kNoModem);
    settings::write(settings::key::line3, settings::kNoModem);
    settings::write(settings::key::line4, settings::kNoModem);
    window.main().openlines();
    window.main().Timer2().setInterval(1000);
    const vevuzer::HostedControl& port = window.main().comm();
    for (const LONG number : {1, 2, 4}) {
        SCOPED_TRACE(number);
        modemsim::ModemSimulator modem;
        ASSERT_TRUE(modem.ready());
        registry::writeString(HKEY_LOCAL_MACHINE, serial::kSerialCommKey, modem.devicePath(),
                              "COM" + std::to_string(number));
        ASSERT_EQ(port.putLong(vevuzer::controls::comm::CommPort, number), S_OK);
        ASSERT_EQ(port.putBool(vevuzer::controls::comm::PortOpen, true), S_OK);
        m_time.advance(1000ms);
        std::vector<bool> shown;
        for (int k = 1; k <= 4; ++k) {
            shown.push_back(window.lineIndicatorVisible(k));
        }
        std::vector<bool> expected(4, false);
        expected[static_cast<std::size_t>(number - 1)] = true;
        EXPECT_EQ(shown, expected);

        ASSERT_EQ(port.putBool(vevuzer::controls::comm::PortOpen, false), S_OK);
        m_time.advance(1000ms);
        EXPECT_TRUE(window.lineIndicatorVisible(1)) << "the open telephone line again";
        EXPECT_EQ(window.lineIndicatorVisible(2) || window.lineIndicatorVisible(4), false);
        registry::deleteValue(HKEY_LOCAL_MACHINE, serial::kSerialCommKey, modem.devicePath());
    }
    window.main().closelines();
}

// The minutes after the start at which the mailbox check ran in an hour.
class MailboxSchedule : public StatusTimer {
  protected:
    void TearDown() override { ::unsetenv("BELLTALE_ONLINE"); }
};

TEST_F(MailboxSchedule, ChecksEveryPeriodOfMinutesSinceTheLastCheck) {
    struct Case {
        const char* emailscan;
        const char* checkemail;
        bool online;
        const char* force;
        std::vector<int> minutes;
    };
    std::vector<int> everyMinute;
    for (int minute = 1; minute <= 60; ++minute) {
        everyMinute.push_back(minute);
    }
    const Case cases[] = {
        {"1", "True", true, "False", everyMinute},
        {"15", "True", true, "False", {15, 30, 45, 60}},
        {"60", "True", true, "False", {60}},
        {"60", nullptr, true, nullptr, {60}},  // both keys never written
        {"15", "True", false, "False", {}},    // offline
        {"15", "True", false, "True", {15, 30, 45, 60}},
        {"60", "False", true, "False", {}},
        {"0", "True", true, "False", {}},
        {"abc", "True", true, "False", {}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(std::string("emailscan ") + row.emailscan +
                     (row.online ? " online" : " offline"));
        vevuzer::testing::FreshProgramFolder folder;
        frm_main window;
        settings::write(settings::key::emailscan, row.emailscan);
        if (row.checkemail) {
            settings::write(settings::key::checkemail, row.checkemail);
        }
        if (row.force) {
            settings::write(settings::key::force, row.force);
        }
        ::setenv("BELLTALE_ONLINE", row.online ? "1" : "0", 1);
        const std::int64_t start = core::tickCount64();
        std::vector<int> minutes;
        window.main().otherParts().checkemail = [&] {
            minutes.push_back(static_cast<int>((core::tickCount64() - start) / 60'000));
        };
        window.main().state().lastmailcheck = start;
        window.main().Timer2().setInterval(1000);
        m_time.advance(60min + 500ms);
        EXPECT_EQ(minutes, row.minutes);
    }
}

TEST_F(StatusTimer, SpeakingClockSpeaksAtTheFirstTickOfEachMatchingMinute) {
    // The minutes of the hour at which the clock spoke, from half a minute before an hour to half a
    // minute after the next.
    struct Case {
        const char* annfreq;
        const char* clockenabled;
        std::vector<int> minutes;
    };
    const Case cases[] = {
        {"15", "True", {0, 15, 30, 45, 0}},
        {"60", "True", {0, 0}},
        {"25", nullptr, {0, 25, 50, 0}},
        {"15", "False", {}},
        {"0", "True", {}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(std::string("annfreq ") + row.annfreq);
        const core::DateParts now = core::datePartsOf(core::now());
        const int intoHour = now.minute * 60 + now.second;
        m_time.advance(std::chrono::seconds((59 * 60 + 30 - intoHour + 3600) % 3600));
        vevuzer::testing::FreshProgramFolder folder;
        frm_main window;
        settings::write(settings::key::annfreq, row.annfreq);
        if (row.clockenabled) {
            settings::write(settings::key::clockenabled, row.clockenabled);
        }
        const core::OleDate start = core::now();
        std::vector<int> minutes;
        window.main().otherParts().saytime = [&] {
            minutes.push_back(core::datePartsOf(core::now()).minute);
            // A tick that runs while the clock speaks finds the minute done.
            core::pumpUntil([] { return false; }, 1500);
        };
        window.main().Timer2().setInterval(1000);
        m_time.advance(61min);
        EXPECT_EQ(minutes, row.minutes);
        EXPECT_LT(core::now() - start, 1.0);
    }
}

TEST_F(StatusTimer, WindowTimerKeepsAHiddenWindowHidden) {
    m_window.show();
    m_time.advance(30s);
    EXPECT_TRUE(m_window.isVisible()) << "hidden never written";
    settings::write(settings::key::hidden, "True");
    m_time.advance(29s);
    EXPECT_TRUE(m_window.isVisible());
    m_time.advance(1s);
    EXPECT_FALSE(m_window.isVisible());
}

// What happens to the names of a folder, as the kernel reports it: "+name" for a file that
// appeared there (created or renamed into it), "-name" for one removed.
class FolderChanges {
  public:
    explicit FolderChanges(const std::filesystem::path& folder)
        : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        ::inotify_add_watch(m_fd, folder.c_str(), IN_CREATE | IN_MOVED_TO | IN_DELETE);
    }
    ~FolderChanges() { ::close(m_fd); }
    FolderChanges(const FolderChanges&) = delete;
    FolderChanges& operator=(const FolderChanges&) = delete;

    std::vector<std::string> read() {
        std::vector<std::string> changes;
        alignas(inotify_event) char buffer[8192];
        ssize_t length = 0;
        while ((length = ::read(m_fd, buffer, sizeof buffer)) > 0) {
            for (char* at = buffer; at < buffer + length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (event->len > 0) {
                    changes.push_back(((event->mask & IN_DELETE) != 0 ? "-" : "+") +
                                      std::string(event->name));
                }
                at += sizeof(inotify_event) + event->len;
            }
        }
        return changes;
    }

  private:
    int m_fd;
};

TEST_F(StatusTimer, KeepAliveWritesAFileEveryFiveMinutesAndRemovesIt) {
    for (const char* keepalive : {"True", "False"}) {
        SCOPED_TRACE(keepalive);
        settings::write(settings::key::keepalive, keepalive);
        FolderChanges changes(m_folder.home());
        const core::OleDate start = main().state().lastkeepalive = core::now();
        m_time.advance(5min);
        EXPECT_EQ(main().state().lastkeepalive, start);
        m_time.advance(30s);
        EXPECT_EQ(main().state().lastkeepalive > start, std::string(keepalive) == "True");

        // Only the sign of life's own file, made and removed again: "+name" then "-name".
        std::vector<std::string> signs;
        for (const std::string& change : changes.read()) {
            if (change.ends_with("temp.tmp")) {
                signs.push_back(change);
            }
        }
        if (std::string(keepalive) == "False") {
            EXPECT_TRUE(signs.empty());
            continue;
        }
        ASSERT_EQ(signs.size(), 2u);
        EXPECT_EQ(signs[0][0], '+');
        EXPECT_EQ(signs[1], "-" + signs[0].substr(1));
        for (const auto& entry : std::filesystem::directory_iterator(m_folder.home())) {
            EXPECT_EQ(entry.path().string().find("temp.tmp"), std::string::npos);
        }
    }
}

}  // namespace
