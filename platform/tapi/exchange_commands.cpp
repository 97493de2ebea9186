// The exchange's command language, shared by the control socket and tools/telsim. A command is
// one line of words; words with blanks go in double quotes (a backslash escapes a quote or a
// backslash inside them). Every command is checked completely before anything changes.
#include <set>
#include <sstream>

#include "platform/core/text.h"
#include "platform/tapi/api_state.h"
#include "platform/tapi/exchange_state.h"

namespace tapi {

namespace {

struct Parsed {
    std::vector<std::string> words;
    std::string error;
};

Parsed split(std::string_view line) {
    Parsed out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() &&
               (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n')) {
            ++i;
        }
        if (i >= line.size())
            break;
        std::string word;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < line.size()) {
                    word += line[i++];
                } else {
                    word += c;
                }
            }
            if (!closed) {
                out.error = "unterminated quote";
                return out;
            }
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
                   line[i] != '\n') {
                word += line[i++];
            }
        }
        out.words.push_back(word);
    }
    return out;
}

bool number(const std::string& text, DWORD& out) {
    if (text.empty() || text.size() > 9)
        return false;
    DWORD n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + static_cast<DWORD>(c - '0');
    }
    out = n;
    return true;
}

std::string inQuotes(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string privilegeText(DWORD privileges) {
    if (privileges == LINECALLPRIVILEGE_NONE)
        return "none";
    std::string out;
    if (privileges & LINECALLPRIVILEGE_OWNER)
        out = "owner";
    if (privileges & LINECALLPRIVILEGE_MONITOR)
        out += out.empty() ? "monitor" : "+monitor";
    return out;
}

std::string stateText(DWORD state) {
    const char* name = callStateText(state);
    return name ? name : "UNKNOWN";
}

// The handset commands: press <phone> <key>, lift <phone>, replace <phone>.
std::string phoneCommand(Exchange& exchange, const std::string& verb,
                         const std::vector<std::string>& w) {
    const DWORD count = exchange.phoneDeviceCount();
    if (w.size() < 2)
        return "ERROR: " + verb + " needs a phone number";
    DWORD n = 0;
    if (!number(w[1], n) || n < 1 || n > count) {
        return "ERROR: no phone \"" + w[1] + "\" (phones are 1 to " + std::to_string(count) + ")";
    }
    const DWORD phone = n - 1;
    const std::string which = "phone " + std::to_string(n);
    if (verb == "press") {
        if (w.size() != 3 || w[2].size() != 1)
            return "ERROR: press needs a phone and one key";
        if (!exchange.pressPhoneKey(phone, w[2][0]))
            return "ERROR: \"" + w[2] + "\" is not a key of the keypad (0-9, * or #)";
        return "OK " + w[2] + " pressed on " + which;
    }
    if (w.size() != 2)
        return "ERROR: " + verb + " takes only a phone number";
    const bool lift = verb == "lift";
    // Lifted, the handset's microphone and earpiece are both on.
    if (!exchange.setHookSwitch(
            phone, PHONEHOOKSWITCHDEV_HANDSET,
            lift ? PHONEHOOKSWITCHMODE_MICSPEAKER : PHONEHOOKSWITCHMODE_ONHOOK)) {
        return "ERROR: " + which + " has no handset";
    }
    return std::string("OK handset ") + (lift ? "lifted" : "replaced") + " on " + which;
}

}  // namespace

const char* callStateText(DWORD state) {
    static const std::pair<DWORD, const char*> names[] = {
        {LINECALLSTATE_IDLE, "IDLE"},
        {LINECALLSTATE_OFFERING, "OFFERING"},
        {LINECALLSTATE_ACCEPTED, "ACCEPTED"},
        {LINECALLSTATE_DIALTONE, "DIALTONE"},
        {LINECALLSTATE_DIALING, "DIALING"},
        {LINECALLSTATE_RINGBACK, "RINGBACK"},
        {LINECALLSTATE_BUSY, "BUSY"},
        {LINECALLSTATE_SPECIALINFO, "SPECIALINFO"},
        {LINECALLSTATE_CONNECTED, "CONNECTED"},
        {LINECALLSTATE_PROCEEDING, "PROCEEDING"},
        {LINECALLSTATE_ONHOLD, "ONHOLD"},
        {LINECALLSTATE_CONFERENCED, "CONFERENCED"},
        {LINECALLSTATE_ONHOLDPENDCONF, "ONHOLDPENDCONF"},
        {LINECALLSTATE_ONHOLDPENDTRANSFER, "ONHOLDPENDTRANSFER"},
        {LINECALLSTATE_DISCONNECTED, "DISCONNECTED"},
        {LINECALLSTATE_UNKNOWN, "UNKNOWN"},
    };
    for (const auto& [value, name] : names) {
        if (value == state)
            return name;
    }
    return nullptr;
}

