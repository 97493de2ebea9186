// Internal: the exchange's devices and calls, shared by its source files.
#pragma once

#include <functional>
#include <list>
#include <map>
#include <memory>

#include "platform/core/clock.h"
#include "platform/core/messages.h"
#include "platform/tapi/exchange.h"

namespace tapi {

inline constexpr DWORD kLargeExtra = 5000;  // "large structures": beyond 4096 on purpose

inline std::string digitsOnly(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            out += c;
    }
    return out;
}

inline SYSTEMTIME stamp() {
    const auto p = core::datePartsOf(core::now());
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(p.year);
    t.wMonth = static_cast<WORD>(p.month);
    t.wDay = static_cast<WORD>(p.day);
    t.wHour = static_cast<WORD>(p.hour);
    t.wMinute = static_cast<WORD>(p.minute);
    t.wSecond = static_cast<WORD>(p.second);
    t.wMilliseconds = static_cast<WORD>(p.millisecond);
    return t;
}

struct SimCall {
    CallId id = 0;
    CallDescription d;
    bool incoming = false;
    bool answered = false;
    IncomingCall caller;
    RemoteParty party;
    DWORD rings = 0;
    DWORD noAnswerTimeout = 0;
    core::OneShot ringTimer;
    core::OneShot stepTimer;
    core::OneShot callerIdTimer;
    core::OneShot digitTimer;
    core::OneShot hangUpTimer;
    std::string digitsToSend;
    DWORD digitMode = LINEDIGITMODE_DTMF;
};

struct SimLine {
    LineConfig config;
    LineDescription desc;
    bool removed = false;
    bool dialTone = true;
    std::optional<RemoteParty> farEnd;  // whom every call dialled from this line reaches
    std::vector<std::vector<ForwardEntry>> forwards;  // per address
    DWORD ringsNoAnswer = 0;
    std::vector<DWORD> terminalModes;
    std::string generated;
    std::vector<std::filesystem::path> played;
};

struct SimPhone {
    PhoneConfig config;
    PhoneDescription desc;
    PHONESTATUS status{};
};

struct Exchange::State {
    std::vector<SimLine> lines;
    std::vector<SimPhone> phones;
    std::map<CallId, std::unique_ptr<SimCall>> calls;
    CallId nextCall = 0x100;
    std::map<std::string, ReplyPolicy> policies;
    ReplyPolicy defaultPolicy;
    std::map<std::string, LONG> failures;
    bool exMissing = false;
    bool large = false;
    std::map<std::string, RemoteParty> parties;
    RemoteParty defaultParty;
    std::map<Op, Request> lastRequests;
    std::list<std::unique_ptr<core::OneShot>> timers;
    unsigned generation = 0;

    SimCall* find(CallId id) {
        auto it = calls.find(id);
        return it == calls.end() ? nullptr : it->second.get();
    }
    SimLine* lineAt(DWORD device) { return device < lines.size() ? &lines[device] : nullptr; }
    std::string pad() const { return large ? std::string(kLargeExtra, 'x') : std::string(); }

    // Runs `task` after `ms` on the UI thread unless the exchange was reset meanwhile.
    void later(DWORD ms, std::function<void()> task) {
        if (timers.size() > 64) {
            timers.remove_if([](const auto& t) { return !t->active(); });
        }
        timers.push_back(std::make_unique<core::OneShot>());
        const unsigned gen = generation;
        timers.back()->start(ms, [this, gen, task = std::move(task)] {
            if (gen == generation)
                task();
        });
    }

    void setState(SimCall& c, DWORD state, DWORD mode) {
        c.d.state = state;
        c.d.stateMode = mode;
        c.d.callStates |= state;
        c.d.stateEntryTime = stamp();
        apiEvents().callStateChanged(c.id);
    }

    void stopTimers(SimCall& c) {
        c.ringTimer.stop();
        c.stepTimer.stop();
        c.callerIdTimer.stop();
        c.digitTimer.stop();
        c.hangUpTimer.stop();
    }

    void goIdle(SimCall& c) {
        stopTimers(c);
        if (c.d.state != LINECALLSTATE_IDLE)
            setState(c, LINECALLSTATE_IDLE, 0);
    }

    // The far ends (exchange_calls.cpp).
    void armRing(CallId id);
    void remoteHangup(SimCall& c);
    void connect(SimCall& c);
    void startFarEnd(SimCall& c, const std::string& digits, const std::filesystem::path& recording,
                     DWORD hangUpAfterMs);
    void sendNextDigit(CallId id);
    void dialOut(SimCall& c, const std::string& number);
    void reachParty(CallId id, const std::string& number);
    // Requests: when and how the reply comes, and what the operation does.
    LONG accept(RequestId id, const Request& r, Created& created);
    void completeLater(RequestId id, const Request& r, std::function<void()> effect,
                       std::vector<CallId> createdCalls);
    ReplyPolicy policyFor(const char* function) const;
    // The handset's own controls (exchange_calls.cpp).
    enum class PhoneLevel { Volume, Gain };
    bool turnPhoneLevel(DWORD phone, DWORD hookSwitchDev, DWORD level, PhoneLevel which);

    SimCall& newCall(DWORD device, DWORD address) {
        auto c = std::make_unique<SimCall>();
        c->id = ++nextCall;
        c->d.device = device;
        c->d.address = address;
        c->d.devSpecific = pad();
        c->d.stateEntryTime = stamp();
        c->d.callFeatures = 0xFFFFFFFF;
        SimCall& ref = *c;
        calls.emplace(c->id, std::move(c));
        return ref;
    }
};

}  // namespace tapi
