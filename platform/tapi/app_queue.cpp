#include "platform/tapi/app_queue.h"

#include "platform/core/clock.h"

namespace tapi::detail {

namespace {
// The private window message that stands for "one telephony message is waiting".
constexpr UINT WM_TAPI_MESSAGE = WM_USER + 0x7A1;
}  // namespace

AppQueue::AppQueue(LINECALLBACK callback, Validator stillValid, AfterDelivery beforeCallback)
    : m_callback(callback),
      m_stillValid(std::move(stillValid)),
      m_beforeCallback(std::move(beforeCallback)),
      m_window([this](UINT message, WPARAM, LPARAM) {
          if (message == WM_TAPI_MESSAGE)
              deliverOne();
          return LRESULT{0};
      }) {}

void AppQueue::push(QueuedMessage message) {
    m_queue.push_back(std::move(message));
    PostMessageA(m_window.hwnd(), WM_TAPI_MESSAGE, 0, 0);
}

void AppQueue::deliverOne() {
    if (m_queue.empty())
        return;
    QueuedMessage message = std::move(m_queue.front());
    m_queue.pop_front();
    if (!m_stillValid(message))
        return;
    for (auto& [cell, value] : message.cells)
        *cell = value;
    if (message.writeBack)
        message.writeBack();
    if (m_beforeCallback)
        m_beforeCallback(message);
    // The callback may shut the application down, which destroys this queue: touch nothing after.
    m_callback(message.hDevice, message.message, message.instance, message.param1, message.param2,
               message.param3);
}

DWORD newHandle() {
    static DWORD next = 0x00010000;
    return ++next;
}

DWORD newRequestId() {
    static DWORD next = 0;
    next = next >= 0x7FFFFFFF ? 1 : next + 1;
    return next;
}

DWORD tickNow() {
    return GetTickCount();
}

}  // namespace tapi::detail
