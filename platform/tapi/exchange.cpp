// The exchange's devices: configuration, capabilities, status, and the provider's queries.
#include "platform/tapi/exchange.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/tapi/exchange_state.h"
#include "platform/tapi/hookswitch.h"

#include "platform/core/folders.h"
#include "platform/core/text.h"
#include "platform/tapi/api_state.h"
#include "platform/tapi/wave_link.h"

namespace tapi {

namespace {

constexpr DWORD kLineStates =
    LINEDEVSTATE_OTHER | LINEDEVSTATE_RINGING | LINEDEVSTATE_CONNECTED | LINEDEVSTATE_DISCONNECTED |
    LINEDEVSTATE_INSERVICE | LINEDEVSTATE_OUTOFSERVICE | LINEDEVSTATE_OPEN | LINEDEVSTATE_CLOSE |
    LINEDEVSTATE_NUMCALLS | LINEDEVSTATE_TERMINALS | LINEDEVSTATE_DEVSPECIFIC |
    LINEDEVSTATE_REINIT | LINEDEVSTATE_CAPSCHANGE | LINEDEVSTATE_REMOVED;
constexpr DWORD kAddressStates = LINEADDRESSSTATE_OTHER | LINEADDRESSSTATE_INUSEZERO |
                                 LINEADDRESSSTATE_INUSEONE | LINEADDRESSSTATE_NUMCALLS |
                                 LINEADDRESSSTATE_FORWARD | LINEADDRESSSTATE_TERMINALS;
constexpr DWORD kCallStates = 0xFFFF;  // every LINECALLSTATE_ from IDLE to UNKNOWN
constexpr DWORD kForwardModes = LINEFORWARDMODE_UNCOND | LINEFORWARDMODE_BUSY |
                                LINEFORWARDMODE_NOANSW | LINEFORWARDMODE_BUSYNA |
                                LINEFORWARDMODE_UNCONDSPECIFIC;
constexpr DWORD kHookSwitchModes = PHONEHOOKSWITCHMODE_ONHOOK | PHONEHOOKSWITCHMODE_MIC |
                                   PHONEHOOKSWITCHMODE_SPEAKER | PHONEHOOKSWITCHMODE_MICSPEAKER;
constexpr DWORD kMiddleLevel = 0x8000;

// The wave device table platform/winmm installs; until then the exchange numbers the devices.
WaveDeviceTable*& installedTable() {
    static WaveDeviceTable* table = nullptr;
    return table;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Configuration

ExchangeConfig ExchangeConfig::defaults() {
    ExchangeConfig config;
    for (int i = 1; i <= 4; ++i) {
        LineConfig line;
        line.name = "Belltale 56K Voice Modem #" + std::to_string(i);
        line.providerInfo = "Belltale Modem TSP (ttyS" + std::to_string(i - 1) + ")";
        line.commPort = "/dev/ttyS" + std::to_string(i - 1);
        line.number = "0163296000" + std::to_string(i);
        if (i == 1)
            line.phone = 0;
        config.lines.push_back(line);
    }
    PhoneConfig phone;
    phone.name = "Belltale Handset #1";
    phone.providerInfo = "Belltale Phone TSP";
    phone.line = 0;
    config.phones.push_back(phone);
    return config;
}

namespace {

bool parseBool(std::string_view v, bool& out) {
    if (v == "yes" || v == "true" || v == "1")
        return out = true, true;
    if (v == "no" || v == "false" || v == "0")
        return out = false, true;
    return false;
}

bool parseNumber(std::string_view v, DWORD& out) {
    if (v.empty() || v.size() > 9)
        return false;
    DWORD n = 0;
    for (char c : v) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + static_cast<DWORD>(c - '0');
    }
    out = n;
    return true;
}

bool parseMedia(std::string_view v, DWORD& out) {
    out = 0;
    std::size_t start = 0;
    while (start <= v.size()) {
        const std::size_t end = std::min(v.find(',', start), v.size());
        const std::string word = core::toLowerAscii(v.substr(start, end - start));
        if (word == "voice") {
            out |= LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_AUTOMATEDVOICE;
        } else if (word == "data") {
            out |= LINEMEDIAMODE_DATAMODEM;
        } else if (word == "fax") {
            out |= LINEMEDIAMODE_G3FAX;
        } else if (word == "unknown") {
            out |= LINEMEDIAMODE_UNKNOWN;
        } else {
            return false;
        }
        start = end + 1;
    }
    return out != 0;
}

std::string trim(std::string_view s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string_view::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r");
    return std::string(s.substr(b, e - b + 1));
}

// "handset, speaker, headset" or any of them.
bool parseHookSwitchDevs(std::string_view v, DWORD& out) {
    out = 0;
    std::size_t start = 0;
    while (start <= v.size()) {
        const std::size_t end = std::min(v.find(',', start), v.size());
        const std::string word = core::toLowerAscii(trim(v.substr(start, end - start)));
        const auto* known = std::find_if(
            std::begin(detail::kHookSwitchDevices), std::end(detail::kHookSwitchDevices),
            [&](const detail::HookSwitchDevice& d) { return word == d.word; });
        if (known == std::end(detail::kHookSwitchDevices))
            return false;
        out |= known->device;
        start = end + 1;
    }
    return true;
}

}  // namespace

std::optional<ExchangeConfig> ExchangeConfig::parse(std::string_view text, std::string* error) {
    ExchangeConfig config;
    enum class Section { None, Line, Phone } section = Section::None;
    int lineNo = 0;
    auto fail = [&](const std::string& why) -> std::optional<ExchangeConfig> {
        if (error)
            *error = "line " + std::to_string(lineNo) + ": " + why;
        return std::nullopt;
    };
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        const std::string raw = trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNo;
        if (raw.empty() || raw[0] == '#')
            continue;
        if (raw == "[line]") {
            section = Section::Line;
            config.lines.emplace_back();
            continue;
        }
        if (raw == "[phone]") {
            section = Section::Phone;
            config.phones.emplace_back();
            continue;
        }
        const auto eq = raw.find('=');
        if (eq == std::string::npos)
            return fail("expected key=value");
        const std::string key = core::toLowerAscii(trim(raw.substr(0, eq)));
        const std::string value = trim(std::string_view(raw).substr(eq + 1));
        DWORD n = 0;
        if (section == Section::Line) {
            LineConfig& l = config.lines.back();
            bool ok = true;
            if (key == "name") {
                l.name = value;
            } else if (key == "provider") {
                l.providerInfo = value;
            } else if (key == "media") {
                ok = parseMedia(value, l.mediaModes);
            } else if (key == "callerid") {
                ok = parseBool(value, l.callerId);
            } else if (key == "datamodem") {
                ok = parseBool(value, l.dataModem);
            } else if (key == "wave") {
                ok = parseBool(value, l.wave);
            } else if (key == "comm") {
                l.commPort = value;
            } else if (key == "number") {
                l.number = value;
            } else if (key == "addresses") {
                ok = parseNumber(value, l.addresses) && l.addresses >= 1 && l.addresses <= 8;
            } else if (key == "nodigits") {
                l.unsupportedDigitModes = 0;
                for (const auto& w : {std::string("pulse"), std::string("dtmf")}) {
                    if (value.find(w) != std::string::npos) {
                        l.unsupportedDigitModes |=
                            w == "pulse" ? LINEDIGITMODE_PULSE : LINEDIGITMODE_DTMF;
                    }
                }
            } else if (key == "phone") {
                ok = parseNumber(value, n) && n >= 1;
                l.phone = n - 1;
            } else {
                return fail("unknown line key \"" + key + "\"");
            }
            if (!ok)
                return fail("bad value for " + key);
        } else if (section == Section::Phone) {
            PhoneConfig& p = config.phones.back();
            if (key == "name") {
                p.name = value;
            } else if (key == "provider") {
                p.providerInfo = value;
            } else if (key == "line") {
                if (!parseNumber(value, n) || n < 1)
                    return fail("bad value for line");
                p.line = n - 1;
            } else if (key == "hookswitch") {
                if (!parseHookSwitchDevs(value, p.hookSwitchDevs))
                    return fail("bad value for hookswitch");
            } else {
                return fail("unknown phone key \"" + key + "\"");
            }
        } else {
            return fail("key outside a [line] or [phone] section");
        }
    }
    for (std::size_t i = 0; i < config.lines.size(); ++i) {
        auto& l = config.lines[i];
        if (l.name.empty())
            l.name = "Line " + std::to_string(i + 1);
        if (l.phone != LINEMAPPER && l.phone >= config.phones.size()) {
            if (error)
                *error = "line " + std::to_string(i + 1) + " names a missing phone";
            return std::nullopt;
        }
    }
    for (std::size_t i = 0; i < config.phones.size(); ++i) {
        auto& p = config.phones[i];
        if (p.name.empty())
            p.name = "Phone " + std::to_string(i + 1);
        if (p.line != LINEMAPPER && p.line >= config.lines.size()) {
            if (error)
                *error = "phone " + std::to_string(i + 1) + " names a missing line";
            return std::nullopt;
        }
    }
    return config;
}

// ---------------------------------------------------------------------------------------------
// Devices

namespace {

LineDescription describeLine(const LineConfig& c, DWORD device, const std::string& pad) {
    LineDescription d;
    LINEDEVCAPS& caps = d.caps;
    caps.dwPermanentLineID = 0x1000 + device;
    caps.dwStringFormat = STRINGFORMAT_ASCII;
    caps.dwAddressModes = LINEADDRESSMODE_ADDRESSID;
    caps.dwBearerModes = LINEBEARERMODE_VOICE | LINEBEARERMODE_PASSTHROUGH;
    caps.dwMaxRate = 57600;
    caps.dwMediaModes = c.mediaModes;
    caps.dwGenerateToneModes = LINETONEMODE_BEEP | LINETONEMODE_CUSTOM;
    caps.dwGenerateToneMaxNumFreq = 1;
    caps.dwGenerateDigitModes =
        (LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF) & ~c.unsupportedDigitModes;
    caps.dwMonitorToneMaxNumFreq = 1;
    caps.dwMonitorToneMaxNumEntries = 4;
    caps.dwMonitorDigitModes = (LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND) &
                               ~c.unsupportedDigitModes;
    caps.dwGatherDigitsMinTimeout = 100;
    caps.dwGatherDigitsMaxTimeout = 60000;
    caps.dwDevCapFlags = LINEDEVCAPFLAGS_CLOSEDROP | LINEDEVCAPFLAGS_DIALBILLING |
                         LINEDEVCAPFLAGS_DIALQUIET | LINEDEVCAPFLAGS_DIALDIALTONE |
                         LINEDEVCAPFLAGS_LOCAL;
    caps.dwMaxNumActiveCalls = 1;
    caps.dwAnswerMode = LINEANSWERMODE_DROP;
    caps.dwRingModes = 1;
    caps.dwLineStates = kLineStates;
    caps.dwLineFeatures = LINEFEATURE_MAKECALL | LINEFEATURE_FORWARD | LINEFEATURE_SETTERMINAL;
    caps.DefaultDialParams = LINEDIALPARAMS{2000, 95, 95, 60000};
    caps.MinDialParams = LINEDIALPARAMS{0, 50, 50, 0};
    caps.MaxDialParams = LINEDIALPARAMS{255000, 255, 255, 255000};
    d.providerInfo = c.providerInfo;
    d.switchInfo = "Belltale simulated exchange";
    d.lineName = c.name;
    d.devSpecific = pad;
    d.terminalCaps = {
        LINETERMCAPS{LINETERMDEV_PHONE,
                     LINETERMMODE_HOOKSWITCH | LINETERMMODE_MEDIABIDIRECT | LINETERMMODE_RINGER,
                     LINETERMSHARING_SHAREDEXCL},
        LINETERMCAPS{LINETERMDEV_SPEAKER, LINETERMMODE_MEDIAFROMLINE | LINETERMMODE_RINGER,
                     LINETERMSHARING_SHAREDCONF},
    };
    d.terminalTextEntrySize = 12;
    d.terminalTexts = {"Handset", "Speaker"};
    d.deviceClasses = {"tapi/line"};
    if (c.wave)
        d.deviceClasses.insert(d.deviceClasses.end(), {"wave/in", "wave/out"});
    d.deviceClasses.insert(d.deviceClasses.end(), {"comm", "comm/datamodem"});
    if (c.phone != LINEMAPPER)
        d.deviceClasses.push_back("tapi/phone");
    for (DWORD a = 0; a < c.addresses; ++a) {
        AddressDescription addr;
        LINEADDRESSCAPS& ac = addr.caps;
        ac.dwAddressSharing = LINEADDRESSSHARING_PRIVATE;
        ac.dwAddressStates = kAddressStates;
        ac.dwCallInfoStates = 0x7FFFFFFF;
        ac.dwCallerIDFlags = c.callerId ? LINECALLPARTYID_BLOCKED | LINECALLPARTYID_OUTOFAREA |
                                              LINECALLPARTYID_NAME | LINECALLPARTYID_ADDRESS |
                                              LINECALLPARTYID_UNAVAIL
                                        : LINECALLPARTYID_UNAVAIL;
        ac.dwCalledIDFlags = LINECALLPARTYID_ADDRESS | LINECALLPARTYID_UNAVAIL;
        ac.dwConnectedIDFlags =
            LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME | LINECALLPARTYID_UNAVAIL;
        ac.dwRedirectionIDFlags = LINECALLPARTYID_UNAVAIL;
        ac.dwRedirectingIDFlags = LINECALLPARTYID_UNAVAIL;
        ac.dwCallStates = kCallStates;
        ac.dwDialToneModes = LINEDIALTONEMODE_NORMAL | LINEDIALTONEMODE_UNAVAIL;
        ac.dwBusyModes = LINEBUSYMODE_STATION | LINEBUSYMODE_UNAVAIL;
        ac.dwSpecialInfo = LINESPECIALINFO_NOCIRCUIT | LINESPECIALINFO_UNAVAIL;
        ac.dwDisconnectModes = LINEDISCONNECTMODE_NORMAL | LINEDISCONNECTMODE_UNKNOWN |
                               LINEDISCONNECTMODE_BUSY | LINEDISCONNECTMODE_NOANSWER |
                               LINEDISCONNECTMODE_NODIALTONE | LINEDISCONNECTMODE_UNAVAIL;
        ac.dwMaxNumActiveCalls = 1;
        ac.dwMaxNumOnHoldCalls = 1;
        ac.dwMaxNumOnHoldPendingCalls = 1;
        ac.dwMaxNumConference = 3;
        ac.dwMaxNumTransConf = 3;
        ac.dwAddrCapFlags = LINEADDRCAPFLAGS_DIALED | LINEADDRCAPFLAGS_PARTIALDIAL |
                            LINEADDRCAPFLAGS_FWDSTATUSVALID | LINEADDRCAPFLAGS_TRANSFERMAKE |
                            LINEADDRCAPFLAGS_CONFERENCEMAKE;
        ac.dwCallFeatures = 0x0FFFFFFF;
        ac.dwRemoveFromConfCaps = LINEREMOVEFROMCONF_ANY;
        ac.dwRemoveFromConfState = LINECALLSTATE_IDLE;
        ac.dwTransferModes = LINETRANSFERMODE_TRANSFER | LINETRANSFERMODE_CONFERENCE;
        ac.dwParkModes = LINEPARKMODE_DIRECTED | LINEPARKMODE_NONDIRECTED;
        ac.dwForwardModes = kForwardModes;
        ac.dwMaxForwardEntries = 4;
        ac.dwMaxSpecificEntries = 2;
        ac.dwMinFwdNumRings = 1;
        ac.dwMaxFwdNumRings = 20;
        ac.dwAddressFeatures = LINEADDRFEATURE_MAKECALL | LINEADDRFEATURE_FORWARD |
                               LINEADDRFEATURE_PICKUP | LINEADDRFEATURE_UNPARK |
                               LINEADDRFEATURE_SETUPCONF | LINEADDRFEATURE_SETTERMINAL;
        ac.dwMaxNoAnswerTimeout = 600;
        ac.dwConnectedModes = LINECONNECTEDMODE_ACTIVE;
        ac.dwOfferingModes = LINEOFFERINGMODE_ACTIVE;
        ac.dwAvailableMediaModes = c.mediaModes;
        addr.address = c.number.empty() ? c.name : c.number;
        if (a > 0)
            addr.address += " #" + std::to_string(a + 1);
        addr.devSpecific = pad;
        d.addresses.push_back(addr);
    }
    d.phone = c.phone;
    d.dataModem = c.dataModem;
    d.wave = c.wave;
    d.commPort = c.commPort;
    d.unsupportedDigitModes = c.unsupportedDigitModes;
    return d;
}

PhoneDescription describePhone(const PhoneConfig& c, DWORD device, const std::string& pad) {
    PhoneDescription d;
    PHONECAPS& caps = d.caps;
    caps.dwPermanentPhoneID = 0x2000 + device;
    caps.dwStringFormat = STRINGFORMAT_ASCII;
    caps.dwPhoneStates = 0x00FFFFFF;
    caps.dwNumRingModes = 1;
    for (const detail::HookSwitchDevice& dev : detail::kHookSwitchDevices) {
        if (!(c.hookSwitchDevs & dev.device))
            continue;
        caps.dwHookSwitchDevs |= dev.device;
        caps.dwVolumeFlags |= dev.device;
        caps.dwGainFlags |= dev.device;
        caps.dwPhoneFeatures |= dev.features;
        caps.*dev.modes = caps.*dev.settableModes = caps.*dev.monitoredModes = kHookSwitchModes;
    }
    d.providerInfo = c.providerInfo;
    d.phoneInfo = "Handset with keypad";
    d.phoneName = c.name;
    d.devSpecific = pad;
    d.line = c.line;
    return d;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

Exchange::Exchange() : m_state(std::make_unique<State>()) {}
Exchange::~Exchange() = default;

void Exchange::reset(ExchangeConfig config) {
    detail::resetApi();
    State& s = *m_state;
    ++s.generation;
    s.timers.clear();
    s.calls.clear();
    s.policies.clear();
    s.defaultPolicy = {};
    s.failures.clear();
    s.exMissing = false;
    s.large = false;
    s.parties.clear();
    s.defaultParty = {};
    s.lastRequests.clear();
    if (WaveDeviceTable* table = installedTable()) {
        for (const auto& l : s.lines) {
            if (!l.desc.wave)
                continue;
            table->removeLineWaveDevice(l.desc.waveIn, WaveDirection::In);
            table->removeLineWaveDevice(l.desc.waveOut, WaveDirection::Out);
        }
    }
    m_config = std::move(config);
    s.lines.clear();
    s.phones.clear();
    for (std::size_t i = 0; i < m_config.lines.size(); ++i) {
        SimLine line;
        line.config = m_config.lines[i];
        line.desc = describeLine(line.config, static_cast<DWORD>(i), {});
        line.forwards.resize(line.config.addresses);
        line.terminalModes.assign(line.desc.terminalCaps.size(), 0);
        s.lines.push_back(std::move(line));
    }
    for (std::size_t i = 0; i < m_config.phones.size(); ++i) {
        SimPhone phone;
        phone.config = m_config.phones[i];
        phone.desc = describePhone(phone.config, static_cast<DWORD>(i), {});
        phone.status.dwStatusFlags = PHONESTATUSFLAGS_CONNECTED;
        for (const detail::HookSwitchDevice& dev : detail::kHookSwitchDevices) {
            if (phone.desc.caps.dwHookSwitchDevs & dev.device) {
                phone.status.*dev.mode = PHONEHOOKSWITCHMODE_ONHOOK;
                phone.status.*dev.volume = phone.status.*dev.gain = kMiddleLevel;
            }
        }
        phone.status.dwRingMode = 1;
        phone.status.dwRingVolume = 0xFFFF;
        phone.status.dwPhoneFeatures = phone.desc.caps.dwPhoneFeatures;
        s.phones.push_back(std::move(phone));
    }
    reRegisterWaveDevices();
}

void Exchange::reRegisterWaveDevices() {
    State& s = *m_state;
    WaveDeviceTable* table = installedTable();
    for (std::size_t i = 0; i < s.lines.size(); ++i) {
        SimLine& l = s.lines[i];
        const DWORD device = static_cast<DWORD>(i);
        if (!l.desc.wave) {
            l.desc.waveIn = l.desc.waveOut = 0;
        } else if (table) {
            const std::string base = "Line " + std::to_string(i + 1) + " (" + l.config.name + ")";
            l.desc.waveIn = table->addLineWaveDevice(base + " Wave In", WaveDirection::In, device);
            l.desc.waveOut =
                table->addLineWaveDevice(base + " Wave Out", WaveDirection::Out, device);
        } else {
            l.desc.waveIn = 2 * device;
            l.desc.waveOut = 2 * device + 1;
        }
    }
    for (auto& p : s.phones) {
        p.desc.wave = p.desc.line != LINEMAPPER && p.desc.line < s.lines.size() &&
                      s.lines[p.desc.line].desc.wave;
        p.desc.waveIn = p.desc.wave ? s.lines[p.desc.line].desc.waveIn : 0;
        p.desc.waveOut = p.desc.wave ? s.lines[p.desc.line].desc.waveOut : 0;
    }
}

// ---------------------------------------------------------------------------------------------
// Test switches

void Exchange::setReplyPolicy(const std::string& function, ReplyPolicy policy) {
    m_state->policies[function] = policy;
}
void Exchange::setDefaultReplyPolicy(ReplyPolicy policy) {
    m_state->defaultPolicy = policy;
}

void Exchange::setInjectedFailure(const std::string& function, LONG code) {
    if (code == 0) {
        m_state->failures.erase(function);
    } else {
        m_state->failures[function] = code;
    }
}

void Exchange::setExEntriesMissing(bool missing) {
    m_state->exMissing = missing;
}

void Exchange::setLargeStructures(bool large) {
    State& s = *m_state;
    s.large = large;
    const std::string pad = s.pad();
    for (auto& l : s.lines) {
        l.desc.devSpecific = pad;
        for (auto& a : l.desc.addresses)
            a.devSpecific = pad;
    }
    for (auto& p : s.phones)
        p.desc.devSpecific = pad;
    for (auto& [id, c] : s.calls)
        c->d.devSpecific = pad;
}

void Exchange::setDialTone(DWORD line, bool present) {
    if (SimLine* l = m_state->lineAt(line))
        l->dialTone = present;
}

void Exchange::setRemoteParty(const std::string& number, RemoteParty party) {
    m_state->parties[digitsOnly(number)] = std::move(party);
}
void Exchange::setLineRemoteParty(DWORD line, std::optional<RemoteParty> party) {
    if (SimLine* l = m_state->lineAt(line))
        l->farEnd = std::move(party);
}
void Exchange::setDefaultRemoteParty(RemoteParty party) {
    m_state->defaultParty = std::move(party);
}

// ---------------------------------------------------------------------------------------------
// Devices taken away

void Exchange::forceClose(DWORD line) {
    if (!m_state->lineAt(line))
        return;
    apiEvents().lineForcedClose(line);
}

void Exchange::disconnectLine(DWORD line) {
    if (!m_state->lineAt(line))
        return;
    apiEvents().lineDevState(line, LINEDEVSTATE_DISCONNECTED, 0, 0);
}

void Exchange::removeLine(DWORD line) {
    SimLine* l = m_state->lineAt(line);
    if (!l || l->removed)
        return;
    for (CallId id : callsOn(line)) {
        if (SimCall* c = m_state->find(id))
            m_state->goIdle(*c);
    }
    l->removed = true;
    apiEvents().lineRemoved(line);
}

// ---------------------------------------------------------------------------------------------
// Provider queries

LONG Exchange::injectedFailure(const char* function) {
    if (m_state->failures.empty())
        return 0;
    auto it = m_state->failures.find(function);
    return it == m_state->failures.end() ? 0 : it->second;
}

bool Exchange::entryHidden(const char* function) {
    const std::string name = function;
    return m_state->exMissing && (name == "lineInitializeExA" || name == "phoneInitializeExA");
}

DWORD Exchange::lineDeviceCount() {
    return static_cast<DWORD>(m_state->lines.size());
}

const LineDescription* Exchange::line(DWORD device) {
    SimLine* l = m_state->lineAt(device);
    return l ? &l->desc : nullptr;
}

bool Exchange::lineRemoved(DWORD device) {
    SimLine* l = m_state->lineAt(device);
    return !l || l->removed;
}

namespace {

void countCalls(const std::vector<const CallDescription*>& calls, DWORD& active, DWORD& held,
                DWORD& pending) {
    active = held = pending = 0;
    for (const CallDescription* d : calls) {
        switch (d->state) {
            case LINECALLSTATE_IDLE:
                break;
            case LINECALLSTATE_ONHOLD:
                ++held;
                break;
            case LINECALLSTATE_ONHOLDPENDCONF:
            case LINECALLSTATE_ONHOLDPENDTRANSFER:
                ++pending;
                break;
            default:
                ++active;
        }
    }
}

}  // namespace

LineStatusDescription Exchange::lineStatus(DWORD device) {
    LineStatusDescription out;
    SimLine* l = m_state->lineAt(device);
    if (!l)
        return out;
    std::vector<const CallDescription*> calls;
    bool ringing = false;
    for (auto& [id, c] : m_state->calls) {
        if (c->d.device != device)
            continue;
        calls.push_back(&c->d);
        ringing = ringing || c->d.state == LINECALLSTATE_OFFERING;
    }
    LINEDEVSTATUS& st = out.status;
    countCalls(calls, st.dwNumActiveCalls, st.dwNumOnHoldCalls, st.dwNumOnHoldPendCalls);
    st.dwLineFeatures = l->desc.caps.dwLineFeatures;
    st.dwRingMode = ringing ? 1 : 0;
    st.dwSignalLevel = 0xFFFF;
    st.dwBatteryLevel = 0xFFFF;
    st.dwRoamMode = LINEROAMMODE_UNAVAIL;
    st.dwDevStatusFlags =
        l->removed ? 0 : LINEDEVSTATUSFLAGS_CONNECTED | LINEDEVSTATUSFLAGS_INSERVICE;
    st.dwAvailableMediaModes = l->desc.caps.dwMediaModes;
    out.terminalModes = l->terminalModes;
    out.devSpecific = m_state->pad();
    return out;
}

AddressStatusDescription Exchange::addressStatus(DWORD device, DWORD address) {
    AddressStatusDescription out;
    SimLine* l = m_state->lineAt(device);
    if (!l || address >= l->forwards.size())
        return out;
    std::vector<const CallDescription*> calls;
    for (auto& [id, c] : m_state->calls) {
        if (c->d.device == device && c->d.address == address)
            calls.push_back(&c->d);
    }
    LINEADDRESSSTATUS& st = out.status;
    countCalls(calls, st.dwNumActiveCalls, st.dwNumOnHoldCalls, st.dwNumOnHoldPendCalls);
    st.dwNumInUse = st.dwNumActiveCalls + st.dwNumOnHoldCalls + st.dwNumOnHoldPendCalls > 0 ? 1 : 0;
    st.dwAddressFeatures = l->desc.addresses[address].caps.dwAddressFeatures;
    st.dwNumRingsNoAnswer = l->ringsNoAnswer;
    out.forwards = l->forwards[address];
    out.terminalModes = l->terminalModes;
    out.devSpecific = m_state->pad();
    return out;
}

const CallDescription* Exchange::call(CallId id) {
    SimCall* c = m_state->find(id);
    return c ? &c->d : nullptr;
}

std::vector<CallId> Exchange::callsOn(DWORD device, DWORD address) {
    std::vector<CallId> out;
    for (auto& [id, c] : m_state->calls) {
        if (c->d.device == device && c->d.address == address && c->d.state != LINECALLSTATE_IDLE) {
            out.push_back(id);
        }
    }
    return out;
}

std::vector<CallId> Exchange::callsOn(DWORD line) {
    std::vector<CallId> out;
    for (auto& [id, c] : m_state->calls) {
        if (c->d.device == line)
            out.push_back(id);
    }
    return out;
}

CallId Exchange::currentCall(DWORD line) {
    CallId newest = 0;
    for (auto& [id, c] : m_state->calls) {
        if (c->d.device == line && c->d.state != LINECALLSTATE_IDLE)
            newest = id;
    }
    return newest;
}

std::string Exchange::generatedOn(DWORD line) const {
    return line < m_state->lines.size() ? m_state->lines[line].generated : std::string();
}

std::vector<std::filesystem::path> Exchange::playedInto(DWORD line) const {
    return line < m_state->lines.size() ? m_state->lines[line].played
                                        : std::vector<std::filesystem::path>{};
}

const Request* Exchange::lastRequest(Op op) const {
    auto it = m_state->lastRequests.find(op);
    return it == m_state->lastRequests.end() ? nullptr : &it->second;
}

void Exchange::releaseCall(CallId id) {
    m_state->calls.erase(id);
}

void Exchange::dropQuietly(CallId id) {
    if (SimCall* c = m_state->find(id))
        m_state->goIdle(*c);
}

LONG Exchange::setMediaMode(CallId id, DWORD mediaModes) {
    SimCall* c = m_state->find(id);
    if (!c)
        return LINEERR_INVALCALLHANDLE;
    if (c->d.mediaMode != mediaModes) {
        c->d.mediaMode = mediaModes;
        apiEvents().callInfoChanged(id, LINECALLINFOSTATE_MEDIAMODE);
    }
    return 0;
}

void Exchange::setAppSpecific(CallId id, DWORD value) {
    if (SimCall* c = m_state->find(id))
        c->d.appSpecific = value;
}

void Exchange::generated(CallId id, const std::string& digits, DWORD toneMode) {
    SimCall* c = m_state->find(id);
    if (!c)
        return;
    SimLine& l = m_state->lines[c->d.device];
    l.generated += toneMode ? "<tone " + std::to_string(toneMode) + ">" : digits;
}

// A data call's "comm/datamodem" handle: a descriptor the application closes. The exchange has
// no modem to connect it to, so it is the null device.
int Exchange::openCommHandle(CallId id) {
    if (!m_state->find(id))
        return -1;
    return ::open("/dev/null", O_RDWR | O_CLOEXEC);
}

// Addresses in canonical form ("+44 (1632) 960123") become dialable from the exchange's own
// area (country 44, area 1632); anything else is dialled as written.
std::string Exchange::translate(const std::string& address, DWORD, DWORD options,
                                std::string& displayable, DWORD& results) {
    displayable = address;
    results = 0;
    std::string dialable = address;
    if (!address.empty() && address[0] == '+') {
        results |= LINETRANSLATERESULT_CANONICAL;
        const auto open = address.find('(');
        const auto close = address.find(')');
        const std::string country =
            digitsOnly(address.substr(1, open == std::string::npos ? std::string::npos : open - 1));
        const std::string area = open != std::string::npos && close != std::string::npos
                                     ? digitsOnly(address.substr(open, close - open))
                                     : std::string();
        const std::string subscriber =
            digitsOnly(close != std::string::npos ? address.substr(close + 1) : std::string());
        if (country != "44") {
            results |= LINETRANSLATERESULT_INTERNATIONAL;
            dialable = "00" + country + area + subscriber;
        } else if (area != "1632") {
            results |= LINETRANSLATERESULT_LONGDISTANCE;
            dialable = "0" + area + subscriber;
        } else {
            results |= LINETRANSLATERESULT_LOCAL;
            dialable = subscriber;
        }
    }
    if (options & LINETRANSLATEOPTION_CANCELCALLWAITING)
        dialable = "*43," + dialable;
    return dialable;
}

DWORD Exchange::phoneDeviceCount() {
    return static_cast<DWORD>(m_state->phones.size());
}

const PhoneDescription* Exchange::phone(DWORD device) {
    return device < m_state->phones.size() ? &m_state->phones[device].desc : nullptr;
}

PhoneStatusDescription Exchange::phoneStatus(DWORD device) {
    PhoneStatusDescription out;
    if (device >= m_state->phones.size())
        return out;
    out.status = m_state->phones[device].status;
    out.devSpecific = m_state->pad();
    return out;
}

// ---------------------------------------------------------------------------------------------

namespace {
// The process's exchange once something asked for it; nothing builds it at library load.
Exchange* g_built = nullptr;
bool g_building = false;
}  // namespace

Exchange& exchange() {
    static Exchange* the = [] {
        g_building = true;
        auto* e = new Exchange;  // lives as long as the process, as the service would
        ExchangeConfig config = ExchangeConfig::defaults();
        if (const char* path = std::getenv("BELLTALE_EXCHANGE_CONFIG"); path && *path) {
            // A broken configuration must not stop the program: say why and go on with the
            // default devices.
            std::string error = "cannot read the file";
            std::optional<ExchangeConfig> parsed;
            if (auto text = core::readFile(path))
                parsed = ExchangeConfig::parse(*text, &error);
            if (parsed) {
                config = *parsed;
            } else {
                std::fprintf(stderr, "belltale: exchange configuration %s: %s; using the default\n",
                             path, error.c_str());
            }
        }
        e->reset(config);
        g_built = e;
        g_building = false;
        return e;
    }();
    return *the;
}

void buildExchange() {
    if (!g_built && !g_building)
        exchange();
}

Provider& provider() {
    return exchange();
}

// An exchange built later registers its devices with the table as it builds them, so installing
// the table (when the wave layer loads) builds nothing: no device list is read and no sound system
// probed before a program asks for them.
void setWaveDeviceTable(WaveDeviceTable* table) {
    installedTable() = table;
    if (g_built)
        g_built->reRegisterWaveDevices();
}

WaveDeviceTable* waveDeviceTable() {
    return installedTable();
}

}  // namespace tapi
