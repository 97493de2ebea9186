#include "platform/inet/inet.h"

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <thread>

#include "platform/core/messages.h"

namespace inet {
namespace {

// A document larger than this is refused rather than held in memory: no answer the program asks
// for comes near it.
constexpr std::size_t kMaxDocument = 256u * 1024 * 1024;

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

struct Inet::Shared {
    // UI thread only.
    StateChangedHandler handler;
    bool alive = true;
    bool running = false;
    bool finished = false;
    std::string result;
    long responseCode = 0;
    std::thread worker;
    // Read by the worker.
    std::atomic<bool> cancelled{false};

    // Queues a state for the UI thread; dropped once the control is gone.
    static void postState(const std::shared_ptr<Shared>& shared, short state) {
        core::post([shared, state] {
            if (shared->alive && shared->handler)
                shared->handler(state);
        });
    }
};

namespace {

struct Transfer {
    std::shared_ptr<Inet::Shared> shared;
    std::string body;
    bool headersSeen = false;
    bool tooLarge = false;
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (transfer.body.size() + bytes > kMaxDocument) {
        transfer.tooLarge = true;
        return 0;  // ends the transfer with a write error
    }
    transfer.body.append(data, bytes);
    return bytes;
}

std::size_t onHeader(char* /*data*/, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    if (!transfer.headersSeen) {
        transfer.headersSeen = true;
        Inet::Shared::postState(transfer.shared, icReceivingResponse);
    }
    return size * count;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto& transfer = *static_cast<Transfer*>(user);
    return transfer.shared->cancelled ? 1 : 0;
}

// The worker: one transfer, then the final state and the document in one posted message, so the
// UI thread sees the states in order and the result together with the last of them.
void runTransfer(std::shared_ptr<Inet::Shared> shared, std::string url, long timeoutSeconds,
                 std::unique_ptr<core::BackgroundWork> owed) {
    Transfer transfer{shared, {}, false, false};
    Inet::Shared::postState(shared, icConnecting);

    short finalState = icError;
    long responseCode = 0;
    if (CURL* curl = curl_easy_init()) {
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
        // An error page is not the document asked for.
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, timeoutSeconds);
        // A slow modem line may take minutes for a large file; only a stalled one gives up.
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, timeoutSeconds);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
        const CURLcode code = curl_easy_perform(curl);
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &responseCode);
        curl_easy_cleanup(curl);
        if (code == CURLE_OK) {
            Inet::Shared::postState(shared, icResponseReceived);
            finalState = icResponseCompleted;
        } else if (shared->cancelled) {
            finalState = icDisconnected;
        }
    }
    if (finalState != icResponseCompleted)
        transfer.body.clear();

    core::post([shared, finalState, responseCode, body = std::move(transfer.body)]() mutable {
        if (!shared->alive)
            return;
        shared->result = std::move(body);
        shared->responseCode = responseCode;
        shared->finished = true;
        if (shared->handler)
            shared->handler(finalState);
    });
    owed.reset();  // only after the post: a virtual-time pump must not run past it
}

}  // namespace

Inet::Inet() : m_shared(std::make_shared<Shared>()) {
    initialiseCurlOnce();
}

Inet::~Inet() {
    m_shared->alive = false;
    m_shared->cancelled = true;
    if (m_shared->worker.joinable())
        m_shared->worker.join();
    // A wait of this control's OpenURL further down the stack ends now.
    m_shared->finished = true;
}

void Inet::setOnStateChanged(StateChangedHandler handler) {
    m_shared->handler = std::move(handler);
}

std::string Inet::fetch(std::string_view url) {
    const std::shared_ptr<Shared> shared = m_shared;
    if (shared->running)
        return {};
    shared->running = true;
    shared->finished = false;
    shared->cancelled = false;
    shared->result.clear();
    if (shared->worker.joinable())
        shared->worker.join();
    // Made here, before the worker exists, so no pump can miss it.
    auto owed = std::make_unique<core::BackgroundWork>();
    shared->worker =
        std::thread(runTransfer, shared, std::string(url), m_requestTimeout, std::move(owed));
    core::pumpUntil([&shared] { return shared->finished; }, std::numeric_limits<DWORD>::max());
    if (!shared->alive)
        return {};  // the control went away while its transfer ran
    shared->worker.join();
    shared->running = false;
    return std::move(shared->result);
}

std::string Inet::OpenURL(std::string_view url) {
    return fetch(url);
}

std::vector<std::uint8_t> Inet::OpenURL(std::string_view url, DataType /*type*/) {
    const std::string document = fetch(url);
    return {document.begin(), document.end()};
}

bool Inet::StillExecuting() const {
    return m_shared->running;
}

void Inet::Cancel() {
    if (m_shared->running)
        m_shared->cancelled = true;
}

long Inet::ResponseCode() const {
    return m_shared->responseCode;
}

}  // namespace inet
