#include "lkLK36/engines/lkLKShare.h"

#include <cmath>
#include <cstdio>

#include "lkLK36/engines/lkLKConst.h"
#include "platform/core/clock.h"
#include "platform/core/messages.h"
#include "platform/tapi/tapi.h"

namespace {

std::string hex8(LONG code) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(static_cast<DWORD>(code)));
    return text;
}

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

void replaceFirst(std::string& text, std::string_view from, std::string_view to) {
    const std::size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
}

// Visual Basic joins a property path without dots ("Device.Name" is "DeviceName") but keeps the
// dots of values after the first "="; with no "=" the very last character is kept as it is.
void dropPathDots(std::string& text) {
    const std::size_t equals = text.find('=');
    std::ptrdiff_t limit = equals != std::string::npos
                               ? static_cast<std::ptrdiff_t>(equals)
                               : static_cast<std::ptrdiff_t>(text.size()) - 1;
    for (std::ptrdiff_t i = 0; i < limit;) {
        if (text[static_cast<std::size_t>(i)] == '.') {
            text.erase(static_cast<std::size_t>(i), 1);
            --limit;
        } else {
            ++i;
        }
    }
}

std::string toVisualBasic(std::string text) {
    replaceAll(text, "..", "~~");
    dropPathDots(text);
    replaceAll(text, "~", ".");
    replaceAll(text, "'", "\"");
    replaceFirst(text, ":=", "=");
    replaceFirst(text, "//", "'");
    return text;
}

std::string toCppBuilder(std::string text) {
    replaceAll(text, "~", ".");
    replaceAll(text, ".", "->");
    replaceAll(text, " = ", " == ");
    replaceFirst(text, ":=", "=");
    replaceAll(text, "'", "\"");
    return text;
}

std::string padded(long long number, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld", width, number);
    return text;
}

double timeOfDay(core::OleDate date) {
    return std::fabs(date - std::trunc(date));
}

const char* formCaption(LONG kind) {
    switch (kind) {
        case lkKindLine:
            return "lkLine - Orvane Vantage";
        case lkKindPhone:
            return "lkPhone - Orvane Vantage";
        case lkKindPlay:
            return "lkPlay - Orvane Vantage";
        case lkKindRecord:
            return "lkRecord - Orvane Vantage";
        default:
            return "";
    }
}

const char* devEnvName(TxDevEnv devEnv) {
    switch (devEnv) {
        case deCppBuilder:
            return "deCppBuilder";
        case deDelphi:
            return "deDelphi";
        case deOther:
            return "deOther";
        case deVisualBasic:
            return "deVisualBasic";
        default:
            return nullptr;
    }
}

}  // namespace

// ---- free routines ----

std::string ToDevEnvSyntax(std::string_view text, TxDevEnv devEnv) {
    std::string converted(text);
    switch (devEnv) {
        case deDelphi:
            replaceAll(converted, "~", ".");
            return converted;
        case deVisualBasic:
        case deOther:
            return toVisualBasic(std::move(converted));
        case deCppBuilder:
            return toCppBuilder(std::move(converted));
        default:
            return {};
    }
}

std::string Hex8(DWORD value) {
    return hex8(static_cast<LONG>(value));
}

std::string ClockText(double date) {
    const core::DateParts parts = core::datePartsOf(date);
    return padded(parts.hour, 2) + ":" + padded(parts.minute, 2) + ":" + padded(parts.second, 2);
}

// The day fractions below are the log's own rounded constants, not 1/1440, 1/86400 and 1/86400000:
// stamps drift from the clock as the day goes on (up to "1000" milliseconds), and existing logs are
// read that way.
std::string TimeText(double t) {
    constexpr double minuteFraction = 0.00069444;
    constexpr double secondFraction = 0.000011574;
    constexpr double millisecondFraction = 0.000000011574;
    const long long dayMilliseconds = std::llround(t * 86400000.0);
    const long long minutes = dayMilliseconds / 60000 % 60;
    const long long m = static_cast<long long>(std::trunc(t / minuteFraction));
    const long long seconds =
        static_cast<long long>(std::trunc((t - m * minuteFraction) / secondFraction));
    const long long s = static_cast<long long>(std::trunc(t / secondFraction));
    // nearbyint rounds half to even in the default rounding mode.
    const long long milliseconds =
        static_cast<long long>(std::nearbyint((t - s * secondFraction) / millisecondFraction));
    return padded(minutes, 2) + ":" + padded(seconds, 2) + "." + padded(milliseconds, 3);
}

