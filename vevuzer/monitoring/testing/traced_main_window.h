// The real main window, with every call of the call-monitoring handlers on it written into one
// ordered trace, together with what changed meanwhile in the files, the exchange and the flasher:
// new activity-log lines, new incoming-call log lines, calls the exchange was asked to answer or
// drop, a start or stop of the flasher. A test reads the road of a call as one list of steps. The
// window itself does everything it always does. Changes of several kinds found at one step are
// listed in the order a call's road makes them: flasher before exchange.
#pragma once

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/folders.h"
#include "platform/tapi/exchange.h"
#include "vevuzer/monitoring/call_log.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/frm_main.h"
#include "vevuzer/shell/text_helpers.h"

namespace vevuzer::testing {

using Trace = std::vector<std::string>;

// Lines 1 to `count` assigned the exchange's first lines, the others no modem.
inline void assignExchangeLines(int count = vevuzer::kLineCount) {
    static constexpr std::string_view keys[] = {settings::key::line, settings::key::line2,
                                                settings::key::line3, settings::key::line4};
    for (int n = 1; n <= vevuzer::kLineCount; ++n) {
        const auto line = static_cast<std::size_t>(n - 1);
        settings::write(keys[line], n <= count ? tapi::exchange().config().lines.at(line).name
                                               : std::string(settings::kNoModem));
    }
}

inline std::vector<std::string> linesOfFile(const std::filesystem::path& path) {
    return linesOf(core::readFile(path).value_or(""));
}

class TracedMainWindow : public frm_main {
  public:
    // Traces from now on: what the activity log and the call log hold already is left out.
    void startTrace() {
        m_trace.clear();
        m_logLines = linesOfFile(logFilePath()).size();
        m_callLogLines = linesOfFile(callLogPath()).size();
        m_flashInterval = main().flash().interval();
        m_answered = requestedCall(tapi::Op::Answer);
        m_dropped = requestedCall(tapi::Op::Drop);
        m_topMoves = 0;
    }
    // The trace so far, with what changed since the last step.
    const Trace& trace() {
        sample();
        return m_trace;
    }
    void note(std::string entry) {
        sample();
        m_trace.push_back(std::move(entry));
    }
    int topMoves() const { return m_topMoves; }
    int lowestTop() const { return m_lowestTop; }

    void setFormTop(int twips) override {
        m_lowestTop = m_topMoves++ == 0 ? twips : std::max(m_lowestTop, twips);
        frm_main::setFormTop(twips);
    }
    void setFormVisible(bool visible) override {
        note(visible ? "window: shown" : "window: hidden");
        frm_main::setFormVisible(visible);
    }
    void setPicRingVisible(bool visible) override {
        note(visible ? "pic_ring: shown" : "pic_ring: hidden");
        frm_main::setPicRingVisible(visible);
    }
    void setTxtDisplayText(std::string_view text) override {
        note("status: " + std::string(text));
        frm_main::setTxtDisplayText(text);
    }
    void setDisplayVisible(bool visible) override {
        note(visible ? "display: shown" : "display: hidden");
        frm_main::setDisplayVisible(visible);
    }
    void displayClear() override {
        note("display: cleared");
        frm_main::displayClear();
    }
    void displayAddItem(std::string_view item) override {
        note("display: " + std::string(item));
        frm_main::displayAddItem(item);
    }
    void frmDisplayShow() override {
        note("popup: shown");
        frm_main::frmDisplayShow();
    }
    void frmDisplayDisplay(std::string_view Text, int aline) override {
        note("popup: display(" + std::string(Text) + ", " + std::to_string(aline) + ")");
        frm_main::frmDisplayDisplay(Text, aline);
    }
    void setFrmDisplayName(std::string_view name) override {
        note("popup: name " + std::string(name));
        frm_main::setFrmDisplayName(name);
    }
    void frmDisplayDisplayOther(std::string_view baname, std::string_view bnumber,
                                std::string_view announce) override {
        note("popup: displayother(" + std::string(baname) + ", " + std::string(bnumber) + ", " +
             std::string(announce) + ")");
        frm_main::frmDisplayDisplayOther(baname, bnumber, announce);
    }
    void setFrmDisplayNumber(std::string_view number) override {
        note("popup: number " + std::string(number));
        frm_main::setFrmDisplayNumber(number);
    }
    void frmDisplaySetFocus() override {
        note("popup: focus");
        frm_main::frmDisplaySetFocus();
    }

  private:
    static tapi::CallId requestedCall(tapi::Op op) {
        const tapi::Request* request = tapi::exchange().lastRequest(op);
        return request ? request->call : 0;
    }

    void sample() {
        const std::vector<std::string> log = linesOfFile(logFilePath());
        for (; m_logLines < log.size(); ++m_logLines) {
            m_trace.push_back("log: " + log[m_logLines]);
        }
        const std::vector<std::string> calls = linesOfFile(callLogPath());
        for (; m_callLogLines < calls.size(); ++m_callLogLines) {
            m_trace.push_back("inclog: " + calls[m_callLogLines]);
        }
        if (const DWORD flash = main().flash().interval(); flash != m_flashInterval) {
            m_flashInterval = flash;
            m_trace.push_back("flash: " + std::to_string(flash));
        }
        if (const tapi::CallId answered = requestedCall(tapi::Op::Answer); answered != m_answered) {
            m_answered = answered;
            m_trace.push_back("exchange: answered");
        }
        if (const tapi::CallId dropped = requestedCall(tapi::Op::Drop); dropped != m_dropped) {
            m_dropped = dropped;
            m_trace.push_back("exchange: dropped");
        }
    }

    Trace m_trace;
    std::size_t m_logLines = 0;
    std::size_t m_callLogLines = 0;
    DWORD m_flashInterval = 0;
    tapi::CallId m_answered = 0;
    tapi::CallId m_dropped = 0;
    int m_topMoves = 0;
    int m_lowestTop = 0;
};

}  // namespace vevuzer::testing
