#include "platform/mail/channels.h"

#include "platform/mail/see.h"
#include "platform/mail/see_codes.h"

namespace mail {

Channels& Channels::instance() {
    static Channels channels;
    return channels;
}

std::int32_t Channels::attach(std::int32_t count) {
    if (m_attached) {
        return SEE_ALREADY_ATTACHED;
    }
    if (count < 1 || count > SEE_MAX_CHANNELS) {
        return SEE_BAD_CHANNEL_COUNT;
    }
    m_channels.clear();
    m_channels.resize(static_cast<std::size_t>(count));
    m_attached = true;
    return 0;
}

Channel* Channels::find(std::int32_t chan, std::int32_t& code) {
    if (!m_attached) {
        code = SEE_NOT_ATTACHED;
        return nullptr;
    }
    if (chan < 0 || static_cast<std::size_t>(chan) >= m_channels.size()) {
        code = SEE_BAD_CHANNEL;
        return nullptr;
    }
    code = 0;
    return &m_channels[static_cast<std::size_t>(chan)];
}

void Channels::close(Channel& channel) {
    std::map<std::int32_t, std::int32_t> integers = std::move(channel.integers);
    channel = Channel{};
    channel.integers = std::move(integers);
}

std::int32_t Channels::release() {
    if (!m_attached) {
        return SEE_NOT_ATTACHED;
    }
    for (Channel& channel : m_channels) {
        close(channel);
    }
    m_channels.clear();
    m_attached = false;
    return 0;
}

}  // namespace mail
