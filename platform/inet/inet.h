// The Internet transfer control: fetches a document by HTTP or HTTPS and reports the transfer's
// progress through its state event, as the control of the same name does for a form.
//
// OpenURL is synchronous for its caller but keeps the program live: the transfer runs on a worker
// thread while the calling (UI) thread pumps messages, so timers, clicks and other events run
// meanwhile. Every state change reaches the UI thread as a posted message, in order, and all of
// them have been handled when OpenURL returns. UI thread only, apart from the worker inside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace inet {

// The states the StateChanged event reports (the control's published values).
enum State : short {
    icNone = 0,
    icHostResolvingHost = 1,
    icHostResolved = 2,
    icConnecting = 3,
    icConnected = 4,
    icRequesting = 5,
    icRequestSent = 6,
    icReceivingResponse = 7,
    icResponseReceived = 8,
    icDisconnecting = 9,
    icDisconnected = 10,
    icError = 11,
    icResponseCompleted = 12,
};

// What OpenURL returns the document as.
enum DataType { icString = 0, icByteArray = 1 };

// The largest document a transfer takes unless told otherwise: no answer the program asks for
// comes near it.
inline constexpr std::size_t kLargestDocument = 256u * 1024 * 1024;

class Inet {
  public:
    using StateChangedHandler = std::function<void(short State)>;

    Inet();
    // Cancels a running transfer and waits for its worker; no event is raised afterwards.
    ~Inet();
    Inet(const Inet&) = delete;
    Inet& operator=(const Inet&) = delete;

    // The StateChanged event's handler; a second one replaces the first.
    void setOnStateChanged(StateChangedHandler handler);

    // Fetches `url` (http or https only) and returns the document's bytes as text. The last state
    // reported is icResponseCompleted when the whole document arrived; icError when the server
    // could not be reached, answered with an HTTP error status (400 or above), the connection
    // stalled for RequestTimeout seconds or the address is not an http or https one, and then
    // the result is empty. A document is refused the same way when it is larger than
    // MaxDocumentSize, when memory runs out while it arrives, or when the server did not mark
    // where it ends (no Content-Length, not chunked: a connection dropped half-way would look
    // complete). An https transfer never follows a redirect to plain http. icDisconnected after
    // Cancel. While another transfer of this control
    // runs it returns at once, empty, and reports nothing.
    std::string OpenURL(std::string_view url);
    // The same, returning the document as bytes.
    std::vector<std::uint8_t> OpenURL(std::string_view url, DataType type);

    // True while a transfer runs.
    bool StillExecuting() const;
    // Ends a running transfer: its OpenURL returns empty once the worker has stopped. Harmless
    // when nothing runs.
    void Cancel();

    // Seconds to wait for a connection, and the longest a transfer may receive nothing (60).
    long RequestTimeout() const { return m_requestTimeout; }
    void setRequestTimeout(long seconds) { m_requestTimeout = seconds; }

    // The HTTP status of the last transfer that got an answer (0 when none did).
    long ResponseCode() const;
    // Why the last transfer failed, when it is more than the server's answer says (libcurl could
    // not be loaded, the document was refused); empty otherwise.
    std::string ErrorText() const;

    // The largest document a transfer takes, in bytes (kLargestDocument).
    std::size_t MaxDocumentSize() const { return m_maxDocument; }
    void setMaxDocumentSize(std::size_t bytes) { m_maxDocument = bytes; }

    struct Shared;  // opaque; shared with the worker and its posted events

  private:
    std::string fetch(std::string_view url);

    std::shared_ptr<Shared> m_shared;
    long m_requestTimeout = 60;
    std::size_t m_maxDocument = kLargestDocument;
};

}  // namespace inet
