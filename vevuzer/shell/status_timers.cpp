// The main window's clock-driven work: the status timer, which counts down what the other parts
// arm and keeps the status box and the schedules, and the window timer with the keep-alive file.
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "platform/core/folders.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/clock_text.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/mod_clock.h"

namespace vevuzer {
namespace {

namespace line = controls::line;

// The serial reader polls slower while no call rings.
constexpr DWORD kIdleSerialPollMs = 800;
constexpr int kMinutesPerHour = 60;
constexpr std::int64_t kMsPerMinute = 60'000;
constexpr double kKeepAliveDays = 5.0 / (24 * 60);
// A keep-alive file that will not go (held open elsewhere, a read-only folder) is left after a
// few tries rather than holding the tick for good.
constexpr int kKeepAliveDeleteTries = 10;

// "hh:mm" of `when`, 24-hour, two digits each.
std::string hourMinute(core::OleDate when) {
    const core::DateParts parts = core::datePartsOf(when);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", parts.hour, parts.minute);
    return text;
}

// A number as Basic's Str writes it: a blank before a number that is not negative, at most seven
// significant digits, no zero before the decimal point.
std::string basicStr(double value) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.7G", value);
    std::string text = digits;
    const bool negative = !text.empty() && text[0] == '-';
    const std::size_t start = negative ? 1 : 0;
    if (text.compare(start, 2, "0.") == 0) {
        text.erase(start, 1);
    }
    return negative ? text : " " + text;
}

double randomBelow(double limit) {
    static std::mt19937 generator{std::random_device{}()};
    return std::uniform_real_distribution<double>(0.0, limit)(generator);
}

}  // namespace

void MainWindow::Timer2_Timer() {
    countDownCollapse();
    endRingHoldOff();
    if (m_state.countdown > 0) {
        --m_state.countdown;
    }
    showLineIndicators();
    countDownStatus();
    if (m_state.statuscountdown <= 0) {
        m_form.setTxtDisplayText(bannerText());
    }
    scheduleMailboxCheck();
    scheduleSpeakingClock();
}

void MainWindow::countDownCollapse() {
    if (m_state.collapsecountdown >= 1) {
        --m_state.collapsecountdown;
        if (m_state.collapsecountdown == 0) {
            minimise();
        }
    }
}

// While no ring has come for the hold-off, the call is over: the serial reader goes back to its
// idle poll, the next serial call is shown afresh and a caller mail held back during the rings goes
// out, once.
void MainWindow::endRingHoldOff() {
    if (m_state.ringholdoff >= 1) {
        --m_state.ringholdoff;
        return;
    }
    m_commscan.setInterval(kIdleSerialPollMs);
    m_state.callershown = false;
    if (m_state.mailpending) {
        m_state.mailpending = false;
        if (m_otherParts.sendmail) {
            m_otherParts.sendmail(m_state.mailnumber, m_state.mailname);
        }
    }
}

void MainWindow::showLineIndicators() {
    // Each indicator is set once a tick: one hidden and shown again would repaint it, and the
    // skin beneath it, every second.
    std::array<std::optional<bool>, kLineCount> shown;
    for (int k = 1; k <= kLineCount; ++k) {
        shown.at(static_cast<std::size_t>(k - 1)) = lkLine(k).getBool(line::DeviceActive);
    }
    // In compatibility mode the indicator of the serial port's number shows instead.
    if (m_comm.getBool(controls::comm::PortOpen).value_or(false)) {
        const std::optional<LONG> port = m_comm.getLong(controls::comm::CommPort);
        for (int k = 1; k <= kLineCount; ++k) {
            shown.at(static_cast<std::size_t>(k - 1)) = port && *port == k;
        }
    }
    for (int k = 1; k <= kLineCount; ++k) {
        if (const std::optional<bool> visible = shown.at(static_cast<std::size_t>(k - 1))) {
            m_form.setLineIndicatorVisible(k, *visible);
        }
    }
}

void MainWindow::countDownStatus() {
    if (m_state.statuscountdown >= 1) {
        m_state.statuscountdown -= 1;
        if (m_state.statuscountdown == 0) {
            m_form.setDisplayVisible(false);
            m_form.setTxtDisplayVisible(true);
        }
    }
}

std::string MainWindow::bannerText() const {
    std::string calls;
    if (m_state.newcalls == 1) {
        calls = "You have had 1 new call";
    } else if (m_state.newcalls >= 2) {
        calls = "You have had " + std::to_string(m_state.newcalls) + " new calls";
    }
    return "Time: " + timeText() + "     Date " + dateText() + "\r\n" + calls + "\r\n" +
           "Belltale, v" + versionText();
}

// The period counts minutes since the last check (since the load before the first), so every
// period from 1 to 60 minutes is kept, an hour included.
void MainWindow::scheduleMailboxCheck() {
    if (!settings::isOn(settings::shell::checkemailTimer)) {
        return;
    }
    const long period = settings::wholeNumber(settings::shell::emailscan).value_or(0);
    if (period <= 0) {
        return;
    }
    const std::int64_t now = core::tickCount64();
    if (now - m_state.lastmailcheck < period * kMsPerMinute) {
        return;
    }
    // The connection is looked at only when a check is due: it reads system files, and this runs
    // every second, also while a caller is being read.
    if (!mod_clock::IsInternetConnected() && !settings::isOn(settings::shell::force)) {
        return;
    }
    m_state.lastmailcheck = now;
    if (m_otherParts.checkemail) {
        m_otherParts.checkemail();
    }
}

// At most once in any minute, at the first tick of a minute that is a multiple of the period. The
// minute is taken before the clock speaks, so a tick that runs while it speaks finds it done.
void MainWindow::scheduleSpeakingClock() {
    if (!settings::isOn(settings::shell::clockenabled)) {
        return;
    }
    // One reading of the clock: a text and a minute from two readings can straddle a minute's end.
    const auto now = core::now();
    const std::string t = hourMinute(now);
    const int m = core::datePartsOf(now).minute;
    const long period = settings::wholeNumber(settings::shell::annfreq).value_or(0);
    if (period <= 0 || t == m_state.lastclockminute) {
        return;
    }
    if ((period == kMinutesPerHour && m == 0) || m % period == 0) {
        m_state.lastclockminute = t;
        if (m_otherParts.saytime) {
            m_otherParts.saytime();
        }
    }
}

void MainWindow::Timer3_Timer() {
    if (settings::isOn(settings::shell::hidden) && m_form.formVisible()) {
        hideForm();
    }
    if (settings::isOn(settings::shell::keepalive) &&
        m_state.lastkeepalive + kKeepAliveDays < core::now()) {
        writeKeepAliveFile();
        m_state.lastkeepalive = core::now();
    }
}

// A sign of life on disk every five minutes or so: a small file written and removed again.
void MainWindow::writeKeepAliveFile() {
    const std::string name = basicStr(randomBelow(100)) + basicStr(randomBelow(200)) + "temp.tmp";
    const std::filesystem::path file = core::programFolder() / name;
    core::rewriteFile(file, "HELLO THERE\r\n");
    std::error_code ignored;
    for (int tries = 0; tries < kKeepAliveDeleteTries && std::filesystem::exists(file, ignored);
         ++tries) {
        std::filesystem::remove(file, ignored);
    }
}

}  // namespace vevuzer
