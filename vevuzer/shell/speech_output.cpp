#include "vevuzer/shell/speech_output.h"

#include <string>

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
    if (priority == kSayUrgent && g_speech) {
        g_speech->audioReset();
    }
    log("Speech command, now saying " + std::string(spk));
    if (g_speech) {
        g_speech->speak(spk);
    }
}

}  // namespace vevuzer
