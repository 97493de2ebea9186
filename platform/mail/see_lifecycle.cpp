// Attaching, closing and releasing: the engine's life, apart from the exchanges themselves.
#include "platform/mail/channels.h"
#include "platform/mail/see.h"

std::int32_t seeAttach(std::int32_t numChans, std::int32_t /*keyCode*/) {
    return mail::Channels::instance().attach(numChans);
}

std::int32_t seeClose(std::int32_t chan) {
    std::int32_t code = 0;
    mail::Channel* channel = mail::Channels::instance().find(chan, code);
    if (channel == nullptr)
        return code;
    mail::Channels::instance().close(*channel);
    return 0;
}

std::int32_t seeRelease() {
    return mail::Channels::instance().release();
}
