// Internal: the line half of the telephony API's state: applications, line and call handles,
// privileges, message delivery, digit gathering and monitors. Devices and calls themselves belong
// to the provider (provider.h).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>

#include "platform/core/clock.h"
#include "platform/core/messages.h"
#include "platform/core/text.h"
#include "platform/tapi/api_state.h"
#include "platform/tapi/app_queue.h"
#include "platform/tapi/provider.h"
#include "platform/tapi/tapi.h"
#include "platform/tapi/var_struct.h"

namespace tapi::detail {

using detail::AppQueue;
using detail::QueuedMessage;
using detail::VarWriter;
using Needs = QueuedMessage::Needs;

inline constexpr DWORD kLowestVersion = TAPI_VERSION1_0;
inline constexpr DWORD kHighestVersion = TAPI_CURRENT_VERSION;
inline constexpr DWORD kOwnerOrMonitor = LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR;
inline constexpr DWORD kDefaultGenerateDuration = 100;
inline constexpr DWORD kDefaultToneDuration = 1000;

struct LineApp {
    HLINEAPP handle = 0;
    std::string name;
    DWORD apiVersion = kLowestVersion;
    std::unique_ptr<AppQueue> queue;
};

struct LineOpen {
    HLINE handle = 0;
    HLINEAPP app = 0;
    DWORD device = 0;
    DWORD_PTR instance = 0;
    DWORD privileges = 0;
    DWORD mediaModes = 0;
    DWORD apiVersion = 0;
    DWORD lineStates = 0;
    DWORD addressStates = 0;
    bool closing = false;  // forced closed: refused to callers, gone once LINE_CLOSE is delivered
};

struct Gather {
    char* buffer = nullptr;
    DWORD wanted = 0;
    DWORD count = 0;
    DWORD modes = 0;
    std::string terminators;
    DWORD interTimeout = 0;
    core::OneShot timer;
};

struct CallHandle {
    HCALL handle = 0;
    HLINE line = 0;
    HLINEAPP app = 0;
    CallId call = 0;
    DWORD privilege = LINECALLPRIVILEGE_MONITOR;
    bool revealed = true;             // false until the reply of the request that created it
    std::vector<QueuedMessage> held;  // this call's messages waiting for that reply
    DWORD monitorDigitModes = 0;
    DWORD monitorMediaModes = 0;
    std::vector<LINEMONITORTONE> tones;
    std::vector<std::unique_ptr<core::OneShot>> toneTimers;
    std::unique_ptr<Gather> gather;
    core::OneShot generate;
};

struct PendingRequest {
    HLINEAPP app = 0;
    HLINE line = 0;
    std::vector<std::pair<HCALL*, HCALL>> cells;  // handle cells and what goes into them
    std::function<void()> writeBack;              // other memory the reply fills in
    std::vector<HCALL> createdHandles;
};

inline bool validDigit(char c, DWORD mode) {
    if (mode == LINEDIGITMODE_PULSE)
        return c >= '0' && c <= '9';
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'D') || (c >= 'a' && c <= 'd') || c == '*' ||
           c == '#';
}

inline bool validDialString(const char* text) {
    for (const char* p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == 0x7F)
            return false;
    }
    return true;
}

inline bool singleBit(DWORD value) {
    return value != 0 && (value & (value - 1)) == 0;
}

inline SYSTEMTIME localTime() {
    const auto parts = core::datePartsOf(core::now());
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(parts.year);
    t.wMonth = static_cast<WORD>(parts.month);
    t.wDay = static_cast<WORD>(parts.day);
    t.wHour = static_cast<WORD>(parts.hour);
    t.wMinute = static_cast<WORD>(parts.minute);
    t.wSecond = static_cast<WORD>(parts.second);
    t.wMilliseconds = static_cast<WORD>(parts.millisecond);
    return t;
}