// Bits are walked in 64 bits, so a last bit of 0x80000000 ends the walk instead of wrapping to 0.
std::vector<std::string> FlagNodeChildren(DWORD value, TlkNameFunction name, DWORD firstBit,
                                          DWORD lastBit) {
    std::vector<std::string> children;
    for (std::uint64_t bit = firstBit; bit <= lastBit && bit <= 0x80000000u;
         bit = bit == 0 ? 1 : bit * 2) {
        if (value & bit)
            children.push_back(name(static_cast<LONG>(value & bit)));
    }
    return children;
}

std::vector<std::string> RangeFlagNodeChildren(DWORD value, TlkNameFunction name, DWORD first,
                                               DWORD last) {
    std::vector<std::string> children;
    for (std::uint64_t code = first; code < last; ++code) {
        if (value & code)
            children.push_back(name(static_cast<LONG>(value & code)));
    }
    return children;
}

bool DelayPumping(LONG milliseconds, const TlkLifeGuard& guard) {
    if (milliseconds <= 0)
        return guard.alive();
    core::pumpUntil([&guard] { return !guard.alive(); }, static_cast<DWORD>(milliseconds));
    return guard.alive();
}

// ---- TlkError ----

void TlkError::Clear() {
    set(0, {});
}

void TlkError::set(LONG code, std::string name) {
    m_number = code;
    m_name = code == 0 ? std::string() : std::move(name);
    m_hex = code == 0 ? std::string() : hex8(code);
}

// ---- TlkLog ----

TlkLog::TlkLog(TlkSharedControl* owner, TlkVantage& vantage) : m_owner(owner), m_vantage(vantage) {}

bool TlkLog::Add(int level, std::string_view text) {
    if (!m_active)
        return false;
    while (!m_lines.empty() && static_cast<LONG>(m_lines.size()) >= m_count)
        m_lines.pop_front();
    const std::string converted = m_vantage.ToDevEnvSyntax(text);
    if (!m_timeStamp) {
        m_lines.push_back(converted);
    } else if (level != 0) {
        m_lines.push_back(TimeText(timeOfDay(core::now())) + "\t" + converted);
    } else {
        m_lines.push_back("\t\t" + converted);
    }
    RefreshView();
    return true;
}

bool TlkLog::AppendToLast(std::string_view text) {
    if (!m_active)
        return false;
    if (m_lines.empty() || m_lines.back().find("<< Error >>") != std::string::npos) {
        Add(0, text);
        return true;
    }
    m_lines.back() += m_vantage.ToDevEnvSyntax(text);
    RefreshView();
    return true;
}

void TlkLog::SetActive(bool value) {
    Add(1, "Log.Active := " + TlkVantage::BooleanText(value));
    m_active = value;
    if (!value)
        m_lines.clear();
    RefreshView();
}

void TlkLog::SetCount(LONG value) {
    if (value > 0) {
        Add(1, "Log.Count := " + std::to_string(value) + " //Lines");
        if (value < m_count) {
            while (static_cast<LONG>(m_lines.size()) > value)
                m_lines.pop_front();
        }
        m_count = value;
    }
    RefreshView();
}

void TlkLog::SetTimeStamp(bool value) {
    Add(1, "Log.TimeStamp := " + TlkVantage::BooleanText(value));
    m_timeStamp = value;
    RefreshView();
}

void TlkLog::RefreshView() {
    if (m_owner && m_vantage.form())
        m_vantage.form()->RefreshLogPage();
}

void TlkLog::setLines(TlkStringList lines) {
    m_lines = std::move(lines);
    RefreshView();
}

// ---- TlkVantage ----

TlkVantage::TlkVantage(TlkSharedControl* owner) : m_log(owner, *this), m_owner(owner) {}

TlkVantage::~TlkVantage() {
    closeOpenForm();
}

void TlkVantage::SetStayOnTop(bool value) {
    m_stayOnTop = value;
    if (m_form)
        m_form->setStayOnTop(value);
}

void TlkVantage::SetVisible(bool value) {
    m_log.Add(1, "Vantage.Visible := " + BooleanText(value));
    if (m_visible && !value) {
        closeOpenForm();
        m_visible = false;
    } else if (!m_visible && value) {
        if (m_form) {
            m_form->show();
            m_visible = true;
        } else {
            ShowForm();
        }
    }
}

void TlkVantage::SetDevEnv(TxDevEnv value) {
    m_devEnv = value;
    if (const char* name = devEnvName(value))
        m_log.Add(1, std::string("DevEnv := ") + name);
}

LONG TlkVantage::Top() {
    if (!m_form) {
        m_top = 0;
    } else if (m_form->windowState() == wsNormal) {
        m_top = m_form->top();
    }
    return m_top;
}

