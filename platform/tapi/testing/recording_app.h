// A line application for tests: it initialises with the hidden-window option, opens lines with
// itself as the callback instance, and writes down every message it receives as readable text
// ("LINE_CALLSTATE c1 OFFERING"), with call handles, lines and request IDs named in the order it
// first saw them (c1, c2 ..., l1 ..., r1 ...). It is a real client of the API, not a stand-in.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/tapi/tapi.h"

namespace tapi::testing {

struct Received {
    DWORD device = 0;
    DWORD message = 0;
    DWORD_PTR instance = 0;
    DWORD_PTR param1 = 0, param2 = 0, param3 = 0;
    std::int64_t tick = 0;  // ms since the application started
};

class RecordingApp {
  public:
    explicit RecordingApp(const char* name = "recorder");
    ~RecordingApp();  // shuts down (when not shut down already)
    RecordingApp(const RecordingApp&) = delete;
    RecordingApp& operator=(const RecordingApp&) = delete;

    LONG initResult() const { return m_initResult; }
    HLINEAPP app() const { return m_app; }
    DWORD deviceCount() const { return m_numDevs; }

    // Opens a line with this application as the callback instance; 0 on failure (see lastError).
    HLINE open(DWORD device, DWORD privileges = LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR,
               DWORD mediaModes = LINEMEDIAMODE_INTERACTIVEVOICE);
    LONG lastError() const { return m_lastError; }
    LONG shutdown();

    // Names a request ID the test got from an asynchronous call, so replies read "r1".
    std::string request(LONG id);
    // The call handle first named cN.
    HCALL call(int n) const;

    // Every message as text, in order; take() returns those since the last take().
    const std::vector<std::string>& trace() const { return m_trace; }
    std::vector<std::string> take();
    std::vector<std::string> takeTimed();  // the same with "@ms" appended
    const std::vector<Received>& received() const { return m_received; }

    // Runs inside the callback, after the message is written down.
    std::function<void(const Received&)> onMessage;

    // Messages whose instance was not an open line of any recorder.
    static std::vector<Received>& strays();

  private:
    static void callback(DWORD device, DWORD message, DWORD_PTR instance, DWORD_PTR p1,
                         DWORD_PTR p2, DWORD_PTR p3);
    void record(const Received& r);
    std::string describe(const Received& r);
    std::string alias(std::map<DWORD, std::string>& names, const char* prefix, DWORD value);

    HLINEAPP m_app = 0;
    DWORD m_numDevs = 0;
    LONG m_initResult = 0;
    LONG m_lastError = 0;
    std::int64_t m_start = 0;
    std::map<DWORD, std::string> m_calls, m_lines, m_requests;
    std::vector<std::string> m_trace;
    std::vector<std::string> m_timed;
    std::size_t m_taken = 0;
    std::vector<Received> m_received;
};

}  // namespace tapi::testing
