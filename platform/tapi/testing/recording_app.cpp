#include "platform/tapi/testing/recording_app.h"

#include <set>

#include "platform/core/clock.h"
#include "platform/tapi/testing/names.h"

namespace tapi::testing {

namespace {

std::set<RecordingApp*>& liveApps() {
    static std::set<RecordingApp*> apps;
    return apps;
}

}  // namespace

std::vector<Received>& RecordingApp::strays() {
    static std::vector<Received> list;
    return list;
}

RecordingApp::RecordingApp(const char* name) : m_start(core::tickCount64()) {
    liveApps().insert(this);
    DWORD version = TAPI_CURRENT_VERSION;
    LINEINITIALIZEEXPARAMS params{};
    params.dwTotalSize = 28;  // larger than the structure, as callers often pass
    params.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
    m_initResult = lineInitializeEx(&m_app, nullptr, &RecordingApp::callback, name, &m_numDevs,
                                    &version, &params);
}

RecordingApp::~RecordingApp() {
    shutdown();
    liveApps().erase(this);
}

LONG RecordingApp::shutdown() {
    if (!m_app)
        return 0;
    const LONG rc = lineShutdown(m_app);
    m_app = 0;
    return rc;
}

HLINE RecordingApp::open(DWORD device, DWORD privileges, DWORD mediaModes) {
    HLINE line = 0;
    DWORD version = 0;
    LINEEXTENSIONID ext{};
    m_lastError = lineNegotiateAPIVersion(m_app, device, TAPI_VERSION1_0, TAPI_CURRENT_VERSION,
                                          &version, &ext);
    if (m_lastError)
        return 0;
    m_lastError = lineOpen(m_app, device, &line, version, 0, reinterpret_cast<DWORD_PTR>(this),
                           privileges, mediaModes, nullptr);
    if (m_lastError)
        return 0;
    alias(m_lines, "l", line);
    return line;
}

std::string RecordingApp::request(LONG id) {
    if (id <= 0)
        return errorName(id);
    return alias(m_requests, "r", static_cast<DWORD>(id));
}

HCALL RecordingApp::call(int n) const {
    const std::string name = "c" + std::to_string(n);
    for (const auto& [handle, alias] : m_calls) {
        if (alias == name)
            return handle;
    }
    return 0;
}

std::vector<std::string> RecordingApp::take() {
    std::vector<std::string> out(m_trace.begin() + static_cast<std::ptrdiff_t>(m_taken),
                                 m_trace.end());
    m_taken = m_trace.size();
    return out;
}

std::vector<std::string> RecordingApp::takeTimed() {
    std::vector<std::string> out(m_timed.begin() + static_cast<std::ptrdiff_t>(m_taken),
                                 m_timed.end());
    m_taken = m_trace.size();
    return out;
}

std::string RecordingApp::alias(std::map<DWORD, std::string>& names, const char* prefix,
                                DWORD value) {
    auto it = names.find(value);
    if (it != names.end())
        return it->second;
    const std::string name = prefix + std::to_string(names.size() + 1);
    names.emplace(value, name);
    return name;
}

void RecordingApp::callback(DWORD device, DWORD message, DWORD_PTR instance, DWORD_PTR p1,
                            DWORD_PTR p2, DWORD_PTR p3) {
    Received r{device, message, instance, p1, p2, p3, 0};
    auto* app = reinterpret_cast<RecordingApp*>(instance);
    if (!liveApps().contains(app)) {
        strays().push_back(r);
        return;
    }
    r.tick = core::tickCount64() - app->m_start;
    app->record(r);
}

void RecordingApp::record(const Received& r) {
    m_received.push_back(r);
    const std::string text = describe(r);
    m_trace.push_back(text);
    m_timed.push_back(text + "@" + std::to_string(r.tick));
    if (onMessage)
        onMessage(r);
}

std::string RecordingApp::describe(const Received& r) {
    const std::string name = messageName(r.message);
    const DWORD p1 = static_cast<DWORD>(r.param1);
    const DWORD p2 = static_cast<DWORD>(r.param2);
    const DWORD p3 = static_cast<DWORD>(r.param3);
    auto callName = [&] { return alias(m_calls, "c", r.device); };
    auto lineName = [&] { return alias(m_lines, "l", r.device); };
    switch (r.message) {
        case LINE_APPNEWCALL:
            return name + " " + lineName() + " " + alias(m_calls, "c", p2) + " " +
                   privilegeName(p3);
        case LINE_CALLSTATE: {
            std::string text = name + " " + callName() + " " + callStateName(p1);
            if (p3)
                text += " " + privilegeName(p3);
            return text;
        }
        case LINE_CALLINFO:
            return name + " " + callName() + " " + callInfoStateNames(p1);
        case LINE_LINEDEVSTATE: {
            std::string text = name + " " + lineName() + " " + devStateNames(p1);
            if (p1 == LINEDEVSTATE_RINGING)
                text += " " + std::to_string(p3);
            return text;
        }
        case LINE_REPLY:
            return name + " " + alias(m_requests, "r", p1) + " " + errorName(static_cast<LONG>(p2));
        case LINE_CLOSE:
            return name + " " + lineName();
        case LINE_GATHERDIGITS:
        case LINE_GENERATE:
        case LINE_MONITORMEDIA:
            return name + " " + callName() + " " + std::to_string(p1);
        case LINE_MONITORDIGITS:
            return name + " " + callName() + " " + std::string(1, static_cast<char>(p1));
        case LINE_MONITORTONE: {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%X", p1);
            return name + " " + callName() + " " + hex;
        }
        case LINE_ADDRESSSTATE:
            return name + " " + lineName() + " " + std::to_string(p1) + " " + std::to_string(p2);
        case LINE_REMOVE:
            return name + " " + std::to_string(p1);
        default:
            return name + " " + std::to_string(r.device) + " " + std::to_string(p1) + " " +
                   std::to_string(p2) + " " + std::to_string(p3);
    }
}

}  // namespace tapi::testing
