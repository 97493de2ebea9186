#include "platform/speech/espeak_engine.h"

#include <espeak-ng/speak_lib.h>

#include <mutex>
#include <string>

#include "platform/speech/speech.h"

namespace speech {
namespace {

std::mutex g_engineMutex;

struct Engine {
    bool ready = false;
    int samplesPerSec = 0;
};

// espeak_Initialize would end the process when its data is missing, unless told not to.
Engine load() {
    Engine engine;
    const int rate =
        espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0) {
        return engine;
    }
    engine.samplesPerSec = rate;
    engine.ready = espeak_SetVoiceByName(kDefaultVoice) == EE_OK;
    return engine;
}

const Engine& engine() {
    static const Engine loaded = load();
    return loaded;
}

// The engine hands the samples over in pieces; the sentence's buffer travels as user data.
int collect(short* samples, int count, espeak_EVENT* events) {
    if (samples != nullptr && count > 0 && events != nullptr && events->user_data != nullptr) {
        auto* into = static_cast<std::vector<std::int16_t>*>(events->user_data);
        into->insert(into->end(), samples, samples + count);
    }
    return 0;  // go on
}

}  // namespace

bool espeakReady() {
    std::lock_guard lock(g_engineMutex);
    return engine().ready;
}

std::optional<Pcm> synthesize(std::string_view ssml) {
    std::lock_guard lock(g_engineMutex);
    if (!engine().ready) {
        return std::nullopt;
    }
    Pcm pcm;
    pcm.samplesPerSec = engine().samplesPerSec;
    const std::string text(ssml);
    espeak_SetSynthCallback(collect);
    const espeak_ERROR result =
        espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                     espeakCHARS_UTF8 | espeakSSML | espeakENDPAUSE, nullptr, &pcm.samples);
    if (result != EE_OK) {
        return std::nullopt;
    }
    return pcm;
}

}  // namespace speech
