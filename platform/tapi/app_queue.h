// Internal: what the line and phone halves of the API share. Each application has a queue of
// messages behind a hidden window; every queued message posts one window message, and the window
// hands exactly one queued message to the callback per posted message, as the platform's hidden
// window does. So delivery happens only while the UI thread pumps, in order, and a callback that
// pumps gets the next message nested, as on Windows.
#pragma once

#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "platform/core/messages.h"
#include "platform/tapi/tapi.h"

namespace tapi::detail {

struct QueuedMessage {
    // The handle that must still be valid when the message is delivered.
    enum class Needs { Nothing, Line, Call, Phone };

    DWORD hDevice = 0;
    DWORD message = 0;
    DWORD_PTR instance = 0;
    DWORD_PTR param1 = 0, param2 = 0, param3 = 0;
    Needs needs = Needs::Nothing;
    DWORD handle = 0;
    // Handle cells written just before a successful reply is delivered.
    std::vector<std::pair<HCALL*, HCALL>> cells;
    // Other application memory a successful reply fills in, written at the same moment.
    std::function<void()> writeBack;
    // A forced LINE_CLOSE: the line handle dies once it is delivered.
    bool closesLine = false;
};

class AppQueue {
  public:
    using Validator = std::function<bool(const QueuedMessage&)>;
    using AfterDelivery = std::function<void(const QueuedMessage&)>;

    AppQueue(LINECALLBACK callback, Validator stillValid, AfterDelivery beforeCallback);
    AppQueue(const AppQueue&) = delete;
    AppQueue& operator=(const AppQueue&) = delete;

    void push(QueuedMessage message);
    std::size_t pending() const { return m_queue.size(); }

  private:
    void deliverOne();

    LINECALLBACK m_callback;
    Validator m_stillValid;
    AfterDelivery m_beforeCallback;
    std::deque<QueuedMessage> m_queue;
    core::MessageWindow m_window;  // last: destroyed first, so no delivery reaches a dying queue
};

// Handles of every kind come from one counter and are never reused, so a line handle passed as a
// call handle is refused, and a late message can never reach a newer object.
DWORD newHandle();
// Request IDs: positive, never 0, unique in the process.
DWORD newRequestId();
DWORD tickNow();

}  // namespace tapi::detail