LONG TlkVantage::Left() {
    if (!m_form) {
        m_left = 0;
    } else if (m_form->windowState() == wsNormal) {
        m_left = m_form->left();
    }
    return m_left;
}

LONG TlkVantage::Width() const {
    return m_form ? m_width : 0;
}
LONG TlkVantage::Height() const {
    return m_form ? m_height : 0;
}

TxWindowState TlkVantage::WindowState() {
    m_windowState = m_form ? m_form->windowState() : wsNormal;
    return m_windowState;
}

void TlkVantage::SetTop(LONG value) {
    m_top = value;
    if (m_form)
        m_form->setTop(value);
}

void TlkVantage::SetLeft(LONG value) {
    m_left = value;
    if (m_form)
        m_form->setLeft(value);
}

void TlkVantage::SetWidth(LONG value) {
    m_width = value;
    if (m_form)
        m_form->setWidth(value);
}

void TlkVantage::SetHeight(LONG value) {
    m_height = value;
    if (m_form)
        m_form->setHeight(value);
}

void TlkVantage::SetWindowState(TxWindowState value) {
    m_windowState = value;
    if (m_form)
        m_form->setWindowState(value);
}

void TlkVantage::keepFormGeometry(LONG top, LONG left, LONG width, LONG height,
                                  TxWindowState state) {
    m_top = top;
    m_left = left;
    m_width = width;
    m_height = height;
    m_windowState = state;
}

void TlkVantage::ShowForm() {
    const LONG kind = m_owner ? m_owner->kind() : 0;
    if (kind < lkKindLine || kind > lkKindRecord)
        return;
    if (m_form) {
        m_form->show();
        m_visible = true;
        return;
    }
    const VantageFormFactory& factory = vantageFormFactory();
    VantageForm* form = factory ? factory(*this, kind) : nullptr;
    if (!form) {
        // No monitor-window library: the switch is kept as asked, and nothing opens.
        m_visible = true;
        return;
    }
    m_form = form;
    if (m_top != 0 || m_left != 0 || m_width != 0 || m_height != 0) {
        // Copied first: applying one value may make the window report its geometry back.
        const LONG top = m_top, left = m_left, width = m_width, height = m_height;
        const TxWindowState state = m_windowState;
        form->setTop(top);
        form->setLeft(left);
        form->setWidth(width);
        form->setHeight(height);
        form->setWindowState(state);
    }
    form->setCaption(formCaption(kind));
    form->setStayOnTop(m_stayOnTop);
    if (kind != lkKindRecord)
        form->hideLogSettingsRow();
    switch (kind) {
        case lkKindLine:
            m_visible = true;
            form->showLogPage();
            form->show();
            form->refreshAll();
            break;
        case lkKindPhone:
            form->refreshAll();
            m_visible = true;
            form->showLogPage();
            form->show();
            break;
        default:  // Play and Record
            form->refreshAll();
            m_visible = true;
            if (m_owner->vantageOpensOnLogPage()) {
                form->showLogPage();
            } else {
                form->showSourcePage();
            }
            form->show();
            break;
    }
}

void TlkVantage::Popup(bool flag) {
    if (!flag)
        return;
    if (m_visible) {
        if (m_form)
            m_form->show();
    } else {
        ShowForm();
    }
    if (m_form)
        m_form->showLogPage();
}

void TlkVantage::DesignerUpdate() {
    if (m_owner)
        m_owner->DesignerUpdate();
}

void TlkVantage::FormClose(VantageForm& form) {
    if (&form != m_form)
        return;
    m_visible = false;
    DesignerUpdate();
}

void TlkVantage::FormDestroy(VantageForm& form) {
    if (&form != m_form)
        return;
    m_visible = false;
    DesignerUpdate();
    m_form = nullptr;
}

std::string TlkVantage::ToDevEnvSyntax(std::string_view text) const {
    return ::ToDevEnvSyntax(text, m_devEnv);
}

std::string TlkVantage::FlagNodeText(std::string_view label, DWORD value) const {
    return ToDevEnvSyntax(std::string(label) + " = [" + hex8(static_cast<LONG>(value)) + "]");
}

void TlkVantage::enableErrorButton() {
    if (m_form)
        m_form->enableErrorButton();
}

void TlkVantage::closeOpenForm() {
    // Forgotten before it closes, so its close and destroy handlers find nothing left to do.
    if (VantageForm* form = std::exchange(m_form, nullptr))
        form->closeForm();
}

// ---- TlkSharedControl ----

TlkSharedControl::TlkSharedControl() : m_vantage(this) {
    m_error.Clear();
    ShowHelp("INIT");
}

