// The SMTP and POP3 exchanges over libcurl. A connect greets the server (SMTP) or logs in and
// counts the messages (POP3) and lets the connection go; the send opens its own. Every transfer is
// bounded by the channel's time-out.
#include <curl/curl.h>

#include <algorithm>
#include <atomic>
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
#include <vector>

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
        case CURLE_WEIRD_SERVER_REPLY:
            return SEE_SERVER_REFUSED;
        default:
            return SEE_TRANSFER_FAILED;
    }
}

class Easy {
  public:
    Easy() {
        static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        m_curl = initialised ? curl_easy_init() : nullptr;
    }
    ~Easy() {
        if (m_curl)
            curl_easy_cleanup(m_curl);
        if (m_recipients)
            curl_slist_free_all(m_recipients);
    }
    Easy(const Easy&) = delete;
    Easy& operator=(const Easy&) = delete;

    CURL* get() const { return m_curl; }
    void bound(std::int32_t timeout) const {
        curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeout));
        curl_easy_setopt(m_curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout));
    }
    void addRecipient(const std::string& address) {
        m_recipients = curl_slist_append(m_recipients, address.c_str());
    }
    curl_slist* recipients() const { return m_recipients; }
    std::string address() const {
        char* ip = nullptr;
        if (curl_easy_getinfo(m_curl, CURLINFO_PRIMARY_IP, &ip) == CURLE_OK && ip)
            return ip;
        return {};
    }

  private:
    CURL* m_curl = nullptr;
    curl_slist* m_recipients = nullptr;
};

std::string url(const char* scheme, const std::string& server) {
    return std::string(scheme) + "://" + server + "/";
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

std::size_t collect(char* data, std::size_t size, std::size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
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
    if (!easy.get())
        return SEE_TRANSFER_FAILED;
    const std::string address = url("smtp", host);
    curl_easy_setopt(easy.get(), CURLOPT_URL, address.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_CONNECT_ONLY, 1L);
    easy.bound(timeoutMs(*channel));
    if (const std::int32_t failed = codeOf(curl_easy_perform(easy.get())))
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
    if (!easy.get())
        return SEE_TRANSFER_FAILED;
    const std::string address = url("pop3", host);
    const std::string name = field(user);
    const std::string secret = field(password);
    std::string listing;
    curl_easy_setopt(easy.get(), CURLOPT_URL, address.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_USERNAME, name.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_PASSWORD, secret.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &listing);
    easy.bound(timeoutMs(*channel));
    if (const std::int32_t failed = codeOf(curl_easy_perform(easy.get())))
        return failed;
    // The listing has one line per message waiting: "<number> <size>".
    std::int32_t count = 0;
    std::stringstream lines(listing);
    std::string line;
    while (std::getline(lines, line))
        count += trimmed(line).empty() || trimmed(line) == "\r" ? 0 : 1;
    channel->kind = Channel::Kind::Pop3;
    channel->server = host;
    channel->serverAddress = easy.address();
    channel->messageCount = count;
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
    if (!easy.get())
        return SEE_TRANSFER_FAILED;
    const std::string address = url("smtp", channel->server);
    for (const std::string& recipient : channel->recipients)
        easy.addRecipient(recipient);
    Upload upload{&channel->message};
    curl_easy_setopt(easy.get(), CURLOPT_URL, address.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_MAIL_FROM, channel->from.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_MAIL_RCPT, easy.recipients());
    curl_easy_setopt(easy.get(), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_READFUNCTION, readUpload);
    curl_easy_setopt(easy.get(), CURLOPT_READDATA, &upload);
    curl_easy_setopt(easy.get(), CURLOPT_INFILESIZE_LARGE,
                     static_cast<curl_off_t>(channel->message.size()));
    easy.bound(timeoutMs(*channel));
    if (const std::int32_t failed = codeOf(curl_easy_perform(easy.get())))
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