// What an application may do with a call in a state, for LINECALLSTATUS.
inline DWORD callFeaturesFor(DWORD state, DWORD privilege) {
    if (privilege != LINECALLPRIVILEGE_OWNER)
        return 0;
    constexpr DWORD media = LINECALLFEATURE_GATHERDIGITS | LINECALLFEATURE_GENERATEDIGITS |
                            LINECALLFEATURE_GENERATETONE | LINECALLFEATURE_MONITORDIGITS |
                            LINECALLFEATURE_MONITORMEDIA | LINECALLFEATURE_MONITORTONES;
    switch (state) {
        case LINECALLSTATE_OFFERING:
        case LINECALLSTATE_ACCEPTED:
            return LINECALLFEATURE_ANSWER | LINECALLFEATURE_DROP | LINECALLFEATURE_REDIRECT |
                   LINECALLFEATURE_MONITORMEDIA;
        case LINECALLSTATE_DIALTONE:
        case LINECALLSTATE_DIALING:
            return LINECALLFEATURE_DIAL | LINECALLFEATURE_DROP | media;
        case LINECALLSTATE_PROCEEDING:
        case LINECALLSTATE_RINGBACK:
        case LINECALLSTATE_BUSY:
        case LINECALLSTATE_SPECIALINFO:
        case LINECALLSTATE_DISCONNECTED:
            return LINECALLFEATURE_DROP | media;
        case LINECALLSTATE_CONNECTED:
            return LINECALLFEATURE_DROP | LINECALLFEATURE_HOLD | LINECALLFEATURE_DIAL |
                   LINECALLFEATURE_BLINDTRANSFER | LINECALLFEATURE_SETUPTRANSFER |
                   LINECALLFEATURE_SETUPCONF | LINECALLFEATURE_PARK |
                   LINECALLFEATURE_SETCALLPARAMS | media;
        case LINECALLSTATE_ONHOLD:
            return LINECALLFEATURE_UNHOLD | LINECALLFEATURE_DROP;
        case LINECALLSTATE_ONHOLDPENDTRANSFER:
        case LINECALLSTATE_ONHOLDPENDCONF:
            return LINECALLFEATURE_COMPLETETRANSF | LINECALLFEATURE_SWAPHOLD |
                   LINECALLFEATURE_DROP | LINECALLFEATURE_ADDTOCONF;
        case LINECALLSTATE_CONFERENCED:
            return LINECALLFEATURE_REMOVEFROMCONF | LINECALLFEATURE_DROP;
        default:
            return 0;
    }
}

inline bool callIsLive(DWORD state) {
    return state != LINECALLSTATE_IDLE && state != LINECALLSTATE_DISCONNECTED;
}

// ---------------------------------------------------------------------------------------------

class LineApi final : public ProviderEvents {
  public:
    static LineApi& instance() {
        static LineApi* api = new LineApi;  // lives as long as the process: callbacks may run late
        return *api;
    }

    // ---- tables ----
    std::map<HLINEAPP, std::unique_ptr<LineApp>> apps;
    std::map<HLINE, LineOpen> lines;  // handles grow, so this is also the order of opening
    std::unordered_map<HCALL, std::unique_ptr<CallHandle>> calls;
    std::unordered_map<CallId, std::vector<HCALL>> handlesOfCall;
    std::unordered_map<RequestId, PendingRequest> pending;
    std::unordered_map<CallId, std::string> originatingApp;

    LineApp* app(HLINEAPP h) {
        auto it = apps.find(h);
        return it == apps.end() ? nullptr : it->second.get();
    }
    LineOpen* line(HLINE h) {
        auto it = lines.find(h);
        return it == lines.end() || it->second.closing ? nullptr : &it->second;
    }
    CallHandle* callHandle(HCALL h) {
        auto it = calls.find(h);
        if (it == calls.end() || !it->second->revealed)
            return nullptr;
        return it->second.get();
    }
    const CallDescription* describe(const CallHandle& h) { return provider().call(h.call); }

    // ---- message queuing ----

    void queueFor(HLINEAPP appHandle, QueuedMessage message) {
        if (LineApp* a = app(appHandle))
            a->queue->push(std::move(message));
    }

    void queueLine(const LineOpen& open, DWORD msg, DWORD_PTR p1, DWORD_PTR p2, DWORD_PTR p3) {
        QueuedMessage m;
        m.hDevice = open.handle;
        m.message = msg;
        m.instance = open.instance;
        m.param1 = p1;
        m.param2 = p2;
        m.param3 = p3;
        m.needs = Needs::Line;
        m.handle = open.handle;
        queueFor(open.app, std::move(m));
    }

    // A call message goes to the application's queue, or waits with the handle until the reply of
    // the request that created the call has been queued.
    void queueCall(CallHandle& h, DWORD msg, DWORD_PTR p1, DWORD_PTR p2, DWORD_PTR p3) {
        auto lineIt = lines.find(h.line);
        if (lineIt == lines.end() || lineIt->second.closing)
            return;
        QueuedMessage m;
        m.hDevice = h.handle;
        m.message = msg;
        m.instance = lineIt->second.instance;
        m.param1 = p1;
        m.param2 = p2;
        m.param3 = p3;
        m.needs = Needs::Call;
        m.handle = h.handle;
        if (!h.revealed) {
            h.held.push_back(std::move(m));
            return;
        }
        queueFor(h.app, std::move(m));
    }

