#include "platform/speech/espeak_engine.h"

#include <dlfcn.h>
#include <espeak-ng/speak_lib.h>

#include <mutex>
#include <string>

#include "platform/speech/speech.h"

namespace speech {
namespace {

std::mutex g_engineMutex;

// espeak-ng is loaded on the first sentence rather than linked: it brings the sound server's and
// the sound files' libraries with it, a cost to every start of a program that may never speak.
constexpr const char* kLibrary = "libespeak-ng.so.1";

struct Engine {
    bool ready = false;
    int samplesPerSec = 0;
    decltype(&espeak_SetSynthCallback) setSynthCallback = nullptr;
    decltype(&espeak_Synth) synth = nullptr;
};

template <typename Function>
bool resolve(void* library, const char* symbol, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, symbol));
    return function != nullptr;
}

// espeak_Initialize would end the process when its data is missing, unless told not to. The
// library stays loaded for the process's life, ready or not: its data may be what is missing.
Engine load() {
    Engine engine;
    void* library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    decltype(&espeak_Initialize) initialize = nullptr;
    decltype(&espeak_SetVoiceByName) setVoiceByName = nullptr;
    if (!library || !resolve(library, "espeak_Initialize", initialize) ||
        !resolve(library, "espeak_SetVoiceByName", setVoiceByName) ||
        !resolve(library, "espeak_SetSynthCallback", engine.setSynthCallback) ||
        !resolve(library, "espeak_Synth", engine.synth)) {
        return engine;
    }
    const int rate = initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0) {
        return engine;
    }
    engine.samplesPerSec = rate;
    engine.ready = setVoiceByName(kDefaultVoice) == EE_OK;
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

// The engine forgets its voice at the start of every document, so a closing "</speak>" selects the
// voice anew and reloads its dictionary from disk for each sentence. "</s>" ends the text as a
// sentence alike (same pause, same intonation) and selects nothing. Only a bare "<speak>" may lose
// its end: one with a language must end by going back to the default voice.
std::string withoutVoiceReselection(std::string_view ssml) {
    constexpr std::string_view kSpeakStart = "<speak>";
    constexpr std::string_view kSpeakEnd = "</speak>";
    if (!ssml.starts_with(kSpeakStart) || !ssml.ends_with(kSpeakEnd)) {
        return std::string(ssml);
    }
    ssml.remove_suffix(kSpeakEnd.size());
    return std::string(ssml) + "</s>";
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
    const std::string text = withoutVoiceReselection(ssml);
    engine().setSynthCallback(collect);
    const espeak_ERROR result =
        engine().synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                       espeakCHARS_UTF8 | espeakSSML | espeakENDPAUSE, nullptr, &pcm.samples);
    if (result != EE_OK) {
        return std::nullopt;
    }
    return pcm;
}

}  // namespace speech
