#include "vevuzer/shell/speech_output.h"

#include <string>

#include "platform/core/messages.h"
#include "platform/speech/direct_ss_automation.h"
#include "platform/speech/speech.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"

namespace vevuzer {
namespace {

SpeechControl* g_speech = nullptr;

}  // namespace

SpeechControl::SpeechControl() : m_control(speech::createDirectSSObject()), m_previous(g_speech) {
    g_speech = this;
}

SpeechControl::~SpeechControl() {
    if (g_speech == this) {
        g_speech = m_previous;
    }
}

void SpeechControl::audioReset() const {
    m_control.call(speech::DISPID_DirectSS_AudioReset);
}

void SpeechControl::speak(std::string_view text) const {
    m_control.call(speech::DISPID_DirectSS_Speak, text);
}

void say(std::string_view spk, int priority) {
    if (settings::isOn(settings::shell::silence)) {
        log("The silence setting is set to True, speech command has been ignored");
        return;
    }
    log("Speech command, now saying " + std::string(spk));
    // The voice renders the whole sentence before it starts; the caller (a caller-ID handler
    // showing who is calling) goes on meanwhile, and the sentence starts as soon as the program
    // pumps. Sentences keep their order, and an urgent one still cuts short the ones before it.
    core::post([text = std::string(spk), priority] {
        if (!g_speech) {
            return;
        }
        if (priority == kSayUrgent) {
            g_speech->audioReset();
        }
        g_speech->speak(text);
    });
}

}  // namespace vevuzer