    bool stillValid(const QueuedMessage& m) {
        switch (m.needs) {
            case Needs::Nothing:
                return true;
            case Needs::Line:
                return lines.contains(m.handle);
            case Needs::Call:
                return calls.contains(m.handle);
            case Needs::Phone:
                return false;
        }
        return false;
    }

    void beforeCallback(const QueuedMessage& m) {
        if (m.closesLine)
            lines.erase(m.handle);
    }

    // ---- handles ----

    CallHandle& addHandle(const LineOpen& open, CallId call, DWORD privilege, bool revealed) {
        auto h = std::make_unique<CallHandle>();
        h->handle = detail::newHandle();
        h->line = open.handle;
        h->app = open.app;
        h->call = call;
        h->privilege = privilege;
        h->revealed = revealed;
        CallHandle& ref = *h;
        handlesOfCall[call].push_back(h->handle);
        calls.emplace(h->handle, std::move(h));
        return ref;
    }

    CallHandle* handleOf(CallId call, HLINE line) {
        auto it = handlesOfCall.find(call);
        if (it == handlesOfCall.end())
            return nullptr;
        for (HCALL h : it->second) {
            auto& handle = *calls.at(h);
            if (handle.line == line)
                return &handle;
        }
        return nullptr;
    }

    std::vector<HCALL> handlesOf(CallId call) {
        auto it = handlesOfCall.find(call);
        return it == handlesOfCall.end() ? std::vector<HCALL>{} : it->second;
    }

    void ownersOf(CallId call, DWORD& owners, DWORD& monitors) {
        owners = monitors = 0;
        for (HCALL h : handlesOf(call)) {
            if (calls.at(h)->privilege == LINECALLPRIVILEGE_OWNER) {
                ++owners;
            } else {
                ++monitors;
            }
        }
    }

    // Forgets a handle. The last owner of a call that is still up drops it, as closing a line
    // drops the calls only it owned; an idle call nobody holds is released.
    void removeHandle(HCALL handle) {
        auto it = calls.find(handle);
        if (it == calls.end())
            return;
        const CallId call = it->second->call;
        const DWORD privilege = it->second->privilege;
        calls.erase(it);
        auto& list = handlesOfCall[call];
        list.erase(std::remove(list.begin(), list.end(), handle), list.end());
        DWORD owners = 0, monitors = 0;
        ownersOf(call, owners, monitors);
        const CallDescription* d = provider().call(call);
        if (list.empty())
            handlesOfCall.erase(call);
        if (!d)
            return;
        notifyInfo(call, privilege == LINECALLPRIVILEGE_OWNER ? LINECALLINFOSTATE_NUMOWNERDECR
                                                              : LINECALLINFOSTATE_NUMMONITORS);
        if (privilege == LINECALLPRIVILEGE_OWNER && owners == 0 && d->state != LINECALLSTATE_IDLE) {
            provider().dropQuietly(call);
        }
        if (handlesOf(call).empty() && provider().call(call) &&
            provider().call(call)->state == LINECALLSTATE_IDLE) {
            originatingApp.erase(call);
            provider().releaseCall(call);
        }
    }

    void closeLine(HLINE handle, bool forced) {
        auto it = lines.find(handle);
        if (it == lines.end())
            return;
        std::vector<HCALL> mine;
        for (auto& [h, c] : calls) {
            if (c->line == handle)
                mine.push_back(h);
        }
        std::sort(mine.begin(), mine.end());
        for (HCALL h : mine)
            removeHandle(h);
        for (auto p = pending.begin(); p != pending.end();) {
            p = p->second.line == handle ? pending.erase(p) : std::next(p);
        }
        const DWORD device = it->second.device;
        if (forced) {
            it->second.closing = true;
            QueuedMessage m;
            m.hDevice = handle;
            m.message = LINE_CLOSE;
            m.instance = it->second.instance;
            m.needs = Needs::Line;
            m.handle = handle;
            m.closesLine = true;
            queueFor(it->second.app, std::move(m));
        } else {
            lines.erase(it);
            lineDevState(device, LINEDEVSTATE_CLOSE, 0, 0);
        }
    }

