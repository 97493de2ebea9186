#include "platform/inet/inet.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>

#include "platform/core/messages.h"
#include "platform/curl/curl_library.h"

namespace inet {
namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    }
    return true;
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
    std::string errorText;
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
    std::size_t maxDocument = kLargestDocument;
    std::string body;
    std::string problem;  // why a transfer libcurl finished is still refused, or was ended
    bool headersSeen = false;
    // What the headers of the last response (after any redirect) said about the body's end.
    bool lengthGiven = false;
    bool chunked = false;
    bool framed = false;  // HTTP/2 and later mark the end of every stream themselves
};

// Called by libcurl, which is C: nothing may be thrown through it. Returning less than it was
// given ends the transfer with a write error.
std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (transfer.body.size() + bytes > transfer.maxDocument) {
        transfer.problem =
            "the document is larger than " + std::to_string(transfer.maxDocument) + " bytes";
        return 0;
    }
    try {
        transfer.body.append(data, bytes);
    } catch (const std::exception&) {
        transfer.problem = "there is not enough memory for the document";
        return 0;
    }
    return bytes;
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    const std::string_view line(data, bytes);
    if (startsWithNoCase(line, "http/")) {
        // A new response (the first, or one after a redirect): only the last one's body is kept.
        transfer.lengthGiven = false;
        transfer.chunked = false;
        transfer.framed = !startsWithNoCase(line, "http/1.");
    } else if (startsWithNoCase(line, "content-length:")) {
        transfer.lengthGiven = true;
    } else if (startsWithNoCase(line, "transfer-encoding:")) {
        std::string value(line.substr(18));
        std::transform(value.begin(), value.end(), value.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        transfer.chunked = value.find("chunked") != std::string::npos;
    }
    if (!transfer.headersSeen) {
        transfer.headersSeen = true;
        try {
            Inet::Shared::postState(transfer.shared, icReceivingResponse);
        } catch (const std::exception&) {
            transfer.problem = "there is not enough memory for the document";
            return 0;
        }
    }
    return bytes;
}

// Whether the response said where its body ends. Without a length, chunks or a framed protocol a
// body ends where the connection closes, and a server that drops the connection half-way then
// looks like one that sent everything.
bool endMarked(const Transfer& transfer, long responseCode) {
    return transfer.lengthGiven || transfer.chunked || transfer.framed || responseCode == 204 ||
           responseCode == 304;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto& transfer = *static_cast<Transfer*>(user);
    return transfer.shared->cancelled ? 1 : 0;
}

// The worker: one transfer, then the final state and the document in one posted message, so the
// UI thread sees the states in order and the result together with the last of them.
void runTransfer(std::shared_ptr<Inet::Shared> shared, std::string url, long timeoutSeconds,
                 std::size_t maxDocument, std::unique_ptr<core::BackgroundWork> owed) {
    Transfer transfer;
    transfer.shared = shared;
    transfer.maxDocument = maxDocument;
    Inet::Shared::postState(shared, icConnecting);

    short finalState = icError;
    long responseCode = 0;
    std::string errorText;
    const curlrt::Functions* lib = curlrt::load(&errorText);
    if (!lib) {
        std::fprintf(stderr, "inet: %s\n", errorText.c_str());
    } else if (CURL* curl = lib->easy_init()) {
        lib->easy_setopt(curl, CURLOPT_URL, url.c_str());
        lib->easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        // What came over https never continues over plain http.
        lib->easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR,
                         startsWithNoCase(url, "https:") ? "https" : "http,https");
        // A declared length over the limit is refused before any of the body comes.
        lib->easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxDocument));
        lib->easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        lib->easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
        // An error page is not the document asked for.
        lib->easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
        lib->easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        lib->easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, timeoutSeconds);
        // A slow modem line may take minutes for a large file; only a stalled one gives up.
        lib->easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        lib->easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, timeoutSeconds);
        lib->easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
        lib->easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
        lib->easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
        lib->easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
        lib->easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        lib->easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
        lib->easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
        const CURLcode code = lib->easy_perform(curl);
        lib->easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &responseCode);
        lib->easy_cleanup(curl);
        if (code == CURLE_OK && !endMarked(transfer, responseCode))
            transfer.problem = "the server did not mark where the document ends";
        if (code == CURLE_OK && transfer.problem.empty()) {
            Inet::Shared::postState(shared, icResponseReceived);
            finalState = icResponseCompleted;
        } else if (shared->cancelled) {
            finalState = icDisconnected;
        } else if (code == CURLE_FILESIZE_EXCEEDED) {
            transfer.problem =
                "the document is larger than " + std::to_string(maxDocument) + " bytes";
        }
        errorText = std::move(transfer.problem);
    }
    if (finalState != icResponseCompleted)
        transfer.body.clear();

    core::post([shared, finalState, responseCode, body = std::move(transfer.body),
                errorText = std::move(errorText)]() mutable {
        if (!shared->alive)
            return;
        shared->result = std::move(body);
        shared->responseCode = responseCode;
        shared->errorText = std::move(errorText);
        shared->finished = true;
        if (shared->handler)
            shared->handler(finalState);
    });
    owed.reset();  // only after the post: a virtual-time pump must not run past it
}

}  // namespace

Inet::Inet() : m_shared(std::make_shared<Shared>()) {}

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
    shared->errorText.clear();
    if (shared->worker.joinable())
        shared->worker.join();
    // Made here, before the worker exists, so no pump can miss it.
    auto owed = std::make_unique<core::BackgroundWork>();
    shared->worker = std::thread(runTransfer, shared, std::string(url), m_requestTimeout,
                                 m_maxDocument, std::move(owed));
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

std::string Inet::ErrorText() const {
    return m_shared->errorText;
}

}  // namespace inet
