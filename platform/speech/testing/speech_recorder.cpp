#include "platform/speech/testing/speech_recorder.h"

#include <algorithm>

#include "platform/core/clock.h"
#include "platform/core/messages.h"

namespace speech {

struct SpeechRecorder::Log {
    std::chrono::milliseconds perCharacter;
    std::vector<SpokenSentence> sentences;

    std::chrono::milliseconds durationOf(const std::string& text) const {
        return perCharacter * static_cast<long>(std::max<std::size_t>(text.size(), 1));
    }
};

namespace {

class RecordingVoice final : public Voice {
  public:
    explicit RecordingVoice(std::shared_ptr<SpeechRecorder::Log> log) : m_log(std::move(log)) {}
    ~RecordingVoice() override { stop(); }

    void start(const std::string& text, std::function<void()> finished) override {
        stop();
        m_log->sentences.push_back({text, core::tickCount64(), std::nullopt, false});
        m_current = m_log->sentences.size() - 1;
        const auto duration = static_cast<DWORD>(m_log->durationOf(text).count());
        m_end.start(duration, [this, finished = std::move(finished)] {
            end(false);
            finished();
        });
    }

    void stop() override {
        m_end.stop();
        end(true);
    }

  private:
    void end(bool cutShort) {
        if (m_current && *m_current < m_log->sentences.size()) {
            m_log->sentences[*m_current].endedAt = core::tickCount64();
            m_log->sentences[*m_current].cutShort = cutShort;
        }
        m_current.reset();
    }

    std::shared_ptr<SpeechRecorder::Log> m_log;
    core::OneShot m_end;
    std::optional<std::size_t> m_current;
};

}  // namespace

SpeechRecorder::SpeechRecorder(std::chrono::milliseconds perCharacter)
    : m_log(std::make_shared<Log>(Log{perCharacter, {}})) {
    m_previous = setVoiceFactory([log = m_log] { return std::make_unique<RecordingVoice>(log); });
}

SpeechRecorder::~SpeechRecorder() {
    setVoiceFactory(std::move(m_previous));
}

const std::vector<SpokenSentence>& SpeechRecorder::sentences() const {
    return m_log->sentences;
}

std::vector<std::string> SpeechRecorder::texts() const {
    std::vector<std::string> texts;
    for (const auto& sentence : m_log->sentences) {
        texts.push_back(sentence.text);
    }
    return texts;
}

std::chrono::milliseconds SpeechRecorder::durationOf(const std::string& text) const {
    return m_log->durationOf(text);
}

}  // namespace speech