    void shutdownApp(HLINEAPP handle) {
        std::vector<HLINE> mine;
        for (auto& [h, open] : lines) {
            if (open.app == handle)
                mine.push_back(h);
        }
        for (HLINE h : mine) {
            closeLine(h, false);
            lines.erase(h);
        }
        for (auto p = pending.begin(); p != pending.end();) {
            p = p->second.app == handle ? pending.erase(p) : std::next(p);
        }
        apps.erase(handle);
    }

    // ---- requests ----

    // Hands an asynchronous operation to the provider and remembers who waits for its reply.
    // `cells` receive the calls the operation creates, in order: the new call (or conference
    // call), then the consultation call.
    LONG submit(const LineOpen& open, Request request, std::vector<HCALL*> cells,
                VARSTRING* parkAddress = nullptr) {
        const RequestId id = detail::newRequestId();
        Created created;
        const LONG result = provider().request(id, request, created);
        if (result < 0)
            return result;
        PendingRequest p;
        p.app = open.app;
        p.line = open.handle;
        const CallId made[2] = {created.call, created.second};
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (!cells[i])
                continue;
            HCALL value = 0;
            if (i < 2 && made[i] != 0) {
                CallHandle* existing = handleOf(made[i], open.handle);
                CallHandle& h =
                    existing ? *existing : addHandle(open, made[i], LINECALLPRIVILEGE_OWNER, false);
                if (!existing)
                    p.createdHandles.push_back(h.handle);
                value = h.handle;
                LineApp* a = app(open.app);
                if (a && !originatingApp.contains(made[i]))
                    originatingApp[made[i]] = a->name;
            }
            p.cells.emplace_back(cells[i], value);
        }
        if (parkAddress) {
            // The park address goes into the application's structure with the reply.
            p.writeBack = [parkAddress, text = created.parkedAt] {
                VarWriter w(parkAddress, sizeof(VARSTRING));
                w.writeFixed(VARSTRING{});
                parkAddress->dwStringFormat = STRINGFORMAT_ASCII;
                w.addText(offsetof(VARSTRING, dwStringSize), text);
                w.finish();
            };
        }
        pending.emplace(id, std::move(p));
        return static_cast<LONG>(id);
    }

    // ---- ProviderEvents ----

    void callCreated(CallId call) override {
        const CallDescription* d = provider().call(call);
        if (!d)
            return;
        bool ownerChosen = false;
        for (auto& [h, open] : lines) {
            if (open.closing || open.device != d->device)
                continue;
            if (handleOf(call, h))
                continue;
            DWORD privilege = 0;
            if (!ownerChosen && (open.privileges & LINECALLPRIVILEGE_OWNER) &&
                (open.mediaModes & d->mediaMode)) {
                privilege = LINECALLPRIVILEGE_OWNER;
                ownerChosen = true;
            } else if (open.privileges & LINECALLPRIVILEGE_MONITOR) {
                privilege = LINECALLPRIVILEGE_MONITOR;
            }
            if (privilege == 0)
                continue;
            offerTo(open, call, *d, privilege);
        }
    }

    void offerTo(const LineOpen& open, CallId call, const CallDescription& d, DWORD privilege) {
        CallHandle& handle = addHandle(open, call, privilege, true);
        if (open.apiVersion >= TAPI_VERSION2_0) {
            queueLine(open, LINE_APPNEWCALL, d.address, handle.handle, privilege);
        }
        queueCall(handle, LINE_CALLSTATE, d.state, d.stateMode, privilege);
    }

    void callStateChanged(CallId call) override {
        const CallDescription* d = provider().call(call);
        if (!d)
            return;
        // Monitoring applications see a call that someone else made at its first state.
        for (auto& [h, open] : lines) {
            if (open.closing || open.device != d->device)
                continue;
            if (!(open.privileges & LINECALLPRIVILEGE_MONITOR) || handleOf(call, h))
                continue;
            if (d->state == LINECALLSTATE_IDLE)
                continue;
            offerTo(open, call, *d, LINECALLPRIVILEGE_MONITOR);
        }
        for (HCALL h : handlesOf(call)) {
            CallHandle& handle = *calls.at(h);
            queueCall(handle, LINE_CALLSTATE, d->state, d->stateMode, 0);
            if (!callIsLive(d->state))
                endMediaWork(handle);
        }
        if (d->state == LINECALLSTATE_IDLE && handlesOf(call).empty()) {
            originatingApp.erase(call);
            provider().releaseCall(call);
        }
    }

    void notifyInfo(CallId call, DWORD states) {
        for (HCALL h : handlesOf(call))
            queueCall(*calls.at(h), LINE_CALLINFO, states, 0, 0);
    }

    void callInfoChanged(CallId call, DWORD infoStates) override { notifyInfo(call, infoStates); }

    void lineDevState(DWORD device, DWORD state, DWORD p2, DWORD p3) override {
        for (auto& [h, open] : lines) {
            if (open.closing || open.device != device)
                continue;
            if ((open.lineStates & state) || state == LINEDEVSTATE_REINIT) {
                queueLine(open, LINE_LINEDEVSTATE, state, p2, p3);
            }
        }
    }

    void addressState(DWORD device, DWORD address, DWORD states) override {
        for (auto& [h, open] : lines) {
            if (open.closing || open.device != device)
                continue;
            const DWORD wanted = states & open.addressStates;
            if (wanted)
                queueLine(open, LINE_ADDRESSSTATE, address, wanted, 0);
        }
    }

    void completeRequest(RequestId request, LONG result) override {
        auto it = pending.find(request);
        if (it == pending.end())
            return;
        PendingRequest p = std::move(it->second);
        pending.erase(it);
        auto lineIt = lines.find(p.line);
        if (lineIt == lines.end() || lineIt->second.closing)
            return;
        QueuedMessage reply;
        reply.message = LINE_REPLY;
        reply.instance = lineIt->second.instance;
        reply.param1 = request;
        reply.param2 = static_cast<DWORD_PTR>(static_cast<DWORD>(result));
        reply.needs = Needs::Line;
        reply.handle = p.line;
        if (result == 0) {
            reply.cells = p.cells;
            reply.writeBack = p.writeBack;
        }
        queueFor(p.app, std::move(reply));
        for (HCALL h : p.createdHandles) {
            if (result == 0) {
                reveal(h);
            } else {
                removeHandle(h);
            }
        }
    }

    void reveal(HCALL handle) {
        auto it = calls.find(handle);
        if (it == calls.end())
            return;
        CallHandle& h = *it->second;
        h.revealed = true;
        std::vector<QueuedMessage> held = std::move(h.held);
        h.held.clear();
        for (auto& m : held)
            queueFor(h.app, std::move(m));
    }

    void digitReceived(CallId call, char digit, DWORD mode) override {
        for (HCALL h : handlesOf(call)) {
            CallHandle& handle = *calls.at(h);
            if (handle.monitorDigitModes & mode) {
                queueCall(handle, LINE_MONITORDIGITS, static_cast<BYTE>(digit), mode,
                          detail::tickNow());
            }
            if (handle.gather && (handle.gather->modes & mode))
                gatherDigit(handle, digit);
        }
    }

    void mediaDetected(CallId call, DWORD mediaMode) override {
        for (HCALL h : handlesOf(call)) {
            CallHandle& handle = *calls.at(h);
            if (handle.monitorMediaModes & mediaMode) {
                queueCall(handle, LINE_MONITORMEDIA, mediaMode, 0, detail::tickNow());
            }
        }
    }

    void toneStarted(CallId call, DWORD f1, DWORD f2, DWORD f3) override {
        for (HCALL h : handlesOf(call)) {
            CallHandle& handle = *calls.at(h);
            for (std::size_t i = 0; i < handle.tones.size(); ++i) {
                const LINEMONITORTONE& tone = handle.tones[i];
                if (tone.dwFrequency1 != f1 || tone.dwFrequency2 != f2 || tone.dwFrequency3 != f3) {
                    continue;
                }
                const HCALL id = handle.handle;
                const DWORD appSpecific = tone.dwAppSpecific;
                handle.toneTimers[i]->start(tone.dwDuration, [this, id, appSpecific] {
                    if (CallHandle* c = callHandle(id)) {
                        queueCall(*c, LINE_MONITORTONE, appSpecific, 0, detail::tickNow());
                    }
                });
            }
        }
    }

    void toneStopped(CallId call) override {
        for (HCALL h : handlesOf(call)) {
            for (auto& timer : calls.at(h)->toneTimers)
                timer->stop();
        }
    }

    void lineForcedClose(DWORD device) override {
        std::vector<HLINE> affected;
        for (auto& [h, open] : lines) {
            if (open.device == device && !open.closing)
                affected.push_back(h);
        }
        for (HLINE h : affected)
            closeLine(h, true);
    }

    void lineRemoved(DWORD device) override {
        lineForcedClose(device);
        for (auto& [h, a] : apps) {
            if (a->apiVersion < TAPI_VERSION2_0)
                continue;
            QueuedMessage m;
            m.message = LINE_REMOVE;
            m.param1 = device;
            a->queue->push(std::move(m));
        }
    }

    void phoneState(DWORD device, DWORD state, DWORD details) override {
        phoneStateEvent(device, state, details);
    }
    void phoneButton(DWORD device, DWORD button, DWORD mode, DWORD state) override {
        phoneButtonEvent(device, button, mode, state);
    }
    void phoneCompleteRequest(RequestId request, LONG result) override {
        phoneReplyEvent(request, result);
    }

    // ---- digits and tones ----

    void endMediaWork(CallHandle& handle) {
        if (handle.gather)
            finishGather(handle, LINEGATHERTERM_CANCEL);
        if (handle.generate.active()) {
            handle.generate.stop();
            queueCall(handle, LINE_GENERATE, LINEGENERATETERM_CANCEL, 0, detail::tickNow());
        }
        for (auto& timer : handle.toneTimers)
            timer->stop();
    }

    void gatherDigit(CallHandle& handle, char digit) {
        Gather& g = *handle.gather;
        g.buffer[g.count++] = digit;
        if (g.terminators.find(digit) != std::string::npos) {
            finishGather(handle, LINEGATHERTERM_TERMDIGIT);
        } else if (g.count >= g.wanted) {
            finishGather(handle, LINEGATHERTERM_BUFFERFULL);
        } else if (g.interTimeout) {
            armGatherTimer(handle, g.interTimeout, LINEGATHERTERM_INTERTIMEOUT);
        } else {
            g.timer.stop();
        }
    }

    void armGatherTimer(CallHandle& handle, DWORD ms, DWORD reason) {
        const HCALL id = handle.handle;
        handle.gather->timer.start(ms, [this, id, reason] {
            auto it = calls.find(id);
            if (it != calls.end() && it->second->gather)
                finishGather(*it->second, reason);
        });
    }

    // Ends a gathering: a partial buffer gets a NUL after the digits, and the message follows.
    void finishGather(CallHandle& handle, DWORD reason) {
        std::unique_ptr<Gather> g = std::move(handle.gather);
        if (g->count < g->wanted)
            g->buffer[g->count] = 0;
        queueCall(handle, LINE_GATHERDIGITS, reason, 0, detail::tickNow());
    }
};

