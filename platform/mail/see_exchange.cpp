// The SMTP and POP3 exchanges over libcurl. A connect greets the server (SMTP) or logs in and
// counts the messages (POP3) and lets the connection go; the send opens its own. Every transfer is
// bounded by the channel's time-out, and uses TLS where the server offers it. libcurl is loaded on
// the first exchange: without it an exchange fails with SEE_NO_INTERNET_LIBRARY.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/curl/curl_library.h"
#include "platform/mail/channels.h"
#include "platform/mail/see.h"
#include "platform/mail/see_codes.h"

namespace {

using mail::Channel;

constexpr std::int32_t kDefaultTimeoutMs = 30000;
constexpr std::int32_t kHeaderParam = 51;
constexpr std::int32_t kServerAddressItem = 25;
constexpr std::int32_t kBytesSentItem = 15;
constexpr std::int32_t kPop3TimeoutParams[] = {2, 3, 6};

Channel* channelOf(std::int32_t chan, std::int32_t& code) {
    return mail::Channels::instance().find(chan, code);
}

// "" and the one-character text NUL both stand for an empty field.
std::string field(const char* text) {
    return text ? std::string(text) : std::string();
}

// Header values stay on one line: a CR or LF in them would start a header of the caller's choice.
std::string oneLine(std::string_view text) {
    std::string out(text);
    std::replace_if(
        out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return out;
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

// The addresses of a field ("a@b, <c@d>"), each in angle brackets.
std::vector<std::string> addresses(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream parts(oneLine(text));
    std::string part;
    while (std::getline(parts, part, ',')) {
        std::string address = trimmed(part);
        if (!address.empty() && address.front() == '<' && address.back() == '>')
            address = address.substr(1, address.size() - 2);
        address = trimmed(address);
        if (!address.empty())
            out.push_back("<" + address + ">");
    }
    return out;
}

std::int32_t timeoutMs(const Channel& channel) {
    std::int32_t timeout = kDefaultTimeoutMs;
    // The whole-engine override is for tests that wait for a time-out on purpose.
    if (const char* text = std::getenv("BELLTALE_MAIL_TIMEOUT_MS")) {
        const long value = std::strtol(text, nullptr, 10);
        if (value > 0 && value < kDefaultTimeoutMs * 100L)
            timeout = static_cast<std::int32_t>(value);
    }
    for (const std::int32_t param : kPop3TimeoutParams) {
        const auto set = channel.integers.find(param);
        if (set != channel.integers.end() && set->second > 0)
            timeout = std::min(timeout, set->second);
    }
    return timeout;
}

std::int32_t codeOf(CURLcode result) {
    switch (result) {
        case CURLE_OK:
            return 0;
        case CURLE_URL_MALFORMAT:
            return SEE_BAD_ARGUMENT;
        case CURLE_COULDNT_RESOLVE_HOST:
            return SEE_CANNOT_RESOLVE;
        case CURLE_COULDNT_CONNECT:
            return SEE_CANNOT_CONNECT;
        case CURLE_OPERATION_TIMEDOUT:
            return SEE_TIMED_OUT;
        case CURLE_LOGIN_DENIED:
            return SEE_LOGIN_REFUSED;
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
            return SEE_CONNECTION_LOST;
        case CURLE_REMOTE_ACCESS_DENIED:
            return SEE_SERVER_REFUSED;
        case CURLE_WEIRD_SERVER_REPLY:
            return SEE_ANSWER_UNREADABLE;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_USE_SSL_FAILED:
            return SEE_SECURE_FAILED;
        default:
            return SEE_TRANSFER_FAILED;
    }
}

// The code naming a refusal the server gave in words: an SMTP reply of class 4 or 5 ("550 No
// such user") or a POP3 "-ERR", with its response code when it has one ("-ERR [IN-USE] ...").
// 0 when `reply` refuses nothing.
std::int32_t refusalOf(std::string_view reply) {
    const auto starts = [&](std::string_view head) { return reply.substr(0, head.size()) == head; };
    if (starts("-ERR")) {
        const std::string_view rest = reply.substr(4);
        const auto tagged = [&](std::string_view tag) {
            return rest.find_first_not_of(' ') != std::string_view::npos &&
                   rest.substr(rest.find_first_not_of(' '), tag.size()) == tag;
        };
        if (tagged("[AUTH]"))
            return SEE_LOGIN_REFUSED;
        if (tagged("[IN-USE]") || tagged("[SYS/TEMP]") || tagged("[LOGIN-DELAY]"))
            return SEE_SERVER_DEFERRED;
        return SEE_SERVER_REFUSED;
    }
    const auto digit = [&](std::size_t i) {
        return reply.size() > i && reply[i] >= '0' && reply[i] <= '9';
    };
    if (!digit(0) || !digit(1) || !digit(2))
        return 0;
    if (reply[0] != '4' && reply[0] != '5')
        return 0;
    // The second digit 3 is the authentication group (530, 535, 454 ...).
    if (reply[1] == '3' || reply.substr(0, 3) == "454")
        return SEE_LOGIN_REFUSED;
    return reply[0] == '4' ? SEE_SERVER_DEFERRED : SEE_SERVER_REFUSED;
}

// The CA file that stands in for the system's store; tests trust a certificate of their own so.
const char* caFile() {
    const char* file = std::getenv("BELLTALE_MAIL_CA_FILE");
    return file && *file ? file : nullptr;
}

class Easy {
  public:
    Easy() {
        std::string why;
        m_lib = curlrt::load(&why);
        if (!m_lib) {
            std::fprintf(stderr, "mail: %s\n", why.c_str());
            return;
        }
        m_curl = m_lib->easy_init();
        if (!m_curl)
            return;
        // The server's replies are watched so a refusal is reported as what it is; what the
        // engine sends (the password among it) is not looked at.
        set<CURLOPT_DEBUGFUNCTION>(watchReplies);
        set<CURLOPT_DEBUGDATA>(this);
        set<CURLOPT_VERBOSE>(1L);
        if (const char* file = caFile())
            set<CURLOPT_CAINFO>(file);
    }
    ~Easy() {
        if (m_curl)
            m_lib->easy_cleanup(m_curl);
        if (m_recipients)
            m_lib->slist_free_all(m_recipients);
    }
    Easy(const Easy&) = delete;
    Easy& operator=(const Easy&) = delete;

    // 0 when the exchange can go ahead, or why it cannot.
    std::int32_t unusable() const {
        if (!m_lib)
            return SEE_NO_INTERNET_LIBRARY;
        return m_curl ? 0 : SEE_TRANSFER_FAILED;
    }

    // setopt takes its value through "...": the value must have exactly the type the option's
    // group expects (a long, a curl_off_t, a pointer), or libcurl reads garbage.
    template <CURLoption option, typename Value>
    void set(Value value) const {
        constexpr long group = option / 10000 * 10000;
        if constexpr (group == CURLOPTTYPE_LONG) {
            static_assert(std::is_same_v<Value, long>, "a long option takes a long");
        } else if constexpr (group == CURLOPTTYPE_OFF_T) {
            static_assert(std::is_same_v<Value, curl_off_t>, "a size option takes a curl_off_t");
        } else if constexpr (group == CURLOPTTYPE_FUNCTIONPOINT) {
            static_assert(std::is_function_v<std::remove_pointer_t<Value>>,
                          "a callback option takes a function");
        } else {
            static_assert(std::is_pointer_v<Value>, "a pointer option takes a pointer");
        }
        m_lib->easy_setopt(m_curl, option, value);
    }
    void bound(std::int32_t timeout) const {
        set<CURLOPT_NOSIGNAL>(1L);
        set<CURLOPT_CONNECTTIMEOUT_MS>(static_cast<long>(timeout));
        set<CURLOPT_TIMEOUT_MS>(static_cast<long>(timeout));
        // The wait for a reply has a bound of its own (two minutes unless set), which the
        // overall one does not shorten after a message's body: set it too, in whole seconds.
        set<CURLOPT_SERVER_RESPONSE_TIMEOUT>(static_cast<long>((timeout + 999) / 1000));
    }
    void addRecipient(const std::string& address) {
        m_recipients = m_lib->slist_append(m_recipients, address.c_str());
    }
    curl_slist* recipients() const { return m_recipients; }
    std::string address() const {
        char* ip = nullptr;
        if (m_lib->easy_getinfo(m_curl, CURLINFO_PRIMARY_IP, &ip) == CURLE_OK && ip)
            return ip;
        return {};
    }
    // Runs the transfer: 0, or the code of its failure, a refusal in the server's words first.
    std::int32_t perform() {
        const CURLcode result = m_lib->easy_perform(m_curl);
        if (result == CURLE_OK)
            return 0;
        if (m_overflow)
            return SEE_ANSWER_UNREADABLE;
        switch (result) {
            case CURLE_COULDNT_RESOLVE_HOST:
            case CURLE_COULDNT_CONNECT:
            case CURLE_OPERATION_TIMEDOUT:
                return codeOf(result);
            default:
                break;
        }
        const std::int32_t refusal = refusalOf(m_lastReply);
        if (refusal == SEE_SERVER_REFUSED && result == CURLE_LOGIN_DENIED)
            return SEE_LOGIN_REFUSED;  // a plain "-ERR" to the password
        return refusal != 0 ? refusal : codeOf(result);
    }
    void overflowed() { m_overflow = true; }

  private:
    static int watchReplies(CURL*, curl_infotype type, char* data, std::size_t size, void* user) {
        auto* easy = static_cast<Easy*>(user);
        // The reply to the closing QUIT says nothing about why the exchange ended.
        if (type == CURLINFO_HEADER_OUT &&
            std::string_view(data, std::min<std::size_t>(size, 4)) == std::string_view("QUIT"))
            easy->m_quitting = true;
        if (type != CURLINFO_HEADER_IN || easy->m_quitting)
            return 0;
        // Only the head of a reply line decides; a hostile server's long line is not kept.
        const std::string_view line(data, std::min<std::size_t>(size, 64));
        easy->m_lastReply.assign(line.substr(0, line.find_first_of("\r\n")));
        return 0;
    }

    const curlrt::Functions* m_lib = nullptr;
    CURL* m_curl = nullptr;
    curl_slist* m_recipients = nullptr;
    std::string m_lastReply;
    bool m_quitting = false;
    bool m_overflow = false;
};

// The transfer's address for `server`: "host", "host:port", or either after "smtps://" or
// "pop3s://" for a server that speaks TLS from the start, as ports 465 and 995 do. On the other
// ports TLS is used when the server offers it (STARTTLS, STLS) and plain text otherwise.
std::string url(Easy& easy, const char* scheme, std::string server) {
    const std::string secure = std::string(scheme) + "s://";
    bool implicit = false;
    if (server.rfind(secure, 0) == 0) {
        implicit = true;
        server.erase(0, secure.size());
    } else if (server.rfind(std::string(scheme) + "://", 0) == 0) {
        server.erase(0, std::strlen(scheme) + 3);
    }
    const auto colon = server.rfind(':');
    const std::string port = colon == std::string::npos ? "" : server.substr(colon + 1);
    implicit = implicit || port == (std::string_view(scheme) == "smtp" ? "465" : "995");
    easy.set<CURLOPT_USE_SSL>(static_cast<long>(implicit ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    return (implicit ? secure : std::string(scheme) + "://") + server + "/";
}

// ---- The message ----

std::string dateHeader() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S %z", &local);
    return text;
}

std::string messageId(const std::string& from) {
    static std::atomic<unsigned> serial{0};
    std::random_device random;
    const auto at = from.find('@');
    std::string host = at == std::string::npos ? "belltale.invalid" : from.substr(at + 1);
    host.erase(std::remove(host.begin(), host.end(), '>'), host.end());
    if (host.empty())
        host = "belltale.invalid";
    std::ostringstream id;
    id << "<" << std::time(nullptr) << "." << std::hex << random() << "." << serial++ << "@" << host
       << ">";
    return id.str();
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string base64(std::string_view bytes, bool wrap) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t column = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::uint32_t a = static_cast<unsigned char>(bytes[i]);
        const std::uint32_t b = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        const std::uint32_t c = i + 2 < bytes.size() ? static_cast<unsigned char>(bytes[i + 2]) : 0;
        const std::uint32_t triple = a << 16 | b << 8 | c;
        out += kDigits[triple >> 18 & 63];
        out += kDigits[triple >> 12 & 63];
        out += i + 1 < bytes.size() ? kDigits[triple >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[triple & 63] : '=';
        column += 4;
        if (wrap && column >= 76) {
            out += "\r\n";
            column = 0;
        }
    }
    if (wrap && column > 0)
        out += "\r\n";
    return out;
}

// Non-ASCII header text is sent as one encoded word.
std::string headerText(std::string_view text) {
    const std::string line = oneLine(text);
    return isAscii(line) ? line : "=?UTF-8?B?" + base64(line, false) + "?=";
}

// Every line ends with CR LF, whatever the caller used.
std::string crlfLines(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (text[i] == '\n' || text[i] == '\r')
            out += "\r\n";
        else
            out += text[i];
    }
    if (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0)
        out += "\r\n";
    return out;
}

std::optional<std::string> readAttachment(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string fileNameOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct Upload {
    const std::string* text;
    std::size_t at = 0;
};

std::size_t readUpload(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* upload = static_cast<Upload*>(user);
    const std::size_t room = size * count;
    const std::size_t left = upload->text->size() - upload->at;
    const std::size_t n = std::min(room, left);
    std::memcpy(buffer, upload->text->data() + upload->at, n);
    upload->at += n;
    return n;
}

// The POP3 listing has one line per message waiting ("<number> <size>"). It is counted as it
// arrives and not kept: a server may list without end.
struct Listing {
    Easy* easy;
    std::int32_t count = 0;
    bool lineHasText = false;
    std::uint64_t bytes = 0;
};

// Far more than any real mailbox lists (a line is a dozen bytes).
constexpr std::uint64_t kMaxListingBytes = 16u << 20;

std::size_t countListing(char* data, std::size_t size, std::size_t count, void* user) {
    auto* listing = static_cast<Listing*>(user);
    const std::size_t n = size * count;
    listing->bytes += n;
    if (listing->bytes > kMaxListingBytes) {
        listing->easy->overflowed();
        return 0;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const char c = data[i];
        if (c == '\n') {
            if (listing->lineHasText && listing->count < INT32_MAX)
                ++listing->count;
            listing->lineHasText = false;
        } else if (c != ' ' && c != '\t' && c != '\r') {
            listing->lineHasText = true;
        }
    }
    return n;
}

}  // namespace

std::int32_t seeIntegerParam(std::int32_t chan, std::int32_t param, std::int32_t value) {
    std::int32_t code = 0;
    Channel* channel = channelOf(chan, code);
    if (!channel)
        return code;
    channel->integers[param] = value;
    return 0;
}

std::int32_t seeStringParam(std::int32_t chan, std::int32_t param, const char* text) {
    std::int32_t code = 0;
    Channel* channel = channelOf(chan, code);
    if (!channel)
        return code;
    if (param == kHeaderParam) {
        // Each line must be a header of its own: empty lines would end the header early.
        std::string headers;
        std::stringstream lines(field(text));
        std::string line;
        while (std::getline(lines, line, '\n')) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!trimmed(line).empty())
                headers += line + "\r\n";
        }
        channel->extraHeaders = headers;
    }
    return 0;
}

std::int32_t seeSmtpConnect(std::int32_t chan, const char* server, const char* from,
                            const char* /*replyTo*/) {
    std::int32_t code = 0;
    Channel* channel = channelOf(chan, code);
    if (!channel)
        return code;
    mail::Channels::instance().close(*channel);
    const std::string host = trimmed(oneLine(field(server)));
    if (host.empty())
        return SEE_BAD_ARGUMENT;
    Easy easy;
    if (const std::int32_t unusable = easy.unusable())
        return unusable;
    const std::string address = url(easy, "smtp", host);
    easy.set<CURLOPT_URL>(address.c_str());
    easy.set<CURLOPT_CONNECT_ONLY>(1L);
    easy.bound(timeoutMs(*channel));
    if (const std::int32_t failed = easy.perform())
        return failed;
    channel->kind = Channel::Kind::Smtp;
    channel->server = host;
    channel->serverAddress = easy.address();
    const std::vector<std::string> sender = addresses(field(from));
    channel->from = sender.empty() ? "<>" : sender.front();
    return 0;
}

std::int32_t seePop3Connect(std::int32_t chan, const char* server, const char* user,
                            const char* password) {
    std::int32_t code = 0;
    Channel* channel = channelOf(chan, code);
    if (!channel)
        return code;
    mail::Channels::instance().close(*channel);
    const std::string host = trimmed(oneLine(field(server)));
    if (host.empty())
        return SEE_BAD_ARGUMENT;
    Easy easy;
    if (const std::int32_t unusable = easy.unusable())
        return unusable;
    const std::string address = url(easy, "pop3", host);
    const std::string name = field(user);
    const std::string secret = field(password);
    Listing listing{&easy};
    easy.set<CURLOPT_URL>(address.c_str());
    easy.set<CURLOPT_USERNAME>(name.c_str());
    easy.set<CURLOPT_PASSWORD>(secret.c_str());
    easy.set<CURLOPT_WRITEFUNCTION>(countListing);
    easy.set<CURLOPT_WRITEDATA>(&listing);
    easy.bound(timeoutMs(*channel));
    if (const std::int32_t failed = easy.perform())
        return failed;
    channel->kind = Channel::Kind::Pop3;
    channel->server = host;
    channel->serverAddress = easy.address();
    channel->messageCount = listing.count + (listing.lineHasText ? 1 : 0);
    return 0;
}

std::int32_t seeDebug(std::int32_t chan, std::int32_t item, char* buffer, std::int32_t size) {
    std::int32_t code = 0;
    Channel* channel = channelOf(chan, code);
    if (!channel)
        return code;
    if (!buffer || size < 1)
        return SEE_BAD_ARGUMENT;
    std::string text;
    if (item == kServerAddressItem) {
        if (channel->kind == Channel::Kind::None) {
            buffer[0] = '\0';
            return SEE_NOT_CONNECTED;
        }
        text = channel->serverAddress.empty() ? channel->server : channel->serverAddress;
    }
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<std::int32_t>(n);
}

std::int32_t seeSendEmail(std::int32_t chan, const char* to, const char* cc, const char* bcc,
                          const char* subject, const char* body, const char* attachment) {
    std::int32_t code = 0;
    Channel* channel = channelOf(chan, code);
    if (!channel)
        return code;
    if (channel->kind != Channel::Kind::Smtp)
        return SEE_NOT_CONNECTED;
    const std::vector<std::string> toList = addresses(field(to));
    const std::vector<std::string> ccList = addresses(field(cc));
    const std::vector<std::string> bccList = addresses(field(bcc));
    if (toList.empty())
        return SEE_BAD_ARGUMENT;
    const auto joined = [](const std::vector<std::string>& list) {
        std::string out;
        for (const std::string& one : list)
            out += (out.empty() ? "" : ", ") + one;
        return out;
    };

    std::string message = "Date: " + dateHeader() + "\r\n";
    message += "Message-ID: " + messageId(channel->from) + "\r\n";
    message += "From: " + channel->from + "\r\n";
    message += "To: " + joined(toList) + "\r\n";
    if (!ccList.empty())
        message += "Cc: " + joined(ccList) + "\r\n";
    message += "Subject: " + headerText(field(subject)) + "\r\n";
    message += channel->extraHeaders;
    message += "MIME-Version: 1.0\r\n";
    const std::string text = crlfLines(field(body));
    const std::string file = field(attachment);
    if (file.empty()) {
        message +=
            "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n";
        message += text;
    } else {
        const std::optional<std::string> content = readAttachment(file);
        if (!content)
            return SEE_ATTACHMENT_UNREADABLE;
        const std::string boundary = "belltale-" + messageId(channel->from).substr(1, 20);
        const std::string name = oneLine(fileNameOf(file));
        message += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
        message += "--" + boundary + "\r\n";
        message +=
            "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n";
        message += text;
        message += "--" + boundary + "\r\n";
        message += "Content-Type: application/octet-stream; name=\"" + name + "\"\r\n";
        message += "Content-Disposition: attachment; filename=\"" + name + "\"\r\n";
        message += "Content-Transfer-Encoding: base64\r\n\r\n";
        message += base64(*content, true);
        message += "--" + boundary + "--\r\n";
    }
    channel->recipients = toList;
    channel->recipients.insert(channel->recipients.end(), ccList.begin(), ccList.end());
    channel->recipients.insert(channel->recipients.end(), bccList.begin(), bccList.end());
    channel->message = std::move(message);
    channel->messageWaiting = true;
    return 0;
}

std::int32_t seeDriver(std::int32_t chan) {
    std::int32_t code = 0;
    Channel* channel = channelOf(chan, code);
    if (!channel)
        return code;
    if (channel->kind != Channel::Kind::Smtp)
        return SEE_NOT_CONNECTED;
    if (!channel->messageWaiting)
        return SEE_NO_MESSAGE;
    channel->messageWaiting = false;
    Easy easy;
    if (const std::int32_t unusable = easy.unusable())
        return unusable;
    const std::string address = url(easy, "smtp", channel->server);
    for (const std::string& recipient : channel->recipients)
        easy.addRecipient(recipient);
    Upload upload{&channel->message};
    easy.set<CURLOPT_URL>(address.c_str());
    easy.set<CURLOPT_MAIL_FROM>(channel->from.c_str());
    easy.set<CURLOPT_MAIL_RCPT>(easy.recipients());
    easy.set<CURLOPT_UPLOAD>(1L);
    easy.set<CURLOPT_READFUNCTION>(readUpload);
    easy.set<CURLOPT_READDATA>(&upload);
    easy.set<CURLOPT_INFILESIZE_LARGE>(static_cast<curl_off_t>(channel->message.size()));
    easy.bound(timeoutMs(*channel));
    if (const std::int32_t failed = easy.perform())
        return failed;
    channel->bytesSent = static_cast<std::int64_t>(channel->message.size());
    return 0;
}

std::int32_t seeStatistics(std::int32_t chan, std::int32_t item) {
    std::int32_t code = 0;
    Channel* channel = channelOf(chan, code);
    if (!channel)
        return code;
    return item == kBytesSentItem
               ? static_cast<std::int32_t>(std::min<std::int64_t>(channel->bytesSent, INT32_MAX))
               : 0;
}

std::int32_t seeGetEmailCount(std::int32_t chan) {
    std::int32_t code = 0;
    Channel* channel = channelOf(chan, code);
    if (!channel)
        return code;
    return channel->kind == Channel::Kind::Pop3 ? channel->messageCount : SEE_NOT_CONNECTED;
}