TlkSharedControl::~TlkSharedControl() {
    beginDestroy();
}

void TlkSharedControl::beginDestroy() {
    if (!m_life)
        return;
    m_life.reset();
    m_vantage.SetVisible(false);
}

void TlkSharedControl::InitCtrl(LONG iControlType, std::string_view sBitMap,
                                std::string_view sControlName) {
    m_kind = iControlType;
    m_bitmapName = std::string(sBitMap);
    log().appendRaw("Quillonv3.60");
    log().appendRaw("Create " + std::string(sControlName));
}

void TlkSharedControl::DblClick() {
    m_vantage.SetVisible(true);
}

void TlkSharedControl::DesignerUpdate() {
    if (m_designerNotify)
        m_designerNotify();
}

std::string TlkSharedControl::errorName(LONG code) const {
    switch (m_kind) {
        case lkKindPhone:
            return PhoneErrorName(code);
        case lkKindPlay:
        case lkKindRecord:
            return WaveErrorName(code);
        default:
            return LineErrorName(code);
    }
}

void TlkSharedControl::FillErrorStrings(LONG code) {
    m_error.set(code, errorName(code));
    if (code == 0)
        return;
    const int level = m_kind == lkKindPlay || m_kind == lkKindRecord ? 1 : 0;
    log().Add(level, "<< Error >> " + m_error.Name() + " [" + m_error.Hex() + "]");
    if (!fire(OnError))
        return;
    m_vantage.Popup(popupOnError());
    m_vantage.enableErrorButton();
}

// ---- TlkTAPI ----

void TlkTAPI::expectReply(LONG requestId) {
    m_pending[requestId] = Pending{};
}

bool TlkTAPI::replyArrived(LONG requestId, LONG result) {
    auto it = m_pending.find(requestId);
    if (it == m_pending.end())
        return false;
    it->second.replied = true;
    it->second.result = result;
    return true;
}

TlkReply TlkTAPI::WaitForReply(LONG requestId) {
    if (m_pending.find(requestId) == m_pending.end())
        return {TlkReplyOutcome::Replied, 0};
    const TlkLifeGuard guard = m_owner.lifeGuard();
    // Replies arrive as messages, so the wait pumps; it ends as soon as this request's own reply is
    // in, or the control is destroyed by a handler that runs meanwhile, or the device closes.
    auto ended = [&] {
        if (!guard.alive())
            return true;
        auto it = m_pending.find(requestId);
        return it == m_pending.end() || it->second.replied;
    };
    if (!ended() && ReplyTimeout > 0)
        core::pumpUntil(ended, static_cast<DWORD>(ReplyTimeout));
    if (!guard.alive())
        return {TlkReplyOutcome::Abandoned, 0};
    auto it = m_pending.find(requestId);
    if (it == m_pending.end())
        return {TlkReplyOutcome::Abandoned, 0};
    if (!it->second.replied)
        return {TlkReplyOutcome::TimedOut, 0};
    const LONG result = it->second.result;
    m_pending.erase(it);
    return {TlkReplyOutcome::Replied, result};
}

bool TlkTAPI::isPending(LONG requestId) const {
    auto it = m_pending.find(requestId);
    return it != m_pending.end() && !it->second.replied;
}

void TlkTAPI::abandonReplies() {
    m_pending.clear();
}

// ---- TlkRelatedWaveDevice ----

TlkRelatedWaveDevice::TlkRelatedWaveDevice(TlkSharedControl& owner, std::string groupName,
                                           std::string deviceClass)
    : m_groupName(std::move(groupName)), m_deviceClass(std::move(deviceClass)), m_owner(owner) {}

void TlkRelatedWaveDevice::SetDeviceClass(const std::string& value) {
    const LONG kind = m_owner.kind();
    if (kind == lkKindLine || kind == lkKindPhone) {
        m_owner.log().Add(1, m_groupName + ".DeviceClass := \"" + value + "\"");
        if (m_owner.deviceActive()) {
            const TlkLifeGuard guard = m_owner.lifeGuard();
            m_owner.FillErrorStrings(kind == lkKindLine ? LINEERR_INVALLINESTATE
                                                        : PHONEERR_INVALPHONESTATE);
            if (!guard)
                return;
        } else {
            m_deviceClass = value;
        }
        if (kind == lkKindLine) {
            m_owner.Vantage().observer<LineVantageObserver>().UpdateInfoTree();
        } else {
            m_owner.Vantage().observer<PhoneVantageObserver>().UpdatePhoneInfoTree();
        }
    }
    m_owner.DesignerUpdate();
}