// ---- helpers of the exported functions ----

inline LineApi& api() {
    return LineApi::instance();
}

// A test may make any function fail at once with a code of its choice.
#define TAPI_INJECTED(name)                                                       \
    if (const LONG injected = ::tapi::provider().injectedFailure(name); injected) \
    return injected

inline LONG checkVersion(DWORD version) {
    return version < kLowestVersion || version > kHighestVersion ? LINEERR_INCOMPATIBLEAPIVERSION
                                                                 : 0;
}

// The device a lineXxx(hLineApp, dwDeviceID ...) call addresses, or the error.
inline LONG checkDevice(HLINEAPP hLineApp, DWORD device, const LineDescription** out) {
    if (!api().app(hLineApp))
        return LINEERR_INVALAPPHANDLE;
    const LineDescription* d = provider().line(device);
    if (!d)
        return LINEERR_BADDEVICEID;
    if (provider().lineRemoved(device))
        return LINEERR_NODEVICE;
    *out = d;
    return 0;
}

inline LONG anyCall(HCALL hCall, CallHandle** out, const CallDescription** desc) {
    CallHandle* h = api().callHandle(hCall);
    if (!h || !api().line(h->line))
        return LINEERR_INVALCALLHANDLE;
    const CallDescription* d = provider().call(h->call);
    if (!d)
        return LINEERR_INVALCALLHANDLE;
    *out = h;
    *desc = d;
    return 0;
}

inline LONG ownedCall(HCALL hCall, CallHandle** out, const CallDescription** desc) {
    if (const LONG rc = anyCall(hCall, out, desc))
        return rc;
    return (*out)->privilege == LINECALLPRIVILEGE_OWNER ? 0 : LINEERR_NOTOWNER;
}

inline bool inStates(DWORD state, DWORD states) {
    return (state & states) != 0;
}

}  // namespace tapi::detail
