// The text-to-speech control: speaks sentences one after another through the default wave-out
// device, with the control tags of the classic speech interface ("\emp\" stresses the next word,
// "\pau=500\" pauses half a second; other tags are ignored).
//
// Everything is called on the UI thread and returns at once: a sentence is spoken while the
// program goes on, and the control moves to the next one as the UI thread pumps.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "platform/core/win_types.h"

namespace speech {

class Voice;

// The members by which the control's automation interface calls these methods.
inline constexpr std::int32_t DISPID_DirectSS_Speak = 6;
inline constexpr std::int32_t DISPID_DirectSS_AudioReset = 36;

class DirectSS {
  public:
    DirectSS();
    ~DirectSS();  // stops speaking
    DirectSS(const DirectSS&) = delete;
    DirectSS& operator=(const DirectSS&) = delete;

    // Queues `text` (UTF-8, may hold control tags) behind what is being spoken and returns.
    void Speak(const std::string& text);
    // Stops the sentence being spoken at once and drops every queued one.
    void AudioReset();
    // True while a sentence is being spoken or waits in the queue.
    bool Speaking() const;

  private:
    void startNext();
    void finished(std::uint64_t phrase);

    std::unique_ptr<Voice> m_voice;  // made at the first sentence
    std::deque<std::string> m_queue;
    bool m_speaking = false;
    std::uint64_t m_phrase =
        0;  // counts started sentences; a late "finished" of an old one is ignored
};

// Whether the speech components are installed: the espeak-ng engine loads its data and has the
// default voice. The first-run installers check this (and put the components in place).
bool speechComponentsInstalled();

// The default voice's name ("en": British English).
inline constexpr const char* kDefaultVoice = "en";

}  // namespace speech
