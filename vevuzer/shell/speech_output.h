// Speech: the main window's text-to-speech control and `say`, through which every part of the
// program talks to the user. UI thread only.
#pragma once

#include <string_view>

#include "platform/com/dispatch_client.h"

namespace vevuzer {

// `say`'s priority for a sentence that must be heard at once (the caller-ID announcement, a
// refusal); any other value queues the sentence behind what is being spoken.
inline constexpr int kSayUrgent = 1;
inline constexpr int kSayNormal = 0;

// The main window's speech control, called late-bound by its members as any control is. While
// one exists, `say` speaks through the newest one; the main window makes it when it loads and
// lets it go when it closes.
class SpeechControl {
  public:
    SpeechControl();
    ~SpeechControl();  // stops speaking; `say` goes back to the control made before, if any
    SpeechControl(const SpeechControl&) = delete;
    SpeechControl& operator=(const SpeechControl&) = delete;

    // The control's two members: drop the speech in progress, and queue a sentence.
    void audioReset() const;
    void speak(std::string_view text) const;

  private:
    com::Dispatch m_control;
    SpeechControl* m_previous;
};

// Speaks `spk` unless the setting `silence` mutes speech (then only a log line says so). Priority 1
// first cuts short whatever is being spoken. Returns at once, before the sentence is even rendered:
// it is handed to the speech control when the program next pumps, in the order of the calls, and
// spoken while the program goes on. With no speech control the log line is still written and the
// sentence is lost.
// The text may hold the engine's control tags ("\emp\" stresses the next word).
void say(std::string_view spk, int priority);

}  // namespace vevuzer