std::string Exchange::list() {
    std::ostringstream out;
    State& s = *m_state;
    for (std::size_t i = 0; i < s.lines.size(); ++i) {
        const SimLine& l = s.lines[i];
        out << "line " << i + 1 << ' ' << inQuotes(l.config.name) << ": ";
        const auto users = detail::lineUsers(static_cast<DWORD>(i));
        if (l.removed) {
            out << "removed";
        } else if (users.empty()) {
            out << "closed";
        } else {
            out << "open by";
            for (std::size_t u = 0; u < users.size(); ++u) {
                out << (u ? ", " : " ") << inQuotes(users[u].appName) << " ("
                    << privilegeText(users[u].privileges) << ')';
            }
        }
        for (const auto& [id, c] : s.calls) {
            if (c->d.device != i)
                continue;
            DWORD owners = 0, monitors = 0;
            detail::countHandles(id, owners, monitors);
            out << "; call " << id << ' ' << stateText(c->d.state) << ' '
                << (c->incoming ? "from " : "to ")
                << (c->incoming ? (c->caller.withheld ? std::string("withheld")
                                                      : inQuotes(c->caller.number))
                                : inQuotes(c->d.called.number));
            if (c->incoming && !c->caller.name.empty())
                out << ' ' << inQuotes(c->caller.name);
            out << " (" << owners << " owner" << (owners == 1 ? "" : "s") << ", " << monitors
                << " monitor" << (monitors == 1 ? "" : "s") << ')';
        }
        out << '\n';
    }
    return out.str();
}

// farend <line> answer [--rings N] | busy | noanswer | any: whom the line's outgoing calls reach.
static std::string farEndCommand(Exchange& exchange, DWORD device, const std::string& which,
                                 const std::vector<std::string>& w) {
    if (w.size() < 3)
        return "ERROR: farend needs a line and answer, busy, noanswer or any";
    const std::string& what = w[2];
    if (what == "any" && w.size() == 3) {
        exchange.setLineRemoteParty(device, std::nullopt);
        return "OK calls from " + which + " reach the dialled number";
    }
    RemoteParty party;
    if (what == "busy" && w.size() == 3) {
        party.outcome = RemoteParty::Outcome::Busy;
    } else if (what == "noanswer" && w.size() == 3) {
        party.outcome = RemoteParty::Outcome::NoAnswer;
    } else if (what == "answer" && (w.size() == 3 || w.size() == 5)) {
        party.outcome = RemoteParty::Outcome::Answer;
        if (w.size() == 5 && (w[3] != "--rings" || !number(w[4], party.answerAfterRings)))
            return "ERROR: farend answer takes --rings N";
    } else {
        return "ERROR: farend needs answer [--rings N], busy, noanswer or any, not \"" + what +
               "\"";
    }
    exchange.setLineRemoteParty(device, party);
    return "OK the far end of " + which + " will " +
           (what == "noanswer" ? "not answer"
            : what == "busy"   ? "be busy"
                               : "answer");
}

