// Internal: the engine's channel table. Each attached channel holds the state of one exchange.
// No connection outlives a call: every transfer opens and ends its own, so closing a channel only
// forgets what the next call would have needed.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace mail {

struct Channel {
    enum class Kind { None, Smtp, Pop3 };
    // The exchange: None until a connect succeeds.
    Kind kind = Kind::None;
    std::string server;  // as given: "host" or "host:port"
    std::string serverAddress;
    std::string from;
    std::string extraHeaders;  // parameter 51, without its closing NUL
    bool messageWaiting = false;
    std::string message;
    std::vector<std::string> recipients;
    std::int64_t bytesSent = 0;
    std::int32_t messageCount = 0;  // POP3: messages waiting
    // Integer parameters set on the channel; they outlive its exchanges.
    std::map<std::int32_t, std::int32_t> integers;
};

class Channels {
  public:
    static Channels& instance();

    bool attached() const { return m_attached; }
    std::int32_t attach(std::int32_t count);
    // The channel `chan`, or nullptr with `code` set when the engine is not attached or the number
    // is out of range.
    Channel* find(std::int32_t chan, std::int32_t& code);
    void close(Channel& channel);
    std::int32_t release();

  private:
    Channels() = default;
    bool m_attached = false;
    std::vector<Channel> m_channels;
};

}  // namespace mail
