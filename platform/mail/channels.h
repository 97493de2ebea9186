// Internal: the engine's channel table. Each attached channel holds the state of one exchange;
// the SMTP and POP3 exchanges keep their connection in the channel's session.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace mail {

// An open connection on a channel (an SMTP or POP3 exchange under way).
class Session {
  public:
    virtual ~Session() = default;
    // Ends the exchange politely (QUIT) and closes the connection; a failure code or 0.
    virtual std::int32_t close() = 0;
};

struct Channel {
    std::unique_ptr<Session> session;  // null while no exchange is open
};

class Channels {
  public:
    static Channels& instance();

    bool attached() const { return m_attached; }
    std::int32_t attach(std::int32_t count);
    // The channel `chan`, or nullptr with `code` set when the engine is not attached or the number
    // is out of range.
    Channel* find(std::int32_t chan, std::int32_t& code);
    std::int32_t close(Channel& channel);
    std::int32_t release();

  private:
    Channels() = default;
    bool m_attached = false;
    std::vector<Channel> m_channels;
};

}  // namespace mail