std::string Exchange::execute(std::string_view command) {
    const Parsed parsed = split(command);
    if (!parsed.error.empty())
        return "ERROR: " + parsed.error;
    const auto& w = parsed.words;
    if (w.empty()) {
        return "ERROR: empty command (try: ring, hangup, digits, close, remove, list, press, lift, "
               "replace)";
    }
    const std::string verb = core::toLowerAscii(w[0]);
    if (verb == "list") {
        if (w.size() != 1)
            return "ERROR: list takes no arguments";
        return "OK\n" + list();
    }
    if (verb == "press" || verb == "lift" || verb == "replace")
        return phoneCommand(*this, verb, w);
    const std::set<std::string> lineVerbs = {"ring",   "hangup",     "digits",   "close",
                                             "remove", "disconnect", "dialtone", "farend"};
    if (!lineVerbs.contains(verb))
        return "ERROR: unknown command \"" + w[0] + "\"";
    DWORD line = 0;
    const DWORD count = static_cast<DWORD>(m_state->lines.size());
    if (w.size() < 2)
        return "ERROR: " + verb + " needs a line number";
    if (!number(w[1], line) || line < 1 || line > count) {
        return "ERROR: no line \"" + w[1] + "\" (lines are 1 to " + std::to_string(count) + ")";
    }
    const DWORD device = line - 1;
    const std::string which = "line " + std::to_string(line);
    if (m_state->lines[device].removed)
        return "ERROR: " + which + " was removed";

    if (verb == "ring") {
        IncomingCall caller;
        for (std::size_t i = 2; i < w.size(); ++i) {
            const std::string& option = w[i];
            auto value = [&](std::string& out) {
                if (i + 1 >= w.size())
                    return false;
                out = w[++i];
                return true;
            };
            std::string v;
            if (option == "--withheld") {
                caller.withheld = true;
            } else if (option == "--out-of-area") {
                caller.outOfArea = true;
            } else if (option == "--number") {
                if (!value(caller.number))
                    return "ERROR: --number needs a value";
            } else if (option == "--name") {
                if (!value(caller.name))
                    return "ERROR: --name needs a value";
            } else if (option == "--callerid") {
                if (!value(v))
                    return "ERROR: --callerid needs after, offering or none";
                if (v == "after") {
                    caller.callerIdTiming = IncomingCall::CallerIdTiming::AfterFirstRing;
                } else if (v == "offering") {
                    caller.callerIdTiming = IncomingCall::CallerIdTiming::AtOffering;
                } else if (v == "none") {
                    caller.callerIdTiming = IncomingCall::CallerIdTiming::Never;
                } else {
                    return "ERROR: --callerid needs after, offering or none, not \"" + v + "\"";
                }
            } else if (option == "--rings") {
                if (!value(v) || !number(v, caller.hangUpAfterRings)) {
                    return "ERROR: --rings needs a number of rings";
                }
            } else if (option == "--interval") {
                if (!value(v) || !number(v, caller.ringIntervalMs) || caller.ringIntervalMs == 0) {
                    return "ERROR: --interval needs a number of milliseconds above 0";
                }
            } else {
                return "ERROR: unknown option \"" + option + "\" for ring";
            }
        }
        if (currentCall(device))
            return "ERROR: " + which + " already has a call";
        const CallId id = ring(device, caller);
        if (!id)
            return "ERROR: " + which + " cannot take a call";
        return "OK call " + std::to_string(id) + " ringing on " + which;
    }
    if (verb == "digits") {
        if (w.size() != 3)
            return "ERROR: digits needs a line and the digits";
        for (char c : w[2]) {
            if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'D') || c == '*' || c == '#')) {
                return "ERROR: \"" + w[2] + "\" holds a character that is not a digit";
            }
        }
        if (!sendDigits(device, w[2]))
            return "ERROR: " + which + " has no call";
        return "OK digits sent on " + which;
    }
    if (verb == "dialtone") {
        if (w.size() != 3 || (w[2] != "on" && w[2] != "off"))
            return "ERROR: dialtone needs a line and on or off";
        setDialTone(device, w[2] == "on");
        return "OK dial tone " + w[2] + " on " + which;
    }
    if (verb == "farend")
        return farEndCommand(*this, device, which, w);
    if (w.size() != 2)
        return "ERROR: " + verb + " takes only a line number";
    if (verb == "hangup") {
        if (!hangup(device))
            return "ERROR: " + which + " has no call to hang up";
        return "OK hung up on " + which;
    }
    if (verb == "close") {
        forceClose(device);
        return "OK " + which + " closed";
    }
    if (verb == "disconnect") {
        disconnectLine(device);
        return "OK " + which + " disconnected";
    }
    removeLine(device);
    return "OK " + which + " removed";
}

}  // namespace tapi
