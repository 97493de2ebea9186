// Captures what the speech controls say instead of sounding it: while a SpeechRecorder exists,
// every control that speaks its first sentence gets a recording voice. A sentence "lasts" a time
// proportional to its length on the platform clock, so queueing and interruption play out in
// virtual time as they would aloud.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/speech/voice.h"

namespace speech {

struct SpokenSentence {
    std::string text;                     // as handed to the control, tags included
    std::int64_t startedAt = 0;           // the platform tick when it began
    std::optional<std::int64_t> endedAt;  // when it ended; unset while it is being spoken
    bool cutShort = false;                // stopped before its end
};

class SpeechRecorder {
  public:
    // Each sentence lasts `perCharacter` times its length in bytes (at least one character).
    explicit SpeechRecorder(std::chrono::milliseconds perCharacter = std::chrono::milliseconds(50));
    ~SpeechRecorder();  // controls made meanwhile keep recording into a log nobody reads
    SpeechRecorder(const SpeechRecorder&) = delete;
    SpeechRecorder& operator=(const SpeechRecorder&) = delete;

    // Every sentence begun so far, in the order they began.
    const std::vector<SpokenSentence>& sentences() const;
    // Their texts alone, in order.
    std::vector<std::string> texts() const;
    std::chrono::milliseconds durationOf(const std::string& text) const;

    struct Log;

  private:
    std::shared_ptr<Log> m_log;
    VoiceFactory m_previous;
};

}  // namespace speech
