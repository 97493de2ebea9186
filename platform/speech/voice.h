// The voice behind a DirectSS control: it speaks one sentence at a time. The real voice
// synthesises with espeak-ng and plays through the wave-out device; tests install another through
// setVoiceFactory (see testing/speech_recorder.h).
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace speech {

class Voice {
  public:
    virtual ~Voice() = default;
    // Begins speaking `text` (control tags included). `finished` runs on the UI thread, from the
    // pump, once the sentence has been heard to its end (or could not be spoken); never from
    // inside this call.
    virtual void start(const std::string& text, std::function<void()> finished) = 0;
    // Silences the sentence being spoken at once; its `finished` is then never called.
    virtual void stop() = 0;
};

using VoiceFactory = std::function<std::unique_ptr<Voice>()>;

// Installs the factory that controls use for their voice from their next first sentence on
// (an empty one: the real voice). Returns the previous factory.
VoiceFactory setVoiceFactory(VoiceFactory factory);

// The real voice: espeak-ng through waveOut on WAVE_MAPPER.
std::unique_ptr<Voice> makeEspeakVoice();

}  // namespace speech
